// The one place where a job loads a source, hands it to the reader of its
// format row, and hands a completed record's rendered bytes to WriteOutput. A
// failure of a reader or writer is caught and logged here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "formats/ccbridge/cbl.h"
#include "formats/text/webpage.h"

class TJobState;
struct TChessRec;

// Reads the file (or, for a text format, the clipboard when the job reads it)
// at path into rec through the source format's row, then completes the record
// and ends its log. False when the file was refused.
bool ReadRecordFile(TJobState& job, TChessRec& rec, const std::string& path);

// Loads a web page into text (in the destination code page) and finds its
// record blocks; logs how many or that there are none. Returns their count.
int FindWebRecords(TJobState& job, const std::string& path, std::string& text,
                   TDynJavaArray& items);
// Reads one block found by FindWebRecords into rec, then completes it.
bool ReadWebRecord(TJobState& job, TChessRec& rec, const std::string& path, int kind, int startPos,
                   int endPos, const std::string& text);

// Opens a library file: loads it and fills lib.Bytes, Compression and
// DataSize. Problems go to the log (source) or an error box (destination).
bool OpenLibrary(TJobState& job, const std::string& fileName, int which, TLibraryData& lib);
// OpenLibrary as a source, then ParseLibraryHeader.
bool ReadLibraryHeader(TJobState& job, const std::string& fileName, TLibraryData& lib);
// Renders the library and writes it through a temporary file renamed over
// fileName, so an existing library is never left half-written. Throws
// std::runtime_error with the message to show when rendering or writing fails.
void WriteLibraryFile(TJobState& job, std::string_view data, int32_t compression,
                      const std::string& fileName, int32_t dataSize);

// Renders a completed record in the destination format and writes it to path;
// returns 1 when written, 0 otherwise.
int WriteRecord(TJobState& job, TChessRec& rec, const std::string& path);
