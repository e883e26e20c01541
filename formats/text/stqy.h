// STQY club pages: bulletin-board blocks [dhjhtmlxq] (page kind 5) and
// [dhj01xqcchcodeflag] (page kind 6) whose numbered tags carry the header, the
// start position and the main line, with separate tags for variations and
// comments. Read only.
#pragma once

#include <string>

class TJobState;
struct TChessRec;

// Reads one block (positions 1-based, endPos inclusive) of the loaded page
// text; the web-reader signature of the dispatch.
bool ReadStqy(TJobState& job, TChessRec& rec, int kind, int startPos, int endPos,
              const std::string& text);
