#include "core/board.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/jobstate.h"
#include "core/movecheck.h"
#include "core/notation.h"
#include "core/uglobal.h"
#include "tests/support/test_job.h"

namespace {

// Position from ten rows of FEN letters ('.' empty), row 0 (black's back rank) first.
TChessRec FromRows(const std::vector<std::string>& rows) {
  uint8_t codes[90] = {};
  const std::string letters = "RNBAKCP";
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 9; ++x) {
      const char c = rows[y][x];
      if (c == '.') continue;
      const size_t red = letters.find(c);
      codes[y * 9 + x] = red != std::string::npos
                             ? uint8_t(red + 1)
                             : uint8_t(kBlackBit | (letters.find(char(c - 'a' + 'A')) + 1));
    }
  TChessRec rec;
  PlacePieces(rec, codes, 0);
  return rec;
}

const std::vector<std::string> kStartRows = {"rnbakabnr", ".........", ".c.....c.", "p.p.p.p.p",
                                             ".........", ".........", "P.P.P.P.P", ".C.....C.",
                                             ".........", "RNBAKABNR"};

// Appends a node played from parent.
void AddMove(TChessRec& rec, int parent, uint8_t from, uint8_t dest) {
  if (rec.Moves.empty()) rec.Moves.resize(1);
  TMoveNode node;
  node.From = from;
  node.Dest = dest;
  node.Parent = parent;
  node.Ply = parent >= 0 ? rec.Moves[parent].Ply + 1 : 1;
  rec.Moves.push_back(node);
  rec.MoveCount = int(rec.Moves.size()) - 1;
}

int Legal(const TChessRec& rec, int fx, int fy, int tx, int ty, bool full = false) {
  TWorkBoard board;
  MakeWorkBoard(rec, board);
  return IsLegalMove(board, fx, fy, tx, ty, full);
}

TEST(BoardPlace, BothLayoutsGiveTheStandardSlots) {
  TChessRec rowMajor = FromRows(kStartRows);
  for (int s = 0; s < 32; ++s) EXPECT_EQ(rowMajor.Pieces[s], kStartSquares[s]) << s;

  uint8_t columnMajor[90] = {};
  TWorkBoard board;
  MakeWorkBoard(rowMajor, board);
  for (int x = 0; x < 9; ++x)
    for (int y = 0; y < 10; ++y) columnMajor[x * 10 + y] = board[WorkIndex(x, y)];
  TChessRec rec;
  PlacePieces(rec, columnMajor, 1);
  for (int s = 0; s < 32; ++s) EXPECT_EQ(rec.Pieces[s], kStartSquares[s]) << s;
}

TEST(BoardPlace, SurplusPiecesAndUnknownCodesAreDropped) {
  uint8_t codes[90] = {};
  codes[0] = codes[1] = codes[2] = kRook;             // a third rook
  for (int i = 0; i < 6; ++i) codes[30 + i] = kPawn;  // a sixth pawn
  codes[50] = 8;                                      // not a piece
  codes[51] = kBlackBit | kKing;
  TChessRec rec;
  PlacePieces(rec, codes, 0);
  EXPECT_EQ(rec.Pieces[0], SquareOf(0, 0));  // first met takes the lower slot
  EXPECT_EQ(rec.Pieces[8], SquareOf(1, 0));
  EXPECT_EQ(rec.Pieces[15], SquareOf(7, 3));
  EXPECT_EQ(rec.Pieces[20], SquareOf(6, 5));
  int placed = 0;
  for (uint8_t sq : rec.Pieces) placed += sq != kNoSquare;
  EXPECT_EQ(placed, 2 + 5 + 1);

  // A short buffer counts as empty beyond its end.
  PlacePieces(rec, std::span<const uint8_t>(codes, 1), 0);
  EXPECT_EQ(rec.Pieces[0], SquareOf(0, 0));
  EXPECT_EQ(rec.Pieces[8], kNoSquare);
}

