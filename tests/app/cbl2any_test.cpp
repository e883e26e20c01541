#include "app/cbl2any.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "app/any2any.h"
#include "app/dispatch.h"
#include "app/settings.h"
#include "core/encoding.h"
#include "formats/ccbridge/cbl.h"
#include "formats/ccbridge/cbr.h"
#include "formats/text/registry.h"
#include "tests/support/app_fixture.h"
#include "tests/support/test_job.h"

namespace fs = std::filesystem;

namespace {

std::string Gbk(const std::string& utf8) {
  std::string s = utf8;
  ConvertCodePage(s, kCpUtf8, 0, kCpGbk);
  return s;
}

// A library of records with the given (UTF-8) titles, each with two moves.
void MakeLibrary(const std::string& path, const std::vector<std::string>& titles) {
  TTestJob job;
  job.SrcFormat = kFmtCbl;
  job.DstFormat = kFmtCbl;
  std::string data;
  WriteCountedText(data, "lib");
  for (int t = 0; t < 4; ++t) WriteCountedText(data, "");
  data += "2024-01-02 03:04:05";
  data += "2024-01-02 03:04:05";
  const uint32_t count = static_cast<uint32_t>(titles.size());
  for (int b = 0; b < 4; ++b) data.push_back(static_cast<char>((count >> (8 * b)) & 0xFF));
  WriteCountedText(data, "");
  TChessRec rec;
  for (const std::string& title : titles) {
    ResetRecord(rec, kFmtCbl, kFmtCbl);
    SetMoveCapacity(rec, 3);
    rec.Moves[1] = TMoveNode{0x77, 0x47, 0xFF, 0xFF, 0, 1, 0, 0};
    rec.Moves[2] = TMoveNode{0x70, 0x62, 0xFF, 0xFF, 0, 2, 0, 0};
    BuildTreeFromPlies(job, rec, 2);
    rec.Texts[kSlotTitle] = Gbk(title);
    ASSERT_TRUE(WriteCbrRecord(job, rec, data));
  }
  WriteLibraryFile(job, data, 2, path, static_cast<int32_t>(data.size()));
}

class CblToAny : public TAppTest {
 protected:
  void SetUp() override { fs::create_directories(dir_ + "out"); }
  // A form set to convert into PGN files in dir_/out with the given naming.
  void Prepare(TCBL2AnyFormatForm& f, int source, const std::string& path, int naming) {
    for (int i = 0; i < TAnyFormat2AnyFormatForm::kDestinationRowCount; ++i)
      if (TAnyFormat2AnyFormatForm::kDestinationRows[i] == kFmtPgn)
        f.cbbDestinationFormat.ItemIndex = i;
    f.cbbDestinationFormatChange();
    f.rgSource.ItemIndex = source;
    f.rgSourceClick();
    f.edtSource.Text = path;
    f.edtDestination.Text = dir_ + "out";
    f.rgDestinationFileName.ItemIndex = naming;
  }
  // The names of the files written, in the order they were written.
  static std::vector<std::string> Written(const TCBL2AnyFormatForm& f) {
    std::vector<std::string> names;
    const std::string mark = SystemText("已寫棋譜到：");
    for (const std::string& line : f.mmoLog.Lines)
      if (line.rfind(mark, 0) == 0) names.push_back(fs::path(line.substr(mark.size())).filename());
    return names;
  }
};

TEST_F(CblToAny, EqualTitlesGetTheirLabels) {
  MakeLibrary(dir_ + "t.CBL", {"A", "a", "B"});
  TCBL2AnyFormatForm f;
  Prepare(f, TCBL2AnyFormatForm::kSourceFile, dir_ + "t.CBL", TCBL2AnyFormatForm::kNameTitle);
  f.SourceChosen(dir_ + "t.CBL");
  ASSERT_EQ(f.lstSource.Items, (std::vector<std::string>{"[1] A", "[2] a", "[3] B"}));
  f.btnSelectAllClick();
  f.btnConvertClick();
  EXPECT_EQ(Written(f), (std::vector<std::string>{"A[1].PGN", "a[2].PGN", "B.PGN"}));
  EXPECT_EQ(f.ErrorCount, 0) << f.LogText();
  EXPECT_TRUE(Logged(f, "成功轉換 3 個棋譜。"));
}

TEST_F(CblToAny, TitlesFollowTheTraditionalMapping) {
  MakeLibrary(dir_ + "t.CBL", {"中炮对屏风马"});
  TCBL2AnyFormatForm f;
  Prepare(f, TCBL2AnyFormatForm::kSourceFile, dir_ + "t.CBL", TCBL2AnyFormatForm::kNameTitle);
  f.rgDestinationCodePage.ItemIndex = 1;  // Big5: to traditional, always
  f.rgDestinationCodePageClick();
  f.SourceChosen(dir_ + "t.CBL");
  EXPECT_EQ(f.lstSource.Items, std::vector<std::string>{"[1] 中炮對屏風馬"});
  f.btnSelectAllClick();
  f.btnConvertClick();
  EXPECT_EQ(Written(f), std::vector<std::string>{"中炮對屏風馬.PGN"});
}

TEST_F(CblToAny, EmptyAndUnusableTitles) {
  // A name that took a label can meet another record's title: "x[1]" of
  // record 3 equals the renamed record 1 and is told apart once more.
  MakeLibrary(dir_ + "t.CBL", {"x", "", "x[1]", "x", "a?b:c", "   "});
  TCBL2AnyFormatForm f;
  Prepare(f, TCBL2AnyFormatForm::kSourceFolder, dir_ + "t.CBL", TCBL2AnyFormatForm::kNameTitle);
  f.LoadLibraryList(dir_ + "t.CBL", false);
  EXPECT_EQ(f.ConvertLibrary(dir_ + "t.CBL", dir_ + "out/", true, ".PGN"), 0);  // none selected
  EXPECT_EQ(f.ConvertLibrary(dir_ + "t.CBL", dir_ + "out/", false, ".PGN"), 6);
  EXPECT_EQ(FileNamesIn(dir_ + "out"),
            (std::set<std::string>{"abc.PGN", "NoName[2].PGN", "NoName[6].PGN", "x[1].PGN",
                                   "x[1][3].PGN", "x[4].PGN"}));
}

TEST_F(CblToAny, NumberNamingAndClipboardOrder) {
  std::vector<std::string> titles(150, "same");
  titles[0] = "first";
  MakeLibrary(dir_ + "t.CBL", titles);
  {
    TCBL2AnyFormatForm f;
    Prepare(f, TCBL2AnyFormatForm::kSourceFile, dir_ + "t.CBL", TCBL2AnyFormatForm::kNameLabel);
    f.SourceChosen(dir_ + "t.CBL");
    EXPECT_TRUE(Logged(f, "棋譜數量：150"));
    f.btnReverseSelectClick();  // all selected
    f.btnConvertClick();
    const std::set<std::string> files = FileNamesIn(dir_ + "out");
    EXPECT_EQ(files.size(), 150u);
    EXPECT_TRUE(files.count("[001].PGN") && files.count("[150].PGN"));
  }
  {
    TCBL2AnyFormatForm f;
    Prepare(f, TCBL2AnyFormatForm::kSourceFile, dir_ + "t.CBL", TCBL2AnyFormatForm::kNameTitle);
    f.SourceChosen(dir_ + "t.CBL");
    f.lstSource.Selected[149] = true;
    f.lstSource.Selected[0] = true;
    f.btnToClipboardClick();
    std::vector<std::string> buffered;
    for (const std::string& line : f.mmoLog.Lines)
      if (line.find(SystemText("已寫一個棋譜到緩存：")) == 0) buffered.push_back(line);
    EXPECT_EQ(buffered, (std::vector<std::string>{SystemText("已寫一個棋譜到緩存：first"),
                                                  SystemText("已寫一個棋譜到緩存：same")}));
  }
  {  // nothing selected: the job asks for a selection and writes nothing
    TCBL2AnyFormatForm f;
    Prepare(f, TCBL2AnyFormatForm::kSourceFile, dir_ + "t.CBL", TCBL2AnyFormatForm::kNameTitle);
    f.SourceChosen(dir_ + "t.CBL");
    f.btnNoSelectClick();
    EXPECT_FALSE(f.RunCblToAnyJob());
    EXPECT_TRUE(Logged(f, "請在源棋譜列表中選擇棋譜。"));
  }
}

TEST_F(CblToAny, FolderOfLibrariesGoesIntoOneFolderEach) {
  fs::create_directories(dir_ + "src/sub");
  MakeLibrary(dir_ + "src/a.CBL", {"one", "two"});
  MakeLibrary(dir_ + "src/b.CBL", {"three"});
  MakeLibrary(dir_ + "src/sub/c.CBL", {"four"});
  std::ofstream(dir_ + "src/broken.CBL") << "CCBridge but not a library";
  TCBL2AnyFormatForm f;
  Prepare(f, TCBL2AnyFormatForm::kSourceFolder, dir_ + "src", TCBL2AnyFormatForm::kNameTitle);
  f.chkSubDir.Checked = true;
  f.btnConvertClick();
  EXPECT_EQ(FileNamesIn(dir_ + "out/a"), (std::set<std::string>{"one.PGN", "two.PGN"}));
  EXPECT_EQ(FileNamesIn(dir_ + "out/b"), (std::set<std::string>{"three.PGN"}));
  EXPECT_EQ(FileNamesIn(dir_ + "out/sub/c"), (std::set<std::string>{"four.PGN"}));
  EXPECT_EQ(f.ErrorCount, 1);  // the broken library, then the walk went on
  EXPECT_TRUE(Logged(f, "已轉換 4 個棋譜"));
  EXPECT_TRUE(f.lstSource.Items.empty());
}

TEST_F(CblToAny, CorpusLibraryBecomesPgnWithVariations) {
  const fs::path lib =
      fs::path(TAVRIK_CORPUS_DIR) / "cbl" / "cbl21_best_196endgames_blackfirst.CBL";
  if (!fs::exists(lib)) GTEST_SKIP() << "corpus absent";
  TCBL2AnyFormatForm f;
  Prepare(f, TCBL2AnyFormatForm::kSourceFile, lib.string(), TCBL2AnyFormatForm::kNameLabel);
  f.rgDestinationCodePage.ItemIndex = 2;  // UTF-8
  f.rgDestinationCodePageClick();
  f.chkIncludeChange.Checked = true;
  f.SourceChosen(lib.string());
  f.btnSelectAllClick();
  f.btnConvertClick();
  EXPECT_EQ(f.ErrorCount + f.WarningCount, 0) << f.LogText();
  int files = 0, withVariations = 0, blackFirst = 0;
  for (const auto& [name, text] : FolderFiles(dir_ + "out")) {
    ++files;
    withVariations += text.find("\r\n(\r\n") != std::string::npos;
    blackFirst += text.find(" b - - 0 1\"]") != std::string::npos;
  }
  EXPECT_EQ(files, 196);
  EXPECT_EQ(withVariations, 124);
  EXPECT_EQ(blackFirst, 4);
  const std::string text = Slurp(dir_ + "out/[163].PGN");
  EXPECT_NE(text.find("[FEN \"2bak4/3P5/5a3/9/2b1N4/9/9/9/9/5K3 b - - 0 1\"]"), std::string::npos);
  EXPECT_NE(text.find("[Result \"1/2-1/2\"]"), std::string::npos);
}

TEST_F(CblToAny, RefusalsAndLimits) {
  MakeLibrary(dir_ + "t.CBL", {"x"});
  {
    TCBL2AnyFormatForm f;
    Prepare(f, TCBL2AnyFormatForm::kSourceFile, dir_ + "none.CBL", TCBL2AnyFormatForm::kNameTitle);
    EXPECT_FALSE(f.RunCblToAnyJob());
    EXPECT_TRUE(Logged(f, "源文件不存在。"));
    f.edtDestination.Text = dir_ + "nowhere";
    EXPECT_FALSE(f.RunCblToAnyJob());
    EXPECT_TRUE(Logged(f, "目標文件夾不存在。"));
  }
  {  // a folder so deep that no title fits
    std::string deep = dir_ + "out/";
    for (int i = 0; i < 2; ++i) deep += std::string(130, 'd') + "/";
    fs::create_directories(deep);
    TCBL2AnyFormatForm f;
    Prepare(f, TCBL2AnyFormatForm::kSourceFolder, dir_, TCBL2AnyFormatForm::kNameTitle);
    EXPECT_EQ(f.ConvertLibrary(dir_ + "t.CBL", deep, false, ".PGN"), 0);
    EXPECT_TRUE(Logged(f, "目標文件夾長度大于最大長度。"));
  }
}

}  // namespace
