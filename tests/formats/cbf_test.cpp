#include "formats/text/cbf.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/baseform.h"
#include "app/dispatch.h"
#include "core/board.h"
#include "core/encoding.h"
#include "core/movecheck.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/text/registry.h"
#include "tests/formats/pgn_text_fixture.h"
#include "tests/support/files.h"
#include "tests/support/golden.h"
#include "tests/support/record_dump.h"
#include "tests/support/test_job.h"

namespace {

namespace fs = std::filesystem;
using pgntext::SetDestination;

const fs::path kCorpus = fs::path(TAVRIK_CORPUS_DIR) / "cbf";
constexpr const char* kUtf8Decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

bool Read(TTestJob& job, TChessRec& rec, const std::string& bytes) {
  ResetRecord(rec, kFmtCbf, kFmtCbf);
  return ReadCbfData(job, rec, bytes);
}

std::string Doc(const std::string& head, const std::string& moves,
                const std::string& prolog = kUtf8Decl) {
  return prolog + "<ChineseChessRecord Version=\"1.0\"><Head>" + head + "</Head><MoveList>" +
         moves + "</MoveList></ChineseChessRecord>";
}

std::string In(int cp, const std::string& utf8) {
  std::string s = utf8;
  ConvertCodePage(s, kCpUtf8, 0, cp);
  return s;
}

// The tree as "from-dest/flags/parent" per node.
std::string Tree(const TChessRec& rec) {
  std::string out;
  char node[32];
  for (int i = 1; i <= rec.MoveCount; ++i) {
    const TMoveNode& m = rec.Moves[i];
    std::snprintf(node, sizeof node, "%02x-%02x/%x/%d ", m.From, m.Dest, m.Flags & 0xC0, m.Parent);
    out += node;
  }
  return out;
}

}  // namespace

TEST(CbfReader, SampleFilesReadToTheirGoldenDumps) {
  for (const char* name : {"big5_declared", "entities_billion_laughs", "entities_external"}) {
    TTestJob job;
    SetDestination(job, kCpUtf8, false);
    TChessRec rec;
    const bool ok =
        Read(job, rec, Slurp(fs::path(TAVRIK_TEST_DATA) / "cbf" / (std::string(name) + ".cbf")));
    ExpectGolden(std::string("cbf/") + name + ".dump", DumpReading(ok, job, rec));
  }
}

TEST(CbfCorpus, FilesReadWithTheirTreesHeadsAndComments) {
  if (!fs::exists(kCorpus)) GTEST_SKIP() << "no corpus";
  struct {
    const char* File;
    int Nodes, Comments, Result;
    const char* Ecco;
  } const files[] = {{"cbf_classical_comments.cbf", 50, 8, 0, "C03"},
                     {"cbf_comments_76moves.cbf", 75, 17, 3, "D04"}};
  for (const auto& f : files) {
    for (int cp : {kCpUtf8, kCpGbk, kCpBig5}) {
      SCOPED_TRACE(std::string(f.File) + " " + std::to_string(cp));
      TTestJob job;
      SetDestination(job, cp, false);
      TChessRec rec;
      ASSERT_TRUE(Read(job, rec, Slurp(kCorpus / f.File)));
      EXPECT_TRUE(job.Lines.empty());
      EXPECT_EQ(rec.MoveCount, f.Nodes);
      EXPECT_EQ(rec.Lines[0].Last, f.Nodes);
      int comments = 0;
      for (int i = 0; i <= rec.MoveCount; ++i) comments += !GetMoveText(rec, i).empty();
      EXPECT_EQ(comments, f.Comments);
      EXPECT_EQ(rec.Texts[kSlotEcco], f.Ecco);
      EXPECT_EQ(rec.GameResult, f.Result);
      EXPECT_EQ(rec.GameType, 1);
      CheckMoves(job, rec);
      EXPECT_TRUE(job.Lines.empty()) << job.Lines[0].Text;
    }
  }
  // Texts arrive in the destination code page; Big5 gets traditional script;
  // leading blanks of a comment stay.
  TTestJob job;
  TChessRec rec;
  SetDestination(job, kCpBig5, false);
  ASSERT_TRUE(Read(job, rec, Slurp(kCorpus / "cbf_classical_comments.cbf")));
  EXPECT_EQ(rec.Texts[kSlotTitle], In(kCpBig5, "第一局 屏風馬巡河炮抵當頭炮局(和)"));
  SetDestination(job, kCpGbk, false);
  ASSERT_TRUE(Read(job, rec, Slurp(kCorpus / "cbf_comments_76moves.cbf")));
  EXPECT_EQ(GetMoveText(rec, 0), In(kCpGbk, " 顺炮横车弃马对直车不受弃马局"));
}

