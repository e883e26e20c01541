// Reading the three move-list formats and writing CNC, on generated files of
// range(0) moves (there are no large real files of these formats). The moves
// need not be legal: only the readers and the writer are measured.
#include <benchmark/benchmark.h>

#include <string>

#include "core/jobstate.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/binary/ccm.h"
#include "formats/binary/che.h"
#include "formats/binary/cnc.h"
#include "tests/support/test_job.h"

namespace {

std::string MakeCnc(int moves) {
  std::string out(90, 'N');
  for (int i = 0; i < moves; ++i) {
    out += static_cast<char>(30 + i % 90);
    out += static_cast<char>(30 + (i * 7) % 90);
  }
  return out + "END.";
}

std::string MakeChe(int moves) {
  std::string out;
  for (int i = 0; i < moves; ++i) {
    out += std::to_string(i) + " 12 0 305 1 ";
    out += std::to_string(i % 10) + ' ' + std::to_string(i % 9) + ' ';
    out += std::to_string((i + 3) % 10) + ' ' + std::to_string((i + 5) % 9) + " 0 ";
  }
  return out;
}

std::string MakeCcm(int moves) {
  std::string out(1, '\0');
  for (int i = 0; i < moves; ++i)
    out += {0, 0, char(i % 9), char((i + 4) % 9), char(i % 10), char((i + 3) % 10), 0};
  return out;
}

template <std::string (*Make)(int), bool (*Read)(TJobState&, TChessRec&, std::string_view)>
void BM_Read(benchmark::State& state) {
  const std::string data = Make(static_cast<int>(state.range(0)));
  TQuietJob job;
  TChessRec rec;
  for (auto _ : state) {
    ResetRecord(rec, kFmtCnc, kFmtCnc);
    benchmark::DoNotOptimize(Read(job, rec, data));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.size()));
  state.SetItemsProcessed(state.iterations() * rec.MoveCount);
}
BENCHMARK(BM_Read<MakeCnc, ReadCncData>)->Name("ReadCnc")->Range(64, 1 << 18);
BENCHMARK(BM_Read<MakeChe, ReadCheData>)->Name("ReadChe")->Range(64, 1 << 18);
BENCHMARK(BM_Read<MakeCcm, ReadCcmData>)->Name("ReadCcm")->Range(64, 1 << 18);

void BM_RenderCnc(benchmark::State& state) {
  TQuietJob job;
  TChessRec rec;
  ResetRecord(rec, kFmtCnc, kFmtCnc);
  ReadCncData(job, rec, MakeCnc(static_cast<int>(state.range(0))));
  std::string out;
  for (auto _ : state) benchmark::DoNotOptimize(RenderCnc(rec, out));
  state.SetItemsProcessed(state.iterations() * rec.MoveCount);
}
BENCHMARK(BM_RenderCnc)->Range(64, 1 << 18);

}  // namespace
