// Runs the built tavrik program as a user would, with the settings folder
// pointed at a temporary one.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "core/uglobal.h"
#include "tests/support/app_fixture.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class CommandLineTest : public TProgramTest {
 protected:
  std::string Ini() { return Slurp(config_ + "tavrik.ini"); }
};

}  // namespace

TEST_F(CommandLineTest, TwoArgumentsRunNothingSaveTheLogAndExit2) {
  EXPECT_EQ(Run("2 GBK"), 2);
  EXPECT_TRUE(out_.empty());
  EXPECT_TRUE(fs::exists(config_ + "tavrik.log"));
  EXPECT_EQ(Slurp(config_ + "tavrik.log"), "");

  // The first run wrote the settings, the default code bases on top.
  std::vector<std::string> lines = LinesOf(Ini());
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "[WebCchess 5 CodeBase]");
  const std::regex codeBase("[a-z]+://[^/]+/java/");
  EXPECT_TRUE(std::regex_match(lines[1], codeBase)) << lines[1];
  EXPECT_TRUE(std::regex_match(lines[2], codeBase)) << lines[2];
  EXPECT_TRUE(lines.size() == 3 || lines[3].empty() || lines[3][0] == '[');
  EXPECT_NE(Ini().find("[AnyToAny]"), std::string::npos);
  // No argument opens the desktop window: desktop_start_test.cpp.
}

TEST_F(CommandLineTest, CodeBaseSectionRefilledWhenEmptiedKeptWhenNot) {
  Spit(config_ + "tavrik.ini",
       "[Destination]\nAddMD5=2\nWidth=640\n\n[WebCchess 5 CodeBase]\n\n[AnyToAny]\nSubDirs=0\n");
  EXPECT_EQ(Run("1 2"), 2);
  std::vector<std::string> lines = LinesOf(Ini());
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "[WebCchess 5 CodeBase]");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], "[Destination]");
  EXPECT_NE(Ini().find("AddMD5=2\nWidth=640\n"), std::string::npos);
  EXPECT_NE(Ini().find("SubDirs=0"), std::string::npos);

  Spit(config_ + "tavrik.ini",
       "[Destination]\nAddMD5=2\n[WebCchess 5 CodeBase]\nhttp://mine/java/\n");
  EXPECT_EQ(Run("1 2"), 2);
  lines = LinesOf(Ini());
  EXPECT_EQ(lines[0], "[Destination]");
  std::string ini = Ini();
  EXPECT_NE(ini.find("[WebCchess 5 CodeBase]\nhttp://mine/java/\n\n"), std::string::npos);
}

TEST_F(CommandLineTest, SevenArgumentsEchoTheLogAndExit1OnRefusal) {
  EXPECT_EQ(Run("2 GBK BIG5 XQF PGN missing.xqf out"), 1);
  EXPECT_NE(out_.find("源文件不存在。"), std::string::npos);
  EXPECT_EQ(Slurp(config_ + "tavrik.log"), out_);
  // The paths of the command line become the window's stored choices.
  EXPECT_NE(Ini().find("Source=" + dir_ + "missing.xqf"), std::string::npos);
  EXPECT_NE(Ini().find("DestinationFormat=5"), std::string::npos);
}

TEST_F(CommandLineTest, SettingsWrittenOnlyWhenChangedAndNeverOverAReadOnlyFile) {
  const std::string ini = config_ + "tavrik.ini";
  auto inode = [&] {
    struct stat st {};
    stat(ini.c_str(), &st);
    return st.st_ino;
  };
  EXPECT_EQ(Run("2 GBK BIG5 XQF PGN missing.xqf out"), 1);
  const auto first = inode();
  EXPECT_EQ(Run("2 GBK BIG5 XQF PGN missing.xqf out"), 1);
  EXPECT_EQ(inode(), first);  // the same choices: not rewritten
  EXPECT_EQ(Run("2 GBK BIG5 XQF PGN other.xqf out"), 1);
  EXPECT_NE(inode(), first);
  EXPECT_NE(Ini().find("Source=" + dir_ + "other.xqf"), std::string::npos);

  chmod(ini.c_str(), 0444);
  const std::string before = Ini();
  EXPECT_EQ(Run("2 GBK BIG5 XQF PGN third.xqf out"), 1);
  EXPECT_EQ(Ini(), before);
  struct stat st {};
  ASSERT_EQ(stat(ini.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST_F(CommandLineTest, TypicalRequestWritesBig5Pgn) {
  std::string sample = std::string(TAVRIK_CORPUS_DIR) + "/xqf/v18_huang_vs_feng_1var_8comments.xqf";
  if (!fs::exists(sample)) GTEST_SKIP() << "corpus not present";
  if (!FileTypes[kFmtXqf].Reader || !FileTypes[kFmtPgn].Writer)
    GTEST_SKIP() << "XQF reader or PGN writer not built yet";
  fs::copy_file(sample, dir_ + "a.xqf");
  fs::create_directories(dir_ + "out");
  EXPECT_EQ(Run("2 GBK BIG5 XQF PGN a.xqf out"), 0) << out_;
  EXPECT_TRUE(fs::exists(dir_ + "out/a.PGN"));
  EXPECT_NE(out_.find("已寫棋譜到：" + dir_ + "out/a.PGN"), std::string::npos) << out_;
  EXPECT_EQ(Slurp(config_ + "tavrik.log"), out_);
}
