// CBR game records: the binary record form kept inside CCBridge 2.x libraries.
//
// A record has no magic of its own. It starts with its int32 size, then the
// 32 piece bytes, game type, thirteen counted texts around the sub-type and the
// result, the first side, two 19-character times, the move count, six bytes per
// move (uint16 ply and the 4-byte move word) and one CR LF-ended comment line
// per move. The tree is carried by the plies alone. Texts are GBK bytes, copied
// unchanged; the jobs convert them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/bytereader.h"

class TJobState;
struct TChessRec;

// Record text slots in the order of the thirteen counted texts: the first
// before the sub-type, the next seven before the result, the last five after it.
extern const int CbrTextOrder[13];

// Bytes of a record besides its texts and moves: size, pieces, game type,
// thirteen lengths, sub-type, result, first side, two times, move count.
constexpr size_t kCbrFixedSize = 143;
// Offset of the first counted text (the match name) in a record.
constexpr size_t kCbrFirstTextOffset = 40;
// Length of each of the two times "yyyy-mm-dd hh:mm:ss".
constexpr size_t kCbrTimeLength = 19;

// Reads an int32 length n and the next min(n, bytes left before endOffset)
// bytes into text (empty when that is 0 or less). False when the length
// itself cannot be read.
bool ReadCountedText(TByteReader& stream, std::string& text, size_t endOffset);
// Appends the int32 length and the bytes.
void WriteCountedText(std::string& stream, std::string_view text);
// Reads the length and skips that many bytes when it is positive. False when
// the length cannot be read or the text runs past the stream's end.
bool SkipCountedText(TByteReader& stream);

// Reads the record lying in data[startOffset, endOffset) into rec: resets it,
// logs "讀取棋譜：" with the label, decodes and completes it. The reader never
// looks outside that range. False when the record could not be read (its fixed
// part does not fit in its size); problems of the comment lines are logged and
// still give true.
bool ReadCbrRecord(TJobState& job, TChessRec& rec, std::string_view data, size_t startOffset,
                   size_t endOffset, const std::string& label);

// Appends rec as one record to the library data: adds the record notes, grows
// the buffer's capacity in whole MiB steps and logs the record written.
bool WriteCbrRecord(TJobState& job, TChessRec& rec, std::string& stream);

// The title text (second counted text) of the record in data[start, end);
// empty when it cannot be read. Used to list and name records without
// decoding them.
std::string ReadCbrTitle(std::string_view data, size_t startOffset, size_t endOffset);

// The current local time as "yyyy-mm-dd hh:mm:ss".
std::string LocalTimeText();
