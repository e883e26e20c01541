// Conversion speed of a 1 MB GBK text: to UTF-8 and to Big5, with and
// without simplified/traditional mapping, and the DBCS-aware searches over it.
#include <benchmark/benchmark.h>

#include <string>

#include "core/encoding.h"
#include "core/jobstate.h"

namespace {

const std::string& GbkText() {
  static std::string text;
  if (text.empty()) {
    std::string chunk =
        "[Event \"全国象棋个人赛\"]\r\n红方棋手：许银川 黑方棋手：吕钦 比赛结果：红胜\r\n"
        "1. 炮二平五 马８进７ 2. 马二进三 车９平８ 3. 车一平二 卒７进１\r\n"
        "{这是一步发展很快的着法，黑方应当注意中路的防守，否则难以应付。}\r\n";
    ConvertCodePage(chunk, kCpUtf8, 0, kCpGbk);
    while (text.size() < (1 << 20)) text += chunk;
  }
  return text;
}

void Convert(benchmark::State& state, int flag, int dst) {
  const std::string& src = GbkText();
  std::string s;
  for (auto _ : state) {
    s = src;
    ConvertCodePage(s, kCpGbk, flag, dst);
    benchmark::DoNotOptimize(s.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}

void BM_GbkToUtf8(benchmark::State& state) { Convert(state, 0, kCpUtf8); }
void BM_GbkToUtf8Traditional(benchmark::State& state) {
  Convert(state, kMapToTraditional, kCpUtf8);
}
void BM_GbkToBig5(benchmark::State& state) { Convert(state, 0, kCpBig5); }  // mapping forced

// Big5 bytes with no mapping at all (the Big5 hint of WideToCodePage).
void BM_GbkToBig5NoMapping(benchmark::State& state) {
  const std::string& src = GbkText();
  std::string s;
  for (auto _ : state) {
    std::u16string wide = BytesToWide(src, kCpGbk);
    WideToCodePage(s, wide, kCpBig5, 0, kCpBig5);
    benchmark::DoNotOptimize(s.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}

void BM_PosCharDbcs(benchmark::State& state) {
  std::string text = GbkText() + "|";
  for (auto _ : state) benchmark::DoNotOptimize(PosCharDbcs(kCpGbk, '|', text, kNoLimit, 1));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_ReplaceAllDbcs(benchmark::State& state) {
  const std::string& src = GbkText();
  std::string s;
  for (auto _ : state) {
    s = src;
    ReplaceAllDbcs(kCpGbk, s, "\r\n", true, "||");
    benchmark::DoNotOptimize(s.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}

}  // namespace

BENCHMARK(BM_GbkToUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GbkToUtf8Traditional)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GbkToBig5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GbkToBig5NoMapping)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PosCharDbcs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceAllDbcs)->Unit(benchmark::kMillisecond);
