// Fuzz target of the CBR record reader. The input is one record as it lies in
// a library's data; every record that reads is written again and read back,
// and the tree and comments must survive. Seeds: tests/data/cbr.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/jobstate.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/ccbridge/cbr.h"
#include "tests/support/test_job.h"

namespace {

class TLibraryFuzzJob : public TFuzzJob {
 public:
  TLibraryFuzzJob() {
    SrcFormat = kFmtCbl;
    DstFormat = kFmtCbl;
    SrcCodePage = kCpGbk;
    DstCodePage = kCpGbk;
  }
};

void CheckAt(bool condition, int line) {
  if (condition) return;
  std::fprintf(stderr, "check failed at line %d\n", line);
  __builtin_trap();
}
#define Check(condition) CheckAt((condition), __LINE__)

void CheckTreeShape(const TChessRec& rec) {
  Check(rec.MoveCount >= 0 && static_cast<size_t>(rec.MoveCount) < rec.Moves.size());
  for (int i = 1; i <= rec.MoveCount; ++i) {
    Check(rec.Moves[i].Parent >= 0 && rec.Moves[i].Parent < i);
    Check(rec.Moves[i].Ply == rec.Moves[rec.Moves[i].Parent].Ply + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TLibraryFuzzJob job;
  static TChessRec rec, again;
  static std::string written;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ReadCbrTitle(bytes, 0, size);
  if (!ReadCbrRecord(job, rec, bytes, 0, size, "[1]")) return 0;
  CheckTreeShape(rec);
  written.clear();
  Check(WriteCbrRecord(job, rec, written));
  Check(ReadCbrRecord(job, again, written, 0, written.size(), "[1]"));
  Check(again.MoveCount == rec.MoveCount);
  for (int i = 1; i <= rec.MoveCount; ++i) {
    Check(again.Moves[i].From == rec.Moves[i].From && again.Moves[i].Dest == rec.Moves[i].Dest);
    Check(again.Moves[i].Parent == rec.Moves[i].Parent);
  }
  return 0;
}
