#include "core/notation.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <random>
#include <string>
#include <vector>

#include "core/board.h"
#include "core/jobstate.h"
#include "core/movecheck.h"
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

TWorkBoard BoardOf(const std::vector<std::string>& rows) {
  TWorkBoard board;
  MakeWorkBoard(FromRows(rows), board);
  return board;
}

const std::vector<std::string> kStartRows = {"rnbakabnr", ".........", ".c.....c.", "p.p.p.p.p",
                                             ".........", ".........", "P.P.P.P.P", ".C.....C.",
                                             ".........", "RNBAKABNR"};

uint8_t PieceAt(const TWorkBoard& board, uint8_t sq) {
  return board[WorkIndex(SquareX(sq), SquareY(sq))];
}

// Notation of a move in UTF-8 traditional characters.
std::string Note(const TWorkBoard& board, uint8_t from, uint8_t dest, bool wxf = true,
                 int dst = kFmtPgn) {
  const uint8_t piece = PieceAt(board, from);
  const TNoteCode code = ComputeNoteCode(board, from, dest, piece, wxf, dst);
  return RenderChinese(code.Head, code.Tail, piece >> 4, kVariantUtf8Traditional);
}

std::string Wxf(const TWorkBoard& board, uint8_t from, uint8_t dest, bool wxf = true) {
  const TNoteCode code = ComputeNoteCode(board, from, dest, PieceAt(board, from), wxf, kFmtPgn);
  return RenderWxf(code.Head, code.Tail);
}

std::vector<std::string> SplitUtf8(std::string_view s) {
  std::vector<std::string> out;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = s[i];
    const size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    out.emplace_back(s.substr(i, n));
    i += n;
  }
  return out;
}

TNoteToken Token(std::string_view text) {
  const auto c = SplitUtf8(text);
  if (c.size() != 4) return {};
  return ParseChineseToken(c[0], c[1], c[2], c[3]);
}

// Plays a Chinese token for side on a copy of the board; returns the squares
// found (0xFF 0xFF when it does not apply).
std::pair<uint8_t, uint8_t> Apply(TWorkBoard board, int side, const TNoteToken& token) {
  TChessRec rec;
  rec.Moves.resize(1);
  int counter = 0;
  if (!ApplyNotationMove(rec, board, side, token, counter)) return {0xFF, 0xFF};
  return {rec.Moves[1].From, rec.Moves[1].Dest};
}

const std::pair<uint8_t, uint8_t> kNotFound{0xFF, 0xFF};

std::string ToUtf8(const std::string& bytes, const char* codePage) {
  UErrorCode err = U_ZERO_ERROR;
  std::string out(bytes.size() * 3 + 4, '\0');
  const int32_t n = ucnv_convert("UTF-8", codePage, out.data(), int32_t(out.size()), bytes.data(),
                                 int32_t(bytes.size()), &err);
  out.resize(U_SUCCESS(err) ? size_t(n) : 0);
  return out;
}

constexpr uint8_t Sq(int x, int y) { return SquareOf(x, y); }

TEST(Notation, RendersTheThreeStyles) {
  const TWorkBoard start = BoardOf(kStartRows);
  EXPECT_EQ(Note(start, Sq(7, 7), Sq(4, 7)), "炮二平五");
  EXPECT_EQ(Wxf(start, Sq(7, 7), Sq(4, 7)), "C2.5");
  EXPECT_EQ(RenderIccs(Sq(7, 7), Sq(4, 7)), "H2-E2");
  EXPECT_EQ(Note(start, Sq(1, 9), Sq(2, 7)), "馬八進七");
  EXPECT_EQ(Wxf(start, Sq(1, 9), Sq(2, 7)), "N8+7");
  EXPECT_EQ(Note(start, Sq(7, 0), Sq(6, 2)), "馬８進７");
  EXPECT_EQ(RenderIccs(Sq(7, 0), Sq(6, 2)), "H9-G7");
  const TNoteCode king = ComputeNoteCode(start, Sq(4, 9), Sq(4, 8), kKing, true, kFmtPgn);
  EXPECT_EQ(RenderChinese(king.Head, king.Tail, 0, kVariantUtf8Simplified), "帅五进一");
  EXPECT_EQ(RenderChinese(king.Head, king.Tail, 0, kVariantGbkSimplified).size(), 8u);

  EXPECT_EQ(RenderIccs(0x9A, Sq(1, 1)), "XX-XX");
  EXPECT_EQ(RenderIccs(Sq(1, 1), 0x1A), "XX-XX");
  EXPECT_EQ(RenderIccs(0xFF, 0xFF), "XX-XX");
  for (auto [head, tail] : {std::pair<int, int>{0xF0, 0x00}, {0x00, 0x30}, {0x00, 0x09}}) {
    EXPECT_EQ(RenderChinese(head, tail, 0, 4), "XXXXXXXX");
    EXPECT_EQ(RenderWxf(head, tail), "XXXX");
  }
}

