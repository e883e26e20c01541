// Feeds arbitrary bytes to the board diagram reader as GBK text. Whatever it
// reads is drawn again and read back, which must give the same position.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/jobstate.h"
#include "core/position.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/text/diagram.h"
#include "tests/support/test_job.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TQuietJob job;
  job.DstCodePage = kCpGbk;
  TChessRec rec;
  ResetRecord(rec, kFmtTextLayout, kFmtFen);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!ReadDiagramText(job, rec, text)) return 0;

  rec.GameType = 3;
  std::string drawn;
  MakeBoardDiagram(job, rec, drawn);
  Require(drawn.size() == kDiagramBytes);
  TChessRec back;
  ResetRecord(back, kFmtTextLayout, kFmtFen);
  Require(ReadDiagramText(job, back, drawn));
  Require(std::memcmp(back.Pieces, rec.Pieces, sizeof rec.Pieces) == 0);
  return 0;
}
