// Cost of building the move tree of a large record, and of handing out
// comment slots, so that a reader's time is not lost in the record core.
#include <benchmark/benchmark.h>

#include <string>

#include "core/jobstate.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "tests/support/test_job.h"

namespace {

constexpr int kNodes = 200000;

// Flags of a tree in pre-order, as a binary reader finds them: runs of eight
// moves, each run's first move having an alternative that starts the next run
// once the run has ended.
void FillFlags(TChessRec& rec, int n) {
  for (int i = 1; i <= n; ++i) {
    uint32_t f = kFlagContinues;
    if (i % 8 == 1) f |= kFlagHasAlt;
    if (i % 8 == 0) f = 0;
    rec.Moves[i].Flags = f;
  }
}

void BM_BuildTreeFromFlags(benchmark::State& state) {
  TChessRec rec;
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    ResetRecord(rec, kFmtXqf, kFmtPgn);
    SetMoveCapacity(rec, n + 1);
    FillFlags(rec, n);
    state.ResumeTiming();
    BuildTreeFromFlags(rec, n);
    benchmark::DoNotOptimize(rec.MoveCount);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_BuildTreeFromFlags)->Arg(kNodes)->Unit(benchmark::kMillisecond);

// Plies of a long main line followed by one-move alternatives to each of its
// moves, deepest first: the nearest sibling of each lies ever further back,
// the case where a backward search for it would be quadratic.
void BM_BuildTreeFromPliesFarSiblings(benchmark::State& state) {
  TChessRec rec;
  TQuietJob job;
  const int n = static_cast<int>(state.range(0));
  const int half = n / 2;
  for (auto _ : state) {
    state.PauseTiming();
    ResetRecord(rec, kFmtXqf, kFmtPgn);
    SetMoveCapacity(rec, n + 1);
    for (int i = 1; i <= n; ++i) rec.Moves[i].Ply = i <= half ? i : half - (i - half) + 1;
    state.ResumeTiming();
    BuildTreeFromPlies(job, rec, n);
    benchmark::DoNotOptimize(rec.MoveCount);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_BuildTreeFromPliesFarSiblings)->Arg(kNodes)->Unit(benchmark::kMillisecond);

void BM_CommentEveryMove(benchmark::State& state) {
  TChessRec rec;
  const int n = static_cast<int>(state.range(0));
  const std::string text = "a comment of some forty bytes in length..";
  for (auto _ : state) {
    ResetRecord(rec, kFmtXqf, kFmtPgn);
    SetMoveCapacity(rec, n + 1);
    for (int i = 1; i <= n; ++i) SetMoveText(rec, i, text);
    benchmark::DoNotOptimize(rec.TextTop);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_CommentEveryMove)->Arg(kNodes)->Unit(benchmark::kMillisecond);

}  // namespace