TEST(CbfWriter, GoldenFilesReadBackToTheSameRecord) {
  for (int cp : {kCpGbk, kCpBig5, kCpUtf8}) {
    SCOPED_TRACE(cp);
    TTestJob job;
    job.DstFormat = kFmtCbf;
    SetDestination(job, cp, cp == kCpBig5);
    TChessRec rec;
    pgntext::BuildCanonicalGame(job, rec, false);
    rec.Texts[kSlotResult] = "1";
    rec.Texts[kSlotUrl] = "https://x/?a=1&b=<2>'3'";
    rec.Texts[kSlotSite] =
        "tab\tand\x01"
        "control";
    // A CDATA end inside a comment, and the same bytes behind a double-byte
    // character whose second byte is "]" (never a CDATA end).
    const std::string trap = cp == kCpGbk ? "\xB0\x5D]>" : cp == kCpBig5 ? "\xA4\x5D]>" : "]>";
    SetMoveText(rec, 3, "a]]>b]]]>" + trap + In(cp, "€\uE000"));
    rec.Moves[5].NoteHead = 0xFF;  // a move the check refused
    std::string out;
    const size_t size = RenderCbf(job, rec, out);
    EXPECT_EQ(size, out.size());
    ExpectGolden(std::string("cbf/canonical_") +
                     (cp == kCpGbk    ? "gbk"
                      : cp == kCpBig5 ? "big5"
                                      : "utf8") +
                     ".cbf",
                 out);
    EXPECT_NE(out.find("<URL>https://x/?a=1&amp;b=&lt;2&gt;&apos;3&apos;</URL>"),
              std::string::npos);
    EXPECT_NE(out.find("<Move value=\"89-79\" ErrorMove=\"1\"/>"), std::string::npos);
    EXPECT_EQ(out.find("\x01"), std::string::npos);

    TChessRec back;
    ASSERT_TRUE(Read(job, back, out));
    EXPECT_TRUE(job.At(kLogError).empty());
    EXPECT_EQ(Tree(back), Tree(rec));
    EXPECT_EQ(back.LastLine, rec.LastLine);
    for (const TCodeRec& field : CbfHeadFields) {
      if (field.Code == kSlotSite) {
        EXPECT_EQ(back.Texts[kSlotSite], "tab\tand control");
      } else if (field.Code != kSlotRecordType) {
        EXPECT_EQ(back.Texts[field.Code], rec.Texts[field.Code]) << field.Text;
      }
    }
    EXPECT_EQ(back.GameResult, 1);
    EXPECT_EQ(GetMoveText(back, 3), "a] ]>b]] ]>" + trap + In(cp, "€\uE000"));
    for (int i = 0; i <= rec.MoveCount; ++i)
      if (i != 3) {
        EXPECT_EQ(GetMoveText(back, i), GetMoveText(rec, i)) << i;
      }
  }
}

