// PGN writing and reading of a folder's worth of games, all in memory: 10,000
// records per run, cycled over 100 distinct random games of about 100 plies
// with a few comments. Reported as records per second (items_per_second).
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/board.h"
#include "core/jobstate.h"
#include "core/movecheck.h"
#include "core/position.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "core/variants.h"
#include "formats/text/pgn.h"
#include "formats/text/text.h"
#include "tests/support/test_job.h"

namespace {

constexpr int kRecords = 10000;
constexpr int kDistinctGames = 100;

// A random game of legal moves that prefers quiet moves, so that it lasts.
void MakeGame(TQuietJob& job, TChessRec& rec, unsigned seed) {
  ResetRecord(rec, kFmtXqf, kFmtPgn);
  std::mt19937 rng(seed);
  TWorkBoard board;
  MakeWorkBoard(rec, board);
  std::vector<std::pair<uint8_t, uint8_t>> moves, quiet;
  int n = 0;
  SetMoveCapacity(rec, 101);
  for (int ply = 0; ply < 100; ++ply) {
    moves.clear();
    quiet.clear();
    for (int x = 0; x < 9; ++x)
      for (int y = 0; y < 10; ++y) {
        const uint8_t c = board[WorkIndex(x, y)];
        if (!c || (c >> 4) != (ply & 1)) continue;
        for (int tx = 0; tx < 9; ++tx)
          for (int ty = 0; ty < 10; ++ty)
            if (IsLegalMove(board, x, y, tx, ty, true) == kMoveLegal) {
              moves.emplace_back(SquareOf(x, y), SquareOf(tx, ty));
              if (!board[WorkIndex(tx, ty)]) quiet.emplace_back(moves.back());
            }
      }
    if (moves.empty()) break;
    const auto& pool = quiet.empty() ? moves : quiet;
    const auto m = pool[rng() % pool.size()];
    ++n;
    rec.Moves[n].From = m.first;
    rec.Moves[n].Dest = m.second;
    board[WorkIndex(SquareX(m.second), SquareY(m.second))] =
        board[WorkIndex(SquareX(m.first), SquareY(m.first))];
    board[WorkIndex(SquareX(m.first), SquareY(m.first))] = 0;
  }
  BuildLinearTree(rec, n);
  for (int i = 5; i <= n; i += 20) rec.Texts[TextSlotOf(rec, i)] = "A comment on this move.";
  const std::pair<int, std::string> tags[] = {{kSlotEvent, "Benchmark Cup"},
                                              {kSlotRedName, "Red Player"},
                                              {kSlotBlackName, "Black Player"},
                                              {kSlotDate, "2024.01.01"},
                                              {kSlotResult, "*"}};
  for (const auto& [slot, value] : tags) rec.Texts[slot] = value;
  CheckMoves(job, rec);
  MakeFen(rec);
}

TQuietJob& Job() {
  static TQuietJob job;
  job.SrcFormat = kFmtPgn;
  job.DstFormat = kFmtPgn;
  job.DstCodePage = kCpUtf8;
  job.DstCodePageIndex = 2;
  job.TextVariant = 3;
  return job;
}

std::vector<TChessRec>& Games() {
  static std::vector<TChessRec> games = [] {
    std::vector<TChessRec> g(kDistinctGames);
    for (int i = 0; i < kDistinctGames; ++i) MakeGame(Job(), g[i], 1000u + i);
    return g;
  }();
  return games;
}

void BM_PgnWrite(benchmark::State& state) {
  TQuietJob& job = Job();
  job.PGNFormat = static_cast<int>(state.range(0));
  std::vector<TChessRec>& games = Games();
  std::string out;
  size_t bytes = 0;
  for (auto _ : state) {
    for (int i = 0; i < kRecords; ++i) {
      RenderPgn(job, games[i % kDistinctGames], out);
      bytes += out.size();
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_PgnWrite)
    ->Arg(kPgnChinese)
    ->Arg(kPgnWxf)
    ->Arg(kPgnIccs)
    ->Unit(benchmark::kMillisecond);

void BM_PgnRead(benchmark::State& state) {
  TQuietJob& job = Job();
  job.PGNFormat = static_cast<int>(state.range(0));
  std::vector<std::string> texts(kDistinctGames);
  for (int i = 0; i < kDistinctGames; ++i) {
    RenderPgn(job, Games()[i], texts[i]);
    texts[i].erase(0, 3);  // the byte-order mark, which loading removes
  }
  TChessRec rec;
  int moves = 0;
  for (auto _ : state) {
    for (int i = 0; i < kRecords; ++i) {
      ResetRecord(rec, kFmtPgn, kFmtPgn);
      ReadPgnText(job, rec, texts[i % kDistinctGames]);
      moves += rec.MoveCount;
    }
  }
  if (moves == 0) state.SkipWithError("no moves read");
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_PgnRead)->Arg(kPgnChinese)->Arg(kPgnWxf)->Arg(kPgnIccs)->Unit(benchmark::kMillisecond);

void BM_TextWrite(benchmark::State& state) {
  TQuietJob& job = Job();
  std::vector<TChessRec>& games = Games();
  std::string out;
  for (auto _ : state) {
    for (int i = 0; i < kRecords; ++i) RenderText(job, games[i % kDistinctGames], out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_TextWrite)->Unit(benchmark::kMillisecond);

}  // namespace
