// Web pages that carry records: finding the record blocks of a page and
// handing each to the reader of its kind.
#include "formats/text/webpage.h"

#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"
#include "formats/text/applet.h"
#include "formats/text/dhtmlxq.h"
#include "formats/text/stqy.h"

const TUBBCodeRec WebBlockTags[6] = {
    {0, "[dhtmlxq]", "[/dhtmlxq]"},         {0, "[dhtmlxqhtml]", "[/dhtmlxqhtml]"},
    {0, "[dhtmlxqjava]", "[/dhtmlxqjava]"}, {0, "[dhtmlxqiframe]", "[/dhtmlxqiframe]"},
    {5, "[dhjhtmlxq]", "[/dhjhtmlxq]"},     {6, "[dhj01xqcchcodeflag]", "[/dhj01xqcchcodeflag]"},
};

// Searched in this order; the texts are compared case-sensitively.
const TCodeRec AppletClasses[7] = {
    {1, "webcchess.class"}, {2, "CCBJava.class"}, {2, "CCBJava2.class"}, {3, "javaxq.class"},
    {3, "javaxqb.class"},   {4, "JavaXQ.class"},  {7, "\"JavaXQ\""},
};

namespace {

// Reader of one block of an already loaded web page.
using TWebRecordReader = bool (*)(TJobState& job, TChessRec& rec, int kind, int startPos,
                                  int endPos, const std::string& text);

// Reader of each page kind: 0..2 DhtmlXQ and the applet pages that carry the
// same parameters, 3 the "beginposition" applet, 4 and 7 the "position"
// applet, 5 and 6 the STQY blocks. A kind without a reader reads nothing.
const TWebRecordReader WebReaders[kPageKindCount] = {
    ReadDhtmlXQ,              // 0 DhtmlXQ block
    ReadDhtmlXQ,              // 1 WebCchess 5 applet
    ReadDhtmlXQ,              // 2 CCBridge Java applet
    ReadBeginPositionApplet,  // 3 "beginposition" applet
    ReadPositionApplet,       // 4 "position" applet (JavaXQ.class)
    ReadStqy,                 // 5 STQY [dhjhtmlxq] block
    ReadStqy,                 // 6 STQY [dhj01xqcchcodeflag] block
    ReadPositionApplet,       // 7 "position" applet ("JavaXQ")
};

// Stores the block whose content starts at start and whose closing text is at
// closePos (both 1-based), without the blanks and control bytes around it. A
// content of one character or none is not a record.
void AddWebItem(const std::string& text, size_t start, size_t closePos, int kind,
                TDynJavaArray& items) {
  if (closePos < 2) return;
  size_t end = closePos - 1;
  auto blank = [&](size_t pos) { return static_cast<unsigned char>(text[pos - 1]) <= 32; };
  while (start < end && blank(start)) ++start;
  while (end > start && blank(end)) --end;
  if (start >= end) return;
  if (items.capacity() == items.size()) items.reserve(items.empty() ? 63 : items.size() * 2);
  items.push_back(TWebItemRec{kind, static_cast<int32_t>(start), static_cast<int32_t>(end)});
}

void ScanApplets(int cp, const std::string& text, TDynJavaArray& items) {
  constexpr std::string_view kOpen = "<applet";
  constexpr std::string_view kClose = "</applet>";
  const size_t length = text.size();
  size_t pos = 1;
  while (pos <= length) {
    size_t open = PosTextDbcs(cp, kOpen, text, length, pos);
    if (open == 0) return;
    size_t tagEnd = PosCharDbcs(cp, '>', text, length, open + kOpen.size());
    if (tagEnd == 0) return;
    size_t close = PosTextDbcs(cp, kClose, text, length, tagEnd + 1);
    if (close == 0) return;
    for (const TCodeRec& cls : AppletClasses) {
      if (PosDbcs(cp, cls.Text, text, close - 1, open + kOpen.size()) != 0) {
        AddWebItem(text, tagEnd + 1, close, cls.Code, items);
        break;
      }
    }
    pos = close + kClose.size();
  }
}

void ScanBlocks(int cp, const std::string& text, const TUBBCodeRec& tags, TDynJavaArray& items) {
  const std::string_view openTag = tags.OpenTag, closeTag = tags.CloseTag;
  const size_t length = text.size();
  size_t pos = 1;
  while (pos <= length) {
    size_t open = PosTextDbcs(cp, openTag, text, length, pos);
    if (open == 0) return;
    size_t contentStart = open + openTag.size();
    size_t close = PosTextDbcs(cp, closeTag, text, length, contentStart);
    if (close == 0) return;
    AddWebItem(text, contentStart, close, tags.Code, items);
    pos = close + closeTag.size();
  }
}

}  // namespace

bool RecogniseWebPage(std::string_view head) {
  const std::string lower = LowerAscii(head);
  if (lower.find("<applet") != std::string::npos) return true;
  for (const TUBBCodeRec& tags : WebBlockTags)
    if (lower.find(tags.OpenTag) != std::string::npos) return true;
  return false;
}

void FindWebBlocks(int codePage, const std::string& text, TDynJavaArray& items) {
  items.clear();
  if (text.empty()) return;
  ScanApplets(codePage, text, items);
  for (const TUBBCodeRec& tags : WebBlockTags) ScanBlocks(codePage, text, tags, items);
  if (items.size() == 1 && items[0].Kind == 0) {
    items[0].StartPos = 1;
    items[0].EndPos = static_cast<int32_t>(text.size());
  }
}

bool ReadWebBlock(TJobState& job, TChessRec& rec, int kind, int startPos, int endPos,
                  const std::string& text) {
  if (kind < 0 || kind >= kPageKindCount || !WebReaders[kind]) return false;
  return WebReaders[kind](job, rec, kind, startPos, endPos, text);
}
