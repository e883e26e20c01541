#include "formats/ccbridge/cbl3.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/cbl3tocbr.h"
#include "app/settings.h"
#include "tests/support/files.h"

namespace {

namespace fs = std::filesystem;
const fs::path kCorpus = fs::path(TAVRIK_CORPUS_DIR);

// A record of a 3.0 library: the marker, a number and filler up to size.
std::string Record(int number, size_t size = kCbl3BlockSize) {
  std::string r = std::string(kCbrMarker) + std::string(4, '\0') + "\x02#" + std::to_string(number);
  r.resize(size, '\0');
  return r;
}

// A library: a header of headerSize bytes followed by count record blocks.
std::string Library(int count, size_t headerSize = 3648) {
  std::string lib = "CCBridgeLibrary";
  lib.resize(headerSize, 'h');
  for (int i = 1; i <= count; ++i) lib += Record(i);
  return lib;
}

std::vector<size_t> Starts(std::string_view lib, int flag) {
  std::vector<size_t> s;
  FindCbrStarts(lib, flag, s);
  return s;
}

// Answers the replace questions from a script and records them.
class TScriptedAsker : public TAsker {
 public:
  std::vector<int> Answers;
  int Questions = 0;
  int Show(const std::string&, TAskKind kind, unsigned) override {
    if (kind != TAskKind::Confirmation) return kAnswerOk;
    const int a = Questions < static_cast<int>(Answers.size()) ? Answers[Questions] : kAnswerNo;
    ++Questions;
    return a;
  }
};

class Cbl3Job : public ::testing::Test {
 protected:
  void SetUp() override { Settings().EraseSection(kSecCbl3ToCbr); }
  void TearDown() override { Settings().EraseSection(kSecCbl3ToCbr); }
  bool Logged(const TCBL3ToCBRForm& form, const std::string& text) {
    return form.LogText().find(text) != std::string::npos;
  }
  std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  TTempFolder temp_{"tavrik_cbl3"};
  std::string dir_ = temp_.Path();
};

}  // namespace

TEST(Cbl3Cut, RecordStartsInBothModes) {
  // Blocks are counted back from the end, whatever the header's length.
  for (size_t header : {size_t{0}, size_t{100}, size_t{3648}}) {
    const std::string lib = Library(3, header);
    EXPECT_EQ(Starts(lib, kCbrFlagBlocks),
              (std::vector<size_t>{header, header + 4096, header + 8192}));
  }
  // A library shorter than one block holds no record in block mode.
  EXPECT_TRUE(Starts(Record(1, 4095), kCbrFlagBlocks).empty());
  EXPECT_EQ(Starts(Record(1, 4095), kCbrFlagAnywhere), std::vector<size_t>{0});
  EXPECT_TRUE(Starts("", kCbrFlagAnywhere).empty());

  // The marker inside a record splits it only in search mode; a marker cut
  // off by the end of the file is no start.
  std::string lib = Library(2);
  lib.replace(3648 + 500, kCbrMarker.size(), kCbrMarker);
  EXPECT_EQ(Starts(lib, kCbrFlagBlocks), (std::vector<size_t>{3648, 3648 + 4096}));
  EXPECT_EQ(Starts(lib, kCbrFlagAnywhere), (std::vector<size_t>{3648, 4148, 3648 + 4096}));
  lib += kCbrMarker.substr(0, 14);
  EXPECT_EQ(Starts(lib, kCbrFlagAnywhere).size(), 3u);
  // Markers following each other directly are both found.
  const std::string twice = std::string(kCbrMarker) + std::string(kCbrMarker);
  EXPECT_EQ(Starts(twice, kCbrFlagAnywhere), (std::vector<size_t>{0, 15}));
}

TEST(Cbl3Cut, NamesArePaddedToTheCount) {
  EXPECT_EQ(CbrFileName("/o/", 9, 9) + CbrFileName("/o/", 1, 10), "/o/9.CBR/o/01.CBR");
  EXPECT_EQ(CbrFileName("/o/", 7, 120), "/o/007.CBR");
}