// Every piece kind, forward, backward and sideways, for both sides: the same
// text under both standards and for a library destination.
TEST(Notation, EveryPieceKindUnderEveryStandard) {
  const TWorkBoard start = BoardOf(kStartRows);
  const TWorkBoard open =
      BoardOf({"...ak....", "....a....", "..c.b....", "r.......n", ".........", "..P...p..",
               "N.......R", "....B.C..", "....A....", "...AK...."});
  struct TCase {
    const TWorkBoard* Board;
    uint8_t From, Dest;
    const char* Text;
    const char* Wxf;
  } cases[] = {
      {&start, Sq(0, 9), Sq(0, 8), "車九進一", "R9+1"},
      {&start, Sq(7, 9), Sq(6, 7), "馬二進三", "N2+3"},
      {&start, Sq(6, 9), Sq(4, 7), "相三進五", "B3+5"},
      {&start, Sq(5, 9), Sq(4, 8), "仕四進五", "A4+5"},
      {&start, Sq(4, 9), Sq(4, 8), "帥五進一", "K5+1"},
      {&start, Sq(7, 7), Sq(7, 3), "炮二進四", "C2+4"},
      {&start, Sq(2, 6), Sq(2, 5), "兵七進一", "P7+1"},
      {&start, Sq(0, 0), Sq(0, 1), "車１進１", "R1+1"},
      {&start, Sq(1, 0), Sq(2, 2), "馬２進３", "N2+3"},
      {&start, Sq(2, 0), Sq(4, 2), "象３進５", "B3+5"},
      {&start, Sq(3, 0), Sq(4, 1), "士４進５", "A4+5"},
      {&start, Sq(4, 0), Sq(4, 1), "將５進１", "K5+1"},
      {&start, Sq(1, 2), Sq(1, 6), "炮２進４", "C2+4"},
      {&start, Sq(2, 3), Sq(2, 4), "卒３進１", "P3+1"},
      {&open, Sq(8, 6), Sq(3, 6), "車一平六", "R1.6"},
      {&open, Sq(8, 6), Sq(8, 9), "車一退三", "R1-3"},
      {&open, Sq(0, 6), Sq(1, 8), "馬九退八", "N9-8"},
      {&open, Sq(4, 7), Sq(2, 9), "相五退七", "B5-7"},
      {&open, Sq(4, 8), Sq(5, 9), "仕五退四", "A5-4"},
      {&open, Sq(4, 9), Sq(5, 9), "帥五平四", "K5.4"},
      {&open, Sq(6, 7), Sq(6, 9), "炮三退二", "C3-2"},
      {&open, Sq(2, 5), Sq(2, 4), "兵七進一", "P7+1"},
      {&open, Sq(0, 3), Sq(0, 1), "車１退２", "R1-2"},
      {&open, Sq(8, 3), Sq(7, 1), "馬９退８", "N9-8"},
      {&open, Sq(4, 2), Sq(2, 0), "象５退３", "B5-3"},
      {&open, Sq(4, 1), Sq(3, 2), "士５進４", "A5+4"},
      {&open, Sq(4, 0), Sq(5, 0), "將５平６", "K5.6"},
      {&open, Sq(2, 2), Sq(2, 4), "炮３進２", "C3+2"},
      {&open, Sq(6, 5), Sq(5, 5), "卒７平６", "P7.6"},
      {&open, Sq(6, 5), Sq(6, 6), "卒７進１", "P7+1"},
  };
  for (const auto& c : cases) {
    for (bool wxf : {true, false})
      for (int dst : {kFmtPgn, kFmtCbl})
        EXPECT_EQ(Note(*c.Board, c.From, c.Dest, wxf, dst), c.Text);
    EXPECT_EQ(Wxf(*c.Board, c.From, c.Dest), c.Wxf) << c.Text;
    // Read back in both scripts and as WXF, on the right side.
    const int side = PieceAt(*c.Board, c.From) >> 4;
    const auto squares = std::pair{c.From, c.Dest};
    EXPECT_EQ(Apply(*c.Board, side, Token(c.Text)), squares) << c.Text;
    EXPECT_EQ(Token(c.Text).Side, side) << c.Text;
    EXPECT_EQ(Apply(*c.Board, side, ParseWxfToken(c.Wxf)), squares) << c.Wxf;
  }
}

