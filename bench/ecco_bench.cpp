// Opening classifications per second on one core: the built libecco.so called
// through its entry with the WXF strings of the labelled practice games (or a
// few fixed openings when those games are not present).
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/board.h"
#include "core/jobstate.h"
#include "core/movecheck.h"
#include "core/notation.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "tests/ecco/coordinates.h"
#include "tests/support/test_job.h"

namespace {

// WXF moves of a game given as coordinates such as "h2e2".
std::string WxfOfCoordinates(const std::string& moves) {
  TQuietJob job;
  job.WxfStandard = true;
  TChessRec rec = RecordOfCoordinates(kFmtPgn, kFmtPgn, moves);
  CheckMoves(job, rec);
  std::string wxf;
  for (int i = 1; i <= rec.MoveCount && i <= 20; ++i)
    wxf += RenderWxf(rec.Moves[i].NoteHead, rec.Moves[i].NoteTail);
  return wxf;
}

std::vector<std::string> Games() {
  std::vector<std::string> games;
  std::ifstream in(TAVRIK_ECCO_DATA_DIR "/ccpd-sample.tsv");
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line))
    games.push_back(WxfOfCoordinates(line.substr(line.rfind('\t') + 1)));
  if (games.empty())
    games = {"C2.5N8+7N2+3R9.8R1.2P7+1R2+6N2+3N8+7P3+1R9+1",
             "C2.5N2+3N2+3C8.6R1.2N8+7P3+1P3+1N8+9R1.2C8.7", "P3+1C8.7C8.5B7+5N8+7R1+1R9.8R1.8",
             "C2.5C8.5N2+3N8+7R1+1R9.8P7+1R8+4", "B3+5C8.4N2+3N8+7R1.2P7+1C2.1"};
  return games;
}

void BM_EccoIndex(benchmark::State& state) {
  void* lib = dlopen(TAVRIK_BINARY_DIR "/libecco.so", RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    state.SkipWithError("libecco.so not built");
    return;
  }
  auto index = reinterpret_cast<uint32_t (*)(const char*)>(dlsym(lib, "EccoIndex"));
  std::vector<std::string> games = Games();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(index(games[i].c_str()));
    if (++i == games.size()) i = 0;
  }
  state.counters["classifications/s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  dlclose(lib);
}
BENCHMARK(BM_EccoIndex);

}  // namespace
