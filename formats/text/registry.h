// The format table's derived strings and the dispatch of records to the
// readers and writers of each format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/uglobal.h"

class TJobState;

// One block found in a web page; positions are 1-based, EndPos inclusive.
struct TWebItemRec {
  int32_t Kind;
  int32_t StartPos;
  int32_t EndPos;
};
static_assert(sizeof(TWebItemRec) == 12);
using TDynJavaArray = std::vector<TWebItemRec>;

// Reader of one block of an already loaded web page.
using TWebRecordReader = bool (*)(TJobState& job, TChessRec& rec, const std::string& path, int kind,
                                  int startPos, int endPos, const std::string& text);

extern const TUBBCodeRec WebBlockTags[6];
extern const TCodeRec AppletClasses[7];

// Derived strings of the 17 rows, built once at start-up.
extern std::string FormatNames[kFormatCount];
extern std::string FormatIds[kFormatCount];
extern std::string DialogFilters[kFormatCount];
void BuildFormatStrings();

// selector 0 compares with FormatNames, 1 with FormatIds; 0 (XQF) when none matches.
int FormatIndexOf(const std::string& text, int selector);

// Recognises a web page holding record blocks: a DhtmlXQ or STQY block tag or
// an applet (registry row of the web pages).
bool RecogniseWebPage(std::string_view head);

bool ReadRecordFile(TJobState& job, TChessRec& rec, const std::string& path);
int FindWebRecords(TJobState& job, const std::string& path, std::string& text,
                   TDynJavaArray& items);
bool ReadWebRecord(TJobState& job, TChessRec& rec, const std::string& path, int kind, int startPos,
                   int endPos, const std::string& text);
int WriteRecord(TJobState& job, TChessRec& rec, const std::string& path);
