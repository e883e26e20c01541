// Feeds arbitrary bytes to the plain-text reader as decoded source text and
// writes the result. A second mode builds an arbitrary move tree from the
// bytes and writes it, so that section numbering and the row layout meet
// every tree shape.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/board.h"
#include "core/jobstate.h"
#include "core/movecheck.h"
#include "core/position.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/text/text.h"
#include "tests/support/test_job.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  TQuietJob job;
  job.SrcFormat = kFmtText;
  job.DstFormat = kFmtText;
  job.DstCodePage = kCpUtf8;
  job.DstCodePageIndex = 2;
  job.TextVariant = 3;
  const uint8_t options = data[0];
  job.TextPliesPerLine = 2 + 2 * ((options >> 2) % 5);
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  TChessRec rec;
  ResetRecord(rec, kFmtText, kFmtText);

  if (options & 0x80) {
    const int n = static_cast<int>(std::min<size_t>(text.size(), 4096));
    SetMoveCapacity(rec, n + 1);
    for (int i = 1; i <= n; ++i) {
      const uint8_t b = static_cast<uint8_t>(text[i - 1]);
      rec.Moves[i].From = static_cast<uint8_t>(b & 0x3F);
      rec.Moves[i].Dest = static_cast<uint8_t>((b & 0x3F) + 1);
      rec.Moves[i].Flags = b & (kFlagContinues | kFlagHasAlt);
      if (b & 1) rec.Texts[TextSlotOf(rec, i)] = "c";
    }
    BuildTreeFromFlags(rec, n);
    TBranchNumbers branches;
    NumberBranches(rec, branches);
    Require(rec.MoveCount == 0 || static_cast<int>(branches.Sections.size()) == rec.LastLine + 1);
  } else {
    if (!ReadTextContent(job, rec, text)) return 0;
    Require(rec.MoveCount >= 0 && rec.MoveCount <= static_cast<int>(text.size() / 8));
  }
  FixFirstSide(rec);
  CheckMoves(job, rec);
  MakeFen(rec);
  std::string out;
  Require(RenderText(job, rec, out) == out.size());
  return 0;
}
