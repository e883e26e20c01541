#include "formats/text/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/baseform.h"
#include "app/dispatch.h"
#include "core/board.h"
#include "core/encoding.h"
#include "core/movecheck.h"
#include "core/sourcetext.h"
#include "tests/formats/pgn_text_fixture.h"

using namespace pgntext;

namespace {

TTestJob TextJob(int cp = kCpGbk, bool traditional = false) {
  TTestJob job;
  job.SrcFormat = kFmtText;
  job.DstFormat = kFmtText;
  job.WxfStandard = false;
  SetDestination(job, cp, traditional);
  return job;
}

std::string Render(const TTestJob& job, const TChessRec& rec) {
  std::string out;
  RenderText(job, rec, out);
  return out;
}

bool ReadUtf8(TTestJob& job, TChessRec& rec, const std::string& text) {
  ResetRecord(rec, kFmtText, kFmtText);
  return ReadTextContent(job, rec, text);
}

// The rendered text in UTF-8 without its byte-order mark, ready to read back.
std::string AsUtf8(const TTestJob& job, std::string out) {
  ConvertCodePage(out, static_cast<int>(job.DstCodePage), 0, kCpUtf8);
  if (out.starts_with("\xEF\xBB\xBF")) out.erase(0, 3);
  return out;
}

}  // namespace

TEST(TextBranches, SectionsAndLabels) {
  TTestJob job = TextJob();
  TChessRec rec;
  BuildCanonicalGame(job, rec, false);
  TBranchNumbers b;
  NumberBranches(rec, b);
  // Variations of the main line first, in the order of the moves they
  // replace; a variation inside variation 4 comes after all of them.
  ASSERT_EQ(b.Sections.size(), 6u);
  const std::vector<std::pair<int, int>> ranges = {{1, 12},  {21, 22}, {16, 17},
                                                   {18, 20}, {13, 14}, {15, 15}};
  for (size_t s = 0; s < ranges.size(); ++s) {
    EXPECT_EQ(b.Sections[s].First, ranges[s].first) << s;
    EXPECT_EQ(b.Sections[s].Last, ranges[s].second) << s;
  }
  EXPECT_EQ(b.Labels[1], "[B1]");
  EXPECT_EQ(b.Labels[2], "[B2][B3]");
  EXPECT_EQ(b.Labels[7], "[B4]");
  EXPECT_EQ(b.Labels[14], "[B5]");
  EXPECT_EQ(b.Labels[16], "");
}

TEST(TextWrite, GoldenFiles) {
  struct TCase {
    const char* Name;
    int CodePage;
    bool Traditional;
    int PliesPerLine;
  };
  const TCase cases[] = {
      {"gbk_simplified", kCpGbk, false, 2},
      {"gbk_traditional", kCpGbk, true, 2},
      {"big5", kCpBig5, false, 2},
      {"utf8_simplified", kCpUtf8, false, 2},
      {"utf8_traditional", kCpUtf8, true, 2},
      {"gbk_4_plies", kCpGbk, false, 4},
      {"gbk_6_plies", kCpGbk, false, 6},
      {"gbk_8_plies", kCpGbk, false, 8},
      {"gbk_10_plies", kCpGbk, false, 10},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTestJob job = TextJob(c.CodePage, c.Traditional);
    job.TextPliesPerLine = c.PliesPerLine;
    TChessRec rec;
    BuildCanonicalGame(job, rec, false);
    ExpectGolden(std::string("text/") + c.Name + ".txt", Render(job, rec));
  }
  // An ending: the diagram, and the two notation standards.
  for (bool federation : {true, false}) {
    TTestJob job = TextJob(kCpUtf8, false);
    job.WxfStandard = federation;
    TChessRec rec;
    BuildPawnEnding(job, rec, false);
    ExpectGolden(federation ? "text/pawns_federation.txt" : "text/pawns_chinese_standard.txt",
                 Render(job, rec));
  }
  // No moves at all: header, blank line and footer.
  TTestJob job = TextJob(kCpBig5);
  TChessRec rec;
  BuildRecord(job, rec, {});
  rec.Texts[kSlotTitle] = "Empty";
  ExpectGolden("text/no_moves_big5.txt", Render(job, rec));
}

TEST(TextWrite, RowRules) {
  TTestJob job = TextJob(kCpUtf8, true);
  TChessRec rec;
  BuildRecord(job, rec,
              {{1, "H2-E2", "A"}, {2, "H9-G7"}, {3, "H0-G2"}, {4, "I9-H9", "B"}, {2, "H7-E7"}});
  std::string out = Render(job, rec);
  const std::string dots = "…………";
  // A red move with a comment ends its row with the filler; the reply comes
  // on a new row with the same number and the filler. A variation that begins
  // with black's move starts with the number, the filler and the gap.
  const std::string expected = "1. 炮二平五  " + dots + "\r\n\r\nA\r\n\r\n" + "1. " + dots +
                               "  馬８進７[B1]\r\n" + "2. 馬二進三  車９平８\r\n\r\nB\r\n\r\n" +
                               "****[B1]\r\n1. " + dots + "  炮８平５\r\n\r\n";
  const size_t at = out.find("1. 炮二平五");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(out.substr(at, expected.size()), expected);
}

