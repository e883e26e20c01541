// Fuzz target of the CBF reader. Every input that reads is read into each of
// the three destination code pages, written again in that code page and read
// back: the tree, the comments and the header texts must come back unchanged.
// Seeds: tests/data/cbf and the CBF corpus.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/jobstate.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/text/cbf.h"
#include "tests/support/test_job.h"

namespace {

void CheckAt(bool condition, int line) {
  if (condition) return;
  std::fprintf(stderr, "cbf_fuzz: check at line %d failed\n", line);
  __builtin_trap();
}
#define Check(condition) CheckAt((condition), __LINE__)

void SetDestination(TJobState& job, int cp, int index) {
  job.DstCodePage = static_cast<uint32_t>(cp);
  job.DstCodePageIndex = index;
}

void CheckTreeShape(const TChessRec& rec) {
  Check(rec.MoveCount >= 0 && static_cast<size_t>(rec.MoveCount) < rec.Moves.size());
  for (int i = 1; i <= rec.MoveCount; ++i) {
    Check(rec.Moves[i].Parent >= 0 && rec.Moves[i].Parent < i);
    Check(rec.Moves[i].Ply == rec.Moves[rec.Moves[i].Parent].Ply + 1);
  }
}

void CheckSameTree(const TChessRec& a, const TChessRec& b) {
  Check(a.MoveCount == b.MoveCount);
  for (int i = 1; i <= a.MoveCount; ++i) {
    Check(a.Moves[i].From == b.Moves[i].From && a.Moves[i].Dest == b.Moves[i].Dest);
    Check(a.Moves[i].Parent == b.Moves[i].Parent);
    Check((a.Moves[i].Flags & 0xC0) == (b.Moves[i].Flags & 0xC0));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TFuzzJob job;
  static TChessRec rec, again;
  static std::string rendered;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  bool first = true;
  for (auto [cp, index] : {std::pair{kCpUtf8, 2}, std::pair{kCpGbk, 0}, std::pair{kCpBig5, 1}}) {
    SetDestination(job, cp, index);
    ResetRecord(rec, kFmtCbf, kFmtCbf);
    const bool ok = ReadCbfData(job, rec, bytes);
    if (first && !ok) return 0;
    first = false;
    Check(ok);  // the destination code page plays no part in parsing
    CheckTreeShape(rec);
    Check(RenderCbf(job, rec, rendered) == rendered.size());
    ResetRecord(again, kFmtCbf, kFmtCbf);
    Check(ReadCbfData(job, again, rendered));
    CheckSameTree(rec, again);
    for (int i = 0; i <= rec.MoveCount; ++i) Check(GetMoveText(again, i) == GetMoveText(rec, i));
    for (const TCodeRec& field : CbfHeadFields)
      if (field.Code != kSlotRecordType) Check(again.Texts[field.Code] == rec.Texts[field.Code]);
  }
  return 0;
}
