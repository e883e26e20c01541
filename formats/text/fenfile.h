// FEN files: one FEN string giving a start position and the side to move.
#pragma once

#include <string>
#include <string_view>

class TJobState;
class TJobState;
struct TChessRec;

// The format row's reader and writer.
bool ReadFenFile(TJobState& job, TChessRec& rec, const std::string& path);
int WriteFenFile(TJobState& job, TChessRec& rec, const std::string& path);

// The reader after loading: reads the FEN in text (any prefix before the board
// is ignored) into a freshly reset record; logs when it is no FEN.
bool ReadFenText(TJobState& job, TChessRec& rec, std::string_view text);
