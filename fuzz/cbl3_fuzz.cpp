// Feeds arbitrary bytes to the record-start search of the CBL 3.0 cutter, in
// both modes, and checks what it finds: increasing starts, each on a marker,
// markers not overlapping, and block-mode starts on block boundaries counted
// back from the end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "formats/ccbridge/cbl3.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view lib(reinterpret_cast<const char*>(data), size);
  std::vector<size_t> starts;
  for (int flag : {kCbrFlagBlocks, kCbrFlagAnywhere}) {
    FindCbrStarts(lib, flag, starts);
    for (size_t i = 0; i < starts.size(); ++i) {
      Require(starts[i] + kCbrMarker.size() <= size);
      Require(lib.substr(starts[i], kCbrMarker.size()) == kCbrMarker);
      if (i > 0) Require(starts[i] >= starts[i - 1] + kCbrMarker.size());
      if (flag == kCbrFlagBlocks) {
        Require(starts[i] % kCbl3BlockSize == size % kCbl3BlockSize);
        Require(starts[i] + kCbl3BlockSize <= size);
      }
    }
  }
  return 0;
}
