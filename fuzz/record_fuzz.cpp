// Builds move trees from fuzzed plies, flags or links and checks that every
// tree that comes out keeps the shape the writers rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/jobstate.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "tests/support/test_job.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

void CheckTree(const TChessRec& rec) {
  Require(rec.MoveCount >= 0 && rec.MoveCount < static_cast<int>(rec.Moves.size()));
  Require(((rec.Moves[0].Flags & kFlagContinues) != 0) == (rec.MoveCount > 0));
  Require((rec.Moves[rec.MoveCount].Flags & (kFlagContinues | kFlagHasAlt)) == 0);
  Require(rec.LastLine >= 0 && rec.LastLine < static_cast<int>(rec.Lines.size()));
  int expectFirst = 1;
  for (int l = 0; l <= rec.LastLine; ++l) {
    const TLineRec& line = rec.Lines[l];
    Require(line.First == expectFirst && line.Last >= line.First - 1);
    for (int i = line.First; i <= line.Last; ++i) {
      const TMoveNode& node = rec.Moves[i];
      Require(node.Parent >= 0 && node.Parent < i);
      Require(node.Ply == rec.Moves[node.Parent].Ply + 1);
      Require(i == line.First || node.Parent == i - 1);
      Require(((node.Flags & kFlagContinues) != 0) == (i < line.Last));
    }
    expectFirst = line.Last + 1;
  }
  Require(rec.Lines[rec.LastLine].Last == rec.MoveCount);
  for (int i = 0; i <= rec.MoveCount; ++i)
    Require(rec.Moves[i].TextIndex == 0 ||
            (rec.Moves[i].TextIndex >= 62 && rec.Moves[i].TextIndex <= rec.TextTop));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  static TQuietJob job;
  static TChessRec rec;  // reused like a job's record
  ResetRecord(rec, data[0] % kFormatCount, data[1] % kFormatCount);
  const int mode = data[0] % 3;
  const uint8_t* p = data + 2;
  size_t left = size - 2;

  if (mode == 0) {
    // One signed byte per move: small plies give many variations.
    int n = static_cast<int>(left);
    SetMoveCapacity(rec, n + 1);
    for (int i = 1; i <= n; ++i) rec.Moves[i].Ply = static_cast<int8_t>(p[i - 1]) % 12;
    BuildTreeFromPlies(job, rec, n);
  } else if (mode == 1) {
    int n = static_cast<int>(left);
    SetMoveCapacity(rec, n + 1);
    for (int i = 1; i <= n; ++i) rec.Moves[i].Flags = p[i - 1];
    BuildTreeFromFlags(rec, n);
  } else {
    // Two signed bytes per link: next and alternative, possibly out of range.
    int n = static_cast<int>(left / 2);
    SetLinkCount(rec, n + 1);
    for (int i = 1; i <= n; ++i) {
      rec.Links[i].Next = static_cast<int8_t>(p[2 * (i - 1)]);
      rec.Links[i].Alt = static_cast<int8_t>(p[2 * (i - 1) + 1]);
      rec.Links[i].Move[0] = static_cast<uint8_t>(i);
    }
    BuildTreeFromLinks(rec, n > 0 ? 1 : 0);
    // Comments by key through a one-row index over all links.
    std::vector<TLinkIndexRow> index = {{1, 0, 1, n + 1}};
    for (int i = 0; i < n; i += 7) SetMoveTextByKey(rec, "c", p[i] % 40 - 5, p[i] % 2, index, 1);
  }
  CheckTree(rec);

  for (size_t i = 0; i < left; i += 11) SetMoveText(rec, static_cast<int8_t>(p[i]), "x");
  CheckTree(rec);
  if (left > 0) {
    CutTree(rec, p[0] % (rec.MoveCount + 1));
    CheckTree(rec);
  }
  return 0;
}