TEST(BoardPlace, LetterMapRunsColumnByColumnFromRowNine) {
  std::string map(90, '0');
  map[0] = '8';   // x 0, y 9: red rook, slot 0
  map[9] = 'o';   // x 0, y 0: black rook, slot 16
  map[41] = '1';  // x 4, y 8: red king
  map[48] = 'h';  // x 4, y 1: black king
  map[13] = 'c';  // x 1, y 6: first red pawn
  map[89] = 'w';  // x 8, y 0: last black pawn
  TChessRec rec;
  PlaceFromLetterMap(rec, map, map.size());
  EXPECT_EQ(rec.Pieces[0], 0x09);
  EXPECT_EQ(rec.Pieces[16], 0x00);
  EXPECT_EQ(rec.Pieces[4], 0x48);
  EXPECT_EQ(rec.Pieces[20], 0x41);
  EXPECT_EQ(rec.Pieces[11], 0x16);
  EXPECT_EQ(rec.Pieces[31], 0x80);
  EXPECT_EQ(rec.Pieces[8], kNoSquare);
  PlaceFromLetterMap(rec, map, 40);  // only the first four columns
  EXPECT_EQ(rec.Pieces[4], kNoSquare);
  EXPECT_EQ(rec.Pieces[11], 0x16);
  PlaceFromLetterMap(rec, std::string_view(map).substr(0, 5), 90);  // count beyond the text
  EXPECT_EQ(rec.Pieces[0], 0x09);
}

TEST(BoardDigits, ParseAndWriteSquareDigits) {
  TTestJob job;
  TChessRec rec = FromRows(kStartRows);
  EXPECT_EQ(ParseDigitMove(job, rec, "x7747", 1, 2), MakeMoveWord(0x77, 0x47));
  EXPECT_TRUE(job.At(kLogError).empty());
  EXPECT_EQ(ParseDigitMove(job, rec, "9047", 3, 1), MakeMoveWord(0xFF, 0x47));
  EXPECT_EQ(ParseDigitMove(job, rec, "704", 4, 1), MakeMoveWord(0x70, 0xFF));  // runs out
  EXPECT_EQ(ParseDigitMove(job, rec, "", 5, 0), MakeMoveWord(0xFF, 0xFF));
  EXPECT_EQ(job.At(kLogError),
            (std::vector<std::string>{"第 3 步棋的開始位置錯誤。", "第 4 步棋的到達位置錯誤。",
                                      "第 5 步棋的開始位置錯誤。", "第 5 步棋的到達位置錯誤。"}));

  rec.Pieces[1] = kNoSquare;
  rec.Pieces[2] = 0x9A;  // not a square either: no digits for it
  std::string out = "<";
  WriteSquareDigits(rec, out, "99", "[", "]");
  EXPECT_EQ(out,
            "<[09999939495969798917770626466686"
            "00102030405060708012720323436383]");
}

TEST(BoardRules, ResultCodesAndStartPositionMoves) {
  TChessRec rec = FromRows(kStartRows);
  EXPECT_EQ(Legal(rec, 4, 5, 4, 4), kMoveNoPiece);
  EXPECT_EQ(Legal(rec, 9, 0, 4, 4), kMoveNoPiece);
  EXPECT_EQ(Legal(rec, 4, 6, 4, 10), kMoveBadTarget);
  EXPECT_EQ(Legal(rec, 4, 6, -1, 6), kMoveBadTarget);
  EXPECT_EQ(Legal(rec, 4, 6, 4, 6), kMoveSameSquare);
  EXPECT_EQ(Legal(rec, 0, 9, 1, 9), kMoveOwnCapture);
  EXPECT_EQ(Legal(rec, 7, 7, 1, 7), kMoveOwnCapture);  // own piece wins over the rule
  EXPECT_EQ(Legal(rec, 1, 7, 1, 0), kMoveLegal);       // cannon takes over one screen
  EXPECT_EQ(Legal(rec, 1, 7, 1, 3), kMoveLegal);
  EXPECT_EQ(Legal(rec, 1, 7, 4, 7), kMoveLegal);
  EXPECT_EQ(Legal(rec, 1, 9, 2, 7), kMoveLegal);
  EXPECT_EQ(Legal(rec, 1, 9, 3, 8), kMoveBadRule);  // horse leg blocked by the elephant
  EXPECT_EQ(Legal(rec, 2, 9, 4, 7), kMoveLegal);
  EXPECT_EQ(Legal(rec, 2, 9, 3, 8), kMoveBadRule);
  EXPECT_EQ(Legal(rec, 3, 9, 4, 8), kMoveLegal);
  EXPECT_EQ(Legal(rec, 4, 9, 4, 8), kMoveLegal);
  EXPECT_EQ(Legal(rec, 0, 9, 0, 7), kMoveLegal);
  EXPECT_EQ(Legal(rec, 0, 9, 0, 5), kMoveBadRule);  // through its own pawn
  EXPECT_EQ(Legal(rec, 0, 0, 0, 2), kMoveLegal);
  EXPECT_EQ(Legal(rec, 4, 3, 4, 4), kMoveLegal);
  EXPECT_EQ(Legal(rec, 4, 3, 3, 3), kMoveBadRule);  // black pawn sideways before the river
}