// Like pieces sharing a file.
TEST(Notation, PiecesSharingAFile) {
  struct TCase {
    std::vector<std::string> Rows;
    uint8_t From, Dest;
    const char* Federation;  // federation standard (also WXF below)
    const char* Chinese;     // Chinese conventional standard
    const char* Library;     // library destination (Chinese conventional)
    const char* Wxf;
  };
  const std::vector<std::string> rooks = {"....k....", ".........", ".........", ".........",
                                          "..r......", "..r......", ".......R.", ".........",
                                          ".......R.", "...K....."};
  const std::vector<std::string> three = {"....k....", ".........", "....P....", "....P....",
                                          "....P....", ".........", ".........", ".........",
                                          ".........", "...K....."};
  const std::vector<std::string> four = {"....k....", "....P....", "....P....", "....P....",
                                         "....P....", ".........", ".........", ".........",
                                         ".........", "...K....."};
  const std::vector<std::string> five = {"....P....", "...kP....", "....P....", "....P....",
                                         "....P....", ".........", ".........", ".........",
                                         ".........", ".....K..."};
  const std::vector<std::string> twoFiles = {"....k....", ".........", ".........", "..P...P..",
                                             "..P...P..", "..p...p..", "..p...p..", ".........",
                                             ".........", "...K....."};
  const std::vector<std::string> threeAndTwo = {"...k.....", ".........", "....P....", "P...P....",
                                                "P...P....", ".........", ".........", ".........",
                                                ".........", ".....K..."};
  const TCase cases[] = {
      {rooks, Sq(7, 6), Sq(7, 5), "前車進一", "前車進一", "前車進一", "R++1"},
      {rooks, Sq(7, 8), Sq(3, 8), "後車平六", "後車平六", "後車平六", "R-.6"},
      {rooks, Sq(2, 5), Sq(2, 6), "前車進１", "前車進１", "前車進１", "R++1"},
      {rooks, Sq(2, 4), Sq(5, 4), "後車平６", "後車平６", "後車平６", "R-.6"},
      {three, Sq(4, 2), Sq(4, 1), "前兵進一", "前兵進一", "前兵進一", "P++1"},
      {three, Sq(4, 3), Sq(3, 3), "中兵平六", "中兵平六", "中兵平六", "P..6"},
      {three, Sq(4, 4), Sq(5, 4), "後兵平四", "後兵平四", "後兵平四", "P-.4"},
      {four, Sq(4, 1), Sq(3, 1), "一兵平六", "前兵平六", "前兵平六", "Pa.6"},
      {four, Sq(4, 2), Sq(3, 2), "二兵平六", "二兵平六", "兵五平六", "Pb.6"},
      {four, Sq(4, 3), Sq(5, 3), "三兵平四", "三兵平四", "兵五平四", "Pc.4"},
      {four, Sq(4, 4), Sq(3, 4), "四兵平六", "後兵平六", "後兵平六", "Pd.6"},
      {five, Sq(4, 0), Sq(5, 0), "一兵平四", "前兵平四", "前兵平四", "Pa.4"},
      {five, Sq(4, 3), Sq(3, 3), "四兵平六", "四兵平六", "兵五平六", "Pd.6"},
      {five, Sq(4, 4), Sq(5, 4), "五兵平四", "後兵平四", "後兵平四", "Pe.4"},
      // Two files of two: numbered from the mover's right, or named by file.
      {twoFiles, Sq(6, 3), Sq(6, 2), "一兵進一", "前三進一", "前三進一", "Pa+1"},
      {twoFiles, Sq(6, 4), Sq(5, 4), "二兵平四", "後三平四", "後三平四", "Pb.4"},
      {twoFiles, Sq(2, 3), Sq(2, 2), "三兵進一", "前七進一", "前七進一", "Pc+1"},
      {twoFiles, Sq(2, 4), Sq(3, 4), "四兵平六", "後七平六", "後七平六", "Pd.6"},
      {twoFiles, Sq(2, 6), Sq(2, 7), "一卒進１", "前３進１", "前３進１", "Pa+1"},
      {twoFiles, Sq(2, 5), Sq(1, 5), "二卒平２", "後３平２", "後３平２", "Pb.2"},
      {twoFiles, Sq(6, 6), Sq(6, 7), "三卒進１", "前７進１", "前７進１", "Pc+1"},
      {twoFiles, Sq(6, 5), Sq(7, 5), "四卒平８", "後７平８", "後７平８", "Pd.8"},
      // Three on one file and two on another.
      {threeAndTwo, Sq(4, 2), Sq(4, 1), "一兵進一", "前五進一", "前五進一", "Pa+1"},
      {threeAndTwo, Sq(4, 3), Sq(3, 3), "二兵平六", "中五平六", "中五平六", "Pb.6"},
      {threeAndTwo, Sq(4, 4), Sq(5, 4), "三兵平四", "後五平四", "後五平四", "Pc.4"},
      {threeAndTwo, Sq(0, 3), Sq(0, 2), "四兵進一", "前九進一", "前九進一", "Pd+1"},
      {threeAndTwo, Sq(0, 4), Sq(1, 4), "五兵平八", "後九平八", "後九平八", "Pe.8"},
  };
  for (const auto& c : cases) {
    const TWorkBoard board = BoardOf(c.Rows);
    const int side = PieceAt(board, c.From) >> 4;
    EXPECT_EQ(Note(board, c.From, c.Dest, true), c.Federation);
    EXPECT_EQ(Note(board, c.From, c.Dest, false), c.Chinese);
    EXPECT_EQ(Note(board, c.From, c.Dest, false, kFmtCbl), c.Library);
    EXPECT_EQ(Wxf(board, c.From, c.Dest), c.Wxf) << c.Federation;
    for (const char* text : {c.Federation, c.Chinese})
      EXPECT_EQ(Apply(board, side, Token(text)), std::pair(c.From, c.Dest)) << text;
    EXPECT_EQ(Apply(board, side, ParseWxfToken(c.Wxf)), std::pair(c.From, c.Dest)) << c.Wxf;
  }
  // Under the federation standard with a library destination no pawn keeps 一..五.
  const TWorkBoard board = BoardOf(four);
  EXPECT_EQ(Note(board, Sq(4, 1), Sq(3, 1), true, kFmtCbl), "兵五平六");
}

