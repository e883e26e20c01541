// CCM game records: reader.
#include "formats/binary/ccm.h"

#include <cstdio>
#include <exception>
#include <string>

#include "core/board.h"
#include "core/bytereader.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"
#include "core/variants.h"

namespace {

// Square of a column and a row byte; kNoSquare when either is off the board.
// Seen from black's side the board is turned half a circle.
uint8_t SquareOfBytes(uint8_t column, uint8_t row, bool fromBlack) {
  if (column > 8 || row > 9) return kNoSquare;
  const uint8_t square = SquareOf(column, row);
  return fromBlack ? static_cast<uint8_t>(0x89 - square) : square;
}

}  // namespace

bool ReadCcmData(TJobState& job, TChessRec& rec, std::string_view data) {
  if (data.empty()) {
    job.Log(SystemText("此文件的大小是零字節!"), kLogError);
    return false;
  }
  TByteReader bytes(data);
  uint8_t orientation = 0;
  bytes.ReadU8(orientation);
  const bool fromBlack = orientation != 0;
  const int n = static_cast<int>((data.size() - 1) / kCcmMoveSize);
  SetMoveCapacity(rec, n + 1);

  int kept = 0;
  for (int j = 1; j <= n; ++j) {
    std::string_view move;
    if (!bytes.ReadBytes(kCcmMoveSize, move)) break;
    const auto at = [&](size_t k) { return static_cast<uint8_t>(move[k]); };
    if (!StoreLineMove(job, rec, j, SquareOfBytes(at(2), at(4), fromBlack),
                       SquareOfBytes(at(3), at(5), fromBlack)))
      break;
    kept = j;
  }
  BuildLinearTree(rec, kept);
  return true;
}

// CCM names: "[" date "]" red "[紅] - " black "[黑]", with the side labels of
// the job's variant.
void TitleFromCcmName(TJobState& job, TChessRec& rec, const std::string& name) {
  const int cp = static_cast<int>(job.DstCodePage);
  const std::string_view redLabel = VariantText(kVtSideLabels, 0, job.TextVariant);
  const std::string_view blackLabel = VariantText(kVtSideLabels, 1, job.TextVariant);
  size_t open = PosDbcs(cp, "[", name, kNoLimit, 1);
  size_t close = open ? PosDbcs(cp, "]", name, kNoLimit, open + 1) : 0;
  size_t red = close ? PosDbcs(cp, redLabel, name, kNoLimit, close + 1) : 0;
  size_t black = red ? PosDbcs(cp, blackLabel, name, kNoLimit, red + redLabel.size()) : 0;
  // 1-based positions: the red name runs from close+1 to red-1, the black
  // name from red+len to black-1.
  if (black && red > close + 1 && black > red + redLabel.size()) {
    TextSlot(rec, kSlotDate) = name.substr(open, close - open - 1);
    TextSlot(rec, kSlotRedName) = name.substr(close, red - close - 1);
    TextSlot(rec, kSlotBlackName) =
        name.substr(red - 1 + redLabel.size(), black - red - redLabel.size());
    TextSlot(rec, kSlotTitle) = name.substr(close, black - 1 + blackLabel.size() - close);
  } else {
    TextSlot(rec, kSlotTitle) = name;
  }
}
