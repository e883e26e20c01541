// Move notation: the neutral two-byte code of a move (NoteHead, NoteTail), its
// rendering as Chinese, WXF and ICCS text, and reading Chinese and WXF tokens
// back into moves on a work board.
//
// NoteHead high nibble: 0..6 piece R N B A K C P; 7 front 前, 8 middle 中,
// 9 rear 後, 10..14 first..fifth 一..五 of several pawns. Low nibble: the from
// file 0..8 after a piece, 9 + piece index after a position, or a file after a
// position (the 前三進一 form). NoteTail: high nibble 0 forward, 1 backward,
// 2 sideways; low nibble 0..8 the rows moved or the to file, less one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/board.h"

struct TChessRec;

struct TNoteCode {
  uint8_t Head = 0xFF;
  uint8_t Tail = 0xFF;
};

// True when head and tail form a code that can be rendered.
constexpr bool IsValidNoteCode(uint8_t head, uint8_t tail) {
  return head <= 0xEF && tail < 0x30 && (tail & 0x0F) <= 8;
}

// Script variants of program-made text.
constexpr int kVariantGbkSimplified = 0;
constexpr int kVariantGbkTraditional = 1;
constexpr int kVariantBig5 = 2;
constexpr int kVariantUtf8Simplified = 3;
constexpr int kVariantUtf8Traditional = 4;

// Notation code of a legal move, computed on the board before the move. piece
// is the mover's code; wxfStandard chooses the federation standard over the
// Chinese conventional one for pieces sharing a file; for dstFormat kFmtCbl the
// positions 一..五 give way to the piece and its file, while 前, 中, 後 stay,
// also with a file (前三進一 when two files hold two pawns each).
TNoteCode ComputeNoteCode(const TWorkBoard& board, uint8_t from, uint8_t dest, uint8_t piece,
                          bool wxfStandard, int dstFormat);

// Four characters in the variant's code page (2 bytes each in GBK and Big5,
// 3 in UTF-8), black's tables for side 1; "XXXXXXXX" for an invalid code.
std::string RenderChinese(uint8_t head, uint8_t tail, int side, int variant);
// Four ASCII characters such as "C2.5", or "XXXX" for an invalid code.
std::string RenderWxf(uint8_t head, uint8_t tail);
// Coordinates such as "H2-E2", or "XX-XX" when either square is off the board.
std::string RenderIccs(uint8_t from, uint8_t dest);

// Position codes of a read token.
constexpr int kPosFront = 10;   // 前
constexpr int kPosRear = 11;    // 後
constexpr int kPosMiddle = 12;  // 中
constexpr int kPosFirst = 13;   // 一 .. 五 are 13..17

// Direction codes of a read token: forward, backward, sideways.
constexpr int kDirForward = -1;
constexpr int kDirBackward = 1;
constexpr int kDirSideways = 2;

// A move token split into its fields. Zero means "not present".
struct TNoteToken {
  int Piece = 0;      // 1..7
  int Position = 0;   // kPosFront..17
  int File = 0;       // 1..9
  int Direction = 0;  // kDirForward, kDirBackward, kDirSideways
  int Number = 0;     // 1..9
  int Side = 0;       // 0 red, 1 black (from the last character's digit style)
  // Piece, direction and number present, and a file or a position.
  bool Usable() const { return Piece != 0 && Direction != 0 && Number != 0 && (File || Position); }
};

// Splits four UTF-8 characters (each one character, 1 to 3 bytes) such as
// "炮","二","平","五". The last character tells the side: 一..九 red,
// full-width １..９ or an ASCII digit black.
TNoteToken ParseChineseToken(std::string_view c1, std::string_view c2, std::string_view c3,
                             std::string_view c4);

// Splits a four-character WXF token such as "C2.5", "R++1" or "Pa+1". The side
// is not part of WXF (Side stays 0): the caller applies it for the side to
// move. A token that is not four characters, or has an unknown character,
// gives zero fields.
TNoteToken ParseWxfToken(std::string_view token);

// Finds the piece that a notation move names on the board (full move rules),
// plays it on the board, increases counter and stores From and Dest in
// rec.Moves[counter] (growing Moves when needed). Returns false, changing
// nothing, when no piece fits.
bool ApplyNotationMove(TChessRec& rec, TWorkBoard& board, int side, int number, int direction,
                       int file, int piece, int position, int& counter);
inline bool ApplyNotationMove(TChessRec& rec, TWorkBoard& board, int side, const TNoteToken& t,
                              int& counter) {
  return ApplyNotationMove(rec, board, side, t.Number, t.Direction, t.File, t.Piece, t.Position,
                           counter);
}
