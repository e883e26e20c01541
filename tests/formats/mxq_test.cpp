#include "formats/binary/mxq.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

#include "app/baseform.h"
#include "app/dispatch.h"
#include "core/encoding.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/text/registry.h"
#include "tests/support/files.h"
#include "tests/support/test_job.h"

namespace {

namespace fs = std::filesystem;
const fs::path kData = fs::path(TAVRIK_TEST_DATA) / "mxq";
const fs::path kCorpus = fs::path(TAVRIK_CORPUS_DIR) / "mxq";

std::string Utf8(std::string gbk) {
  ConvertCodePage(gbk, kCpGbk, 0, kCpUtf8);
  return gbk;
}
std::string Gbk(std::string utf8) {
  ConvertCodePage(utf8, kCpUtf8, 0, kCpGbk);
  return utf8;
}

// Short texts one after another: a length byte, then the bytes.
std::string Texts(std::initializer_list<std::string> texts) {
  std::string out;
  for (const std::string& t : texts) out += static_cast<char>(t.size()) + t;
  return out;
}

// Eleven header texts with the given title.
std::string Header(const std::string& title) {
  return Texts({"p", "d", title, "1", "2", "5", "1", "30", "297", "300", "r"});
}

struct TRead {
  TTestJob Job;
  TChessRec Rec;
  bool Ok = false;
  explicit TRead(const std::string& bytes, bool mcj = false) {
    ResetRecord(Rec, mcj ? kFmtMcj : kFmtMxq, kFmtPgn);
    Ok = mcj ? ReadMcjData(Job, Rec, bytes) : ReadMxqData(Job, Rec, bytes);
  }
  std::string Moves() const {
    std::string out;
    char buf[8];
    for (int i = 1; i <= Rec.MoveCount; ++i) {
      std::snprintf(buf, sizeof buf, "%02x%02x ", Rec.Moves[i].From, Rec.Moves[i].Dest);
      out += buf;
    }
    return out;
  }
  std::string Errors() const {
    std::string out;
    for (const std::string& line : Job.At(kLogError)) out += line + "|";
    return out;
  }
};

}  // namespace

TEST(MxqReader, CorpusGames) {
  if (!fs::exists(kCorpus)) GTEST_SKIP() << "no corpus";
  TRead none(Slurp(kCorpus / "mxq_no_moves.mxq"));
  ASSERT_TRUE(none.Ok);
  EXPECT_EQ(none.Rec.MoveCount, 0);
  const std::pair<int, const char*> texts[] = {
      {kSlotSite, "快乐谷"},          {kSlotDate, "02-10-22"},  {kSlotRedName, "快乐宝贝(2弦)"},
      {kSlotBlackName, "大砍刀(6f)"}, {kSlotRedRating, "1797"}, {kSlotBlackRating, "1694"},
      {kSlotTimeRule, "5-1-30"},      {kSlotRedTime, "297s"},   {kSlotBlackTime, "300s"},
      {kSlotResultType, "判负"},
  };
  for (const auto& [slot, text] : texts) EXPECT_EQ(Utf8(none.Rec.Texts[slot]), text) << slot;
  EXPECT_EQ(none.Rec.GameResult, 1);
  EXPECT_EQ(none.Errors(), "");

  // Whole games through the dispatch: every move replays without a complaint.
  TBaseForm job;
  job.SrcFormat = kFmtMxq;
  job.DstFormat = kFmtPgn;
  TChessRec rec;
  for (auto [name, moves] : {std::pair{"mxq_draw_agreed.mxq", 87}, {"mxq_draw_long.mxq", 245}}) {
    ASSERT_TRUE(ReadRecordFile(job, rec, (kCorpus / name).string())) << name;
    EXPECT_EQ(rec.MoveCount, moves) << name;
    EXPECT_EQ(rec.GameResult, 3) << name;
  }
  EXPECT_EQ(job.ErrorCount, 0) << job.LogText();
  TRead agreed(Slurp(kCorpus / "mxq_draw_agreed.mxq"));
  EXPECT_EQ(Utf8(GetMoveText(agreed.Rec, 87)), "议和");
  EXPECT_EQ(agreed.Rec.Moves[1].From, 0x69) << "6A: column 6 on red's back rank";
  EXPECT_EQ(agreed.Rec.Moves[1].Dest, 0x47);
}

TEST(MxqReader, BoardUndoAndAsciiSeparator) {
  TRead r(Slurp(kData / "initboard_undo.mxq"));
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.Errors(), "");
  EXPECT_EQ(r.Moves(), "0555 5040 5551 ");
  EXPECT_EQ(Utf8(GetMoveText(r.Rec, 3)), "认输");
  EXPECT_EQ(Utf8(r.Rec.Texts[kSlotRedName]), "红方(1星)");
  EXPECT_EQ(Utf8(r.Rec.Texts[kSlotBlackName]), "黑方(2星)");
  EXPECT_EQ(r.Rec.GameResult, 1);
  for (int s = 0; s < 32; ++s) {
    const uint8_t expected = s == 0 ? 0x05 : s == 4 ? 0x39 : s == 20 ? 0x50 : kNoSquare;
    EXPECT_EQ(r.Rec.Pieces[s], expected) << s;
  }

  TBaseForm job;
  job.SrcFormat = kFmtMxq;
  job.DstFormat = kFmtPgn;
  TChessRec rec;
  ASSERT_TRUE(ReadRecordFile(job, rec, (kData / "initboard_undo.mxq").string()));
  EXPECT_EQ(job.ErrorCount, 0) << job.LogText();
}

