// Reading and writing the largest real XQF trees. Reports the time per file,
// nodes per second and the memory the record holds per byte of file.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "core/jobstate.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/binary/xqf.h"
#include "tests/support/test_job.h"

namespace {

const char* const kBigFiles[] = {
    "v18_zhongpao_215980nodes_1MB.xqf", "v18_xianrenzhilu_107001nodes.xqf",
    "v18_opening_61506nodes_1398var.xqf", "v18_wuyang_cup_32124nodes_348var.xqf",
    "v10_endgame_4458nodes_282var.xqf"};

std::string LoadCorpusFile(const char* name) {
  std::ifstream f(std::string(TAVRIK_CORPUS_DIR) + "/xqf/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

size_t RecordBytes(const TChessRec& rec) {
  size_t n = rec.Moves.capacity() * sizeof(TMoveNode) + rec.Lines.capacity() * sizeof(TLineRec) +
             rec.Texts.capacity() * sizeof(std::string);
  for (const std::string& t : rec.Texts) n += t.capacity();
  return n;
}

// Load from disk (page cache) and read, as the converter does for each file.
void BM_ReadXqf(benchmark::State& state) {
  const char* name = kBigFiles[state.range(0)];
  state.SetLabel(name);
  TQuietJob job;
  TChessRec rec;
  for (auto _ : state) {
    std::string data = LoadCorpusFile(name);
    if (data.empty()) {
      state.SkipWithError("corpus file missing");
      return;
    }
    ResetRecord(rec, kFmtXqf, kFmtXqf);
    benchmark::DoNotOptimize(ReadXqfData(job, rec, data));
    state.SetBytesProcessed(state.bytes_processed() + static_cast<int64_t>(data.size()));
    state.counters["record_bytes_per_file_byte"] =
        static_cast<double>(RecordBytes(rec)) / static_cast<double>(data.size());
  }
  state.counters["nodes"] = rec.MoveCount;
  state.SetItemsProcessed(state.iterations() * rec.MoveCount);
}
BENCHMARK(BM_ReadXqf)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

void BM_WriteXqf(benchmark::State& state) {
  const int version = static_cast<int>(state.range(0));
  std::string data = LoadCorpusFile(kBigFiles[0]);
  if (data.empty()) {
    state.SkipWithError("corpus file missing");
    return;
  }
  TQuietJob job;
  TChessRec rec;
  ResetRecord(rec, kFmtXqf, kFmtXqf);
  ReadXqfData(job, rec, data);
  std::string out;
  for (auto _ : state) benchmark::DoNotOptimize(RenderXqf(rec, version, 936, out));
  state.SetItemsProcessed(state.iterations() * rec.MoveCount);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(out.size()));
}
BENCHMARK(BM_WriteXqf)->Arg(10)->Arg(18)->Unit(benchmark::kMillisecond);

}  // namespace
