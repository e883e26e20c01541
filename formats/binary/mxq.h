// 弈天 game records: full games (*.MXQ) and endgame positions (*.MCJ),
// readers only.
//
// An MXQ file is a sequence of short texts (a length byte and that many
// bytes): eleven header texts, tagged texts up to "Moves" (an "initboard" tag
// carries a 90-character board), then one entry per move, "Undo" entries and
// "Ends". An MCJ file is one byte followed by a 90-character board.
#pragma once

#include <string>
#include <string_view>

class TJobState;
class TJobState;
struct TChessRec;

// The in-memory halves of the two, used by them and by tests and fuzzing.
bool ReadMxqData(TJobState& job, TChessRec& rec, std::string_view data);
bool ReadMcjData(TJobState& job, TChessRec& rec, std::string_view data);