TEST(MxqReader, TitlesAndHeaderTexts) {
  const std::string moves = Texts({"moves", "7C-7E", "ends"});
  struct {
    std::string Title;
    int Result;
    const char* Red;
  } cases[] = {
      {Gbk("甲-负-乙"), 2, "甲"},
      {Gbk("甲-和-乙-胜-丙"), 1, "甲-和-乙"},  // separators are tried in a fixed order
      {"a-Resign-b", 2, "a"},
      {"a-draw-b", 3, "a"},
      {Gbk("无分隔"), 4, ""},
  };
  for (const auto& c : cases) {
    TRead r(Header(c.Title) + moves);
    EXPECT_EQ(r.Rec.GameResult, c.Result) << Utf8(c.Title);
    EXPECT_EQ(Utf8(r.Rec.Texts[kSlotRedName]), c.Red) << Utf8(c.Title);
    EXPECT_EQ(r.Moves(), "7775 ") << Utf8(c.Title);
    EXPECT_EQ(std::memcmp(r.Rec.Pieces, kStartSquares, 32), 0) << "no initboard: standard start";
  }

  // A header cut inside its fourth text: the rest reads as empty.
  TRead cut(Texts({"p", "d", "t"}) +
            "\x09"
            "12");
  EXPECT_TRUE(cut.Ok);
  EXPECT_EQ(cut.Rec.Texts[kSlotTitle], "t");
  EXPECT_EQ(cut.Rec.Texts[kSlotRedRating], "");
  EXPECT_EQ(cut.Rec.Texts[kSlotTimeRule], "");
  EXPECT_EQ(cut.Rec.Texts[kSlotRedTime], "");
  EXPECT_EQ(cut.Rec.MoveCount, 0);

  // Only the first 90 characters of a longer board count.
  std::string board(90, '0');
  board[40] = '1';  // red king on column 4, row 9
  TRead longBoard(Header("t") + Texts({"initboard", board + "h0000", "Moves", "Ends"}));
  EXPECT_EQ(longBoard.Rec.Pieces[4], 0x49);
  EXPECT_EQ(longBoard.Rec.Pieces[20], kNoSquare);
}

TEST(MxqReader, BadMoveEntries) {
  const std::string head = Header("t") + Texts({"Moves", "7C-7E", "7J-6H"});
  struct {
    std::string Tail;
    const char* Error;
    const char* Moves;
  } cases[] = {
      {Texts({"UNDO", "UnDo", "undo"}), "第 1 步，無效的棋步。|", ""},
      {Texts({"Undo", "Ends", "7A-7B"}), "", "7775 "},
      {Texts({"stop"}), "第 3 步，無效的棋步。|", "7775 7062 "},
      {Texts({"7A-7"}), "第 3 步，無效的棋步。|", "7775 7062 "},
      {Texts({"7A-7BB"}), "第 3 步，無效的棋步。|", "7775 7062 "},
      {Texts({"9A-7B"}), "第 3 步棋的開始位置錯誤。|", "7775 7062 "},
      {Texts({"7K-7B"}), "第 3 步棋的開始位置錯誤。|", "7775 7062 "},
      {Texts({"7a-7B"}), "第 3 步棋的開始位置錯誤。|", "7775 7062 "},
      {Texts({"7A-/B"}), "第 3 步棋的到達位置錯誤。|", "7775 7062 "},
      {Texts({"7A-7@"}), "第 3 步棋的到達位置錯誤。|", "7775 7062 "},
      {"\x05"
       "7A-7",
       "第 3 步，無效的棋步。|", "7775 7062 "},  // cut by the file's end
      {"", "", "7775 7062 "},                    // no "Ends" at all
  };
  for (const auto& c : cases) {
    TRead r(head + c.Tail);
    EXPECT_TRUE(r.Ok);
    EXPECT_EQ(r.Errors(), c.Error) << c.Tail;
    EXPECT_EQ(r.Moves(), c.Moves) << c.Tail;
  }

  TRead empty("");
  EXPECT_FALSE(empty.Ok);
  ASSERT_EQ(empty.Job.Lines.size(), 1u);
  EXPECT_EQ(empty.Job.Lines[0].Text, "此文件的大小是零字節!");
  EXPECT_EQ(empty.Job.Lines[0].Level, kLogError);
  EXPECT_FALSE(empty.Job.Lines[0].ForRecord) << "logged for the job";
}

TEST(MxqReader, EveryTruncationIsSafe) {
  const std::string file = Slurp(kData / "initboard_undo.mxq");
  for (size_t n = 1; n <= file.size(); ++n) {
    TRead r(file.substr(0, n));
    EXPECT_TRUE(r.Ok) << n;
    EXPECT_LE(r.Rec.MoveCount, 3) << n;
  }
}

TEST(McjReader, Boards) {
  TRead r(Slurp(kData / "endgame.mcj"), true);
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.Rec.Pieces[0], 0x05);
  EXPECT_EQ(r.Rec.Pieces[4], 0x39);
  EXPECT_EQ(r.Rec.Pieces[20], 0x50);
  EXPECT_EQ(r.Rec.MoveCount, 0);
  for (std::string tiny : {"", "x"}) {
    TRead t(tiny, true);
    EXPECT_TRUE(t.Ok);
    for (uint8_t sq : t.Rec.Pieces) EXPECT_EQ(sq, kNoSquare);
  }

  TBaseForm job;
  job.SrcFormat = kFmtMcj;
  job.DstFormat = kFmtPgn;
  TChessRec rec;
  EXPECT_TRUE(ReadRecordFile(job, rec, (kData / "endgame.mcj").string()));
  EXPECT_EQ(rec.Pieces[4], 0x39);
}
