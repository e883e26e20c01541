// CCBridge XML records (象棋橋XML棋譜): reader and writer.
//
// A `ChineseChessRecord` document holds a `Head` of named header elements and
// a `MoveList` with one `Move` element per node of the move tree in pre-order.
// Each move carries its squares as "xy-xy", whether the line ends after it
// ("end"), whether an alternative follows its line ("branch") and an optional
// comment in a CDATA section. The reader goes through libxml2's DOM; the
// writer renders the text directly in the destination code page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/record.h"

class TJobState;
class TJobState;

// The header elements in written order: element name and the slot of Texts.
constexpr int kCbfHeadFieldCount = 33;
extern const TCodeRec CbfHeadFields[kCbfHeadFieldCount];

// Recognises the format from the first bytes of a file (registry row).
// A CBF file is XML whose root element is ChineseChessRecord.
bool RecogniseCbf(std::string_view head);

// The reader after loading: parses the document bytes into a freshly reset
// record, converting its texts into the job's destination code page. External
// entities are never loaded and entity references are never expanded.
bool ReadCbfData(TJobState& job, TChessRec& rec, std::string_view bytes);

// The writer before output: renders rec into out (replacing its content) in
// the job's destination code page and returns the length computed in advance.
// The record itself is left as it is.
size_t RenderCbf(const TJobState& job, const TChessRec& rec, std::string& out);
