// CHE game records: reader.
#include "formats/binary/che.h"

#include <cstdio>
#include <exception>
#include <string>

#include "core/board.h"
#include "core/bytereader.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"

namespace {

std::string MoveMessage(const char* format, int moveNumber) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, format, moveNumber);
  return SystemText(buffer);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Square of a column digit and a row digit counted from red's back rank;
// kNoSquare when either is out of range (or is not a digit at all, as the
// first character of an empty field is the space that ends it).
uint8_t SquareOfDigits(char column, char row) {
  if (column < '0' || column > '8' || !IsDigit(row)) return kNoSquare;
  return SquareOf(column - '0', 9 - (row - '0'));
}

}  // namespace

bool ReadCheData(TJobState& job, TChessRec& rec, std::string_view data) {
  if (data.empty()) {
    job.Log(SystemText("此文件的大小是零字節!"), kLogError);
    return false;
  }
  size_t spaces = 0;
  for (char c : data) {
    if (c == ' ') {
      ++spaces;
    } else if (!IsDigit(c)) {
      job.LogRecord(rec, SystemText("此文件不是QQ棋譜文件。"), kLogError);
      return false;
    }
  }
  const int n = static_cast<int>(spaces / kCheFieldsPerMove);
  SetMoveCapacity(rec, n + 1);

  // One pass over the text: `pos` is the start of the next field.
  size_t pos = 0;
  char field[kCheFieldsPerMove];
  int kept = 0;
  for (int j = 1; j <= n; ++j) {
    for (char& first : field) {
      first = data[pos];  // a field always ends with a space, so pos is inside
      pos = data.find(' ', pos) + 1;
    }
    const uint8_t from = SquareOfDigits(field[6], field[5]);
    if (from == kNoSquare) {
      job.LogRecord(rec, MoveMessage("第 %d 步棋的開始位置錯誤。", j), kLogError);
      break;
    }
    const uint8_t dest = SquareOfDigits(field[8], field[7]);
    if (dest == kNoSquare) {
      job.LogRecord(rec, MoveMessage("第 %d 步棋的到達位置錯誤。", j), kLogError);
      break;
    }
    rec.Moves[static_cast<size_t>(j)].From = from;
    rec.Moves[static_cast<size_t>(j)].Dest = dest;
    kept = j;
  }
  BuildLinearTree(rec, kept);
  return true;
}
