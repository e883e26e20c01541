// Reading and writing CCBridge 2.x libraries: opening (inflating) and decoding
// every record of the largest real library, and building a library of many
// records in memory and compressing it at each level.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "core/jobstate.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/ccbridge/cbl.h"
#include "formats/ccbridge/cbr.h"
#include "tests/support/test_job.h"

namespace {

class TLibraryJob : public TQuietJob {
 public:
  TLibraryJob() {
    SrcFormat = kFmtCbl;
    DstFormat = kFmtCbl;
    SrcCodePage = kCpGbk;
    DstCodePage = kCpGbk;
  }
};

std::string LoadCorpusFile(const char* name) {
  std::ifstream f(std::string(TAVRIK_CORPUS_DIR) + "/cbl/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// Unpack, walk and decode (with completion) every record of one library.
void BM_ReadLibrary(benchmark::State& state) {
  const char* name = "cbl21_best_196endgames_blackfirst.CBL";
  const std::string file = LoadCorpusFile(name);
  if (file.empty()) {
    state.SkipWithError("corpus file missing");
    return;
  }
  TLibraryJob job;
  TChessRec rec;
  int records = 0;
  for (auto _ : state) {
    TLibraryData lib;
    std::string message;
    bool shortData = false;
    if (!UnpackLibrary(file, kLibrarySource, lib, message, shortData) ||
        !ParseLibraryHeader(job, lib)) {
      state.SkipWithError("library not readable");
      return;
    }
    records = WalkLibraryRecords(job, lib, [&](size_t start, size_t end, const std::string& l) {
      ReadCbrRecord(job, rec, lib.Bytes, start, end, l);
    });
  }
  state.SetLabel(name);
  state.SetItemsProcessed(state.iterations() * records);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(file.size()));
}
BENCHMARK(BM_ReadLibrary)->Unit(benchmark::kMillisecond);

// Appends n records of 120 plies with comments and renders the library file
// at compression level range(1).
void BM_WriteLibrary(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TLibraryJob job;
  TChessRec rec;
  ResetRecord(rec, kFmtCbl, kFmtCbl);
  SetMoveCapacity(rec, 121);
  for (int i = 1; i <= 120; ++i) {
    // Knights going back and forth: legal, and the record stays a plain line.
    static const uint8_t kMoves[4][2] = {{0x79, 0x67}, {0x70, 0x62}, {0x67, 0x79}, {0x62, 0x70}};
    rec.Moves[i].From = kMoves[(i - 1) % 4][0];
    rec.Moves[i].Dest = kMoves[(i - 1) % 4][1];
  }
  BuildLinearTree(rec, 120);
  for (int i = 1; i <= 120; i += 3) SetMoveText(rec, i, "a comment on this move");
  rec.Texts[kSlotTitle] = "benchmark";
  std::string data;
  for (auto _ : state) {
    data.clear();
    data.shrink_to_fit();
    data.assign(66, '\0');
    for (int r = 0; r < n; ++r) WriteCbrRecord(job, rec, data);
    benchmark::DoNotOptimize(RenderLibraryFile(data, static_cast<int32_t>(state.range(1)),
                                               static_cast<int32_t>(data.size())));
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.size()));
}
BENCHMARK(BM_WriteLibrary)
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Args({10000, 2})
    ->Args({10000, 3})
    ->Unit(benchmark::kMillisecond);

}  // namespace