TEST(BoardRules, PiecesStayInTheirAreas) {
  TChessRec rec = FromRows({"...k.....", ".........", ".........", ".........", "..B......",
                            "..B..P...", "......P..", "...A.....", "....K....", "........."});
  EXPECT_EQ(Legal(rec, 2, 5, 0, 7), kMoveLegal);
  EXPECT_EQ(Legal(rec, 2, 4, 0, 2), kMoveBadRule);  // not a red elephant point
  EXPECT_EQ(Legal(rec, 2, 5, 4, 3), kMoveBadRule);
  EXPECT_EQ(Legal(rec, 3, 7, 2, 6), kMoveBadRule);  // advisor out of the palace
  EXPECT_EQ(Legal(rec, 3, 7, 4, 8), kMoveOwnCapture);
  EXPECT_EQ(Legal(rec, 4, 8, 4, 9), kMoveLegal);
  EXPECT_EQ(Legal(rec, 4, 8, 4, 6), kMoveBadRule);
  EXPECT_EQ(Legal(rec, 3, 0, 2, 0), kMoveBadRule);  // king out of the palace
  EXPECT_EQ(Legal(rec, 6, 6, 5, 6), kMoveBadRule);  // pawn sideways before the river
  EXPECT_EQ(Legal(rec, 6, 6, 6, 7), kMoveBadRule);  // pawn backward
  EXPECT_EQ(Legal(rec, 6, 6, 6, 5), kMoveLegal);
  EXPECT_EQ(Legal(rec, 5, 5, 5, 4), kMoveBadRule);  // odd column, row 5: no pawn gets there
}

TEST(BoardRules, PawnSquaresAndCannonScreens) {
  TChessRec rec = FromRows({"....k.r..", "......n..", "......c..", "..p......", "P...P.C.p",
                            ".........", ".P.......", "......p..", ".........", "....K...."});
  EXPECT_EQ(Legal(rec, 4, 4, 3, 4), kMoveLegal);  // crossed the river: sideways allowed
  EXPECT_EQ(Legal(rec, 4, 4, 4, 5), kMoveBadRule);
  // A red pawn at x 1, y 6 stands where no pawn can be: every move of it fails.
  for (auto [tx, ty] : {std::pair{1, 5}, {0, 6}, {2, 6}})
    EXPECT_EQ(Legal(rec, 1, 6, tx, ty), kMoveBadRule);
  EXPECT_EQ(Legal(rec, 8, 4, 8, 5), kMoveLegal);
  EXPECT_EQ(Legal(rec, 8, 4, 7, 4), kMoveBadRule);  // black pawn sideways before its river side
  EXPECT_EQ(Legal(rec, 6, 7, 5, 7), kMoveLegal);
  EXPECT_EQ(Legal(rec, 2, 3, 2, 4), kMoveLegal);
  EXPECT_EQ(Legal(rec, 6, 4, 6, 2), kMoveBadRule);  // capture with no screen
  EXPECT_EQ(Legal(rec, 6, 4, 6, 1), kMoveLegal);    // capture over one screen
  EXPECT_EQ(Legal(rec, 6, 4, 6, 0), kMoveBadRule);  // capture over two
  EXPECT_EQ(Legal(rec, 6, 4, 3, 4), kMoveBadRule);  // empty square with one piece between
  EXPECT_EQ(Legal(rec, 6, 4, 5, 4), kMoveLegal);
}

