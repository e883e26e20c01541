// Fuzz target of the XQF reader. Every input that reads is also written as
// versions 1.0 and 1.8 and read back, and the two trees must agree with the
// first one. Seeds: tests/data/xqf and the XQF corpus.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/jobstate.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/binary/xqf.h"
#include "tests/support/test_job.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckTreeShape(const TChessRec& rec) {
  Check(rec.MoveCount >= 0 && static_cast<size_t>(rec.MoveCount) < rec.Moves.size());
  for (int i = 1; i <= rec.MoveCount; ++i) {
    Check(rec.Moves[i].Parent >= 0 && rec.Moves[i].Parent < i);
    Check(rec.Moves[i].Ply == rec.Moves[rec.Moves[i].Parent].Ply + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TFuzzJob job;
  static TChessRec rec, again;
  static std::string bytes, rendered;
  ResetRecord(rec, kFmtXqf, kFmtXqf);
  bytes.assign(reinterpret_cast<const char*>(data), size);
  if (!ReadXqfData(job, rec, bytes)) return 0;
  CheckTreeShape(rec);
  for (int version : {10, 18}) {
    Check(RenderXqf(rec, version, 936, rendered) == rendered.size());
    ResetRecord(again, kFmtXqf, kFmtXqf);
    Check(ReadXqfData(job, again, rendered));
    Check(again.MoveCount == rec.MoveCount);
    for (int i = 1; i <= rec.MoveCount; ++i) {
      Check(again.Moves[i].From == rec.Moves[i].From && again.Moves[i].Dest == rec.Moves[i].Dest);
      Check(again.Moves[i].Parent == rec.Moves[i].Parent);
      Check(GetMoveText(again, i) == GetMoveText(rec, i));
    }
  }
  return 0;
}
