// Java applet pages: a start position and one line of moves, taken from the
// applet's "beginposition" or "position" and "movelist" parameters.
#include "formats/text/applet.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <exception>
#include <string_view>

#include "core/board.h"
#include "core/complete.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"

namespace {

// Characters per move in a move list: from-square, separator, to-square,
// separator. The last move may lack its final separator.
constexpr size_t kMoveWidth = 6;
// A "position" value: 32 squares of 3 characters, the last one may lack its
// separator.
constexpr size_t kPositionMin = 95;

// Square notations of the two applet families.
enum class TSquareStyle {
  DigitDigit,   // column "1".."9", row "0".."9" from black's back rank
  LetterDigit,  // column "A".."I", row "0".."9" from red's back rank
};

uint8_t ReadSquare(std::string_view pair, TSquareStyle style) {
  const char c = pair[0], r = pair[1];
  if (r < '0' || r > '9') return kNoSquare;
  if (style == TSquareStyle::DigitDigit) {
    if (c < '1' || c > '9') return kNoSquare;
    return SquareOf(c - '1', r - '0');
  }
  if (c < 'A' || c > 'I') return kNoSquare;
  return SquareOf(c - 'A', 9 - (r - '0'));
}

// Reads the move list and builds the one line of play. A malformed square ends
// the list at that move.
void ReadMoveList(TJobState& job, TChessRec& rec, std::string_view value, TSquareStyle style) {
  const size_t n = (value.size() + 1) / kMoveWidth;
  if (n < 1) return;
  SetMoveCapacity(rec, static_cast<int>(n + 1));
  int kept = 0;
  for (size_t k = 1; k <= n; ++k) {
    const std::string_view move = value.substr((k - 1) * kMoveWidth, kMoveWidth - 1);
    const uint8_t from = ReadSquare(move.substr(0, 2), style);
    if (from == kNoSquare) {
      job.LogRecord(rec, FormatMoveMessage("第 %d 步棋的開始位置錯誤。", static_cast<int>(k)),
                    kLogError);
      break;
    }
    const uint8_t dest = ReadSquare(move.substr(3, 2), style);
    if (dest == kNoSquare) {
      job.LogRecord(rec, FormatMoveMessage("第 %d 步棋的到達位置錯誤。", static_cast<int>(k)),
                    kLogError);
      break;
    }
    rec.Moves[k].From = from;
    rec.Moves[k].Dest = dest;
    kept = static_cast<int>(k);
  }
  BuildLinearTree(rec, kept);
}

// One character per square, column by column from red's left, each column
// from black's back rank down: capitals black, small letters red.
void ReadBeginPosition(TChessRec& rec, std::string_view value) {
  std::array<uint8_t, 90> codes{};
  const size_t n = std::min<size_t>(value.size(), codes.size());
  for (size_t i = 0; i < n; ++i) {
    // Letters in piece-type order: rook, horse, elephant, advisor, king,
    // cannon, pawn.
    constexpr std::string_view kBlack = "JMXSKPZ", kRed = "jmxskpb";
    uint8_t code = 0;
    if (size_t t = kBlack.find(value[i]); t != std::string_view::npos)
      code = static_cast<uint8_t>(kBlackBit | (t + 1));
    else if (size_t r = kRed.find(value[i]); r != std::string_view::npos)
      code = static_cast<uint8_t>(r + 1);
    codes[i] = code;
  }
  PlacePieces(rec, codes, 1);
}

// The squares of the 32 piece slots in slot order; a square out of range puts
// its piece off the board. A shorter value leaves the start position.
void ReadPosition(TChessRec& rec, std::string_view value) {
  if (value.size() < kPositionMin) return;
  for (size_t slot = 0; slot < 32; ++slot)
    rec.Pieces[slot] = ReadSquare(value.substr(slot * 3, 2), TSquareStyle::LetterDigit);
}

// Walks the applet's parameters and hands each to the reader of its name.
template <typename TOnParam>
void WalkParams(TJobState& job, const std::string& text, int startPos, int endPos,
                TOnParam onParam) {
  const int cp = static_cast<int>(job.DstCodePage);
  const size_t limit = std::min(static_cast<size_t>(std::max(endPos, 0)), text.size());
  size_t position = static_cast<size_t>(std::max(startPos, 1));
  std::string name;
  size_t valueStart = 0, valueLength = 0;
  for (;;) {
    const int r = ReadParamTag(cp, text, name, valueStart, valueLength, limit, position);
    if (r == kParamEnd) return;
    if (r != kParamRead || valueStart < 1 || valueStart > text.size()) continue;
    onParam(name, std::string_view(text).substr(valueStart - 1, valueLength));
  }
}

}  // namespace

bool ReadBeginPositionApplet(TJobState& job, TChessRec& rec, int /*kind*/, int startPos, int endPos,
                             const std::string& text) {
  rec.SourceBreak = 0;
  WalkParams(job, text, startPos, endPos, [&](const std::string& name, std::string_view value) {
    if (name == "beginposition")
      ReadBeginPosition(rec, value);
    else if (name == "movelist")
      ReadMoveList(job, rec, value, TSquareStyle::DigitDigit);
  });
  job.LogRecord(rec, SystemText("源棋譜格式：象棋橋Java棋譜(javaxqb.class引擎、javaxq.class引擎)"),
                kLogPlain);
  return true;
}

bool ReadPositionApplet(TJobState& job, TChessRec& rec, int kind, int startPos, int endPos,
                        const std::string& text) {
  rec.SourceBreak = 0;
  WalkParams(job, text, startPos, endPos, [&](const std::string& name, std::string_view value) {
    if (name == "position")
      ReadPosition(rec, value);
    else if (name == "movelist")
      ReadMoveList(job, rec, value, TSquareStyle::LetterDigit);
  });
  job.LogRecord(rec,
                SystemText(kind == 7 ? "源棋譜格式：象棋巫師Java棋譜(JavaXQ引擎)"
                                     : "源棋譜格式：象棋演播室Java棋譜(JavaXQ.class引擎)"),
                kLogPlain);
  return true;
}