TEST(BoardRules, FullTestGuardsTheKings) {
  TChessRec rec = FromRows({"...rk....", ".........", ".........", ".........", ".........",
                            "....R....", ".........", ".........", ".....p...", "....K...."});
  EXPECT_EQ(Legal(rec, 4, 5, 0, 5, false), kMoveLegal);
  EXPECT_EQ(Legal(rec, 4, 5, 0, 5, true), kMoveBadRule);  // the kings would face each other
  EXPECT_EQ(Legal(rec, 4, 5, 4, 1, true), kMoveLegal);
  EXPECT_EQ(Legal(rec, 4, 9, 3, 9, false), kMoveLegal);
  EXPECT_EQ(Legal(rec, 4, 9, 3, 9, true), kMoveBadRule);  // onto the rook's file
  EXPECT_EQ(Legal(rec, 4, 9, 4, 8, true), kMoveBadRule);  // beside the pawn
  EXPECT_EQ(Legal(rec, 4, 9, 5, 9, true), kMoveBadRule);  // in front of the pawn
  // The red rook checks the black king: black must answer it.
  EXPECT_EQ(Legal(rec, 3, 0, 3, 9, true), kMoveBadRule);
  EXPECT_EQ(Legal(rec, 5, 8, 4, 8, true), kMoveBadRule);
  EXPECT_EQ(Legal(rec, 4, 0, 5, 0, true), kMoveLegal);
  EXPECT_EQ(Legal(rec, 3, 0, 4, 0, true), kMoveOwnCapture);

  // With a king missing from its palace only the piece rule counts.
  rec.Pieces[20] = SquareOf(4, 3);
  EXPECT_EQ(Legal(rec, 4, 5, 0, 5, true), kMoveLegal);
  EXPECT_EQ(Legal(rec, 4, 9, 3, 9, true), kMoveLegal);
}

TEST(BoardCheckMoves, LogsEachBadMoveOnceAndKeepsGoing) {
  TTestJob job;
  TChessRec rec = FromRows(kStartRows);
  AddMove(rec, 0, 0x45, 0x44);      // 1: nothing on the from square
  AddMove(rec, 1, 0x77, 0x47);      // 2: 炮二平五, played on the start position
  AddMove(rec, 2, 0x70, 0x62);      // 3: 馬８進７
  AddMove(rec, 3, 0x09, 0x05);      // 4: rook through its own pawn, played all the same
  AddMove(rec, 4, 0x05, 0x05);      // 5: stays on its square
  AddMove(rec, 5, 0x00, 0x10);      // 6: black rook takes its own horse
  AddMove(rec, 6, 0x05, 0xFA);      // 7: off the board
  AddMove(rec, 7, 0xFF, 0x44);      // 8: no from square
  AddMove(rec, 8, 0x05, 0x03);      // 9: the rook goes on from where move 4 left it
  AddMove(rec, 0, 0x17, 0x47);      // 10: a variation on move 1: 炮八平五 from the start
  rec.Moves[9].Flags = kFlagBlack;  // stale bit from a source file
  CheckMoves(job, rec);
  EXPECT_EQ(job.At(kLogError), (std::vector<std::string>{
                                   "第 1 步沒有找到棋子。", "第 4 步，無效的棋步。",
                                   "第 5 步：開始位置和到達位置相同。", "第 6 步：吃自己的棋子。",
                                   "第 7 步棋的到達位置錯誤。", "第 8 步沒有找到棋子。"}));
  auto note = [&](int i) {
    return RenderChinese(rec.Moves[i].NoteHead, rec.Moves[i].NoteTail,
                         rec.Moves[i].Flags & kFlagBlack, 4);
  };
  EXPECT_EQ(note(1), "XXXXXXXX");
  EXPECT_EQ(note(2), "炮二平五");
  EXPECT_EQ(note(3), "馬８進７");
  EXPECT_EQ(note(4), "XXXXXXXX");
  EXPECT_EQ(note(9), "車九進二");  // takes the black pawn at (0,3)
  EXPECT_EQ(note(10), "炮八平五");
  EXPECT_EQ(rec.Moves[3].Flags & kFlagBlack, kFlagBlack);
  EXPECT_EQ(rec.Moves[9].Flags & kFlagBlack, 0u);
  EXPECT_EQ(rec.Moves[2].From, 0x77);  // squares are left as they were
  EXPECT_EQ(rec.Moves[7].Dest, 0xFA);
}

