// Text board diagrams: a drawn board in text, as the plain-text writer puts it
// ahead of the moves. Only the pieces are read; the diagram carries no moves,
// no comments and no side to move.
#pragma once

#include <string>
#include <string_view>

class TJobState;
class TJobState;
struct TChessRec;

// The reader after loading: finds the diagram in GBK text and places its
// pieces into a freshly reset record. Logs through the job when the text
// holds no diagram; returns whether one was found.
bool ReadDiagramText(TJobState& job, TChessRec& rec, std::string_view gbkText);
