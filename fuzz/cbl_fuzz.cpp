// Fuzz target of the CBL 2.x library reader: the container checks, inflating,
// the library header, the record walk and the decoding of every record and
// its title. Seeds: tests/data/cbl and the CBL corpus.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/jobstate.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/ccbridge/cbl.h"
#include "formats/ccbridge/cbr.h"
#include "tests/support/test_job.h"

namespace {

class TLibraryFuzzJob : public TFuzzJob {
 public:
  TLibraryFuzzJob() {
    SrcFormat = kFmtCbl;
    DstFormat = kFmtPgn;
    SrcCodePage = kCpGbk;
    DstCodePage = kCpUtf8;
  }
};

void CheckAt(bool condition, int line) {
  if (condition) return;
  std::fprintf(stderr, "check failed at line %d\n", line);
  __builtin_trap();
}
#define Check(condition) CheckAt((condition), __LINE__)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TLibraryFuzzJob job;
  static TChessRec rec;
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  TLibraryData lib;
  std::string message;
  bool shortData = false;
  if (!UnpackLibrary(file, kLibrarySource, lib, message, shortData)) {
    Check(!message.empty());
    return 0;
  }
  Check(lib.End() <= lib.Bytes.size());
  if (!ParseLibraryHeader(job, lib)) return 0;
  size_t last = lib.Position;
  WalkLibraryRecords(job, lib, [&](size_t start, size_t end, const std::string& label) {
    Check(start == last && start < end && end <= lib.End());
    last = end;
    ReadCbrTitle(lib.Bytes, start, end);
    ReadCbrRecord(job, rec, lib.Bytes, start, end, label);
  });
  return 0;
}
