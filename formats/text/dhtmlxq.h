// DhtmlXQ bulletin-board records: a run of [DhtmlXQ_name]value[/DhtmlXQ_name]
// tags, usually inside a page head and foot that load the viewer. The reader
// also serves the two applet pages that carry the same values as <param>
// elements (WebCchess 5 and the CCBridge Java applet).
#pragma once

#include <cstddef>
#include <string>

#include "core/record.h"

class TJobState;
class TJobState;

// Header tags in the writer's order: tag name and slot of Texts.
constexpr int kDhtmlXQKeyCount = 47;
extern const TCodeRec DhtmlXQKeys[kDhtmlXQKeyCount];
// Header parameters of the applet pages, in the WebCchess 5 writer's order.
constexpr int kAppletKeyCount = 11;
extern const TCodeRec AppletKeys[kAppletKeyCount];
// Placeholders of the page head and foot and the slots that replace them.
constexpr int kUbbPlaceholderCount = 9;
extern const TCodeRec UbbPlaceholders[kUbbPlaceholderCount];

// Page kinds this reader handles.
constexpr int kPageDhtmlXQ = 0;
constexpr int kPageWebC5 = 1;
constexpr int kPageCcbJava = 2;

// Reads the block startPos..endPos (1-based, inclusive) of an already loaded
// page text (in the destination code page) into a freshly reset record.
bool ReadDhtmlXQ(TJobState& job, TChessRec& rec, int kind, int startPos, int endPos,
                 const std::string& text);

// The row-4 writer: RenderDhtmlXQ with a fresh random number.
size_t RenderDhtmlXQRecord(TJobState& job, TChessRec& rec, std::string& out);

// The writer before output: fills the slots the format writes, renders the
// record with the job's head and foot (random stands for %Random%) into out and
// returns the exact length, computed before rendering.
size_t RenderDhtmlXQ(TJobState& job, TChessRec& rec, int random, std::string& out);
