// Record completion: brings every record read into one normal form before any
// writer sees it, and adds the summary and error notes at write time.
#pragma once

#include <string>

class TJobState;
struct TChessRec;

void CompleteRecord(TJobState& job, TChessRec& rec, const std::string& path);
void AddRecordNotes(TJobState& job, TChessRec& rec);
