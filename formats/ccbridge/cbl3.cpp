// CCBridge 3.0 libraries: where their records start and how the pieces are named.
#include "formats/ccbridge/cbl3.h"

#include <cstdio>

#include "core/encoding.h"

bool RecogniseCbl3(std::string_view head) { return head.starts_with("CCBridgeLibrary"); }

void FindCbrStarts(std::string_view library, int cbrFlag, std::vector<size_t>& starts) {
  starts.clear();
  const size_t length = library.size();
  starts.reserve(length / kCbl3BlockSize + 1);
  if (cbrFlag == kCbrFlagAnywhere) {
    for (size_t p = library.find(kCbrMarker); p != std::string_view::npos;
         p = library.find(kCbrMarker, p + kCbrMarker.size()))
      starts.push_back(p);
    return;
  }
  // Block starts counted back from the end: a header of any length may stand
  // before the first block.
  for (size_t p = length % kCbl3BlockSize; p + kCbl3BlockSize <= length; p += kCbl3BlockSize)
    if (library.compare(p, kCbrMarker.size(), kCbrMarker) == 0) starts.push_back(p);
}

std::string CbrFileName(const std::string& prefix, int number, int count) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%.*d", DigitCount(count), number);
  return prefix + digits + ".CBR";
}