TEST(TextRead, ScansForPlayableMoves) {
  TTestJob job = TextJob();
  TChessRec rec;
  EXPECT_FALSE(ReadUtf8(job, rec, "棋局標題：無棋\r\n比賽結果：未知\r\n"));
  EXPECT_TRUE(job.Logged("源棋譜不是文本棋譜或者源棋譜代碼頁不正確。"));

  job.Lines.clear();
  ASSERT_TRUE(ReadUtf8(job, rec, "1. 車一平二 something"));  // recognised, not playable
  EXPECT_EQ(rec.MoveCount, 0);
  EXPECT_TRUE(job.Lines.empty());

  // Black begins; a red move in black's turn is skipped; the header of a
  // variation section ends the main line.
  ASSERT_TRUE(ReadUtf8(job, rec, "1. 炮８平５ 炮二平五\n2. 马二进三 马8进7\n****[B1]\n车九进一"));
  EXPECT_EQ(rec.MoveCount, 3);
  ASSERT_TRUE(ReadUtf8(job, rec, "1. 炮８平５ 炮二平五\n2. 马二进三 马8进7 车九进一"));
  EXPECT_EQ(rec.MoveCount, 4);
  EXPECT_EQ(rec.Moves[1].From, Square("H7"));
  EXPECT_EQ(rec.Moves[3].From, Square("H9"));
  // A move at the very end of the text.
  ASSERT_TRUE(ReadUtf8(job, rec, "炮二平五"));
  EXPECT_EQ(rec.MoveCount, 1);
}

TEST(TextRead, CorpusRecord) {
  const std::filesystem::path file =
      std::filesystem::path(TAVRIK_CORPUS_DIR) / "other" / "plaintext_record_utf8.txt";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "no corpus";
  TBaseForm job;
  job.SrcFormat = kFmtText;
  job.DstFormat = kFmtText;
  job.SrcCodePage = kCpUtf8;
  TChessRec rec;
  ResetRecord(rec, kFmtText, kFmtText);
  std::string text;
  ReadSourceText(job, text, file.string(), 0, kCpUtf8, kCpUtf8, false);
  ASSERT_TRUE(ReadTextContent(job, rec, text));
  EXPECT_EQ(rec.MoveCount, 92);
  CheckMoves(job, rec);
  EXPECT_EQ(job.ErrorCount, 0) << job.LogText();
}

// A game written as text and read back gives the same main line, in every
// variant and row length.
TEST(TextWrite, RoundTrip) {
  for (int cp : {kCpGbk, kCpBig5, kCpUtf8}) {
    for (bool traditional : {false, true}) {
      for (int plies : {2, 4, 6, 8, 10}) {
        SCOPED_TRACE(cp * 100 + traditional * 10 + plies);
        TTestJob job = TextJob(cp, traditional);
        job.TextPliesPerLine = plies;
        TChessRec rec;
        BuildCanonicalGame(job, rec, false);
        TTestJob reader = TextJob();
        TChessRec back;
        ASSERT_TRUE(ReadUtf8(reader, back, AsUtf8(job, Render(job, rec))));
        EXPECT_EQ(MainLine(back), MainLine(rec));
      }
    }
  }
  for (bool federation : {true, false}) {
    TTestJob job = TextJob(kCpUtf8);
    job.WxfStandard = federation;
    TChessRec rec;
    BuildPawnEnding(job, rec, false);
    TTestJob reader = TextJob();
    TChessRec back;
    ResetRecord(back, kFmtText, kFmtText);
    ASSERT_TRUE(ParseFen(back, rec.Texts[kSlotFen]));
    ASSERT_TRUE(ReadTextContent(reader, back, AsUtf8(job, Render(job, rec))));
    EXPECT_EQ(MainLine(back), MainLine(rec));
  }
}

// The length handed to the output writer is the output's length, so the size
// check never fires; the bytes reach the clipboard buffer unchanged.
TEST(TextWrite, LengthGivenToTheOutputIsExact) {
  TBaseForm job;
  job.DstFormat = kFmtText;
  job.ToClipboard = true;
  SetDestination(job, kCpUtf8, false);
  const bool before = Process().MemorySizeDiff;
  Process().MemorySizeDiff = true;
  TTestJob builder = TextJob(kCpUtf8);
  TChessRec rec;
  BuildCanonicalGame(builder, rec, false);
  EXPECT_EQ(WriteRecord(job, rec, "unused"), 1);
  Process().MemorySizeDiff = before;
  EXPECT_EQ(job.WarningCount, 0) << job.LogText();
  EXPECT_EQ(job.OutBuffer, Render(builder, rec));
}

TEST(TextWrite, DeepTreesDoNotRecurse) {
  TTestJob job = TextJob();
  TChessRec rec;
  ResetRecord(rec, kFmtXqf, kFmtText);
  // Variations nested one inside the next, 100000 deep.
  std::vector<int> plies = {1, 2};
  for (int k = 2; k <= 100000; ++k) {
    plies.push_back(k);
    plies.push_back(k + 1);
  }
  SetMoveCapacity(rec, static_cast<int>(plies.size()) + 1);
  for (size_t i = 0; i < plies.size(); ++i) rec.Moves[i + 1].Ply = plies[i];
  BuildTreeFromPlies(job, rec, static_cast<int>(plies.size()));
  TBranchNumbers b;
  NumberBranches(rec, b);
  ASSERT_EQ(b.Sections.size(), 100000u);
  EXPECT_EQ(b.Labels[4], "[B2]");  // nested: each section creates the next
  const std::string out = Render(job, rec);
  EXPECT_NE(out.find("****[B99999]\r\n"), std::string::npos);
}
