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
    if (!StoreLineMove(job, rec, j, SquareOfDigits(field[6], field[5]),
                       SquareOfDigits(field[8], field[7])))
      break;
    kept = j;
  }
  BuildLinearTree(rec, kept);
  return true;
}

// The title from the file name, without folder and extension. CHE names: "...] - ...] - "
// followed by a 15-character date.
void TitleFromCheName(TJobState& job, TChessRec& rec, const std::string& name) {
  const int cp = static_cast<int>(job.DstCodePage);
  size_t first = PosDbcs(cp, "] - ", name, kNoLimit, 1);
  size_t second = first ? PosDbcs(cp, "] - ", name, kNoLimit, first + 4) : 0;
  if (second && name.size() - (second - 1 + 4) == 15) {
    TextSlot(rec, kSlotTitle) = name.substr(0, second);
    TextSlot(rec, kSlotDate) = name.substr(second - 1 + 4);
  } else {
    TextSlot(rec, kSlotTitle) = name;
  }
}
