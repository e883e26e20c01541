#include "core/board.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/encoding.h"
#include "core/jobstate.h"

const uint8_t kSlotCodes[32] = {1,  2,  3,  4,  5,  4,  3,  2,  1,  6,  6,  7,  7,  7,  7,  7,
                                17, 18, 19, 20, 21, 20, 19, 18, 17, 22, 22, 23, 23, 23, 23, 23};

std::string FormatMoveMessage(const char* format, int moveNumber) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, format, moveNumber);
  return SystemText(buffer);
}

bool StoreLineMove(TJobState& job, TChessRec& rec, int number, uint8_t from, uint8_t dest) {
  const char* error = from == kNoSquare   ? "第 %d 步棋的開始位置錯誤。"
                      : dest == kNoSquare ? "第 %d 步棋的到達位置錯誤。"
                                          : nullptr;
  if (error) {
    job.LogRecord(rec, FormatMoveMessage(error, number), kLogError);
    return false;
  }
  rec.Moves[static_cast<size_t>(number)].From = from;
  rec.Moves[static_cast<size_t>(number)].Dest = dest;
  return true;
}

namespace {

bool OnBoard(int x, int y) { return x >= 0 && x <= 8 && y >= 0 && y <= 9; }

uint8_t At(const TWorkBoard& board, int x, int y) { return board[WorkIndex(x, y)]; }

// Pieces strictly between two squares of one column or one row.
int CountBetween(const TWorkBoard& board, int fromX, int fromY, int toX, int toY) {
  int stepX = (toX > fromX) - (toX < fromX);
  int stepY = (toY > fromY) - (toY < fromY);
  int count = 0;
  for (int x = fromX + stepX, y = fromY + stepY; x != toX || y != toY; x += stepX, y += stepY)
    if (At(board, x, y)) ++count;
  return count;
}

bool IsElephantPoint(bool black, int x, int y) {
  static const int kRed[7][2] = {{2, 9}, {6, 9}, {0, 7}, {4, 7}, {8, 7}, {2, 5}, {6, 5}};
  for (const auto& p : kRed)
    if (p[0] == x && p[1] == (black ? 9 - y : y)) return true;
  return false;
}

bool IsAdvisorPoint(bool black, int x, int y) {
  static const int kRed[5][2] = {{3, 7}, {5, 7}, {4, 8}, {3, 9}, {5, 9}};
  for (const auto& p : kRed)
    if (p[0] == x && p[1] == (black ? 9 - y : y)) return true;
  return false;
}

bool InPalace(bool black, int x, int y) { return x >= 3 && x <= 5 && (black ? y <= 2 : y >= 7); }

// The movement rule of the piece on the from square; both squares are on the
// board and differ.
bool FollowsPieceRule(const TWorkBoard& board, uint8_t piece, int fromX, int fromY, int toX,
                      int toY) {
  const bool black = (piece & kBlackBit) != 0;
  const int dx = toX - fromX, dy = toY - fromY;
  const int n = std::abs(dx), m = std::abs(dy);
  switch (piece & 0x0F) {
    case kRook:
      return (dx == 0 || dy == 0) && CountBetween(board, fromX, fromY, toX, toY) == 0;
    case kCannon: {
      if (dx != 0 && dy != 0) return false;
      int between = CountBetween(board, fromX, fromY, toX, toY);
      if (between == 0) return At(board, toX, toY) == 0;
      return between == 1 && At(board, toX, toY) != 0;
    }
    case kHorse:
      if (n == 1 && m == 2) return At(board, fromX, fromY + dy / 2) == 0;
      if (n == 2 && m == 1) return At(board, fromX + dx / 2, fromY) == 0;
      return false;
    case kElephant:
      return n == 2 && m == 2 && At(board, fromX + dx / 2, fromY + dy / 2) == 0 &&
             IsElephantPoint(black, toX, toY);
    case kAdvisor:
      return n == 1 && m == 1 && IsAdvisorPoint(black, toX, toY);
    case kKing:
      return n + m == 1 && InPalace(black, toX, toY);
    case kPawn: {
      if (n + m != 1) return false;
      // A pawn only ever stands on its start rows or beyond: on the columns of
      // the start squares from row 6 (red) / 3 (black) on, elsewhere only past
      // the river.
      const bool startColumn = (fromX % 2) == 0;
      if (!black) {
        if (fromY > (startColumn ? 6 : 4)) return false;
        if (dy > 0) return false;
        return dy == -1 || fromY <= 4;
      }
      if (fromY < (startColumn ? 3 : 5)) return false;
      if (dy < 0) return false;
      return dy == 1 || fromY >= 5;
    }
    default:
      return false;
  }
}

// Finds the king of one side inside its palace.
bool FindKing(const TWorkBoard& board, bool black, int& kingX, int& kingY) {
  const uint8_t code = black ? (kBlackBit | kKing) : kKing;
  for (int x = 3; x <= 5; ++x)
    for (int y = black ? 0 : 7; y <= (black ? 2 : 9); ++y)
      if (At(board, x, y) == code) {
        kingX = x;
        kingY = y;
        return true;
      }
  return false;
}

// After the move on a copy of the board: the kings do not face each other and
// no enemy rook, horse, cannon or pawn attacks the mover's king.
bool KingSafeAfter(const TWorkBoard& before, uint8_t piece, int fromX, int fromY, int toX,
                   int toY) {
  TWorkBoard board = before;
  board[WorkIndex(fromX, fromY)] = 0;
  board[WorkIndex(toX, toY)] = piece;
  int redX, redY, blackX, blackY;
  if (!FindKing(board, false, redX, redY) || !FindKing(board, true, blackX, blackY)) return true;
  if (redX == blackX && CountBetween(board, blackX, blackY, redX, redY) == 0) return false;
  const bool moverBlack = (piece & kBlackBit) != 0;
  const int kingX = moverBlack ? blackX : redX, kingY = moverBlack ? blackY : redY;
  const uint8_t enemy = moverBlack ? 0 : kBlackBit;
  for (int i = 0; i < 90; ++i) {
    const uint8_t code = board[i];
    if (!code || (code & kBlackBit) != enemy) continue;
    const int type = code & 0x0F;
    if (type != kRook && type != kHorse && type != kCannon && type != kPawn) continue;
    if (IsLegalMove(board, 8 - i / 10, i % 10, kingX, kingY, false) == kMoveLegal) return false;
  }
  return true;
}

}  // namespace

