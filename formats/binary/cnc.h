// CNC game records (楚漢棋緣棋譜): reader and writer.
//
// A CNC file is a 90-byte board (one letter per square, row by row from
// black's back rank), then one line of moves as pairs of square bytes
// (row*9 + column + 30), then the trailer "END." or "END.140". It has no
// header texts, no comments and no variations.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class TJobState;
class TJobState;
struct TChessRec;

constexpr size_t kCncBoardSize = 90;
// Shortest file accepted: the board and the short trailer.
constexpr size_t kCncMinSize = 94;

// Board letter of each record piece slot, as the writer puts it.
extern const char CncSlotLetters[33];

// Recognises the format from the first bytes of a file (registry row).
// A CNC file ends in its trailer "END." or "END.140".
bool RecogniseCnc(std::string_view head);

// The reader after loading: reads CNC bytes into a freshly reset record.
bool ReadCncData(TJobState& job, TChessRec& rec, std::string_view data);
// The writer before output: renders the main line of rec as CNC bytes into out
// (replacing its content) and returns the size computed in advance.
size_t RenderCnc(const TChessRec& rec, std::string& out);
