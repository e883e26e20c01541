// The move check on a long game: one 300-move main line with 20 variations,
// replayed with the rule check on, and the notation of every move rendered.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "core/board.h"
#include "core/jobstate.h"
#include "core/movecheck.h"
#include "core/notation.h"
#include "core/record.h"
#include "tests/support/test_job.h"

namespace {

const uint8_t kStart[32] = {0x09, 0x19, 0x29, 0x39, 0x49, 0x59, 0x69, 0x79, 0x89, 0x17, 0x77,
                            0x06, 0x26, 0x46, 0x66, 0x86, 0x00, 0x10, 0x20, 0x30, 0x40, 0x50,
                            0x60, 0x70, 0x80, 0x12, 0x72, 0x03, 0x23, 0x43, 0x63, 0x83};

// Legal moves of one side by trying every target square with the full rules.
std::vector<std::pair<uint8_t, uint8_t>> Moves(const TWorkBoard& board, int side) {
  std::vector<std::pair<uint8_t, uint8_t>> out;
  for (int x = 0; x < 9; ++x)
    for (int y = 0; y < 10; ++y) {
      const uint8_t c = board[WorkIndex(x, y)];
      if (!c || (c >> 4) != side) continue;
      for (int tx = 0; tx < 9; ++tx)
        for (int ty = 0; ty < 10; ++ty)
          if (IsLegalMove(board, x, y, tx, ty, true) == kMoveLegal)
            out.emplace_back(SquareOf(x, y), SquareOf(tx, ty));
    }
  return out;
}

// A random game that avoids captures where it can, so that it lasts 300 moves.
TChessRec MakeLongGame() {
  TChessRec rec;
  std::copy(kStart, kStart + 32, rec.Pieces);
  rec.Moves.resize(1);
  rec.Moves[0].Parent = -1;
  std::mt19937 rng(7);
  TWorkBoard board;
  MakeWorkBoard(rec, board);
  std::vector<TWorkBoard> history{board};
  for (int ply = 0; ply < 300; ++ply) {
    auto moves = Moves(board, ply % 2);
    if (moves.empty()) break;
    std::vector<std::pair<uint8_t, uint8_t>> quiet;
    for (auto m : moves)
      if (!board[WorkIndex(SquareX(m.second), SquareY(m.second))]) quiet.push_back(m);
    const auto& pool = quiet.empty() ? moves : quiet;
    const auto m = pool[rng() % pool.size()];
    TMoveNode node;
    node.From = m.first;
    node.Dest = m.second;
    node.Parent = ply;
    rec.Moves.push_back(node);
    board[WorkIndex(SquareX(m.second), SquareY(m.second))] =
        board[WorkIndex(SquareX(m.first), SquareY(m.first))];
    board[WorkIndex(SquareX(m.first), SquareY(m.first))] = 0;
    history.push_back(board);
  }
  const int mainLine = int(rec.Moves.size()) - 1;
  for (int v = 0; v < 20; ++v) {  // variations of a few moves each
    int parent = 1 + int(rng() % (mainLine - 1));
    TWorkBoard b = history[parent];
    for (int k = 0; k < 5; ++k) {
      auto moves = Moves(b, (parent + k) % 2);
      if (moves.empty()) break;
      const auto m = moves[rng() % moves.size()];
      TMoveNode node;
      node.From = m.first;
      node.Dest = m.second;
      node.Parent = k == 0 ? parent : int(rec.Moves.size()) - 1;
      rec.Moves.push_back(node);
      b[WorkIndex(SquareX(m.second), SquareY(m.second))] =
          b[WorkIndex(SquareX(m.first), SquareY(m.first))];
      b[WorkIndex(SquareX(m.first), SquareY(m.first))] = 0;
    }
  }
  rec.MoveCount = int(rec.Moves.size()) - 1;
  return rec;
}

void BM_CheckMoves(benchmark::State& state) {
  TChessRec rec = MakeLongGame();
  TQuietJob job;
  job.CheckMoveText = state.range(0) != 0;
  for (auto _ : state) {
    CheckMoves(job, rec);
    benchmark::DoNotOptimize(rec.Moves.data());
  }
  state.counters["moves"] = rec.MoveCount;
  state.counters["messages"] = job.Messages;
  state.counters["records/s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CheckMoves)->Arg(1)->Arg(0);

void BM_RenderChinese(benchmark::State& state) {
  TChessRec rec = MakeLongGame();
  TQuietJob job;
  CheckMoves(job, rec);
  for (auto _ : state) {
    size_t bytes = 0;
    for (int i = 1; i <= rec.MoveCount; ++i)
      bytes += RenderChinese(rec.Moves[i].NoteHead, rec.Moves[i].NoteTail,
                             rec.Moves[i].Flags & kFlagBlack, 4)
                   .size();
    benchmark::DoNotOptimize(bytes);
  }
  state.SetItemsProcessed(state.iterations() * rec.MoveCount);
}
BENCHMARK(BM_RenderChinese);

}  // namespace
