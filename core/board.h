// The board: the 90-byte work board used for all move checking, the helpers
// that readers use to place pieces and read square digits, the movement rules,
// the one-pass replay of a record's move tree, left/right mirroring and the
// side that moves first.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/record.h"

class TJobState;

// Work board: index X*10 + y with X = 8 - x, so column X = 0 is red's rightmost
// column (x = 8) and each column holds its rows y = 0..9 consecutively. A byte
// is a piece code ((colour << 4) | type) or 0 for an empty square.
using TWorkBoard = std::array<uint8_t, 90>;

// Piece types (low nibble of a piece code); black codes add kBlackBit.
enum TPieceType : int {
  kRook = 1,
  kHorse = 2,
  kElephant = 3,
  kAdvisor = 4,
  kKing = 5,
  kCannon = 6,
  kPawn = 7,
};
constexpr uint8_t kBlackBit = 0x10;

// Piece code of each of the 32 slots of TChessRec::Pieces.
extern const uint8_t kSlotCodes[32];

// Work-board index of square column x (0..8 from red's left), row y (0..9).
constexpr int WorkIndex(int x, int y) { return (8 - x) * 10 + y; }
// Square byte of column x, row y.
constexpr uint8_t SquareOf(int x, int y) { return static_cast<uint8_t>((x << 4) | y); }
constexpr int SquareX(uint8_t sq) { return sq >> 4; }
constexpr int SquareY(uint8_t sq) { return sq & 0x0F; }

// The 32-bit Move word: From, Dest, NoteHead, NoteTail in that byte order.
constexpr uint32_t MakeMoveWord(uint8_t from, uint8_t dest, uint8_t head = 0xFF,
                                uint8_t tail = 0xFF) {
  return uint32_t(from) | (uint32_t(dest) << 8) | (uint32_t(head) << 16) | (uint32_t(tail) << 24);
}
inline void StoreMoveWord(TMoveNode& node, uint32_t word) {
  node.From = uint8_t(word);
  node.Dest = uint8_t(word >> 8);
  node.NoteHead = uint8_t(word >> 16);
  node.NoteTail = uint8_t(word >> 24);
}
inline void StoreMoveWord(uint8_t (&move)[4], uint32_t word) {
  for (int i = 0; i < 4; ++i) move[i] = uint8_t(word >> (8 * i));
}

// Clears the board and puts the piece of every slot that has a valid square.
void MakeWorkBoard(const TChessRec& rec, TWorkBoard& board);

// Fills Pieces from 90 piece codes (0 empty). Layout 0 is row-major
// (index y*9 + x), layout 1 column-major (index x*10 + y). Each piece takes the
// first free slot of its kind in index order; a piece with no free slot left
// (a third rook, a sixth pawn) or a code that is no piece is dropped. Codes
// beyond the span's end count as empty.
void PlacePieces(TChessRec& rec, std::span<const uint8_t> codes, int layout);

// Fills Pieces from a one-letter-per-square map, column by column from x = 0,
// each column from row 9 to row 0: '1'..'9' red king, advisors, elephants,
// horses, rooks; 'a','b' red cannons; 'c'..'g' red pawns; 'h'..'p', 'q','r',
// 's'..'w' the same for black; any other character is an empty square. At most
// min(n, text.size(), 90) characters are read.
void PlaceFromLetterMap(TChessRec& rec, std::string_view text, size_t n);

// Reads a move written as four digits x y x y starting at the 1-based position
// pos (bytes text[pos-1 .. pos+2]). A bad or missing from pair gives from square
// 0xFF and logs "第 %d 步棋的開始位置錯誤。" with moveNumber; a bad to pair gives
// 0xFF and "第 %d 步棋的到達位置錯誤。". Returns the Move word (notation bytes
// 0xFF).
uint32_t ParseDigitMove(TJobState& job, TChessRec& rec, std::string_view text, int moveNumber,
                        size_t pos);

// Appends prefix, then the digits x and y of each of the 32 slots (filler for a
// slot that is off the board), then suffix.
void WriteSquareDigits(const TChessRec& rec, std::string& out, std::string_view filler,
                       std::string_view prefix, std::string_view suffix);

// Result codes of IsLegalMove.
constexpr int kMoveLegal = 0;
constexpr int kMoveBadRule = 1;     // not a legal move of that piece
constexpr int kMoveSameSquare = 2;  // from and to squares are the same
constexpr int kMoveOwnCapture = 3;  // captures a piece of its own side
constexpr int kMoveBadTarget = -1;  // to square off the board
constexpr int kMoveNoPiece = -2;    // no piece on the from square, or it is off the board

// Movement rules on a work board. Coordinates are square columns x (0..8 from
// red's left) and rows y (0..9); anything outside is reported, never read.
// With full set the move must also not leave the kings facing each other or the
// mover's king attacked by an enemy rook, horse, cannon or pawn (tested only
// when both kings stand in their palaces).
int IsLegalMove(const TWorkBoard& board, int fromX, int fromY, int toX, int toY, bool full);

// A move message with its move number, in the program's code page.
std::string FormatMoveMessage(const char* format, int moveNumber);

// Stores move `number` of a single line read from a file. A square that is
// kNoSquare is logged ("第 N 步棋的開始位置錯誤。" or "第 N 步棋的到達位置錯誤。")
// and nothing is stored: the caller ends the line there.
bool StoreLineMove(TJobState& job, TChessRec& rec, int number, uint8_t from, uint8_t dest);

// Swaps left and right of the start position and of every move.
void MirrorRecord(TChessRec& rec);

// Sets RedFirst from the colour of the piece on the first move's from square.
void FixFirstSide(TChessRec& rec);