TEST(CbfReader, BadPartsEndTheMoveListOrAreIgnored) {
  const std::string start = "<Move value=\"00-00\"/><Move value=\"77-47\"/>";
  struct {
    std::string Moves;
    int Nodes;
    std::string Log;
  } const cases[] = {
      {start + "<Move value=\"XX-XX\"/><Move value=\"70-62\"/>", 1, "第 2 步棋的開始位置錯誤。"},
      {start + "<Move value=\"97-62\"/>", 1, "第 2 步棋的開始位置錯誤。"},
      {start + "<Move value=\"70-6a\"/>", 1, "第 2 步棋的到達位置錯誤。"},
      {start + "<Move/><Move value=\"70-62\"/>", 1, ""},
      {start + "<Move end=\"1\"/><Move value=\"70-62\"/>", 1, ""},
      {start + "<Move value=\"70-620\"/>", 1, ""},
      {start + "<Note value=\"70-62\"/>", 1, ""},
      {start + "<!-- c --><Move value=\"70-62\"/>", 1, ""},
      {start + "<Move value=\"70x62\"/>\n  <Move value=\"79-67\"/>", 3, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Moves);
    TTestJob job;
    TChessRec rec;
    ASSERT_TRUE(Read(job, rec, Doc("", c.Moves)));
    EXPECT_EQ(rec.MoveCount, c.Nodes);
    EXPECT_EQ(job.Lines.empty() ? "" : job.Lines[0].Text, c.Log);
  }
  // end and branch build the tree: node 3 is an alternative to node 1.
  TTestJob job;
  TChessRec rec;
  ASSERT_TRUE(Read(job, rec,
                   Doc("",
                       "<Move value=\"00-00\"/><Move value=\"77-47\" branch=\"1\"/>"
                       "<Move value=\"70-62\" end=\"1\"/>"
                       "<Move value=\"17-47\" end=\"1\"/>")));
  EXPECT_EQ(Tree(rec), "77-47/c0/0 70-62/0/1 17-47/0/0 ");
  // Head: entities decoded, unknown, empty and mixed elements ignored, the last Head counts.
  ASSERT_TRUE(Read(job, rec,
                   Doc("</Head><Head><Name>A &amp; B</Name><Red>x<b/>y</Red><Black>  </Black>"
                       "<Unknown>u</Unknown><RecordType>x</RecordType><RecordResult> 3"
                       "</RecordResult><FEN>4k4/9/9/9/9/9/9/9/9/4K4 b - - 0 1</FEN>",
                       "")));
  EXPECT_EQ(rec.Texts[kSlotTitle], "A & B");
  EXPECT_EQ(rec.Texts[kSlotRedName] + rec.Texts[kSlotBlackName], "");
  EXPECT_EQ(rec.GameType, 1);
  EXPECT_EQ(rec.GameResult, 3);
  EXPECT_EQ(rec.RedFirst, 0);
  EXPECT_EQ(rec.MoveCount, 0);
  // Not a record, not XML.
  EXPECT_FALSE(Read(job, rec, "<?xml version=\"1.0\"?><Record/>"));
  EXPECT_EQ(job.Lines.back().Text, "此文件不是象棋橋XML棋譜文件。");
  EXPECT_FALSE(Read(job, rec, Doc("<Name>x</Nam>", "")));
  EXPECT_NE(job.Lines.back().Text.find("(line 1)"), std::string::npos) << job.Lines.back().Text;
  EXPECT_EQ(job.Lines.back().Level, kLogError);
}

TEST(CbfReader, DeclaredBig5KeepsItsScriptInABig5Destination) {
  // 后 exists in Big5; the simplified-to-traditional mapping would make it 後.
  const std::string big5 = Doc("<Name>" + WideToBytes(u"后", kCpBig5) + "</Name>", "",
                               "<?xml version=\"1.0\" encoding=\"big5\"?>");
  const std::string gbk =
      Doc("<Name>" + In(kCpGbk, "后") + "</Name>", "", "<?xml version=\"1.0\" encoding=\"GBK\"?>");
  TTestJob job;
  TChessRec rec;
  SetDestination(job, kCpBig5, false);
  ASSERT_TRUE(Read(job, rec, big5));
  EXPECT_EQ(rec.Texts[kSlotTitle], WideToBytes(u"后", kCpBig5));
  ASSERT_TRUE(Read(job, rec, gbk));
  EXPECT_EQ(rec.Texts[kSlotTitle], WideToBytes(u"後", kCpBig5));
  SetDestination(job, kCpUtf8, false);
  ASSERT_TRUE(Read(job, rec, big5));
  EXPECT_EQ(rec.Texts[kSlotTitle], "后");
}

