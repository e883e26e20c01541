// Cutting CCBridge 3.0 libraries into single record files. The library layout
// is not decoded: every record begins with the text "CCBridge Record", and the
// library is cut at those markers, each piece written unchanged to its own
// numbered .CBR file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The text every record of a 3.0 library begins with.
constexpr std::string_view kCbrMarker = "CCBridge Record";
// Records of a 3.0 library lie in blocks of this size, counted back from the
// end of the file.
constexpr size_t kCbl3BlockSize = 4096;

// Where markers are looked for.
constexpr int kCbrFlagBlocks = 0;    // only at block starts (the normal layout)
constexpr int kCbrFlagAnywhere = 1;  // everywhere in the file

// Offsets of the record starts in a library, in increasing order. A marker
// found by the search ends the search's step, so markers never overlap.
void FindCbrStarts(std::string_view library, int cbrFlag, std::vector<size_t>& starts);

// Recognises the format from the first bytes of a file (registry row).
// A 3.0 library begins with "CCBridgeLibrary".
bool RecogniseCbl3(std::string_view head);

// prefix + number, zero-padded to the digits of count, + ".CBR".
std::string CbrFileName(const std::string& prefix, int number, int count);
