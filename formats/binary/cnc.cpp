// CNC game records: reader and writer.
#include "formats/binary/cnc.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>

#include "core/board.h"
#include "core/bytereader.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"

const char CncSlotLetters[33] = "1234543216677777EFGHIHGFEJJKKKKK";

namespace {

constexpr std::string_view kShortTrailer = "END.";
constexpr std::string_view kLongTrailer = "END.140";
constexpr int kSquareBase = 30;  // stored square = row*9 + column + 30
constexpr char kEmptyLetter = 'N';

// Piece code of a board letter: '1'..'7' red, 'E'..'K' black, else empty.
uint8_t PieceCodeOf(uint8_t letter) {
  if (letter >= '1' && letter <= '7') return static_cast<uint8_t>(letter - '0');
  if (letter >= 'E' && letter <= 'K') return static_cast<uint8_t>(kBlackBit | (letter - 'E' + 1));
  return 0;
}

// Stored square byte to record square; kNoSquare when it is off the board.
uint8_t DecodeSquare(uint8_t stored) {
  const int d = stored - kSquareBase;
  if (d < 0 || d > 89) return kNoSquare;
  return SquareOf(d % 9, d / 9);
}

// Record square to stored byte. A square off the board (a move the record
// could not place) is written as 0xFF, which no reader accepts: computed like
// the others, a column beyond 8 would land on a square of the next row and
// turn the bad move into a different one.
uint8_t EncodeSquare(uint8_t square) {
  if (!IsValidSquare(square)) return 0xFF;
  return static_cast<uint8_t>(SquareY(square) * 9 + SquareX(square) + kSquareBase);
}

}  // namespace

bool ReadCncData(TJobState& job, TChessRec& rec, std::string_view data) {
  TByteReader bytes(data);
  const size_t size = bytes.Size();
  if (size < kCncMinSize) {
    job.LogRecord(rec, SystemText("此文件小于 " + std::to_string(kCncMinSize) + " 字節!"),
                  kLogError);
    return false;
  }
  size_t trailer = 0;
  if (data.substr(size - kShortTrailer.size()) == kShortTrailer)
    trailer = kShortTrailer.size();
  else if (size > 96 && data.substr(size - kLongTrailer.size()) == kLongTrailer)
    trailer = kLongTrailer.size();
  if (trailer == 0) {
    job.LogRecord(rec, SystemText("此文件不是楚漢棋緣棋譜文件。"), kLogError);
    return false;
  }
  const int n = static_cast<int>((size - kCncBoardSize - trailer) / 2);

  uint8_t codes[kCncBoardSize];
  for (size_t k = 0; k < kCncBoardSize; ++k) codes[k] = PieceCodeOf(bytes.U8At(k));
  PlacePieces(rec, codes, 0);

  int kept = 0;
  if (n > 0) {
    SetMoveCapacity(rec, n + 1);
    bytes.Seek(kCncBoardSize);
    for (int i = 1; i <= n; ++i) {
      uint8_t storedFrom = 0, storedDest = 0;
      if (!bytes.ReadU8(storedFrom) || !bytes.ReadU8(storedDest)) break;
      if (!StoreLineMove(job, rec, i, DecodeSquare(storedFrom), DecodeSquare(storedDest))) break;
      kept = i;
    }
  }
  BuildLinearTree(rec, kept);
  return true;
}

bool RecogniseCnc(std::string_view head) {
  // The trailer is at the end of the file, which the head holds for every
  // file of a usual size.
  return head.size() >= kCncMinSize &&
         (head.ends_with(kShortTrailer) || (head.size() > 96 && head.ends_with(kLongTrailer)));
}

size_t RenderCnc(const TChessRec& rec, std::string& out) {
  // Only the main line is written: the nodes 1..n of the first line.
  int n = rec.Lines.empty() || rec.MoveCount < 1 ? 0 : rec.Lines[0].Last;
  n = std::clamp(n, 0, std::min(rec.MoveCount, static_cast<int>(rec.Moves.size()) - 1));
  const size_t size = 2 * static_cast<size_t>(n) + kCncMinSize;
  out.assign(kCncBoardSize, kEmptyLetter);
  out.reserve(size);
  for (int slot = 0; slot < 32; ++slot) {
    const uint8_t sq = rec.Pieces[slot];
    if (IsValidSquare(sq))
      out[static_cast<size_t>(SquareY(sq) * 9 + SquareX(sq))] = CncSlotLetters[slot];
  }
  for (int i = 1; i <= n; ++i) {
    const TMoveNode& move = rec.Moves[static_cast<size_t>(i)];
    out += static_cast<char>(EncodeSquare(move.From));
    out += static_cast<char>(EncodeSquare(move.Dest));
  }
  out += kShortTrailer;
  return size;
}
