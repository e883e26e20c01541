// Fuzz target of the 弈天 readers: every input is read as MXQ and as MCJ.
// Seeds: tests/data/mxq and the MXQ corpus.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/jobstate.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/binary/mxq.h"
#include "tests/support/test_job.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TFuzzJob job;
  static TChessRec rec;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ResetRecord(rec, kFmtMxq, kFmtPgn);
  if (ReadMxqData(job, rec, bytes)) {
    // Every kept move is a whole 6-byte entry with two sound squares.
    Check(static_cast<size_t>(rec.MoveCount) * 6 <= size);
    for (int i = 1; i <= rec.MoveCount; ++i)
      Check(IsValidSquare(rec.Moves[i].From) && IsValidSquare(rec.Moves[i].Dest));
  }
  ResetRecord(rec, kFmtMcj, kFmtPgn);
  Check(ReadMcjData(job, rec, bytes));
  Check(rec.MoveCount == 0);
  return 0;
}
