#include "formats/text/fenfile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/baseform.h"
#include "app/dispatch.h"
#include "core/position.h"
#include "core/record.h"
#include "formats/text/registry.h"
#include "tests/support/files.h"
#include "tests/support/golden.h"

namespace {

namespace fs = std::filesystem;
const fs::path kData = fs::path(TAVRIK_TEST_DATA) / "fen";
const fs::path kCorpus = fs::path(TAVRIK_CORPUS_DIR) / "fen";
constexpr const char* kNotFen = "源棋譜不是FEN局面或者源棋譜代碼頁不正確。";
constexpr const char* kStart =
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1";

bool Logged(const TBaseForm& job, const std::string& text) {
  for (const std::string& line : job.mmoLog.Lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

class FenFile : public ::testing::Test {
 protected:
  void SetUp() override {
    job_.SrcFormat = kFmtFen;
    job_.DstFormat = kFmtFen;
    job_.SrcCodePage = kCpUtf8;
    job_.DstCodePage = kCpUtf8;
  }
  std::string Put(const std::string& bytes) {
    const std::string path = (dir_ / "in.fen").string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // Reads a file the way a job does (reader, then completion).
  bool Read(const std::string& path) { return ReadRecordFile(job_, rec_, path); }

  TTempFolder temp_{"tavrik_fenfile"};
  fs::path dir_ = temp_.Path();
  TBaseForm job_;
  TChessRec rec_;
};

}  // namespace

// The writer's output is the FEN alone: no byte-order mark even for UTF-8, no
// line end. Reading the golden file back gives the same FEN.
TEST_F(FenFile, GoldenFilesRoundTrip) {
  const bool accept = Accepting();
  for (const char* name : {"start_red.fen", "middle_black.fen", "empty_board.fen"}) {
    SCOPED_TRACE(name);
    const fs::path golden = kData / name;
    const std::string source =
        std::string(name) == "start_red.fen" ? std::string(kStart)
        : std::string(name) == "middle_black.fen"
            ? "2bak4/4a4/4b1n2/p3p3p/2p3p2/P1P3P2/4P3P/2N1B4/4A4/2BAK2R1 b - - 0 1"
            : "9/9/9/9/9/9/9/9/9/9 w - - 0 1";
    ASSERT_TRUE(Read(Put(source)));
    const std::string out = (dir_ / name).string();
    ASSERT_EQ(WriteRecord(job_, rec_, out), 1) << job_.LogText();
    if (accept) fs::copy_file(out, golden, fs::copy_options::overwrite_existing);
    const std::string written = Slurp(out);
    EXPECT_EQ(written, Slurp(golden));
    EXPECT_EQ(written, source);

    ASSERT_TRUE(Read(golden.string()));
    EXPECT_EQ(rec_.Texts[kSlotFen], written);
    EXPECT_EQ(rec_.MoveCount, 0);
  }
  EXPECT_EQ(job_.ErrorCount, 0) << job_.LogText();
}

TEST_F(FenFile, SideMarkAndLeadingText) {
  // A byte-order mark, a label before the board and a line end after it do
  // not matter; "b" gives black the first move.
  ASSERT_TRUE(
      Read(Put("\xEF\xBB\xBF"
               "FEN: " +
               std::string(kStart) + "\r\n")));
  EXPECT_EQ(rec_.Texts[kSlotFen], kStart);
  EXPECT_EQ(rec_.RedFirst, 1);
  ASSERT_TRUE(Read(Put("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR b - - 0 1")));
  EXPECT_EQ(rec_.RedFirst, 0);
  EXPECT_EQ(rec_.Texts[kSlotFen].substr(rec_.Texts[kSlotFen].size() - 10), " b - - 0 1");
  EXPECT_EQ(job_.ErrorCount, 0) << job_.LogText();
}

TEST_F(FenFile, NotAFenIsLogged) {
  for (const char* text :
       {"not a position at all", "rnbakabnr/9/1c5c1 w - - 0 1",
        "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR x - - 0 1"}) {
    SCOPED_TRACE(text);
    job_.PrepareJob();
    EXPECT_FALSE(Read(Put(text)));
    EXPECT_EQ(job_.ErrorCount, 1);
    EXPECT_TRUE(Logged(job_, kNotFen)) << job_.LogText();
  }
}

TEST_F(FenFile, CorpusFile) {
  const fs::path file = kCorpus / "fen_black_to_move.fen";
  if (!fs::exists(file)) GTEST_SKIP() << "no corpus";
  ASSERT_TRUE(Read(file.string()));
  EXPECT_EQ(rec_.RedFirst, 0);
  std::string content = Slurp(file);
  content = content.substr(0, content.find(" b "));
  EXPECT_EQ(rec_.Texts[kSlotFen], content + " b - - 0 1");
  EXPECT_EQ(job_.ErrorCount, 0) << job_.LogText();
}
