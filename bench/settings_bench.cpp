// Cost of loading a settings file by its number of sections: the time per
// section must stay flat (a search per section header made it grow with the
// file, minutes for a few hundred thousand sections).
#include <benchmark/benchmark.h>

#include <string>

#include "app/settings.h"

namespace {

std::string ManySections(int count) {
  std::string text;
  for (int i = 0; i < count; ++i)
    text += "[Section" + std::to_string(i) + "]\nKey=" + std::to_string(i) + "\n";
  return text;
}

void BM_LoadSettings(benchmark::State& state) {
  const std::string text = ManySections(static_cast<int>(state.range(0)));
  TIniFile ini;
  for (auto _ : state) {
    ini.LoadFromText(text);
    benchmark::DoNotOptimize(ini.SectionExists("Section0"));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadSettings)->RangeMultiplier(4)->Range(10000, 640000)->Complexity();

}  // namespace
