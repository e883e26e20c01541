// FEN files: one FEN string giving a start position and the side to move.
#pragma once

#include <string>
#include <string_view>

class TJobState;
struct TChessRec;

// The format row's writer: the record's FEN text.
size_t RenderFenRecord(TJobState& job, TChessRec& rec, std::string& out);

// The reader after loading: reads the FEN in text (any prefix before the board
// is ignored) into a freshly reset record; logs when it is no FEN.
bool ReadFenText(TJobState& job, TChessRec& rec, std::string_view text);
