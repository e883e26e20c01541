// Fuzz target of the OurGame reader, with both start-position options.
// Seeds: tests/data/ourgame.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/jobstate.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/binary/ourgame.h"
#include "tests/support/test_job.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckTreeShape(const TChessRec& rec) {
  Check(rec.MoveCount >= 0 && static_cast<size_t>(rec.MoveCount) < rec.Moves.size());
  for (int i = 1; i <= rec.MoveCount; ++i) {
    Check(rec.Moves[i].Parent >= 0 && rec.Moves[i].Parent < i);
    Check(rec.Moves[i].Ply == rec.Moves[rec.Moves[i].Parent].Ply + 1);
    Check(IsValidSquare(rec.Moves[i].From) && IsValidSquare(rec.Moves[i].Dest));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TFuzzJob job;
  static TChessRec rec;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (int layout : {0, 1}) {
    job.XQILayout = layout;
    ResetRecord(rec, kFmtOurGame, kFmtPgn);
    if (ReadOurGameData(job, rec, bytes)) CheckTreeShape(rec);
  }
  return 0;
}