void MakeWorkBoard(const TChessRec& rec, TWorkBoard& board) {
  board.fill(0);
  for (int s = 0; s < 32; ++s) {
    const uint8_t sq = rec.Pieces[s];
    if (IsValidSquare(sq)) board[WorkIndex(SquareX(sq), SquareY(sq))] = kSlotCodes[s];
  }
}

void PlacePieces(TChessRec& rec, std::span<const uint8_t> codes, int layout) {
  for (auto& sq : rec.Pieces) sq = kNoSquare;
  const size_t n = codes.size() < 90 ? codes.size() : 90;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t code = codes[i];
    if (code == 0) continue;
    const int base = code & kBlackBit;
    for (int s = base; s < base + 16; ++s) {
      if (kSlotCodes[s] != code || rec.Pieces[s] != kNoSquare) continue;
      const int x = layout == 1 ? int(i / 10) : int(i % 9);
      const int y = layout == 1 ? int(i % 10) : int(i / 9);
      rec.Pieces[s] = SquareOf(x, y);
      break;
    }
  }
}

void PlaceFromLetterMap(TChessRec& rec, std::string_view text, size_t n) {
  // Slot of each letter: '1'..'9', 'a'..'g' red, 'h'..'w' black.
  static const int8_t kRedSlots[16] = {4, 3, 5, 2, 6, 1, 7, 0, 8, 9, 10, 11, 12, 13, 14, 15};
  for (auto& sq : rec.Pieces) sq = kNoSquare;
  if (n > text.size()) n = text.size();
  if (n > 90) n = 90;
  for (size_t k = 0; k < n; ++k) {
    const char c = text[k];
    int slot = -1;
    if (c >= '1' && c <= '9')
      slot = kRedSlots[c - '1'];
    else if (c >= 'a' && c <= 'g')
      slot = kRedSlots[9 + (c - 'a')];
    else if (c >= 'h' && c <= 'p')
      slot = 16 + kRedSlots[c - 'h'];
    else if (c >= 'q' && c <= 'w')
      slot = 16 + kRedSlots[9 + (c - 'q')];
    if (slot >= 0) rec.Pieces[slot] = SquareOf(int(k / 10), 9 - int(k % 10));
  }
}

