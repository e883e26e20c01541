#include "formats/binary/xqf.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "app/baseform.h"
#include "app/dispatch.h"
#include "core/board.h"
#include "core/bytereader.h"
#include "core/movecheck.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "tests/support/files.h"
#include "tests/support/golden.h"
#include "tests/support/record_dump.h"
#include "tests/support/test_job.h"

namespace {

namespace fs = std::filesystem;
const fs::path kData = fs::path(TAVRIK_TEST_DATA) / "xqf";
const fs::path kCorpus = fs::path(TAVRIK_CORPUS_DIR) / "xqf";
const fs::path kExamples = fs::path(TAVRIK_TEST_DATA) / ".." / ".." / "examples";

// The job's lines, a record's errors marked as the log window marks them.
std::string LogOf(const TTestJob& job) {
  std::string out;
  for (const TTestJob::TLine& line : job.Lines)
    out += (line.ForRecord && line.Level == kLogError ? "[錯誤] " : "") + line.Text + "\n";
  return out;
}

std::string Iconv(const std::string& in, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  std::string out(in.size() * 2 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  char* dst = out.data();
  size_t left = in.size(), room = out.size();
  bool ok = iconv(cd, &src, &left, &dst, &room) != static_cast<size_t>(-1);
  iconv_close(cd);
  out.resize(out.size() - room);
  return ok ? out : "<" + in + ">";
}
std::string Gbk(const std::string& utf8) { return Iconv(utf8, "GBK", "UTF-8"); }

// Reads XQF bytes into a fresh record; the log goes to *log when given.
bool ReadBytes(std::string bytes, TChessRec& rec, std::string* log = nullptr) {
  TTestJob job;
  ResetRecord(rec, kFmtXqf, kFmtXqf);
  bool ok = ReadXqfData(job, rec, bytes);
  if (log) *log = LogOf(job);
  return ok;
}

// The golden form of a record read by the XQF reader alone, whose texts are
// still GBK.
std::string DumpGbkRecord(TChessRec rec) {
  for (std::string& text : rec.Texts)
    if (!text.empty()) text = Iconv(text, "UTF-8", "GBK");
  return DumpRecord(rec);
}

// Hand-made records: the bundled examples and the round-trip subject.
struct TSampleMove {
  uint8_t From, Dest;
  uint32_t Flags;
  const char* Comment;
};
struct TSample {
  const char* FileName;
  int Version;
  std::vector<std::pair<int, const char*>> Texts;
  std::vector<uint8_t> Pieces;  // empty: standard start
  int RedFirst, GameType, GameResult;
  const char* StartComment;
  std::vector<TSampleMove> Moves;
};

// clang-format off
const std::vector<TSample>& Samples() {
  static const std::vector<TSample> samples = {
      {"opening_zhongpao_pingfengma.XQF", 10,
       {{kSlotTitle, "中炮對屏風馬"}, {kSlotEvent, "開局示例"}, {kSlotRedName, "紅方"}, {kSlotBlackName, "黑方"}},
       {}, 1, 2, 0, "中炮對屏風馬的常見開局。",
       {{0x77, 0x47, 0x80, nullptr}, {0x70, 0x62, 0x80, nullptr}, {0x79, 0x67, 0x80, nullptr},
        {0x80, 0x70, 0x80, nullptr}, {0x89, 0x79, 0x80, nullptr}, {0x63, 0x64, 0x80, nullptr},
        {0x26, 0x25, 0x80, nullptr}, {0x10, 0x22, 0, "雙方陣形工整。"}}},
      {"shunpao_with_variation.XQF", 18,
       {{kSlotTitle, "順炮局（含變著與注解）"}, {kSlotDate, "2024-05-01"}, {kSlotSite, "北京"},
        {kSlotRedName, "張三"}, {kSlotBlackName, "李四"}, {kSlotCreator, "Tavrik"}},
       {}, 1, 2, 3, "黑方可走順炮，也可走屏風馬。",
       {{0x77, 0x47, 0x80, nullptr}, {0x72, 0x42, 0xC0, "順手炮。"}, {0x79, 0x67, 0x80, nullptr},
        {0x70, 0x62, 0x80, nullptr}, {0x89, 0x79, 0x80, nullptr}, {0x80, 0x70, 0, "各出直車。"},
        {0x70, 0x62, 0x80, "改走屏風馬。"}, {0x79, 0x67, 0, nullptr}}},
      {"endgame_rook_pawn_mate.XQF", 10,
       {{kSlotTitle, "殘局：車兵殺將"}, {kSlotCommentator, "Tavrik"}},
       {0x06, 0xFF, 0xFF, 0xFF, 0x49, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x34, 0xFF, 0xFF, 0xFF, 0xFF,
        0xFF, 0xFF, 0xFF, 0x41, 0x30, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
       1, 4, 1, "紅先勝。",
       {{0x06, 0x00, 0x80, nullptr}, {0x30, 0x31, 0x80, nullptr}, {0x00, 0x01, 0x80, nullptr},
        {0x31, 0x32, 0x80, nullptr}, {0x34, 0x33, 0, "兵到將死。"}}},
  };
  return samples;
}
// clang-format on

void BuildSample(const TSample& s, TChessRec& rec) {
  ResetRecord(rec, kFmtXqf, kFmtXqf);
  for (size_t i = 0; i < s.Pieces.size(); ++i) rec.Pieces[i] = s.Pieces[i];
  rec.RedFirst = s.RedFirst;
  rec.GameType = s.GameType;
  rec.GameResult = s.GameResult;
  for (auto& [slot, text] : s.Texts) rec.Texts[slot] = Gbk(text);
  const int n = static_cast<int>(s.Moves.size());
  SetMoveCapacity(rec, n + 1);
  for (int i = 1; i <= n; ++i) {
    rec.Moves[i].From = s.Moves[i - 1].From;
    rec.Moves[i].Dest = s.Moves[i - 1].Dest;
    rec.Moves[i].Flags = s.Moves[i - 1].Flags;
  }
  BuildTreeFromFlags(rec, n);
  SetMoveText(rec, 0, Gbk(s.StartComment));
  for (int i = 1; i <= n; ++i)
    if (s.Moves[i - 1].Comment) SetMoveText(rec, i, Gbk(s.Moves[i - 1].Comment));
}

std::string Render(const TChessRec& rec, int version) {
  std::string out;
  const size_t estimate = RenderXqf(rec, version, 936, out);
  EXPECT_EQ(estimate, out.size());
  return out;
}

// Same squares, continuation and alternative flags, comments and texts.
void ExpectSameRecord(const TChessRec& a, const TChessRec& b) {
  ASSERT_EQ(a.MoveCount, b.MoveCount);
  EXPECT_EQ(std::vector<uint8_t>(a.Pieces, a.Pieces + 32),
            std::vector<uint8_t>(b.Pieces, b.Pieces + 32));
  EXPECT_EQ(a.RedFirst, b.RedFirst);
  EXPECT_EQ(a.GameType, b.GameType);
  EXPECT_EQ(a.GameResult & 3, b.GameResult & 3);
  for (int slot = kSlotTitle; slot <= kSlotCreator; ++slot)
    EXPECT_EQ(a.Texts[slot], b.Texts[slot]) << slot;
  for (int i = 0; i <= a.MoveCount; ++i) {
    if (i > 0) {
      EXPECT_EQ(a.Moves[i].From, b.Moves[i].From) << i;
      EXPECT_EQ(a.Moves[i].Dest, b.Moves[i].Dest) << i;
    }
    EXPECT_EQ(a.Moves[i].Flags & 0xC0, b.Moves[i].Flags & 0xC0) << i;
    EXPECT_EQ(a.Moves[i].Parent, b.Moves[i].Parent) << i;
    ASSERT_EQ(GetMoveText(a, i), GetMoveText(b, i)) << i;
  }
}

// The board after replaying the main line, as piece letters by square.
std::string FinalBoard(const uint8_t* start, const TChessRec* rec) {
  std::vector<uint8_t> p(start, start + 32);
  for (int i = 1; rec && rec->MoveCount > 0 && i <= rec->Lines[0].Last; ++i) {
    for (auto& sq : p)
      if (sq == rec->Moves[i].Dest) sq = kNoSquare;
    for (auto& sq : p)
      if (sq == rec->Moves[i].From) {
        sq = rec->Moves[i].Dest;
        break;
      }
  }
  std::string board(90, '.');
  for (int s = 0; s < 32; ++s)
    if (IsValidSquare(p[s]))
      board[(p[s] & 15) * 9 + (p[s] >> 4)] = "RNBAKABNRCCPPPPP"[s % 16] + (s < 16 ? 0 : 32);
  return board;
}

}  // namespace

TEST(ByteReader, RefusesReadsPastTheEndWithoutMoving) {
  const uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
  TByteReader r(bytes, sizeof bytes);
  uint32_t u = 0;
  std::string s;
  ASSERT_TRUE(r.Skip(3));
  EXPECT_FALSE(r.ReadU32Le(u));
  EXPECT_FALSE(r.ReadString(SIZE_MAX, s));  // a length near SIZE_MAX must not wrap the check
  EXPECT_FALSE(r.Skip(SIZE_MAX - 1));
  EXPECT_EQ(r.Offset(), 3u);
  EXPECT_EQ(r.ReadAtMost(0x7FFFFFFF).size(), 3u);
  TByteReader slice;
  EXPECT_FALSE(r.Slice(5, SIZE_MAX, slice));
  ASSERT_TRUE(r.Slice(2, 4, slice) && slice.ReadU32Le(u));
  EXPECT_EQ(u, 0x06050403u);
}

TEST(XqfCorpus, EveryFileReadsToItsKnownTree) {
  if (!fs::exists(kCorpus)) GTEST_SKIP() << "no corpus";
  // Node count, comment count, main-line plies and the pieces after the main
  // line, as an independent decoder found them.
  struct TExpect {
    const char* File;
    int Nodes, Comments, MainPlies;
    const char* Final;
  };
  // clang-format off
  const TExpect expected[] = {
      {"v10_blackfirst_midgame_2var.xqf", 22, 2, 11, "590829ff573965ff536737ffffffff068855023040508247ffff52ffffff03ff"},
      {"v10_endgame_4458nodes_282var.xqf", 4458, 259, 54, "ffffffff49ff6525ffffffffffffff4656ffffff41ffffffffffffffffffffff"},
      {"v10_kangua_vs_jinsong_comments.xqf", 43, 3, 43, "10ff294849596933ff833406ffff66863143423040506082ff52ff03ffff64ff"},
      {"v10_liudahua_lvqin_comments.xqf", 110, 11, 110, "31ffff573948ffffffff4943ffffffffff352041405042ff66ffff2547ffffff"},
      {"v10_title_cut_midchar.xqf", 6, 1, 6, "ffffffff48ffffff83ffffffffffff01ffffff4150ff24ff52ffffffffffffff"},
      {"v11_endgame_2var_5comments.xqf", 19, 5, 11, "23ffffff49ff473251ff37ffffffff4518ff42ff304124ffff22ffff38ffffff"},
      {"v11_lvqin_xuyinchuan_1997.xqf", 306, 0, 306, "ff33ff3948ffff53ffffffffffffffffffff20ff30ff42ffffff51ffffffffff"},
      {"v12_blackfirst_handicap_3var.xqf", 130, 4, 57, "36ff29ff37ff47ff09ff32266506ff86ffff2041503042684888ffff8324ff03"},
      {"v12_classic_opening_68var_171comments.xqf", 869, 171, 35, "ffff293949596967501043052646668654ff20ff51ff6074ff42220324ff6384"},
      {"v12_endgame_3293nodes_168var.xqf", 3293, 247, 110, "38ffffff39ffffffff68ffffffffffffffffffff40ffffff4543ffffffffffff"},
      {"v12_lin_vs_zheng_1var.xqf", 39, 3, 35, "ff2729394959695279204706ffff66863322ff305041426280ffff03ffff6383"},
      {"v13_endgame_21var_27comments.xqf", 327, 27, 34, "ff36ffff39ffffffffffff31ff61ffffffff823250ff2467ffffffffffff48ff"},
      {"v13_fullgame_15comments.xqf", 78, 15, 78, "ff344739494865553114ff04ffffff86ffff424140506062351022ffff43ff83"},
      {"v13_lvqin_xuyinchuan_1997.xqf", 306, 0, 306, "ff33ff3948ffff53ffffffffffffffffffff20ff30ff42ffffff51ffffffffff"},
      {"v13_opening_type1_21var.xqf", 492, 2, 58, "ffff4748495969ffffff06ff14ffffffffff2030504142ffffffff05ffff56ff"},
      {"v15_fullgame_197plies.xqf", 197, 0, 197, "ffff4737593907ffffff48ffff41ffffffffffff5052ffffff81ffffffffffff"},
      {"v15_fullgame_1comment.xqf", 110, 1, 110, "ffff293949596545ff58ffffff33ff86ffff203040412452ff14ff04ffffff84"},
      {"v16_blackfirst_single_move.xqf", 1, 2, 1, "ffffff4849ffffffffffffffffffffffffffffff40ffffffffffffff47ffffff"},
      {"v16_endgame_43plies.xqf", 43, 1, 43, "ff32ffff4948ff62ffff58ff45ff6644ffff60ff5041206776ff89ffffff38ff"},
      {"v16_endgame_4550nodes_297var.xqf", 4550, 508, 85, "ffffffff37ffffff84ffffffff31ffff66ffffff51ffffffffffffffff58ffff"},
      {"v16_endgame_4var.xqf", 33, 1, 7, "6626ffff59ffff23526762ff46ffffff08ff82ff3241ffff28ff03ff38ffff43"},
      {"v18_5var.xqf", 24, 0, 8, "0927293949596967791747062646668600222030405060628112420323436383"},
      {"v18_all_header_fields_2var.xqf", 19, 3, 5, "0919293949596967791747062646668600102030405060627012720323436383"},
      {"v18_blackfirst_midgame_3comments.xqf", 29, 3, 29, "79ff2948493947ffffff160686ffffff55ff42ff51ff82ffff46ff43ff830368"},
      {"v18_empty_no_moves.xqf", 0, 0, 0, "0919293949596979891777062646668600102030405060708012720323436383"},
      {"v18_endgame_1679nodes_138var.xqf", 1679, 203, 65, "69ff47ff57ff07ffffffffffffffffffffff823230ffffff49ffff39ffffffff"},
      {"v18_endgame_19var_32comments.xqf", 435, 32, 87, "44ffffff57ffffffffffffffffff51ffffffffff32ff60ff36ffffffffffff38"},
      {"v18_endgame_7966nodes_546var.xqf", 7966, 1012, 85, "ffffffff37ffffff84ffffffff31ffff66ffffff51ffffffffffffffff58ffff"},
      {"v18_handicap_nine_pieces.xqf", 75, 12, 75, "ffffffff49ffffff2081ffffffffffffff02ffff51ff64ffffffff032365ff83"},
      {"v18_header_only_no_moves.xqf", 0, 0, 0, "0919293949596979891777062646668600102030405060708012720323436383"},
      {"v18_huang_vs_feng_1var_8comments.xqf", 41, 8, 37, "02452939495969677547ff0626ff66ff313042414050608253ffff0324ff6383"},
      {"v18_liudahua_lvqin_comments.xqf", 110, 11, 110, "ffffff483957ffff3149ffffffffff43ff352041405042ff66ffff2547ffffff"},
      {"v18_midgame_3var_4comments.xqf", 18, 4, 10, "ff42ffff4937ffffffffff6520ffffffffffff323152ffffffffffffffff64ff"},
      {"v18_opening_61506nodes_1398var.xqf", 61506, 1195, 44, "1607473949486967ffffff0525ffff862022ff304050ff64ffffff03ff45ff83"},
      {"v18_opening_9var_24comments_bad.xqf", 138, 24, 29, "09ff4739495969ff73ff830625ff65ff17022030405060ff86ffffff23ff63ff"},
      {"v18_pawn_endgame.xqf", 14, 0, 14, "ffffffff49ffffffffffff4453524145ffffffff50ffffffffffff5563666758"},
      {"v18_wuyang_cup_32124nodes_348var.xqf", 32124, 51, 77, "ffff47ff49598742116871ffff46ff86ffffff523050822737ff0903ffffff83"},
      {"v18_xianrenzhilu_107001nodes.xqf", 107001, 314, 53, "ff272539495969ffffffff05ff46ff86ffff4230404160ffff76ff03ff44ff83"},
      {"v18_zhongpao_215980nodes_1MB.xqf", 215980, 5877, 38, "ff19473949486967ff0307ffff466586ff06023040506062ff4266ff24446383"},
  };
  // clang-format on
  // The moves that are bad in the files themselves, each confirmed by replaying
  // the tree independently: a won line stored twice in a row (1679 nodes), a
  // move stored twice (zhongpao, twice, and the midgame file), a line hung
  // under the wrong move (9var) and a move between two squares no piece can
  // join, with its follow-up (61506 nodes). Every other file replays cleanly.
  auto bad = [](std::initializer_list<std::pair<int, char>> moves) {
    std::string log;
    for (auto [node, kind] : moves)
      log += "[錯誤] 第 " + std::to_string(node) +
             (kind == '-'   ? " 步沒有找到棋子。\n"
              : kind == 'r' ? " 步，無效的棋步。\n"
                            : " 步：吃自己的棋子。\n");
    return log;
  };
  // clang-format off
  const std::map<std::string, std::string> badMoves = {
      {"v18_endgame_1679nodes_138var.xqf",
       bad({{582, '-'}, {583, '-'}, {584, 'r'}, {585, '-'}, {586, 'r'}, {587, '-'}, {588, '-'},
            {589, '-'}, {590, 'r'}, {591, '-'}, {592, 'o'}})},
      {"v18_midgame_3var_4comments.xqf", bad({{10, '-'}})},
      {"v18_opening_61506nodes_1398var.xqf", bad({{37929, '-'}, {37931, '-'}})},
      {"v18_opening_9var_24comments_bad.xqf",
       bad({{133, '-'}, {134, '-'}, {135, '-'}, {136, '-'}, {137, '-'}, {138, 'r'}})},
      {"v18_zhongpao_215980nodes_1MB.xqf", bad({{3326, '-'}, {154319, '-'}})},
  };
  // clang-format on
  for (const TExpect& e : expected) {
    SCOPED_TRACE(e.File);
    TChessRec rec;
    std::string log;
    ASSERT_TRUE(ReadBytes(Slurp(kCorpus / e.File), rec, &log));
    EXPECT_EQ(log.find("[錯誤]"), std::string::npos) << log;
    TTestJob checkJob;
    CheckMoves(checkJob, rec);
    auto known = badMoves.find(e.File);
    EXPECT_EQ(LogOf(checkJob), known == badMoves.end() ? "" : known->second);
    EXPECT_EQ(rec.MoveCount, e.Nodes);
    int comments = 0;
    for (int i = 0; i <= rec.MoveCount; ++i) comments += !GetMoveText(rec, i).empty();
    EXPECT_EQ(comments, e.Comments);
    EXPECT_EQ(rec.MoveCount ? rec.Lines[0].Last : 0, e.MainPlies);
    uint8_t final[32];
    for (int s = 0; s < 32; ++s)
      final[s] = static_cast<uint8_t>(std::stoi(std::string(e.Final + 2 * s, 2), nullptr, 16));
    EXPECT_EQ(FinalBoard(rec.Pieces, &rec), FinalBoard(final, nullptr));
  }
  TChessRec rec;
  std::string log;
  EXPECT_FALSE(ReadBytes(Slurp(kCorpus / "bad_not_xqf_fat_direntry.XQF"), rec, &log));
  EXPECT_EQ(log, "[錯誤] 此文件不是象棋演播室棋譜文件。\n");
}

TEST(XqfCorpus, SameGameInTwoVersionsAndRewrittenTreesMatch) {
  if (!fs::exists(kCorpus)) GTEST_SKIP() << "no corpus";
  for (auto [a, b] :
       {std::pair{"v10_liudahua_lvqin_comments.xqf", "v18_liudahua_lvqin_comments.xqf"},
        std::pair{"v11_lvqin_xuyinchuan_1997.xqf", "v13_lvqin_xuyinchuan_1997.xqf"}}) {
    TChessRec ra, rb;
    ASSERT_TRUE(ReadBytes(Slurp(kCorpus / a), ra) && ReadBytes(Slurp(kCorpus / b), rb));
    ASSERT_EQ(ra.MoveCount, rb.MoveCount) << a;
    for (int i = 1; i <= ra.MoveCount; ++i)
      ASSERT_TRUE(ra.Moves[i].From == rb.Moves[i].From && ra.Moves[i].Dest == rb.Moves[i].Dest)
          << a << i;
  }
  // The biggest tree, written by this program in both versions, reads back as the same tree.
  TChessRec original;
  ASSERT_TRUE(ReadBytes(Slurp(kCorpus / "v18_zhongpao_215980nodes_1MB.xqf"), original));
  for (int version : {10, 18}) {
    TChessRec again;
    ASSERT_TRUE(ReadBytes(Render(original, version), again));
    ExpectSameRecord(original, again);
  }
}

TEST(XqfRoundTrip, BothVersionsKeepTheRecordWhateverTheKeys) {
  for (const TSample& sample : Samples()) {
    TChessRec rec;
    BuildSample(sample, rec);
    size_t comments = 0, commented = 0;
    for (int i = 0; i <= rec.MoveCount; ++i) {
      comments += GetMoveText(rec, i).size();
      commented += !GetMoveText(rec, i).empty();
    }
    const size_t nodes = rec.MoveCount + 1;
    std::string v10 = Render(rec, 10);
    EXPECT_EQ(v10.size(), 1024 + 8 * nodes + comments);  // a length for every node
    TChessRec back;
    ASSERT_TRUE(ReadBytes(v10, back));
    ExpectSameRecord(rec, back);
    for (int run = 0; run < 40; ++run) {
      std::string v18 = Render(rec, 18);
      ASSERT_EQ(v18.size(), 1024 + 4 * nodes + 4 * commented + comments);
      ASSERT_TRUE(ReadBytes(v18, back));
      ExpectSameRecord(rec, back);
      // Closing the tree resets the flags of node 0 and of the last node.
      for (int i = 1; i < rec.MoveCount; ++i)
        ASSERT_EQ((back.Moves[i].Flags & 0x20) != 0, !GetMoveText(rec, i).empty()) << i;
    }
  }
}

TEST(XqfRoundTrip, GoldenFilesAndExamples) {
  TChessRec rec;
  BuildSample(Samples()[1], rec);
  const std::string v10 = Render(rec, 10);
  if (Accepting()) {
    Spit(kData / "sample_v10.xqf", v10);
    Spit(kData / "sample_v18.xqf", Render(rec, 18));
  }
  EXPECT_EQ(Slurp(kData / "sample_v10.xqf"), v10);  // the version 1.0 output is fixed
  for (const char* name : {"sample_v10", "sample_v18"}) {
    TChessRec back;
    ASSERT_TRUE(ReadBytes(Slurp(kData / (std::string(name) + ".xqf")), back));
    ExpectGolden(std::string("xqf/") + name + ".dump", DumpGbkRecord(back));
  }
  // The bundled examples are written by this writer from the hand-made records.
  for (const TSample& sample : Samples()) {
    BuildSample(sample, rec);
    if (Accepting()) Spit(kExamples / sample.FileName, Render(rec, sample.Version));
    TChessRec back;
    ASSERT_TRUE(ReadBytes(Slurp(kExamples / sample.FileName), back)) << sample.FileName;
    ExpectSameRecord(rec, back);
  }
}

TEST(XqfVersions, LayoutAndRotationFollowTheVersionByte) {
  TChessRec rec, back;
  BuildSample(Samples()[2], rec);  // endgame: rotation errors would move pieces
  std::string log;
  const std::string v10 = Render(rec, 10), v18 = Render(rec, 18);
  for (int v = 0; v <= 10; ++v) {
    std::string f = v10;
    f[2] = static_cast<char>(v);
    ASSERT_TRUE(ReadBytes(f, back, &log));
    EXPECT_EQ(log, "象棋演播室棋譜文件版本號：" + std::to_string(v / 10) + "." +
                       std::to_string(v % 10) + "\n");
    ExpectSameRecord(rec, back);
  }
  for (int v = 12; v <= 18; ++v) {
    std::string f = v18;
    f[2] = static_cast<char>(v);
    ASSERT_TRUE(ReadBytes(f, back));
    ExpectSameRecord(rec, back);
  }
  // Version 1.1 is keyed but does not rotate: undo the rotation of a 1.8 file.
  std::string v11 = v18;
  v11[2] = 11;
  const int shift = DeriveXqfKeys(reinterpret_cast<const uint8_t*>(v18.data())).PieceKey + 1;
  for (int s = 0; s < 32; ++s) v11[16 + s] = v18[16 + ((s - shift) % 32 + 32) % 32];
  ASSERT_TRUE(ReadBytes(v11, back));
  ExpectSameRecord(rec, back);
  for (int v : {19, 20, 255}) {
    std::string f = v10;
    f[2] = static_cast<char>(v);
    EXPECT_FALSE(ReadBytes(f, back, &log));
    EXPECT_EQ(log, "象棋演播室棋譜文件版本號：" + std::to_string(v / 10) + "." +
                       std::to_string(v % 10) + "\n[錯誤] 不支持此版本的象棋演播室文件。\n");
  }
}

TEST(XqfDamage, ShortAndTruncatedFilesKeepWhatIsThere) {
  TChessRec rec, back;
  std::string log;
  BuildSample(Samples()[1], rec);
  EXPECT_FALSE(ReadBytes(Render(rec, 10).substr(0, 495), back, &log));
  EXPECT_EQ(log, "[錯誤] 此文件小于 496 字節!\n");
  for (int version : {10, 18}) {
    const std::string full = Render(rec, version);
    for (size_t size = 496; size < full.size(); ++size) {
      ASSERT_TRUE(ReadBytes(full.substr(0, size), back)) << size;
      EXPECT_EQ(back.Texts[kSlotTitle], rec.Texts[kSlotTitle]);
      if (size < 1032) {
        EXPECT_EQ(back.MoveCount, 0) << size;  // no room for a move record
      }
      ASSERT_LE(back.MoveCount, rec.MoveCount);
      for (int i = 1; i <= back.MoveCount; ++i) ASSERT_EQ(back.Moves[i].Dest, rec.Moves[i].Dest);
    }
  }
}

TEST(XqfDamage, CutBodyKeepsItsMovesWithAWarning) {
  TChessRec rec;
  std::string log;
  ASSERT_TRUE(ReadBytes(Slurp(kData / "truncated_body.xqf"), rec, &log));
  EXPECT_EQ(rec.MoveCount, 4);
  EXPECT_NE(log.find("棋譜數據不完整，只讀到 4 步棋。\n"), std::string::npos) << log;
  ASSERT_TRUE(ReadBytes(Slurp(kData / "sample_v18.xqf"), rec, &log));
  EXPECT_EQ(log.find("不完整"), std::string::npos) << log;
}

TEST(XqfDamage, CommentLengthsAndSquaresFromTheFileAreChecked) {
  TChessRec rec, back;
  std::string log;
  BuildSample(Samples()[0], rec);
  // Plain layout: node 0 claims a 2 GB comment; the rest of the file becomes the comment.
  std::string plain =
      Render(rec, 10).substr(0, 1024) + std::string("\x18\x18\x80\xff\xff\xff\xff\x7f", 8);
  plain += "abc";
  ASSERT_TRUE(ReadBytes(plain, back, &log));
  EXPECT_EQ(log,
            "象棋演播室棋譜文件版本號：1.0\n[錯誤] 第 0 步：注解大小出錯！\n"
            "棋譜數據不完整，只讀到 0 步棋。\n");
  EXPECT_EQ(GetMoveText(back, 0), "abc");
  EXPECT_EQ(back.MoveCount, 0);
  // Keyed layout with zero key bytes: CommentKey 767, square keys 24 and 32, no body key.
  std::string keyed = plain.substr(0, 1024);
  keyed[2] = 11;
  ASSERT_EQ(DeriveXqfKeys(reinterpret_cast<const uint8_t*>(keyed.data())).CommentKey, 767);
  // Node 0: comment flag with a stored length of 767 (no comment), node 1: length 700
  // (negative, no comment, nothing skipped), node 2: bad squares, end.
  keyed += std::string("\x18\x20\xa0\x00\xff\x02\x00\x00", 8);
  keyed += std::string("\x60\x4a\xa0\x00\xbc\x02\x00\x00", 8);
  keyed += std::string("\x72\x8a\x00\x00", 4);
  ASSERT_TRUE(ReadBytes(keyed, back, &log));
  EXPECT_EQ(log,
            "象棋演播室棋譜文件版本號：1.1\n[錯誤] 第 2 步棋的開始位置錯誤。\n[錯誤] 第 2 "
            "步棋的到達位置錯誤。\n");
  ASSERT_EQ(back.MoveCount, 2);
  EXPECT_EQ(back.Moves[1].From, 0x77);
  EXPECT_EQ(back.Moves[1].Dest, 0x47);
  EXPECT_EQ(back.Moves[2].From, kNoSquare);
  EXPECT_EQ(back.Moves[2].Dest, kNoSquare);
  EXPECT_EQ(GetMoveText(back, 0) + GetMoveText(back, 1), "");
  // A comment flag on the last four bytes: the length itself is missing.
  keyed[keyed.size() - 2] = '\x20';
  ASSERT_TRUE(ReadBytes(keyed, back, &log));
  EXPECT_NE(log.find("[錯誤] 第 2 步：注解大小出錯！"), std::string::npos);
  if (Accepting()) {
    Spit(kData / "damaged_comment_length_2gb.xqf", plain);
    Spit(kData / "damaged_keyed_squares_and_lengths.xqf", keyed);
  }
}

TEST(XqfHeader, TextsAreCutAtFieldEndsOnWholeCharacters) {
  uint8_t h[1024] = {};
  const std::string han = Gbk("漢");  // two bytes, both in the lead-byte range
  auto readBack = [&](int slot, const std::string& text) {
    WriteShortText(h, slot, text);
    return ReadShortText(h, slot);
  };
  std::string full = "a", long64;
  for (int i = 0; i < 40; ++i) long64 += han;
  full += long64.substr(0, 62);  // ends on a trail byte that looks like a lead byte
  EXPECT_EQ(readBack(kSlotTitle, full), full);
  EXPECT_EQ(readBack(kSlotTitle, long64), long64.substr(0, 62));  // 63 would split a character
  EXPECT_EQ(readBack(kSlotRedName, "Hu Ronghua   \t"), "Hu Ronghua");
  EXPECT_EQ(h[304], 10);
  EXPECT_EQ(readBack(kSlotDate, "2024-05-01 10:00:00 UTC"), "2024-05-01 10:0");
  // A length byte beyond the field: cut to the field, dropping a half character.
  std::memset(h + 464, 0xB0, 16);
  h[464] = 200;
  EXPECT_EQ(ReadShortText(h, kSlotCommentator), std::string(14, '\xB0'));
  h[464] = 3;
  EXPECT_EQ(ReadShortText(h, kSlotCommentator), std::string(2, '\xB0'));
  EXPECT_EQ(ReadShortText(h, 12), "");
  // UTF-8 texts are cut between characters too.
  const std::string u = "a象棋象棋";  // 13 bytes; a cut at 15 falls inside the next character
  WriteShortText(h, kSlotSite, u + "象棋", 65001);
  EXPECT_EQ(ReadShortText(h, kSlotSite, 65001), u);

  TChessRec rec, back;
  BuildSample(Samples()[0], rec);
  rec.GameResult = 4;
  rec.GameType = 3;
  std::string f = Render(rec, 10);
  EXPECT_EQ(f[51], 0);
  f[51] = 7;
  ASSERT_TRUE(ReadBytes(f, back));
  EXPECT_EQ(back.GameResult, 7);
  EXPECT_EQ(back.GameType, 3);
}

TEST(XqfWriter, WritesThroughWriteOutputAndReadsFromFile) {
  const TTempFolder temp("tavrik_xqf");
  const fs::path dir = temp.Path();
  TBaseForm job;
  TChessRec rec, back;
  BuildSample(Samples()[1], rec);
  job.XQFVersion = 18;
  job.SrcFormat = job.DstFormat = kFmtXqf;
  const std::string path = (dir / "out.XQF").string();
  EXPECT_EQ(WriteRecord(job, rec, path), 1);
  ResetRecord(back, kFmtXqf, kFmtXqf);
  std::string data, error;
  ASSERT_TRUE(LoadFileBytes(path, data, error)) << error;
  ASSERT_TRUE(ReadXqfData(job, back, data));
  ExpectSameRecord(rec, back);
  EXPECT_FALSE(ReadRecordFile(job, back, (dir / "missing.XQF").string()));
  EXPECT_NE(job.LogText().find("missing.XQF"), std::string::npos);
}
