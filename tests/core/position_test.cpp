#include "core/position.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "core/board.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "tests/support/test_job.h"

namespace {

const char* const kStartFen =
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1";

TChessRec StartRecord() {
  TChessRec rec;
  ResetRecord(rec, kFmtPgn, kFmtPgn);
  return rec;
}

void ClearPieces(TChessRec& rec) { std::memset(rec.Pieces, 0xFF, sizeof rec.Pieces); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

}  // namespace

TEST(Fen, StandardAndEmptyPositions) {
  TChessRec rec = StartRecord();
  MakeFen(rec);
  EXPECT_EQ(rec.Texts[12], kStartFen);
  EXPECT_EQ(std::string(rec.Board, 9), "rnbakabnr");
  EXPECT_EQ(rec.Board[2 * 9 + 1], 'c');
  EXPECT_EQ(rec.Board[9 * 9 + 4], 'K');

  ClearPieces(rec);
  rec.RedFirst = 0;
  MakeFen(rec);
  EXPECT_EQ(rec.Texts[12], "9/9/9/9/9/9/9/9/9/9 b - - 0 1");
  for (char c : rec.Board) EXPECT_EQ(c, 0);
}

// Random positions, including impossible ones (pawns anywhere, kings outside
// the palace), survive a write and read back square by square.
TEST(Fen, RoundTripOfRandomPositions) {
  std::mt19937 rng(20240607);
  for (int round = 0; round < 500; ++round) {
    TChessRec rec = StartRecord();
    ClearPieces(rec);
    std::vector<int> squares(90);
    for (int i = 0; i < 90; ++i) squares[i] = i;
    std::shuffle(squares.begin(), squares.end(), rng);
    int next = 0;
    for (int s = 0; s < 32; ++s) {
      if (rng() % 3 == 0) continue;
      int i = squares[next++];
      rec.Pieces[s] = static_cast<uint8_t>(((i % 9) << 4) | (i / 9));
    }
    rec.RedFirst = static_cast<int>(rng() % 2);
    MakeFen(rec);
    const std::string fen = rec.Texts[12];

    TChessRec back = StartRecord();
    back.RedFirst = 1 - rec.RedFirst;
    ASSERT_TRUE(ParseFen(back, fen)) << fen;
    EXPECT_EQ(back.RedFirst, rec.RedFirst);
    MakeFen(back);
    EXPECT_EQ(back.Texts[12], fen);
    EXPECT_EQ(std::memcmp(back.Board, rec.Board, 90), 0) << fen;
  }
}

// Each text either reads to the FEN shown or fails, leaving the record alone.
TEST(Fen, ReadingToleranceAndFailures) {
  const char* const start = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR";
  const std::string k = "4k4/9/9/9/9/9/9/9/9/4K4";
  struct {
    std::string text;
    std::string read;  // empty: the text must fail
  } cases[] = {
      // H and E read like N and B.
      {"rhbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNEAKABHR b - - 0 1",
       std::string(start) + " b - - 0 1"},
      {"FEN: " + k + " W - - 12 40", k + " w - - 0 1"},  // label and counters unread
      {"9/9/9/9/9/9/9/9/3K5 r - - 0 1", "9/9/9/9/9/9/9/9/9/3K5 w - - 0 1"},  // nine rows
      {"r" + k + " B - - 0 1", k + " b - - 0 1"},  // ten squares in row 0: one never reached
      {"4k4/9/9/9/9/9/9/9/9/4K5 w - - 0 1", ""},   // ten squares in row 9
      {"4k4/9/9/9/9/9/9/9/9/4K3 w - - 0 1", ""},   // eight squares in row 9
      {k + " x - - 0 1", ""},                      // unknown side
      {k + "w - - 0 1", ""},                       // side letter not after a blank
      {"4k4/9/9/9/9/9/9/9/9/40K4 w - - 0 1", ""},  // a zero
      {"4k4/9/9/9/9/9/9/9/9/4Q4 w - - 0 1", ""},   // unknown letter
      {"4k4/9/9/9/9/9 9/9/9/4K4 w - - 0 1", ""},   // blank inside the board
      {"9/9/9/9/4K4 w - - 0 1", ""},               // " - - " before position 22
      {std::string(start) + " w", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    TChessRec rec = StartRecord();
    bool ok = ParseFen(rec, c.text);
    EXPECT_EQ(ok, !c.read.empty()) << c.text;
    if (!ok) {
      EXPECT_EQ(std::memcmp(rec.Pieces, kStartSquares, 32), 0) << c.text;
      EXPECT_EQ(rec.RedFirst, 1);
      continue;
    }
    MakeFen(rec);
    EXPECT_EQ(rec.Texts[12], c.read) << c.text;
  }
}

TEST(BoardDiagram, LayoutAndGlyphs) {
  TTestJob job;
  job.DstCodePage = kCpGbk;
  TChessRec rec = StartRecord();
  std::string gbk = "old";
  for (int type : {1, 2}) {  // full games and openings have no diagram
    rec.GameType = type;
    MakeBoardDiagram(job, rec, gbk);
    EXPECT_TRUE(gbk.empty());
  }
  rec.GameType = 3;
  MakeBoardDiagram(job, rec, gbk);
  ASSERT_EQ(gbk.size(), kDiagramBytes);
  // Every line is 38 bytes with its CR LF, and the text ends with an empty line.
  std::vector<std::string> gbkLines = Lines(gbk);
  ASSERT_EQ(gbkLines.size(), 24u);
  for (size_t i = 0; i + 1 < gbkLines.size(); ++i) EXPECT_EQ(gbkLines[i].size(), 36u) << i;
  EXPECT_EQ(gbkLines.back(), "");

  // The same board drawn straight into UTF-8.
  job.DstCodePage = kCpUtf8;
  std::string utf8;
  MakeBoardDiagram(job, rec, utf8);
  std::string converted = gbk;
  ConvertCodePage(converted, kCpGbk, 0, kCpUtf8);
  EXPECT_EQ(utf8, converted);
  std::vector<std::string> l = Lines(utf8);
  ASSERT_EQ(l.size(), 24u);
  EXPECT_EQ(l[0], std::string(16, ' ') + "黑方" + std::string(16, ' '));
  EXPECT_EQ(l[2], "[车][马][象][士][将][士][象][马][车]");
  EXPECT_EQ(l[3], " │  │  │  │＼│／│  │  │  │ ");
  EXPECT_EQ(l[4], " ├─┼─┼─┼─※─┼─┼─┼─┤ ");
  EXPECT_EQ(l[5], " │  │  │  │／│＼│  │  │  │ ");
  EXPECT_EQ(l[6], " ├-[炮]-┼─┼─┼─┼─┼-[炮]-┤ ");
  EXPECT_EQ(l[8], "[卒]-┼-[卒]-┼-[卒]-┼-[卒]-┼-[卒]");
  EXPECT_EQ(l[10], " ├─┴─┴─┴─┴─┴─┴─┴─┤ ");
  EXPECT_EQ(l[11], " │" + std::string(30, ' ') + "│ ");
  EXPECT_EQ(l[14], "(兵)-┼-(兵)-┼-(兵)-┼-(兵)-┼-(兵)");
  EXPECT_EQ(l[20], "(车)(马)(相)(仕)(帅)(仕)(相)(马)(车)");
  EXPECT_EQ(l[22], std::string(16, ' ') + "红方" + std::string(16, ' '));

  // An empty corner keeps its point; a lone piece leaves single dashes.
  ClearPieces(rec);
  rec.Pieces[20] = 0x40;
  rec.Pieces[4] = 0x49;
  MakeBoardDiagram(job, rec, utf8);
  l = Lines(utf8);
  EXPECT_EQ(l[2], " ┌─┬─┬─┬-[将]-┬─┬─┬─┐ ");
  EXPECT_EQ(l[20], " └─┴─┴─┴-(帅)-┴─┴─┴─┘ ");
}

TEST(BoardDiagram, TraditionalScriptAndBig5) {
  TTestJob job;
  TChessRec rec = StartRecord();
  rec.GameType = 4;
  job.DstCodePage = kCpGbk;
  job.MapFlags = kMapToTraditional;
  std::string text;
  MakeBoardDiagram(job, rec, text);
  ConvertCodePage(text, kCpGbk, 0, kCpUtf8);
  EXPECT_NE(text.find("(車)(馬)(相)(仕)(帥)"), std::string::npos);
  job.DstCodePage = kCpBig5;
  job.MapFlags = 0;
  MakeBoardDiagram(job, rec, text);
  ConvertCodePage(text, kCpBig5, 0, kCpUtf8);
  EXPECT_NE(text.find("[車][馬][象][士][將]"), std::string::npos);
  EXPECT_NE(text.find("紅方"), std::string::npos);
}
