// CCM game records (中國游戲中心棋譜): reader.
//
// A CCM file is one orientation byte (non-zero: coordinates seen from black's
// side) followed by seven bytes per move; bytes 2..5 of a move hold the from
// column, to column, from row and to row (rows from black's back rank). There
// is no start position (the standard one is used), no header and no comment.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class TJobState;
class TJobState;
struct TChessRec;

constexpr size_t kCcmMoveSize = 7;

// The reader after loading: reads CCM bytes into a freshly reset record.
bool ReadCcmData(TJobState& job, TChessRec& rec, std::string_view data);

// The row's title rule for a source file's name (without folder and extension).
void TitleFromCcmName(TJobState& job, TChessRec& rec, const std::string& name);