// File mode: the pieces go straight into the destination folder, byte for
// byte, and the settings keep the window's choices.
TEST_F(Cbl3Job, FileModeWritesEveryPieceUnchanged) {
  std::string lib = Library(10);
  lib.replace(3648 + 4096 + 700, kCbrMarker.size(), kCbrMarker);
  Spit(dir_ + "lib.CBL", lib);
  fs::create_directories(dir_ + "out");
  {
    TCBL3ToCBRForm form;
    EXPECT_EQ(form.rgSource.ItemIndex, TCBL3ToCBRForm::kSourceFolder);
    EXPECT_EQ(form.rgCBRFlag.ItemIndex, kCbrFlagBlocks);
    form.rgSource.ItemIndex = TCBL3ToCBRForm::kSourceFile;
    form.edtSource.Text = "  " + dir_ + "lib.CBL ";
    form.edtDestination.Text = dir_ + "out";
    form.btnConvertClick();
    EXPECT_EQ(form.edtSource.Text, dir_ + "lib.CBL");
    EXPECT_TRUE(Logged(form, "轉換完成！")) << form.LogText();
    EXPECT_FALSE(Logged(form, "[錯誤]")) << form.LogText();
    std::vector<std::string> names = Names(dir_ + "out");
    ASSERT_EQ(names.size(), 10u);
    EXPECT_EQ(names.front(), "01.CBR");
    EXPECT_EQ(names.back(), "10.CBR");
    for (int j = 1; j <= 10; ++j)
      EXPECT_EQ(Slurp(CbrFileName(dir_ + "out/", j, 10)), lib.substr(3648 + (j - 1) * 4096, 4096));

    // Search mode splits the second record at the marker inside it.
    form.rgCBRFlag.ItemIndex = kCbrFlagAnywhere;
    form.edtDestination.Text = dir_ + "out/";
    form.btnConvertClick();
    EXPECT_EQ(Names(dir_ + "out").size(), 11u);
    EXPECT_EQ(Slurp(dir_ + "out/02.CBR"), lib.substr(3648 + 4096, 700));
    EXPECT_EQ(Slurp(dir_ + "out/03.CBR").size(), 4096u - 700);
  }
  TCBL3ToCBRForm again;
  EXPECT_EQ(again.rgSource.ItemIndex, TCBL3ToCBRForm::kSourceFile);
  EXPECT_EQ(again.rgCBRFlag.ItemIndex, kCbrFlagAnywhere);
  EXPECT_EQ(again.edtDestination.Text, dir_ + "out/");
  EXPECT_TRUE(again.chkSubDir.Checked);
}

TEST_F(Cbl3Job, PathChecksAndBadLibraries) {
  TCBL3ToCBRForm form;
  form.rgSource.ItemIndex = TCBL3ToCBRForm::kSourceFile;
  form.edtSource.Text = dir_ + "missing.CBL";
  form.edtDestination.Text = dir_ + "no/such/out";
  form.btnConvertClick();
  EXPECT_EQ(form.LogText(), "目標文件所在的文件夾不存在。");

  form.edtDestination.Text = dir_ + "out";
  form.btnConvertClick();
  EXPECT_EQ(form.LogText(), "源文件不存在。");
  form.rgSource.ItemIndex = TCBL3ToCBRForm::kSourceFolder;
  form.edtSource.Text = dir_ + "nofolder";
  form.btnConvertClick();
  EXPECT_EQ(form.LogText(), "源文件夾不存在。");

  // File mode into a destination folder that does not exist: the first file
  // cannot be created, which is logged, and the library is left.
  Spit(dir_ + "a.CBL", Library(2));
  form.rgSource.ItemIndex = TCBL3ToCBRForm::kSourceFile;
  form.edtSource.Text = dir_ + "a.CBL";
  form.btnConvertClick();
  EXPECT_TRUE(Logged(form, "[錯誤] 不能寫入文件：" + dir_ + "out/1.CBR")) << form.LogText();
  EXPECT_FALSE(Logged(form, "out/2.CBR")) << form.LogText();

  Spit(dir_ + "empty.CBL", "");
  form.edtSource.Text = dir_ + "empty.CBL";
  fs::create_directories(dir_ + "out");
  form.btnConvertClick();
  EXPECT_TRUE(Logged(form, "[錯誤] 此文件的大小是零字節!")) << form.LogText();
  EXPECT_TRUE(Names(dir_ + "out").empty());
}

// Folder mode mirrors the source tree, one folder per library; without
// sub-folders only the top folder is cut. Files of other kinds are left.
TEST_F(Cbl3Job, FolderModeMirrorsTheTree) {
  Spit(dir_ + "src/top.CBL", Library(2));
  Spit(dir_ + "src/notes.txt", Library(2));
  Spit(dir_ + "src/sub/deep.cbl", Library(12));
  fs::create_directories(dir_ + "dst");
  TCBL3ToCBRForm form;
  form.rgSource.ItemIndex = TCBL3ToCBRForm::kSourceFolder;
  form.edtSource.Text = dir_ + "src";
  form.edtDestination.Text = dir_ + "dst";
  form.chkSubDir.Checked = false;
  form.btnConvertClick();
  EXPECT_EQ(Names(dir_ + "dst"), std::vector<std::string>{"top"});
  EXPECT_EQ(Names(dir_ + "dst/top"), (std::vector<std::string>{"1.CBR", "2.CBR"}));

  form.chkSubDir.Checked = true;
  form.btnConvertClick();
  EXPECT_EQ(Names(dir_ + "dst"), (std::vector<std::string>{"sub", "top"}));
  EXPECT_EQ(Names(dir_ + "dst/sub/deep").size(), 12u);
  EXPECT_EQ(Slurp(dir_ + "dst/sub/deep/12.CBR"), Record(12));
  EXPECT_FALSE(Logged(form, "[錯誤]")) << form.LogText();

  // An output folder that cannot be made is logged and its library skipped.
  fs::remove_all(dir_ + "dst/top");
  Spit(dir_ + "dst/top", "a file in the way");
  form.btnConvertClick();
  EXPECT_TRUE(Logged(form, "[錯誤] 不能建立文件夾：" + dir_ + "dst/top/")) << form.LogText();
  EXPECT_TRUE(Logged(form, "已寫棋譜到：" + dir_ + "dst/sub/deep/12.CBR"));
}

