#include "app/any2any.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "app/settings.h"
#include "core/jobstate.h"
#include "formats/text/registry.h"
#include "tests/support/app_fixture.h"

namespace fs = std::filesystem;

namespace {

// Sets a list to the given format row.
void SelectSource(TAnyFormat2AnyFormatForm& f, int row) {
  for (int i = 0; i < TAnyFormat2AnyFormatForm::kSourceRowCount; ++i)
    if (TAnyFormat2AnyFormatForm::kSourceRows[i] == row) f.cbbSourceFormat.ItemIndex = i;
  f.cbbSourceFormatChange();
}

void SelectDestination(TAnyFormat2AnyFormatForm& f, int row) {
  for (int i = 0; i < TAnyFormat2AnyFormatForm::kDestinationRowCount; ++i)
    if (TAnyFormat2AnyFormatForm::kDestinationRows[i] == row) f.cbbDestinationFormat.ItemIndex = i;
  f.cbbDestinationFormatChange();
}

class AnyToAnyTest : public TAppTest {};

}  // namespace

TEST_F(AnyToAnyTest, ListsAndTheirRules) {
  TAnyFormat2AnyFormatForm f;
  ASSERT_EQ(f.cbbSourceFormat.Items.size(), 13u);
  ASSERT_EQ(f.cbbDestinationFormat.Items.size(), 8u);
  EXPECT_EQ(f.cbbSourceFormat.Items[0], "象棋演播室棋譜 (*.XQF)");
  EXPECT_EQ(f.rgSource.ItemIndex, 0);  // folder on a fresh installation
  EXPECT_TRUE(f.chkSubDir.Checked);

  f.rgSource.ItemIndex = 2;
  f.rgSourceClick();
  EXPECT_FALSE(f.edtSource.Enabled);
  EXPECT_FALSE(f.chkSubDir.Enabled);

  // OurGame is always GBK; the choice comes back for the next format.
  SelectSource(f, kFmtOurGame);
  EXPECT_EQ(f.rgSourceCodePage.ItemIndex, 0);
  EXPECT_FALSE(f.rgSourceCodePage.Enabled);
  SelectSource(f, kFmtPgn);
  EXPECT_TRUE(f.rgSourceCodePage.Enabled);
  f.rgSourceCodePage.ItemIndex = 2;
  f.rgSourceCodePageClick();
  SelectSource(f, kFmtXqf);
  EXPECT_EQ(f.rgSourceCodePage.ItemIndex, 0);
  SelectSource(f, kFmtPgn);
  EXPECT_EQ(f.rgSourceCodePage.ItemIndex, 2);
  EXPECT_EQ(Settings().ReadInteger("Source", "CodePagePGN", -1), 2);

  SelectDestination(f, kFmtCbf);
  EXPECT_FALSE(f.btnToClipboard.Enabled);
  SelectDestination(f, kFmtFen);
  EXPECT_TRUE(f.btnToClipboard.Enabled);
  EXPECT_EQ(f.DstFormat, static_cast<uint32_t>(kFmtFen));

  // Mapping: Big5 to GBK simplifies, anything but Big5 to Big5 makes
  // traditional, and a Big5 destination fixes the choice.
  struct {
    int src, dst, map;
    bool enabled;
  } const cases[] = {{1, 0, 0, true},  {0, 0, 2, true},  {0, 1, 1, false},
                     {2, 1, 1, false}, {1, 1, 2, false}, {1, 2, 2, true}};
  for (const auto& c : cases) {
    f.rgSourceCodePage.ItemIndex = c.src;
    f.rgDestinationCodePage.ItemIndex = c.dst;
    f.ApplyMapRule();
    EXPECT_EQ(f.rgMapType.ItemIndex, c.map) << c.src << "->" << c.dst;
    EXPECT_EQ(f.rgMapType.Enabled, c.enabled) << c.src << "->" << c.dst;
  }
}

TEST_F(AnyToAnyTest, WindowChoicesSurviveTheNextStart) {
  {
    TAnyFormat2AnyFormatForm f;
    f.rgSource.ItemIndex = 1;
    f.edtSource.Text = "  /a/b.pgn ";
    f.edtDestination.Text = "/out";
    f.cbbSourceFormat.ItemIndex = 9;
    f.cbbDestinationFormat.ItemIndex = 7;
    f.chkSubDir.Checked = false;
    f.chkAddError.Checked = true;
    f.chkRound.Checked = false;
    f.chkRoundClick();
  }
  EXPECT_EQ(Settings().ReadString("AnyToAny", "Source", ""), "/a/b.pgn");
  TAnyFormat2AnyFormatForm f;
  EXPECT_EQ(f.rgSource.ItemIndex, 1);
  EXPECT_EQ(f.SrcFormat, static_cast<uint32_t>(kFmtPgn));
  EXPECT_EQ(f.DstFormat, static_cast<uint32_t>(kFmtFen));
  EXPECT_FALSE(f.chkSubDir.Checked);
  EXPECT_TRUE(f.chkAddError.Checked);
  EXPECT_FALSE(f.chkRound.Checked);

  // A stored position outside a list selects its first entry.
  Settings().WriteInteger("AnyToAny", "DestinationFormat", 8);
  Settings().WriteInteger("AnyToAny", "SourceFormat", -1);
  TAnyFormat2AnyFormatForm g;
  EXPECT_EQ(g.cbbDestinationFormat.ItemIndex, 0);
  EXPECT_EQ(g.DstFormat, static_cast<uint32_t>(kFmtXqf));
  EXPECT_EQ(g.cbbSourceFormat.ItemIndex, 0);
}