TEST(Notation, ReadingTokens) {
  TNoteToken t = Token("炮二平五");
  EXPECT_EQ(t.Piece, kCannon);
  EXPECT_EQ(t.File, 2);
  EXPECT_EQ(t.Direction, kDirSideways);
  EXPECT_EQ(t.Number, 5);
  EXPECT_EQ(t.Side, 0);
  t = Token("马8进7");  // ASCII digits are black's
  EXPECT_EQ(t.Piece, kHorse);
  EXPECT_EQ(t.File, 8);
  EXPECT_EQ(t.Direction, kDirForward);
  EXPECT_EQ(t.Side, 1);
  EXPECT_EQ(Token("馬８進七").Side, 0);  // a Chinese numeral last makes it red
  t = Token("后车退１");
  EXPECT_EQ(t.Position, kPosRear);
  EXPECT_EQ(t.Piece, kRook);
  EXPECT_EQ(t.File, 0);
  EXPECT_EQ(t.Direction, kDirBackward);
  t = Token("前三進一");
  EXPECT_EQ(t.Piece, kPawn);
  EXPECT_EQ(t.Position, kPosFront);
  EXPECT_EQ(t.File, 3);
  EXPECT_EQ(Token("五兵平四").Position, kPosFirst + 4);
  EXPECT_EQ(Token("將５平６").Piece, kKing);
  EXPECT_EQ(Token("帅五进一").Piece, kKing);
  // Forms outside the tables are not recognised.
  EXPECT_FALSE(Token("砲二平五").Usable());
  EXPECT_FALSE(Token("俥一進一").Usable());
  EXPECT_FALSE(Token("炮二走五").Usable());
  EXPECT_FALSE(Token("炮二平十").Usable());
  EXPECT_FALSE(Token("炮二平車").Usable());

  EXPECT_EQ(ParseWxfToken("H2+3").Piece, kHorse);
  EXPECT_EQ(ParseWxfToken("E3+5").Piece, kElephant);
  EXPECT_EQ(ParseWxfToken("P.+1").Position, kPosMiddle);
  EXPECT_FALSE(ParseWxfToken("X2+3").Usable());
  EXPECT_FALSE(ParseWxfToken("C2.5 ").Usable());
  EXPECT_FALSE(ParseWxfToken("C2*5").Usable());
}

