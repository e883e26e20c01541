// Stop requests and progress of the jobs: a stopped job keeps what it wrote and
// logs how far it got.
#include "core/jobcontrol.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "app/any2any.h"
#include "app/cbl3tocbr.h"
#include "app/settings.h"
#include "formats/text/registry.h"
#include "tests/support/app_fixture.h"

namespace fs = std::filesystem;

namespace {

// A CBL 3.0 library of count records, one 4096-byte block each.
std::string Cbl3Library(int count) {
  std::string lib = "CCBridgeLibrary";
  lib.resize(3648, 'h');
  for (int i = 1; i <= count; ++i) {
    std::string r = std::string(kCbrMarker) + "#" + std::to_string(i);
    r.resize(kCbl3BlockSize, '\0');
    lib += r;
  }
  return lib;
}

enum class TKind { AnyFolder, Cbl3File, Cbl3Folder };

struct TStopCase {
  const char* Name;
  TKind Kind;
  int StopAfter;      // progress count at which the stop is requested; 0 before the job
  int StopInner;      // and records done in the current file then (-1: any)
  int Written;        // output files expected
  const char* Where;  // how far the log says the job got
};

void PrintTo(const TStopCase& c, std::ostream* os) { *os << c.Name; }

class JobControlTest : public TAppTestOf<::testing::TestWithParam<TStopCase>> {};

// Requests the stop once the progress reaches stopAfter; remembers the totals.
void StopAt(TJobControl& job, const TStopCase& c, std::vector<int64_t>& totals) {
  if (c.StopAfter == 0) job.RequestStop();
  job.OnProgress = [&job, c, &totals](const TJobProgress& p) {
    totals.push_back(p.Total);
    if (p.Done == c.StopAfter && (c.StopInner < 0 || p.InnerDone == c.StopInner)) job.RequestStop();
  };
}

TEST_P(JobControlTest, StopKeepsWhatWasWrittenAndSaysHowFar) {
  const TStopCase& c = GetParam();
  const std::string src = dir_ + "src/";
  const std::string dst = dir_ + "dst/";
  fs::create_directories(dst);
  std::vector<int64_t> totals;
  std::vector<std::string> log;

  if (c.Kind == TKind::AnyFolder) {
    const std::string xqf = Slurp(fs::path(TAVRIK_TEST_DATA) / "xqf/sample_v10.xqf");
    ASSERT_FALSE(xqf.empty());
    for (const char* name : {"a.xqf", "b.xqf", "c.xqf"}) Spit(src + name, xqf);
    TAnyFormat2AnyFormatForm f;
    f.rgSource.ItemIndex = 0;
    f.rgSourceClick();
    f.cbbSourceFormat.ItemIndex = 0;  // XQF
    f.cbbSourceFormatChange();
    f.cbbDestinationFormat.ItemIndex = 5;  // PGN
    f.cbbDestinationFormatChange();
    f.edtSource.Text = src;
    f.edtDestination.Text = dst;
    StopAt(f, c, totals);
    f.btnConvertClick();
    log = f.mmoLog.Lines;
  } else {
    TCBL3ToCBRForm f;
    if (c.Kind == TKind::Cbl3File) {
      Spit(src + "lib.cbl", Cbl3Library(5));
      f.rgSource.ItemIndex = TCBL3ToCBRForm::kSourceFile;
      f.edtSource.Text = src + "lib.cbl";
    } else {
      for (const char* name : {"a.cbl", "b.cbl", "c.cbl"}) Spit(src + name, Cbl3Library(2));
      f.rgSource.ItemIndex = TCBL3ToCBRForm::kSourceFolder;
      f.edtSource.Text = src;
    }
    f.edtDestination.Text = dst;
    StopAt(f, c, totals);
    f.btnConvertClick();
    log = f.mmoLog.Lines;
  }

  EXPECT_EQ(static_cast<int>(FileNamesIn(dst).size()), c.Written);
  EXPECT_TRUE(Logged(log, c.Where)) << c.Name;
  for (int64_t total : totals) EXPECT_GE(total, 0) << "a total is known for " << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, JobControlTest,
    ::testing::Values(
        TStopCase{"AnyToAnyFolder", TKind::AnyFolder, 2, -1, 2,
                  "已停止轉換：已處理 2 個文件，共 3 個。"},
        TStopCase{"AnyToAnyBeforeStart", TKind::AnyFolder, 0, -1, 0, "已停止轉換：已處理 0 個文件"},
        TStopCase{"Cbl3File", TKind::Cbl3File, 2, -1, 2, "已停止轉換：已處理 2 個棋譜，共 5 個"},
        TStopCase{"Cbl3Folder", TKind::Cbl3Folder, 1, 0, 2,
                  "已停止轉換：已處理 1 個文件，共 3 個。"},
        TStopCase{"Cbl3FolderInsideALibrary", TKind::Cbl3Folder, 1, 1, 3,
                  "已處理 1 個文件，共 3 個；當前文件已處理 1 個棋譜，共 2 個。"}),
    [](const ::testing::TestParamInfo<TStopCase>& info) { return std::string(info.param.Name); });

}  // namespace
