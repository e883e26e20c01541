// Record completion on a long annotated game: 300 plies of main line, 20
// variations of five plies and a comment on every seventh node, as a binary
// reader leaves it (raw GBK header and comment text).
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/board.h"
#include "core/complete.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "tests/support/test_job.h"

namespace {

using TMove = std::pair<uint8_t, uint8_t>;

// Legal moves of one side that do not capture a king.
std::vector<TMove> LegalMoves(const TWorkBoard& board, int side) {
  std::vector<TMove> moves;
  for (int x = 0; x < 9; ++x)
    for (int y = 0; y < 10; ++y) {
      uint8_t piece = board[WorkIndex(x, y)];
      if (piece == 0 || (piece >> 4) != side) continue;
      for (int tx = 0; tx < 9; ++tx)
        for (int ty = 0; ty < 10; ++ty) {
          if ((board[WorkIndex(tx, ty)] & 0x0F) == kKing) continue;
          if (IsLegalMove(board, x, y, tx, ty, true) == kMoveLegal)
            moves.push_back({SquareOf(x, y), SquareOf(tx, ty)});
        }
    }
  return moves;
}

void Play(TWorkBoard& board, TMove m) {
  int from = WorkIndex(SquareX(m.first), SquareY(m.first));
  board[WorkIndex(SquareX(m.second), SquareY(m.second))] = board[from];
  board[from] = 0;
}

// A random game of `plies` legal moves from the standard start, with the board
// before every ply; empty when the game got stuck.
bool RandomGame(std::mt19937& rng, int plies, std::vector<TMove>& moves,
                std::vector<TWorkBoard>& boards) {
  TChessRec start;
  ResetRecord(start, kFmtXqf, kFmtPgn);
  TWorkBoard board;
  MakeWorkBoard(start, board);
  moves.clear();
  boards.clear();
  for (int ply = 0; ply < plies; ++ply) {
    boards.push_back(board);
    std::vector<TMove> legal = LegalMoves(board, ply % 2);
    if (legal.empty()) return false;
    TMove m = legal[rng() % legal.size()];
    moves.push_back(m);
    Play(board, m);
  }
  return true;
}

std::string Gbk(std::string utf8) {
  ConvertCodePage(utf8, kCpUtf8, 0, kCpGbk);
  return utf8;
}

TChessRec BuildGame(TJobState& job) {
  constexpr int kPlies = 300, kVariations = 20, kVariationPlies = 5;
  std::mt19937 rng(7);
  std::vector<TMove> main;
  std::vector<TWorkBoard> boards;
  while (!RandomGame(rng, kPlies, main, boards)) {
  }

  // Pre-order: the main line, then the variations from the deepest up (the
  // first move of each an alternative to the main-line move of its ply).
  std::vector<std::pair<TMove, int>> nodes;
  for (int i = 0; i < kPlies; ++i) nodes.push_back({main[i], i + 1});
  for (int v = kVariations - 1; v >= 0; --v) {
    int ply = 10 + 14 * v;
    TWorkBoard board = boards[ply - 1];
    for (int k = 0; k < kVariationPlies; ++k) {
      std::vector<TMove> legal = LegalMoves(board, (ply + k - 1) % 2);
      if (legal.empty()) break;
      TMove m = legal[rng() % legal.size()];
      nodes.push_back({m, ply + k});
      Play(board, m);
    }
  }

  TChessRec rec;
  ResetRecord(rec, job.SrcFormat, job.DstFormat);
  int n = static_cast<int>(nodes.size());
  SetMoveCapacity(rec, n + 1);
  for (int i = 1; i <= n; ++i) {
    rec.Moves[i].From = nodes[i - 1].first.first;
    rec.Moves[i].Dest = nodes[i - 1].first.second;
    rec.Moves[i].Ply = nodes[i - 1].second;
  }
  BuildTreeFromPlies(job, rec, n);

  rec.Texts[kSlotTitle] = Gbk("全国象棋个人赛 第五轮 红方对黑方");
  rec.Texts[kSlotEvent] = Gbk("全国象棋个人赛");
  rec.Texts[kSlotDate] = "2008-10-05";
  rec.Texts[kSlotRedName] = Gbk("红方棋手");
  rec.Texts[kSlotBlackName] = Gbk("黑方棋手");
  rec.Texts[kSlotStartComment] = Gbk("本局选自全国个人赛。\r\n双方以中炮对屏风马开局。");
  for (int i = 7; i <= n; i += 7)
    SetMoveText(rec, i, Gbk("此着稳健，着法紧凑。\r\n如改走其他，则局面复杂。"));
  return rec;
}

void CompleteOne(benchmark::State& state, int dstFormat, int dstCodePage) {
  TQuietJob job;
  job.SrcFormat = kFmtXqf;
  job.DstFormat = dstFormat;
  job.SrcCodePage = kCpGbk;
  job.DstCodePage = dstCodePage;
  job.TextVariant = dstCodePage == kCpUtf8 ? 3 : 0;
  const TChessRec prototype = BuildGame(job);
  TChessRec rec;
  for (auto _ : state) {
    state.PauseTiming();
    rec = prototype;  // what a reader leaves in the reused record
    state.ResumeTiming();
    CompleteRecord(job, rec, "/games/match.xqf");
    benchmark::DoNotOptimize(rec.Moves.data());
  }
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["nodes"] = prototype.MoveCount;
}

void BM_CompleteRecordXqfToPgnGbk(benchmark::State& state) { CompleteOne(state, kFmtPgn, kCpGbk); }
void BM_CompleteRecordXqfToUbbUtf8(benchmark::State& state) {
  CompleteOne(state, kFmtUbb, kCpUtf8);
}

}  // namespace

BENCHMARK(BM_CompleteRecordXqfToPgnGbk);
BENCHMARK(BM_CompleteRecordXqfToUbbUtf8);