TEST(BoardCheckMoves, EachMoveIsPlayedOnItsParentsPosition) {
  TTestJob job;
  TChessRec rec = FromRows(kStartRows);
  AddMove(rec, 0, 0x77, 0x47);  // 1: 炮二平五
  AddMove(rec, 1, 0x70, 0x62);  // 2: 馬８進７
  AddMove(rec, 1, 0x10, 0x22);  // 3: 馬２進３, a variation on move 2
  AddMove(rec, 2, 0x19, 0x27);  // 4: 馬八進七 after move 2, whose line has ended
  AddMove(rec, 4, 0x10, 0x22);  // 5: 馬２進３
  AddMove(rec, 4, 0x62, 0x70);  // 6: 馬７退８: the horse of move 2, not of move 3
  AddMove(rec, 0, 0x19, 0x27);  // 7: 馬八進七 from the start
  AddMove(rec, 3, 0x47, 0x43);  // 8: 炮五進四 after the variation
  CheckMoves(job, rec);
  EXPECT_TRUE(job.At(kLogError).empty());
  const std::vector<std::string> expected = {"炮二平五", "馬８進７", "馬２進３", "馬八進七",
                                             "馬２進３", "馬７退８", "馬八進七", "炮五進四"};
  for (int i = 1; i <= 8; ++i)
    EXPECT_EQ(RenderChinese(rec.Moves[i].NoteHead, rec.Moves[i].NoteTail,
                            rec.Moves[i].Flags & kFlagBlack, 4),
              expected[size_t(i - 1)])
        << "move " << i;
}

TEST(BoardCheckMoves, WithoutTheCheckOnlyUnplayableMovesAreCaught) {
  TTestJob job;
  job.CheckMoveText = false;
  TChessRec rec = FromRows(kStartRows);
  AddMove(rec, 0, 0x45, 0x44);  // no piece: not played, not logged
  AddMove(rec, 1, 0x09, 0x05);  // through a pawn: counted as played, with a code
  AddMove(rec, 2, 0x00, 0x9F);  // off the board
  AddMove(rec, 3, 0x00, 0x01);
  CheckMoves(job, rec);
  EXPECT_TRUE(job.At(kLogError).empty());
  EXPECT_EQ(rec.Moves[1].NoteHead, 0xFF);
  EXPECT_EQ(RenderChinese(rec.Moves[2].NoteHead, rec.Moves[2].NoteTail, 0, 4), "車九進四");
  EXPECT_EQ(rec.Moves[3].NoteHead, 0xFF);
  EXPECT_EQ(RenderWxf(rec.Moves[4].NoteHead, rec.Moves[4].NoteTail), "R1+1");
  EXPECT_EQ(rec.Moves[4].Flags & kFlagBlack, kFlagBlack);

  // A parent that does not come before its node is replayed after the node before.
  rec.Moves[4].Parent = 7;
  CheckMoves(job, rec);
  EXPECT_EQ(RenderWxf(rec.Moves[4].NoteHead, rec.Moves[4].NoteTail), "R1+1");
  TChessRec empty;
  CheckMoves(job, empty);
  EXPECT_EQ(empty.MoveCount, 0);
}

TEST(BoardMirror, TwiceRestoresAndFirstSideFollowsTheFirstMover) {
  TChessRec rec = FromRows(kStartRows);
  rec.Pieces[0] = kNoSquare;
  rec.Pieces[1] = 0x9C;  // junk stays junk
  AddMove(rec, 0, 0x17, 0x47);
  AddMove(rec, 1, 0xFF, 0x62);
  const TChessRec before = rec;
  MirrorRecord(rec);
  EXPECT_EQ(rec.Pieces[9], 0x77);
  EXPECT_EQ(rec.Moves[1].From, 0x77);
  EXPECT_EQ(rec.Moves[1].Dest, 0x47);
  EXPECT_EQ(rec.Moves[2].Dest, 0x22);
  MirrorRecord(rec);
  EXPECT_TRUE(std::equal(rec.Pieces, rec.Pieces + 32, before.Pieces));
  for (int i = 1; i <= 2; ++i) {
    EXPECT_EQ(rec.Moves[i].From, before.Moves[i].From);
    EXPECT_EQ(rec.Moves[i].Dest, before.Moves[i].Dest);
  }

  rec.RedFirst = 7;
  FixFirstSide(rec);
  EXPECT_EQ(rec.RedFirst, 1);
  rec.Moves[1].From = 0x70;  // a black horse moves first, whatever the source said
  FixFirstSide(rec);
  EXPECT_EQ(rec.RedFirst, 0);
  rec.Moves[1].From = 0x44;  // an empty square leaves the side alone
  FixFirstSide(rec);
  EXPECT_EQ(rec.RedFirst, 0);
  rec.Moves[1].From = kNoSquare;  // the captured slot 0 does not count as a match
  rec.RedFirst = 0;
  FixFirstSide(rec);
  EXPECT_EQ(rec.RedFirst, 0);
}

}  // namespace
