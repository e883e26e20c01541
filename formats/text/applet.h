// Java applet pages that show one game from their <param> tags: the
// "beginposition" applet (page kind 3) and the "position" applets (page kinds
// 4 and 7). Read only.
#pragma once

#include <string>

class TJobState;
struct TChessRec;

// Readers of one applet's content (positions 1-based, endPos inclusive) within
// the loaded page text; both have the web-reader signature of the dispatch.
bool ReadBeginPositionApplet(TJobState& job, TChessRec& rec, int kind, int startPos, int endPos,
                             const std::string& text);
bool ReadPositionApplet(TJobState& job, TChessRec& rec, int kind, int startPos, int endPos,
                        const std::string& text);