uint32_t ParseDigitMove(TJobState& job, TChessRec& rec, std::string_view text, int moveNumber,
                        size_t pos) {
  auto charAt = [&](size_t i) -> int {  // i is 1-based; 0 outside the text
    return i >= 1 && i <= text.size() ? static_cast<unsigned char>(text[i - 1]) : 0;
  };
  auto readSquare = [&](size_t i) -> uint8_t {
    const int cx = charAt(i), cy = charAt(i + 1);
    if (cx < '0' || cx > '8' || cy < '0' || cy > '9') return kNoSquare;
    return SquareOf(cx - '0', cy - '0');
  };
  const uint8_t from = readSquare(pos);
  if (from == kNoSquare)
    job.LogRecord(rec, FormatMoveMessage("第 %d 步棋的開始位置錯誤。", moveNumber), kLogError);
  const uint8_t dest = readSquare(pos + 2);
  if (dest == kNoSquare)
    job.LogRecord(rec, FormatMoveMessage("第 %d 步棋的到達位置錯誤。", moveNumber), kLogError);
  return MakeMoveWord(from, dest);
}

void WriteSquareDigits(const TChessRec& rec, std::string& out, std::string_view filler,
                       std::string_view prefix, std::string_view suffix) {
  out.reserve(out.size() + prefix.size() + 32 * 2 + suffix.size());
  out += prefix;
  for (uint8_t sq : rec.Pieces) {
    if (IsValidSquare(sq)) {
      out += char('0' + SquareX(sq));
      out += char('0' + SquareY(sq));
    } else {
      out += filler;
    }
  }
  out += suffix;
}

int IsLegalMove(const TWorkBoard& board, int fromX, int fromY, int toX, int toY, bool full) {
  if (!OnBoard(fromX, fromY)) return kMoveNoPiece;
  const uint8_t piece = At(board, fromX, fromY);
  if (piece == 0) return kMoveNoPiece;
  if (!OnBoard(toX, toY)) return kMoveBadTarget;
  const uint8_t target = At(board, toX, toY);
  if (target != 0) {
    if (fromX == toX && fromY == toY) return kMoveSameSquare;
    if ((target & kBlackBit) == (piece & kBlackBit)) return kMoveOwnCapture;
  }
  if (!FollowsPieceRule(board, piece, fromX, fromY, toX, toY)) return kMoveBadRule;
  if (full && !KingSafeAfter(board, piece, fromX, fromY, toX, toY)) return kMoveBadRule;
  return kMoveLegal;
}

void MirrorRecord(TChessRec& rec) {
  auto mirror = [](uint8_t& sq) {
    if (IsValidSquare(sq)) sq = SquareOf(8 - SquareX(sq), SquareY(sq));
  };
  for (auto& sq : rec.Pieces) mirror(sq);
  const int count =
      rec.MoveCount < int(rec.Moves.size()) ? rec.MoveCount : int(rec.Moves.size()) - 1;
  for (int i = 1; i <= count; ++i) {
    mirror(rec.Moves[i].From);
    mirror(rec.Moves[i].Dest);
  }
}

void FixFirstSide(TChessRec& rec) {
  if (rec.RedFirst != 0 && rec.RedFirst != 1) rec.RedFirst = 1;
  if (rec.MoveCount < 1 || rec.Moves.size() < 2) return;
  const uint8_t from = rec.Moves[1].From;
  if (!IsValidSquare(from)) return;  // a captured piece's 0xFF is no square
  for (int s = 0; s < 32; ++s)
    if (rec.Pieces[s] == from) {
      rec.RedFirst = s < 16 ? 1 : 0;
      return;
    }
}