TEST(Notation, ApplyingFindsOnlyLegalPieces) {
  const TWorkBoard start = BoardOf(kStartRows);
  // A horse cannot land three files away; the move is refused and nothing changes.
  TChessRec rec;
  rec.Moves.resize(1);
  TWorkBoard board = start;
  int counter = 0;
  EXPECT_FALSE(ApplyNotationMove(rec, board, 0, Token("馬八進五"), counter));
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(board, start);
  // Applying grows the move array as needed and plays on the board.
  EXPECT_TRUE(ApplyNotationMove(rec, board, 0, Token("炮二平五"), counter));
  EXPECT_TRUE(ApplyNotationMove(rec, board, 1, Token("馬８進７"), counter));
  EXPECT_TRUE(ApplyNotationMove(rec, board, 0, ParseWxfToken("C5+4"), counter));
  ASSERT_EQ(counter, 3);
  EXPECT_EQ(rec.Moves[3].From, Sq(4, 7));
  EXPECT_EQ(rec.Moves[3].Dest, Sq(4, 3));  // takes the centre pawn
  EXPECT_EQ(PieceAt(board, Sq(4, 3)), kCannon);

  // The kings may not face each other.
  const TWorkBoard facing =
      BoardOf({"....k....", ".........", ".........", ".........", ".........", "....R....",
               ".........", ".........", ".........", "....K...."});
  EXPECT_EQ(Apply(facing, 0, Token("車五平一")), kNotFound);
  EXPECT_EQ(Apply(facing, 0, Token("車五進一")), std::pair(Sq(4, 5), Sq(4, 4)));
  // Of two advisors on one file only the one that can go is taken.
  const TWorkBoard advisors =
      BoardOf({"....k....", ".........", ".........", ".........", ".........", ".........",
               ".........", "...A.....", ".........", "...AK...."});
  EXPECT_EQ(Apply(advisors, 0, Token("仕六進五")), std::pair(Sq(3, 9), Sq(4, 8)));
  EXPECT_EQ(Apply(advisors, 0, Token("仕六退五")), std::pair(Sq(3, 7), Sq(4, 8)));
}

// A pawn standing where no pawn can be still counts for its file, but cannot move.
TEST(Notation, PawnOnAnImpossibleSquare) {
  const std::vector<std::string> rows = {"....k....", ".........", ".........", ".........",
                                         ".........", ".........", "....P....", ".........",
                                         "....P....", "...K....."};
  const TWorkBoard board = BoardOf(rows);
  EXPECT_EQ(Note(board, Sq(4, 6), Sq(4, 5)), "前兵進一");
  EXPECT_EQ(Apply(board, 0, Token("前兵進一")), std::pair(Sq(4, 6), Sq(4, 5)));
  EXPECT_EQ(Apply(board, 0, Token("後兵進一")), kNotFound);

  TTestJob job;
  TChessRec rec = FromRows(rows);
  rec.Moves.resize(2);
  rec.Moves[1].From = Sq(4, 8);
  rec.Moves[1].Dest = Sq(4, 7);
  rec.MoveCount = 1;
  CheckMoves(job, rec);
  EXPECT_EQ(job.At(kLogError), std::vector<std::string>{"第 1 步，無效的棋步。"});
  EXPECT_EQ(rec.Moves[1].NoteHead, 0xFF);
}

