// Web pages that carry records: the record blocks a page holds (DhtmlXQ and
// STQY block tags, Java applets) and the reader of each kind of block.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/record.h"
#include "core/uglobal.h"

class TJobState;
struct TChessRec;

// One block found in a web page; positions are 1-based, EndPos inclusive.
struct TWebItemRec {
  int32_t Kind;
  int32_t StartPos;
  int32_t EndPos;
};
static_assert(sizeof(TWebItemRec) == 12);
using TDynJavaArray = std::vector<TWebItemRec>;

// Kinds of record block: 0..2 DhtmlXQ and the applet pages that carry the same
// parameters, 3 the "beginposition" applet, 4 and 7 the "position" applet, 5
// and 6 the STQY blocks.
constexpr int kPageKindCount = 8;

extern const TUBBCodeRec WebBlockTags[6];
extern const TCodeRec AppletClasses[7];

// Recognises a web page holding record blocks: a DhtmlXQ or STQY block tag or
// an applet (registry row of the web pages).
bool RecogniseWebPage(std::string_view head);

// Finds the record blocks of a page text in codePage: applets first, then each
// block tag in the order of WebBlockTags. A page with a single DhtmlXQ block
// gives the whole page, so that tags written outside the block count too.
void FindWebBlocks(int codePage, const std::string& text, TDynJavaArray& items);

// Reads one block found by FindWebBlocks into a freshly reset record; false for
// a kind without a reader.
bool ReadWebBlock(TJobState& job, TChessRec& rec, int kind, int startPos, int endPos,
                  const std::string& text);