TEST_F(AnyToAnyTest, SameFolderRefusedOnlyWhenTheMasksAreEqual) {
  std::string folder = dir_ + "games";
  fs::create_directories(folder + "/sub");
  TAnyFormat2AnyFormatForm f;
  f.rgSource.ItemIndex = 0;
  f.edtSource.Text = folder;
  f.edtDestination.Text = folder + "/";

  SelectSource(f, kFmtText);
  SelectDestination(f, kFmtText);
  EXPECT_FALSE(f.RunAnyToAnyJob());
  EXPECT_TRUE(Logged(f, "源文件夾和目標文件夾不能相同!"));

  SelectSource(f, kFmtTextLayout);  // "*.TXT" as well
  EXPECT_FALSE(f.RunAnyToAnyJob());
  EXPECT_TRUE(Logged(f, "源文件夾和目標文件夾不能相同!"));

  SelectSource(f, kFmtXqf);
  SelectDestination(f, kFmtPgn);
  EXPECT_TRUE(f.RunAnyToAnyJob());
  EXPECT_FALSE(Logged(f, "不能相同"));

  f.edtSource.Text = dir_ + "none";
  EXPECT_FALSE(f.RunAnyToAnyJob());
  EXPECT_TRUE(Logged(f, "源文件夾不存在。"));
  f.edtSource.Text = folder;
  f.edtDestination.Text = dir_ + "none";
  EXPECT_FALSE(f.RunAnyToAnyJob());
  EXPECT_TRUE(Logged(f, "目標文件夾不存在。"));
}

TEST_F(AnyToAnyTest, FilePathChecks) {
  Spit(dir_ + "a.b.xqf", "x");
  TAnyFormat2AnyFormatForm f;
  f.rgSource.ItemIndex = 1;
  SelectSource(f, kFmtXqf);
  SelectDestination(f, kFmtXqf);

  f.edtSource.Text = dir_ + "missing.xqf";
  f.edtDestination.Text = dir_;
  EXPECT_FALSE(f.RunAnyToAnyJob());
  EXPECT_TRUE(Logged(f, "源文件不存在。"));

  f.edtSource.Text = dir_;
  EXPECT_FALSE(f.RunAnyToAnyJob());
  EXPECT_TRUE(Logged(f, "來源不能為文件夾，請輸入文件名。"));

  // A pipe would block the job at its first read.
  ASSERT_EQ(mkfifo((dir_ + "pipe.xqf").c_str(), 0600), 0);
  f.edtSource.Text = dir_ + "pipe.xqf";
  EXPECT_FALSE(f.RunAnyToAnyJob());
  EXPECT_TRUE(Logged(f, "來源不是普通文件：" + dir_ + "pipe.xqf"));

  f.edtSource.Text = dir_ + "a.b.xqf";
  f.edtDestination.Text = dir_ + "nowhere/x.xqf";
  EXPECT_FALSE(f.RunAnyToAnyJob());
  EXPECT_TRUE(Logged(f, "目標文件所在的文件夾不存在。" + dir_ + "nowhere/x.xqf"));

  // The same file by another spelling.
  f.edtDestination.Text = dir_ + "./a.b.xqf";
  EXPECT_FALSE(f.RunAnyToAnyJob());
  EXPECT_TRUE(Logged(f, "源文件和目標文件不能相同!"));
  EXPECT_EQ(f.edtDestination.Text, dir_ + "a.b.xqf");  // expanded and written back

  // a.b.XQF beside a.b.xqf is another file on this file system.
  f.edtDestination.Text = dir_;
  EXPECT_TRUE(f.RunAnyToAnyJob());
  EXPECT_FALSE(Logged(f, "不能相同"));

  // Unattended, an unusual extension is accepted after the question.
  f.edtDestination.Text = dir_ + "out.dat";
  EXPECT_TRUE(f.RunAnyToAnyJob());
  EXPECT_TRUE(Logged(f, "目標文件擴展名和默認值不相同，請確認是否正確？"));

  // The destination length counts UTF-16 units, not bytes: 200 CJK
  // characters (600 bytes) pass, 259 units are refused before reading.
  std::string cjk;
  for (int i = 0; i < 200; ++i) cjk += "棋";
  f.mmoLog.Lines.clear();
  f.ConvertSourceFile(dir_ + "a.b.xqf", "/" + cjk + ".XQF");
  EXPECT_FALSE(Logged(f, "路徑和文件名總長度超過最大長度。"));
  const std::string longPath = "/" + std::string(254, 'x') + ".XQF";
  f.ConvertSourceFile(dir_ + "a.b.xqf", longPath);
  EXPECT_TRUE(Logged(f, "路徑和文件名總長度超過最大長度。" + longPath));

  EXPECT_EQ(ChangeFileExt("a.b.xqf", ".PGN"), "a.b.PGN");
  EXPECT_EQ(ChangeFileExt("noext", ".PGN"), "noext.PGN");
}

