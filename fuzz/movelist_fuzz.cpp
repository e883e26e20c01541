// Fuzz target of the move-list readers (CNC, CHE, CCM): every input goes
// through all three. A CNC input that reads is also written and read back,
// and the second reading must give the same pieces and moves. Seeds:
// tests/data/cnc, tests/data/che and tests/data/ccm.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/jobstate.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/binary/ccm.h"
#include "formats/binary/che.h"
#include "formats/binary/cnc.h"
#include "tests/support/test_job.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// A linear tree of moves on the board.
void CheckLine(const TChessRec& rec) {
  Check(rec.MoveCount >= 0 && static_cast<size_t>(rec.MoveCount) < rec.Moves.size());
  Check(rec.Lines[0].Last == rec.MoveCount);
  for (int i = 1; i <= rec.MoveCount; ++i) {
    Check(rec.Moves[i].Parent == i - 1 && rec.Moves[i].Ply == i);
    Check(IsValidSquare(rec.Moves[i].From) && IsValidSquare(rec.Moves[i].Dest));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TFuzzJob job;
  static TChessRec rec, again;
  static std::string rendered;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  ResetRecord(rec, kFmtChe, kFmtCnc);
  if (ReadCheData(job, rec, bytes)) CheckLine(rec);
  ResetRecord(rec, kFmtCcm, kFmtCnc);
  if (ReadCcmData(job, rec, bytes)) CheckLine(rec);

  ResetRecord(rec, kFmtCnc, kFmtCnc);
  if (!ReadCncData(job, rec, bytes)) return 0;
  CheckLine(rec);
  Check(RenderCnc(rec, rendered) == rendered.size());
  ResetRecord(again, kFmtCnc, kFmtCnc);
  Check(ReadCncData(job, again, rendered));
  Check(std::memcmp(again.Pieces, rec.Pieces, sizeof rec.Pieces) == 0);
  Check(again.MoveCount == rec.MoveCount);
  for (int i = 1; i <= rec.MoveCount; ++i)
    Check(again.Moves[i].From == rec.Moves[i].From && again.Moves[i].Dest == rec.Moves[i].Dest);
  return 0;
}