// Existing files: No skips one, No to all ends the library and keeps every
// existing file for the rest of the job while new ones are still written.
TEST_F(Cbl3Job, ReplaceAnswers) {
  Spit(dir_ + "src/a.CBL", Library(3));
  Spit(dir_ + "src/b.CBL", Library(2));
  for (const char* old : {"a/1.CBR", "a/2.CBR", "a/3.CBR", "b/1.CBR"})
    Spit(dir_ + "dst/" + old, "old");
  TScriptedAsker asker;
  asker.Answers = {kAnswerNo, kAnswerNoToAll};
  TCBL3ToCBRForm form;
  form.Asker = &asker;
  form.rgSource.ItemIndex = TCBL3ToCBRForm::kSourceFolder;
  form.edtSource.Text = dir_ + "src";
  form.edtDestination.Text = dir_ + "dst";
  form.btnConvertClick();
  EXPECT_EQ(asker.Questions, 2);
  for (const char* kept : {"a/1.CBR", "a/2.CBR", "a/3.CBR", "b/1.CBR"})
    EXPECT_EQ(Slurp(dir_ + "dst/" + kept), "old") << kept;
  EXPECT_EQ(Slurp(dir_ + "dst/b/2.CBR"), Record(2));

  // Yes to all replaces without asking again; a new job asks afresh.
  asker.Answers = {kAnswerYes, kAnswerYesToAll};
  asker.Questions = 0;
  form.btnConvertClick();
  EXPECT_EQ(asker.Questions, 2);
  EXPECT_EQ(Slurp(dir_ + "dst/a/3.CBR"), Record(3));
  EXPECT_EQ(Slurp(dir_ + "dst/b/1.CBR"), Record(1));
}

// The libraries of the corpus hold their records in 4096-byte blocks; every
// piece starts like the CBR records of the corpus (marker, four zero bytes,
// format byte 2), and search mode finds the same records.
TEST_F(Cbl3Job, CorpusLibraries) {
  const fs::path cbr = kCorpus / "cbr" / "cbr30_record_1.cbr";
  if (!fs::exists(cbr)) GTEST_SKIP() << "no corpus";
  const std::string head = Slurp(cbr).substr(0, 20);
  for (const auto& [name, count] :
       {std::pair{"cbl30_13records", 13}, {"cbl30_38slots_deleted_flag", 38}}) {
    SCOPED_TRACE(name);
    const std::string lib = Slurp(kCorpus / "cbl" / (std::string(name) + ".CBL"));
    EXPECT_EQ(Starts(lib, kCbrFlagAnywhere), Starts(lib, kCbrFlagBlocks));
    Spit(dir_ + "src/" + name + ".CBL", lib);
  }
  fs::create_directories(dir_ + "dst");
  TCBL3ToCBRForm form;
  form.rgSource.ItemIndex = TCBL3ToCBRForm::kSourceFolder;
  form.edtSource.Text = dir_ + "src";
  form.edtDestination.Text = dir_ + "dst";
  form.btnConvertClick();
  EXPECT_FALSE(Logged(form, "[錯誤]")) << form.LogText();
  const std::vector<std::string> pieces = Names(dir_ + "dst/cbl30_13records");
  ASSERT_EQ(pieces.size(), 13u);
  EXPECT_EQ(pieces.front(), "01.CBR");
  EXPECT_EQ(Names(dir_ + "dst/cbl30_38slots_deleted_flag").size(), 38u);
  for (const std::string& piece : pieces) {
    const std::string bytes = Slurp(dir_ + "dst/cbl30_13records/" + piece);
    EXPECT_EQ(bytes.size(), 4096u);
    EXPECT_EQ(bytes.substr(0, 15), head.substr(0, 15));
    EXPECT_EQ(bytes.substr(15, 5), head.substr(15, 5)) << piece;
  }
}
