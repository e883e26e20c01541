// Feeds arbitrary bytes to the FEN file reader. A position it accepts is
// written as FEN and read again, which must give the same FEN.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/jobstate.h"
#include "core/position.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/text/fenfile.h"
#include "tests/support/test_job.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TQuietJob job;
  TChessRec rec;
  ResetRecord(rec, kFmtFen, kFmtFen);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!ReadFenText(job, rec, text)) return 0;
  MakeFen(rec);
  const std::string fen = rec.Texts[kSlotFen];
  Require(fen.size() <= 99 + 10);

  TChessRec back;
  ResetRecord(back, kFmtFen, kFmtFen);
  Require(ReadFenText(job, back, fen));
  MakeFen(back);
  Require(back.Texts[kSlotFen] == fen);
  return 0;
}
