// CHE game records (QQ棋譜): reader.
//
// A CHE file is text of decimal digits and spaces: fields each ended by one
// space, ten fields per move. Fields 5..8 of a move hold, by their first digit,
// the from row (counted from red's back rank), from column, to row and to
// column. There is no start position (the standard one is used), no header
// and no comment.
#pragma once

#include <string>
#include <string_view>

class TJobState;
class TJobState;
struct TChessRec;

constexpr int kCheFieldsPerMove = 10;

// The reader after loading: reads CHE bytes into a freshly reset record.
bool ReadCheData(TJobState& job, TChessRec& rec, std::string_view data);

// The row's title rule for a source file's name (without folder and extension).
void TitleFromCheName(TJobState& job, TChessRec& rec, const std::string& name);
