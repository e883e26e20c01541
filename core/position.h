// Position text: the FEN string of a record's start position and the drawn
// board diagram that text output puts ahead of the moves.
#pragma once

#include <string>
#include <string_view>

class TJobState;
struct TChessRec;

// Length of the diagram in GBK bytes, before any conversion.
constexpr size_t kDiagramBytes = 876;

// Fills Board from Pieces (FEN letter per square at y*9 + x, 0 for empty) and
// stores the FEN text with its side suffix in text slot 12.
void MakeFen(TChessRec& rec);

// The FEN text of the current Board and side, as MakeFen stores it.
std::string FenFromBoard(const TChessRec& rec);

// Reads a FEN position from its end backwards: the side letter before the
// first " - - ", then the rows from square 89 down to 0. Text before the
// board is never reached; squares the text does not cover stay empty. On
// success sets RedFirst and Pieces; on failure leaves the record untouched.
bool ParseFen(TChessRec& rec, std::string_view text);

// The board diagram of a middle-game or endgame record (GameType 3 or 4) in
// the job's destination code page and script; empty for other game types.
void MakeBoardDiagram(const TJobState& job, const TChessRec& rec, std::string& text);
