// tavrik without arguments opens the desktop window; the command line itself
// never loads Qt.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string kTavrik = std::string(TAVRIK_BINARY_DIR) + "/tavrik";

// Runs a shell command; returns its exit status and its output (both streams).
int RunCommand(const std::string& command, std::string& output) {
  output.clear();
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    output.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(DesktopStart, CommandLineLinksNoQt) {
  std::string out;
  ASSERT_EQ(RunCommand("readelf -d '" + kTavrik + "'", out), 0) << out;
  ASSERT_NE(out.find("(NEEDED)"), std::string::npos) << out;  // the section was read
  EXPECT_EQ(out.find("libQt"), std::string::npos) << out;
}

struct TStartCase {
  const char* Name;
  const char* Environment;  // for env(1)
  bool Copy;                // run a copy that has no desktop program beside it
  const char* Why;
};

void PrintTo(const TStartCase& c, std::ostream* os) { *os << c.Name; }

class DesktopStartCases : public ::testing::TestWithParam<TStartCase> {};

TEST_P(DesktopStartCases, SaysWhyAndShowsUsage) {
  const TStartCase& c = GetParam();
  std::string tmpl = (fs::temp_directory_path() / "tavrik_start_XXXXXX").string();
  const std::string dir = ::mkdtemp(tmpl.data());
  std::string program = kTavrik;
  if (c.Copy) {
    program = dir + "/tavrik";
    fs::copy_file(kTavrik, program);
  }
  std::string out;
  const int status = RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY TAVRIK_CONFIG_DIR='" + dir +
                                    "' " + c.Environment + " '" + program + "'",
                                out);
  EXPECT_EQ(status, 2) << out;
  EXPECT_NE(out.find(c.Why), std::string::npos) << out;
  EXPECT_NE(out.find("usage: tavrik"), std::string::npos) << out;
  std::error_code ec;
  fs::remove_all(dir, ec);
}

INSTANTIATE_TEST_SUITE_P(Start, DesktopStartCases,
                         ::testing::Values(TStartCase{"NoDisplay", "", false, "tavrik: no display"},
                                           TStartCase{"WindowMissing", "DISPLAY=:99", true,
                                                      "tavrik-gui is not installed"}),
                         [](const ::testing::TestParamInfo<TStartCase>& info) {
                           return std::string(info.param.Name);
                         });
