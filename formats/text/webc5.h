// WebCchess 5 pages: the applet element of the WebCchess 5 viewer with the
// record in its <PARAM> elements, written bare, as a whole HTML page or inside
// a [webc] bulletin-board block. Such pages are read by the DhtmlXQ reader.
#pragma once

#include <cstddef>
#include <string>

class TJobState;
class TJobState;
struct TChessRec;

// The row-3 step before writing: a page holds at most 10,000 moves; a longer
// record is cut there, with a warning.
void LimitWebC5Moves(TJobState& job, TChessRec& rec);

// The writer before output: fills the option slots, turns double quotes in the
// written texts into curly quotes, renders the page into out (replacing its
// content) and returns its exact length, computed before rendering.
size_t RenderWebC5(TJobState& job, TChessRec& rec, std::string& out);

// The four-character notation code of a move in the applet's move list, from
// the move's notation code and its side (0 red, 1 black); "0000" when the
// notation code is not a valid one.
std::string WebC5NoteCode(unsigned noteHead, unsigned noteTail, int side);