TEST_F(AnyToAnyTest, PageWithSeveralRecordsRaisesAddMD5) {
  std::string block = "[DhtmlXQ][DhtmlXQ_movelist]7747[/DhtmlXQ_movelist][/DhtmlXQ]\r\n";
  Spit(dir_ + "three.htm", block + block + block);
  Spit(dir_ + "one.htm", block);
  TAnyFormat2AnyFormatForm f;
  f.rgSource.ItemIndex = 1;
  SelectSource(f, kFmtUbbJava);
  f.rgSourceCodePage.ItemIndex = 2;
  SelectDestination(f, kFmtPgn);
  f.rgAddMD5.ItemIndex = 0;
  f.edtDestination.Text = dir_;

  f.edtSource.Text = dir_ + "one.htm";
  f.RunAnyToAnyJob();
  EXPECT_EQ(f.AddMD5, 0);
  f.edtSource.Text = dir_ + "three.htm";
  f.RunAnyToAnyJob();
  EXPECT_EQ(f.AddMD5, 1);
  f.rgAddMD5.ItemIndex = 2;
  f.RunAnyToAnyJob();
  EXPECT_EQ(f.AddMD5, 2);
}

TEST_F(AnyToAnyTest, CommandLineArgumentsAndAdjustments) {
  auto run = [&](std::vector<std::string> args) {
    auto f = std::make_unique<TAnyFormat2AnyFormatForm>(true);
    f->RunCommandLine(args);
    return f;
  };
  std::string src = dir_ + "none.xqf";
  std::string dst = dir_;

  // MXQ is not written: XQF. An XQF destination cannot be UTF-8: the default.
  auto f = run({"2", "gbk", "utf-8", "xqf", "mxq", src, dst});
  EXPECT_EQ(f->DstFormat, static_cast<uint32_t>(kFmtXqf));
  EXPECT_EQ(f->rgDestinationCodePage.ItemIndex, 0);
  EXPECT_EQ(f->rgSource.ItemIndex, 1);

  Process().SystemCodePage = kCpBig5;
  f = run({"1", "UTF-16", "BIG5", "Xqf", "pgn", src, dst});
  EXPECT_EQ(f->SrcFormat, static_cast<uint32_t>(kFmtXqf));
  EXPECT_EQ(f->rgSourceCodePage.ItemIndex, 1);  // XQF is never UTF: Big5 here
  EXPECT_EQ(f->rgSource.ItemIndex, 0);
  EXPECT_TRUE(f->chkSubDir.Checked);
  Process().SystemCodePage = kCpUtf8;

  f = run({"0", "big5", "gbk", "ourgame", "text", src, dst});
  EXPECT_EQ(f->SrcFormat, static_cast<uint32_t>(kFmtOurGame));
  EXPECT_EQ(f->rgSourceCodePage.ItemIndex, 0);
  EXPECT_EQ(f->DstFormat, static_cast<uint32_t>(kFmtText));
  EXPECT_EQ(f->rgSource.ItemIndex, 0);
  EXPECT_FALSE(f->chkSubDir.Checked);

  // Unknown or destination-only identifiers select XQF; GBK to Big5 maps.
  f = run({"x", "gbk", "big5", "webc5", "nonsense", src, dst});
  EXPECT_EQ(f->SrcFormat, static_cast<uint32_t>(kFmtXqf));
  EXPECT_EQ(f->DstFormat, static_cast<uint32_t>(kFmtXqf));
  EXPECT_EQ(f->rgSource.ItemIndex, 1);
  EXPECT_EQ(f->rgMapType.ItemIndex, 1);

  // The code pages are this run's only; the stored choices stay.
  f = run({"2", "utf-8", "utf-8", "pgn", "pgn", src, dst});
  EXPECT_EQ(f->rgSourceCodePage.ItemIndex, 2);
  EXPECT_EQ(Settings().ReadInteger("Source", "CodePagePGN", -1), -1);

  // The refused job gives exit status 1 and its message.
  auto g = std::make_unique<TAnyFormat2AnyFormatForm>(true);
  std::vector<std::string> echoed;
  g->OnLog = [&](const std::string& line) { echoed.push_back(line); };
  EXPECT_EQ(g->RunCommandLine({"2", "gbk", "gbk", "xqf", "pgn", src, dst}), 1);
  EXPECT_EQ(g->RunCommandLine({"2", "gbk", "gbk"}), 2);
  EXPECT_EQ(echoed, std::vector<std::string>{"源文件不存在。"});
}
