#include "formats/text/applet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/formats/web_page_fixture.h"

using namespace webpage;

namespace {

class Applet : public WebPageTest {};

std::vector<uint8_t> PiecesOf(const TChessRec& r) { return {r.Pieces, r.Pieces + 32}; }
const std::vector<uint8_t> kStandard(kStartSquares, kStartSquares + 32);

std::string Applet3(const std::string& params) {
  return "<applet code=\"javaxq.class\" width=300>\n" + params + "\n</applet>\n";
}
std::string Applet4(const std::string& params) {
  return "<applet code=\"JavaXQ.class\" width=300>\n" + params + "\n</applet>\n";
}
std::string Param(const std::string& name, const std::string& value) {
  return "<param name=\"" + name + "\" value=\"" + value + "\">";
}

}  // namespace

TEST_F(Applet, BeginPositionPage) {
  auto recs = ReadPage((kData / "applet" / "kind3_javaxqb.htm").string());
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_TRUE(ok[0]);
  EXPECT_EQ(recs[0].PageKind, 3);
  EXPECT_EQ(PiecesOf(recs[0]), kStandard);
  EXPECT_EQ(MainLine(recs[0]), "H2-E2 H9-G7 H0-G2 I9-H9");
  EXPECT_EQ(recs[0].MoveCount, 4);
  EXPECT_EQ(recs[0].SourceBreak, 0);
  EXPECT_TRUE(Logged("源棋譜格式：象棋橋Java棋譜(javaxqb.class引擎、javaxq.class引擎)"));
  EXPECT_EQ(job.ErrorCount, 0);
}

TEST_F(Applet, PositionPagesOfBothKinds) {
  auto recs = ReadPage((kData / "applet" / "kind4_kind7.htm").string());
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0].PageKind, 4);
  // Pieces written with a letter outside A..I are captured.
  std::vector<uint8_t> expected = kStandard;
  expected[10] = kNoSquare;
  expected[27] = kNoSquare;
  EXPECT_EQ(PiecesOf(recs[0]), expected);
  EXPECT_EQ(MainLine(recs[0]), "B2-E2 H9-G7 H0-G2");

  EXPECT_EQ(recs[1].PageKind, 7);
  EXPECT_EQ(PiecesOf(recs[1]), kStandard);
  EXPECT_EQ(MainLine(recs[1]), "H2-E2 H7-E7");
  EXPECT_TRUE(Logged("源棋譜格式：象棋演播室Java棋譜(JavaXQ.class引擎)"));
  EXPECT_TRUE(Logged("源棋譜格式：象棋巫師Java棋譜(JavaXQ引擎)"));
  EXPECT_EQ(job.ErrorCount, 0);
}

TEST_F(Applet, BeginPositionLettersAndShortMoveList) {
  // Unknown letters are empty squares; a third black rook has no slot. Eleven
  // characters are two moves.
  auto recs = ReadText(Applet3(Param("beginposition", "J.........J.........J.........Q........K") +
                               Param("movelist", "51-41 21-31")));
  ASSERT_EQ(recs.size(), 1u);
  std::vector<uint8_t> expected(32, kNoSquare);
  expected[16] = SquareOf(0, 0);
  expected[24] = SquareOf(1, 0);
  expected[20] = SquareOf(3, 9);  // the "K" at index 39 is column 3, row 9: black king
  EXPECT_EQ(PiecesOf(recs[0]), expected);
  EXPECT_EQ(recs[0].MoveCount, 2);
  EXPECT_EQ(recs[0].Moves[1].From, SquareOf(4, 1));
  EXPECT_EQ(recs[0].Moves[2].Dest, SquareOf(2, 1));
}

TEST_F(Applet, MalformedSquaresEndTheMoveList) {
  auto recs = ReadText(Applet4(Param("movelist", "H2-E2 Z9-G7 H0-G2")) +
                       Applet3(Param("movelist", "87-57 80-7x 89-77")) +
                       // Too short a position keeps the standard start.
                       Applet4(Param("position", std::string(94, 'A'))) + Applet4("no params"));
  ASSERT_EQ(recs.size(), 4u);
  EXPECT_EQ(MainLine(recs[0]), "H2-E2");
  EXPECT_TRUE(Logged("第 2 步棋的開始位置錯誤。"));
  EXPECT_EQ(MainLine(recs[1]), "H2-E2");
  EXPECT_TRUE(Logged("第 2 步棋的到達位置錯誤。"));
  for (int i = 2; i < 4; ++i) {
    EXPECT_TRUE(ok[i]);
    EXPECT_EQ(PiecesOf(recs[i]), kStandard);
    EXPECT_EQ(recs[i].MoveCount, 0);
  }
  EXPECT_EQ(job.ErrorCount, 2);
}
