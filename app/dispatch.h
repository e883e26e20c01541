// The one place where a job loads a source, hands it to the reader of its
// format row, and hands a completed record's rendered bytes to WriteOutput. A
// failure of a reader or writer is caught and logged here.
#pragma once

#include <string>

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

// Renders a completed record in the destination format and writes it to path;
// returns 1 when written, 0 otherwise.
int WriteRecord(TJobState& job, TChessRec& rec, const std::string& path);
