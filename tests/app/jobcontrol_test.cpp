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

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

void Spit(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

int CountFiles(const fs::path& dir) {
  int n = 0;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
       it.increment(ec))
    if (it->is_regular_file()) ++n;
  return n;
}

bool Logged(const std::vector<std::string>& lines, const std::string& text) {
  for (const std::string& line : lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

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
  int Written;        // output files expected
  const char* Where;  // how far the log says the job got
};

void PrintTo(const TStopCase& c, std::ostream* os) { *os << c.Name; }

class JobControlTest : public ::testing::TestWithParam<TStopCase> {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "tavrik_stop_XXXXXX").string();
    dir_ = std::string(mkdtemp(tmpl.data())) + "/";
    Settings().Clear();
    SetSettingsFolder(dir_);
    Process().Unattended = true;
    Process().SystemCodePage = kCpUtf8;
    BuildFormatStrings();
  }
  void TearDown() override {
    Settings().Clear();
    SetSettingsFolder("");
    Process() = TProcessState{};
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string dir_;
};

// Requests the stop once the progress reaches stopAfter; remembers the totals.
void StopAt(TJobControl& job, int stopAfter, std::vector<int64_t>& totals) {
  if (stopAfter == 0) job.RequestStop();
  job.OnProgress = [&job, stopAfter, &totals](const TJobProgress& p) {
    totals.push_back(p.Total);
    if (p.Done == stopAfter) job.RequestStop();
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
    StopAt(f, c.StopAfter, totals);
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
    StopAt(f, c.StopAfter, totals);
    f.btnConvertClick();
    log = f.mmoLog.Lines;
  }

  EXPECT_EQ(CountFiles(dst), c.Written);
  EXPECT_TRUE(Logged(log, c.Where)) << c.Name;
  for (int64_t total : totals) EXPECT_GE(total, 0) << "a total is known for " << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, JobControlTest,
    ::testing::Values(
        TStopCase{"AnyToAnyFolder", TKind::AnyFolder, 2, 2, "已停止轉換：已處理 2 個文件，共 3 個"},
        TStopCase{"AnyToAnyBeforeStart", TKind::AnyFolder, 0, 0, "已停止轉換：已處理 0 個文件"},
        TStopCase{"Cbl3File", TKind::Cbl3File, 2, 2, "已停止轉換：已處理 2 個棋譜，共 5 個"},
        TStopCase{"Cbl3Folder", TKind::Cbl3Folder, 1, 2, "已停止轉換：已處理 1 個文件，共 3 個"}),
    [](const ::testing::TestParamInfo<TStopCase>& info) { return std::string(info.param.Name); });

}  // namespace