// ---- Random games ----------------------------------------------------------
//
// Random games from the start and from positions built so that like pieces
// share files (two rooks, horses and cannons on a file; three to five pawns on
// a file; two files of two pawns; pieces where they cannot be). Every legal
// move of every position is written in every notation and read back.

using TMove = std::pair<uint8_t, uint8_t>;

std::vector<TMove> LegalMoves(const TWorkBoard& b, int side) {
  std::vector<TMove> out;
  for (int i = 0; i < 90; ++i)
    if (b[i] && (b[i] >> 4) == side)
      for (int t = 0; t < 90; ++t)
        if (IsLegalMove(b, 8 - i / 10, i % 10, 8 - t / 10, t % 10, true) == kMoveLegal)
          out.emplace_back(SquareOf(8 - i / 10, i % 10), SquareOf(8 - t / 10, t % 10));
  return out;
}

void Play(TWorkBoard& b, TMove m) {
  b[WorkIndex(SquareX(m.second), SquareY(m.second))] = PieceAt(b, m.first);
  b[WorkIndex(SquareX(m.first), SquareY(m.first))] = 0;
}

// Writes one legal move in every notation and reads it back; counts the heads seen.
void CheckRoundTrips(const TWorkBoard& b, TMove m, int side, int (&heads)[16], int& fileHeads) {
  const uint8_t piece = PieceAt(b, m.first);
  TWorkBoard after = b;
  Play(after, m);
  auto expectBack = [&](const TNoteToken& token, const std::string& text) {
    TWorkBoard board = b;
    EXPECT_EQ(Apply(board, side, token), m) << text;
  };
  for (bool wxf : {true, false}) {
    const TNoteCode code = ComputeNoteCode(b, m.first, m.second, piece, wxf, kFmtPgn);
    ASSERT_TRUE(IsValidNoteCode(code.Head, code.Tail));
    ++heads[code.Head >> 4];
    fileHeads += (code.Head >> 4) >= 7 && (code.Head & 0x0F) < 9;
    for (int variant : {kVariantUtf8Simplified, kVariantUtf8Traditional}) {
      const std::string text = RenderChinese(code.Head, code.Tail, side, variant);
      EXPECT_EQ(Token(text).Side, side) << text;
      expectBack(Token(text), text);
    }
    const std::string wxfText = RenderWxf(code.Head, code.Tail);
    if (wxf) expectBack(ParseWxfToken(wxfText), wxfText);
    // A library destination shows the piece and its file where 一..五 would
    // stand; otherwise its code is the same.
    const TNoteCode library = ComputeNoteCode(b, m.first, m.second, piece, wxf, kFmtCbl);
    const int fromFile = side == 0 ? 8 - SquareX(m.first) : SquareX(m.first);
    const int plainHead = (((piece & 0x0F) - 1) << 4) | fromFile;
    EXPECT_EQ(library.Head, (code.Head >> 4) < 10 ? code.Head : plainHead);
    EXPECT_EQ(library.Tail, code.Tail);
  }
  const std::string iccs = RenderIccs(m.first, m.second);
  EXPECT_EQ(TMove(SquareOf(iccs[0] - 'A', '9' - iccs[1]), SquareOf(iccs[3] - 'A', '9' - iccs[4])),
            m);
}

// The GBK and Big5 variants hold the same characters as the UTF-8 ones.
void CheckByteVariants(TNoteCode code, int side) {
  const std::string simplified = RenderChinese(code.Head, code.Tail, side, 3);
  const std::string traditional = RenderChinese(code.Head, code.Tail, side, 4);
  EXPECT_EQ(ToUtf8(RenderChinese(code.Head, code.Tail, side, 0), "windows-936-2000"), simplified);
  EXPECT_EQ(ToUtf8(RenderChinese(code.Head, code.Tail, side, 1), "windows-936-2000"), traditional);
  EXPECT_EQ(ToUtf8(RenderChinese(code.Head, code.Tail, side, 2), "windows-950-2000"), traditional);
}

