// The golden text form of a record, shared by every reader test: the start
// position, the game values, the header texts, the move tree with its
// comments and the lines, one item a line. Texts are shown as UTF-8; line
// breaks, other control bytes and bytes that are not UTF-8 are escaped, so a
// text in the wrong code page shows as \xNN.
#pragma once

#include <string>

struct TChessRec;
class TTestJob;

std::string DumpRecord(const TChessRec& rec);

// A reader's result, the lines it logged and the record it read.
std::string DumpReading(bool ok, const TTestJob& job, const TChessRec& rec);