TEST(CbfReader, EntitiesAreNeitherExpandedNorFetched) {
  const fs::path secret = fs::temp_directory_path() / ("tavrik_cbf_" + std::to_string(getpid()));
  std::ofstream(secret) << "SECRET-MARKER";
  const std::string url = "file://" + secret.string();
  std::string laughs = "<!DOCTYPE ChineseChessRecord [<!ENTITY l0 \"lollollollollol\">";
  for (int i = 1; i <= 12; ++i) {
    laughs += "<!ENTITY l" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) laughs += "&l" + std::to_string(i - 1) + ";";
    laughs += "\">";
  }
  const std::string external = std::string(kUtf8Decl) + "<!DOCTYPE ChineseChessRecord SYSTEM \"" +
                               url + "\" [<!ENTITY ext SYSTEM \"" + url +
                               "\"><!ENTITY net SYSTEM \"http://127.0.0.1:9/x\">"
                               "<!ENTITY mv \"77-47\">]>";
  const std::string moves = "<Move value=\"00-00\"/><Move value=\"77-47\"/>";
  // The loops are refused by the parser; external and internal entities are
  // left unexpanded: the head values and the move that use them are dropped.
  const std::string documents[] = {
      Doc("<Name>&l12;</Name>", moves, kUtf8Decl + laughs + "]>"),
      Doc("<Name>t</Name>", moves + "<Move value=\"&l12;\"/>", kUtf8Decl + laughs + "]>"),
      Doc("<Name>&ext;</Name><Red>&net;</Red>", moves + "<Move value=\"&mv;\"/>", external),
  };
  for (const std::string& doc : documents) {
    TTestJob job;
    TChessRec rec;
    const auto begin = std::chrono::steady_clock::now();
    const bool ok = Read(job, rec, doc);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
    EXPECT_EQ(job.Lines.size(), ok ? 0u : 1u);
    EXPECT_EQ(ok, &doc == &documents[2]);
    for (const std::string& text : rec.Texts) {
      EXPECT_EQ(text.find("SECRET"), std::string::npos);
      EXPECT_LT(text.size(), 100u);
    }
    EXPECT_EQ(rec.MoveCount, ok ? 1 : 0);
  }
  fs::remove(secret);
}

TEST(CbfFiles, RegistryRowReadsAndWritesFilesKeepingAnUnknownResult) {
  EXPECT_EQ(FileTypes[kFmtCbf].Source, TSourceKind::Bytes);
  const TTempFolder temp("tavrik_cbf_dir");
  const fs::path dir = temp.Path();
  std::ofstream(dir / "in.cbf", std::ios::binary)
      << Doc("<Name>t</Name><RecordResult>4</RecordResult>",
             "<Move value=\"00-00\"/><Move value=\"77-47\" end=\"1\"/>");
  TBaseForm job;
  job.SrcFormat = job.DstFormat = kFmtCbf;
  job.DstCodePage = kCpUtf8;
  job.DstCodePageIndex = 2;
  TChessRec rec;
  ASSERT_TRUE(ReadRecordFile(job, rec, (dir / "in.cbf").string()));
  EXPECT_EQ(rec.GameResult, 4);
  ASSERT_EQ(WriteRecord(job, rec, (dir / "out.cbf").string()), 1);
  const std::string out = Slurp(dir / "out.cbf");
  EXPECT_EQ(out.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(out.find("    <RecordResult>4</RecordResult>\r\n"), std::string::npos);
  EXPECT_NE(out.find("    <Move value=\"77-47\" end=\"1\"/>\r\n"), std::string::npos);
  EXPECT_FALSE(ReadRecordFile(job, rec, (dir / "missing.cbf").string()));
}