TEST(NotationRandomGames, EveryLegalMoveReadsBackInEveryNotation) {
  const std::vector<std::vector<std::string>> starts = {
      kStartRows,
      {"r...k....", "n........", "r...c....", "n...c....", ".........", ".........", "..C..R..N",
       "..C.....N", ".....R...", "...K....."},
      {"...k.....", ".........", "....P....", "P...P....", "P...P....", "..p......", "..p....p.",
       "..p......", "..p......", ".....K..."},
      {"....k....", "......P..", "......P..", "......P..", "......P..", ".p.p..P..", ".p.....p.",
       ".......p.", ".........", "...K....."},
      {"rnbakabnr", ".........", ".c..c....", "p.p...p.p", "..p...p..", "..P...P..", "P.P...P.P",
       ".C.....C.", ".........", "RNBAKABNR"},
      {"..bk.....", "....a....", "....p....", ".........", "..B.R.R..", "...P.....", ".p......P",
       ".......p.", "....P....", "....K...."},
  };
  std::mt19937 rng(20240611);
  TTestJob job;
  int heads[16] = {}, fileHeads = 0, positions = 0;
  for (int round = 0; round < 6; ++round)
    for (size_t s = 0; s < starts.size(); ++s) {
      TChessRec rec = FromRows(starts[s]);
      rec.Moves.resize(1);
      TWorkBoard board;
      MakeWorkBoard(rec, board);
      int side = round % 3 == 2 ? 1 : 0;  // some games open with black
      std::vector<TWorkBoard> history{board};
      std::vector<TNoteCode> codes[2];  // federation, Chinese conventional
      auto addNode = [&](const TWorkBoard& before, TMove m, int parent) {
        TMoveNode node;
        node.From = m.first;
        node.Dest = m.second;
        node.Parent = parent;
        rec.Moves.push_back(node);
        for (int w = 0; w < 2; ++w)
          codes[w].push_back(
              ComputeNoteCode(before, m.first, m.second, PieceAt(before, m.first), w == 0, 0));
      };
      for (int ply = 0; ply < 60; ++ply) {
        const auto moves = LegalMoves(board, side);
        for (TMove m : moves) CheckRoundTrips(board, m, side, heads, fileHeads);
        if (HasFailure() || moves.empty()) break;
        ++positions;
        // Mostly moves of pieces that share their file with a like piece, so
        // that the shared-file forms keep coming up.
        std::vector<TMove> shared;
        for (TMove m : moves) {
          int onFile = 0;
          for (int y = 0; y < 10; ++y)
            onFile += PieceAt(board, SquareOf(SquareX(m.first), y)) == PieceAt(board, m.first);
          if (onFile > 1) shared.push_back(m);
        }
        const auto& pool = !shared.empty() && rng() % 3 != 0 ? shared : moves;
        const TMove m = pool[rng() % pool.size()];
        addNode(board, m, int(rec.Moves.size()) - 1);
        if (ply % 8 == 0) CheckByteVariants(codes[1].back(), side);
        Play(board, m);
        history.push_back(board);
        side ^= 1;
      }
      // A variation on a random move of the game, played from that move's parent.
      const int played = int(rec.Moves.size()) - 1;
      if (played >= 2) {
        const int k = 1 + int(rng() % played);
        const TWorkBoard& before = history[k - 1];
        const auto alternatives = LegalMoves(before, PieceAt(before, rec.Moves[k].From) >> 4);
        addNode(before, alternatives[rng() % alternatives.size()], k - 1);
      }
      // The move check replays the same tree to the same codes, without a message.
      rec.MoveCount = int(rec.Moves.size()) - 1;
      for (int w = 0; w < 2; ++w) {
        job.WxfStandard = w == 0;
        CheckMoves(job, rec);
        for (int i = 1; i <= rec.MoveCount; ++i) {
          ASSERT_EQ(rec.Moves[i].NoteHead, codes[w][i - 1].Head) << "start " << s << " node " << i;
          ASSERT_EQ(rec.Moves[i].NoteTail, codes[w][i - 1].Tail) << "start " << s << " node " << i;
        }
      }
      EXPECT_TRUE(job.Lines.empty()) << job.Lines.front().Text;
    }
  // Every shared-file form came up: 前 中 後, 一..五 and the head naming a file.
  for (int head = 7; head <= 14; ++head) EXPECT_GT(heads[head], 0) << head;
  EXPECT_GT(fileHeads, 0);
  EXPECT_GT(positions, 1200);
}

}  // namespace
