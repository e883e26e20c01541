#include "app/settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/baseany2any.h"
#include "app/startup.h"
#include "core/ecco.h"
#include "core/jobstate.h"
#include "core/uglobal.h"
#include "tests/support/app_fixture.h"

namespace fs = std::filesystem;

namespace {

// Every test starts from empty settings in a folder of its own.
class SettingsTest : public TAppTest {};

}  // namespace

TEST_F(SettingsTest, KeysPlainLinesAndDefaults) {
  TIniFile ini;
  ini.LoadFromText(
      "\xEF\xBB\xBF; comment\r\n"
      "stray line before any section\r\n"
      "[WebCchess 5 CodeBase]\r\n"
      "http://a.example/java/\r\n"
      "http://b.example/java/?x=1\r\n"
      "\r\n"
      "[Destination]\r\n"
      "  AddMD5 = 2 \r\n"
      "Html=1\r\n"
      "Sound=abc\r\n"
      "XQFVer=1x\r\n"
      "PGNBrace=true\r\n"
      "[destination]\r\n"
      "Width=640\r\n");
  EXPECT_EQ(ini.ReadSectionLines("WebCchess 5 CodeBase"),
            (std::vector<std::string>{"http://a.example/java/", "http://b.example/java/?x=1"}));
  EXPECT_EQ(ini.ReadInteger("DESTINATION", "addmd5", 1), 2);
  EXPECT_TRUE(ini.ReadBool("Destination", "Html", false));
  EXPECT_TRUE(ini.ReadBool("Destination", "Sound", true));  // not a number: default
  EXPECT_FALSE(ini.ReadBool("Destination", "Sound", false));
  EXPECT_TRUE(ini.ReadBool("Destination", "PGNBrace", false));
  EXPECT_EQ(ini.ReadInteger("Destination", "XQFVer", 0), 0);
  EXPECT_EQ(ini.ReadString("Destination", "Width", "500"), "640");  // merged section
  EXPECT_EQ(ini.ReadString("Destination", "Height", "350"), "350");
  EXPECT_EQ(ini.ReadString("Nowhere", "Height", "x"), "x");

  // A written value replaces the old line; a line break cannot split it.
  ini.WriteInteger("Destination", "AddMD5", 0);
  ini.WriteString("AnyToAny", "Source", "/tmp/a\nb");
  ini.WriteBool("AnyToAny", "SubDirs", false);
  TIniFile back;
  back.LoadFromText(ini.SaveToText());
  EXPECT_EQ(back.ReadInteger("Destination", "AddMD5", 1), 0);
  EXPECT_EQ(back.ReadString("AnyToAny", "Source", ""), "/tmp/a b");
  EXPECT_FALSE(back.ReadBool("AnyToAny", "SubDirs", true));
  EXPECT_EQ(back.ReadSectionLines("WebCchess 5 CodeBase").size(), 2u);
  EXPECT_EQ(back.GetLines()[0], "; comment");  // the comment stays, the stray line not
  EXPECT_EQ(back.GetLines()[1], "[WebCchess 5 CodeBase]");

  back.EraseSection("destination");
  EXPECT_FALSE(back.SectionExists("Destination"));
  EXPECT_EQ(back.ReadInteger("Destination", "AddMD5", 1), 1);
}

TEST_F(SettingsTest, SaveReplacesTheFileWholeOrNotAtAll) {
  std::string path = dir_ + "tavrik.ini";
  Spit(path, "[Old]\nA=1\n");
  TIniFile ini;
  ini.WriteString("New", "B", "2");
  ASSERT_TRUE(ini.SaveToFile(path));
  EXPECT_EQ(Slurp(path), "[New]\nB=2\n\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

  // A folder that cannot be written leaves the old file as it was.
  if (geteuid() != 0) {
    fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::remove);
    ini.WriteString("New", "B", "3");
    EXPECT_FALSE(ini.SaveToFile(path));
    fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(Slurp(path), "[New]\nB=2\n\n");
  }
  EXPECT_FALSE(ini.SaveToFile(dir_ + "missing/tavrik.ini"));
  TIniFile missing;
  EXPECT_FALSE(missing.LoadFromFile(dir_ + "none.ini"));
  EXPECT_TRUE(missing.GetLines().empty());
}

TEST_F(SettingsTest, DefaultCodeBasesOnlyWhenTheSectionIsEmpty) {
  const std::regex codeBase("[a-z]+://[^/]+/java/");
  // No settings at all.
  InsertDefaultCodeBases();
  std::vector<std::string> lines = Settings().GetLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "[WebCchess 5 CodeBase]");
  EXPECT_TRUE(std::regex_match(lines[1], codeBase)) << lines[1];
  EXPECT_TRUE(std::regex_match(lines[2], codeBase)) << lines[2];
  EXPECT_NE(lines[1], lines[2]);

  // A section emptied by hand, below another one: the defaults return, at the top.
  Settings().LoadFromText("[Destination]\nAddMD5=2\n[WebCchess 5 CodeBase]\n\n");
  InsertDefaultCodeBases();
  lines = Settings().GetLines();
  EXPECT_EQ(lines[0], "[WebCchess 5 CodeBase]");
  EXPECT_EQ(Settings().ReadSectionLines("WebCchess 5 CodeBase").size(), 2u);
  EXPECT_EQ(Settings().ReadInteger("Destination", "AddMD5", 1), 2);

  // One line of the user's is kept as it is.
  Settings().LoadFromText("[Destination]\nAddMD5=2\n[WebCchess 5 CodeBase]\nhttp://mine/java/\n");
  InsertDefaultCodeBases();
  EXPECT_EQ(Settings().ReadSectionLines("WebCchess 5 CodeBase"),
            std::vector<std::string>{"http://mine/java/"});
  EXPECT_EQ(Settings().GetLines()[0], "[Destination]");
}

TEST_F(SettingsTest, CodePageAndFolderOfTheSystem) {
  EXPECT_EQ(CodePageOfCodeset("UTF-8"), kCpUtf8);
  EXPECT_EQ(CodePageOfCodeset("utf8"), kCpUtf8);
  EXPECT_EQ(CodePageOfCodeset("GB18030"), kCpGbk);
  EXPECT_EQ(CodePageOfCodeset("GB2312"), kCpGbk);
  EXPECT_EQ(CodePageOfCodeset("GBK"), kCpGbk);
  EXPECT_EQ(CodePageOfCodeset("BIG5-HKSCS"), kCpBig5);
  EXPECT_EQ(CodePageOfCodeset("ANSI_X3.4-1968"), kCpUtf8);

  const std::string home = getenv("HOME") ? getenv("HOME") : "";
  unsetenv("TAVRIK_CONFIG_DIR");
  EXPECT_EQ(ChooseSettingsFolder(dir_), dir_);
  setenv("XDG_CONFIG_HOME", "/xdg", 1);
  EXPECT_EQ(ChooseSettingsFolder("/no/such/folder/"), "/xdg/tavrik/");  // not writable
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(ChooseSettingsFolder("/no/such/folder/"), "/home/u/.config/tavrik/");
  // An installed copy (its private library folder exists) never writes beside
  // itself, even in a folder it may write to.
  const std::string bin = dir_ + "usr/bin/";
  fs::create_directories(bin);
  EXPECT_EQ(ChooseSettingsFolder(bin), bin);
  fs::create_directories(PrivateLibraryFolder(bin));
  EXPECT_TRUE(IsInstalledCopy(bin));
  EXPECT_EQ(ChooseSettingsFolder(bin), "/home/u/.config/tavrik/");
  setenv("TAVRIK_CONFIG_DIR", "/cfg", 1);
  EXPECT_EQ(ChooseSettingsFolder(dir_), "/cfg/");
  // The suite runs the program with TAVRIK_CONFIG_DIR of its own choosing.
  unsetenv("TAVRIK_CONFIG_DIR");
  setenv("HOME", home.c_str(), 1);
}

TEST_F(SettingsTest, FreshDestinationPageAndHtmlUbbExclusion) {
  {
    TBaseAny2AnyForm form;
    EXPECT_EQ(form.rgAddMD5.ItemIndex, 1);
    EXPECT_EQ(form.rgXQFVer.ItemIndex, 0);
    EXPECT_EQ(form.rgHtmlHeadAndFoot.ItemIndex, 0);
    EXPECT_EQ(form.rgTextMoveText.ItemIndex, 1);
    EXPECT_TRUE(form.chkSound.Checked);
    EXPECT_TRUE(form.chkShowMove.Checked);
    EXPECT_EQ(form.edtWidth.Text, "500");
    EXPECT_TRUE(form.cbbCodeBase.Items.empty());

    form.chkUBB.Checked = true;
    form.chkUBBClick();
    form.chkHtml.Checked = true;
    form.chkHtmlClick();
    EXPECT_FALSE(form.chkUBB.Checked);
    EXPECT_TRUE(Settings().ReadBool("Destination", "Html", false));
    EXPECT_FALSE(Settings().ReadBool("Destination", "UBB", true));

    form.rgPGNFormat.ItemIndex = 2;
    form.rgPGNFormatClick();
    EXPECT_FALSE(form.rgPGNMoveText.Enabled);
  }
  // Both stored as on (edited by hand): only Html stays on. Out-of-range
  // positions fall back to their defaults; the code base picks the first line.
  Settings().LoadFromText(
      "[WebCchess 5 CodeBase]\nhttp://x/java/\nhttp://y/java/\n"
      "[Destination]\nHtml=1\nUBB=1\nAddMD5=9\nPGNFormat=1\n");
  TBaseAny2AnyForm form;
  EXPECT_TRUE(form.chkHtml.Checked);
  EXPECT_FALSE(form.chkUBB.Checked);
  EXPECT_EQ(form.rgAddMD5.ItemIndex, 1);
  EXPECT_FALSE(form.rgPGNMoveText.Enabled);
  EXPECT_EQ(form.cbbCodeBase.Text, "http://x/java/");

  form.DstFormat = kFmtWebC5;
  form.cbbCodeBase.Text = "  http://z/java/ ";
  form.chkSound.Checked = false;
  form.ApplyDestinationOptions();
  EXPECT_EQ(form.CodeBase, "http://z/java/");
  EXPECT_EQ(form.Sound, "off");
  EXPECT_EQ(form.ShowMove, "on");
  EXPECT_TRUE(form.Html);
}

TEST_F(SettingsTest, OptionsOfEachDestinationOnly) {
  TBaseAny2AnyForm form;
  form.rgPGNStepPerLine.ItemIndex = 4;
  form.rgPGNMoveText.ItemIndex = 1;
  form.rgTextStepPerLine.ItemIndex = 1;
  form.rgXQFVer.ItemIndex = 1;
  form.DstFormat = kFmtPgn;
  form.ApplyDestinationOptions();
  EXPECT_EQ(form.PgnPliesPerLine, 10);
  EXPECT_FALSE(form.WxfStandard);
  EXPECT_EQ(form.XQFVersion, 10);  // another destination's option: untouched
  EXPECT_EQ(form.TextPliesPerLine, 2);
  form.DstFormat = kFmtXqf;
  form.ApplyDestinationOptions();
  EXPECT_EQ(form.XQFVersion, 18);
}

TEST_F(SettingsTest, WidthAndHeightRepairedAtTheNextDhtmlXQJob) {
  TBaseAny2AnyForm form;
  form.DstFormat = kFmtUbb;
  form.DstCodePage = kCpUtf8;
  for (const char* bad : {"0", "-5", "abc", "", "12px"}) {
    form.edtWidth.Text = bad;
    form.edtWidthChange();
    form.ApplyDestinationOptions();
    EXPECT_EQ(form.edtWidth.Text, "500") << bad;
    EXPECT_EQ(Settings().ReadString("Destination", "Width", ""), "500") << bad;
    EXPECT_EQ(form.UbbSize, "500,350") << bad;
  }
  form.edtWidth.Text = " 640 ";
  form.edtWidthChange();
  form.edtHeight.Text = "0";
  form.ApplyDestinationOptions();
  EXPECT_EQ(form.UbbSize, "640,350");
  EXPECT_EQ(form.edtHeight.Text, "350");
  EXPECT_EQ(Settings().ReadString("Destination", "Width", ""), "640");
  EXPECT_EQ(form.HeadText, "[DhtmlXQ]\r\n");
  EXPECT_EQ(form.FootText, "[/DhtmlXQ]\r\n");
}

TEST_F(SettingsTest, CustomTemplatesCreatedOnFirstUseThenRead) {
  TBaseAny2AnyForm form;
  form.DstFormat = kFmtUbb;
  form.DstCodePage = kCpUtf8;
  form.rgHtmlHeadAndFoot.ItemIndex = 4;
  form.ApplyDestinationOptions();
  std::string head = Slurp(dir_ + kCustomHeadFile);
  std::string foot = Slurp(dir_ + kCustomFootFile);
  EXPECT_EQ(head, std::string("\xEF\xBB\xBF") + UbbPageTemplates[1].Head);
  EXPECT_EQ(foot, std::string("\xEF\xBB\xBF") + UbbPageTemplates[1].Foot);
  EXPECT_EQ(form.HeadText, UbbPageTemplates[1].Head);
  EXPECT_EQ(form.ErrorCount, 0);

  Spit(dir_ + kCustomHeadFile, "\xEF\xBB\xBF<p>%Title%</p>\r\n");
  Spit(dir_ + kCustomFootFile, "");  // no foot wanted
  form.ApplyDestinationOptions();
  EXPECT_EQ(form.HeadText, "<p>%Title%</p>\r\n");
  EXPECT_EQ(form.FootText, "");
  EXPECT_EQ(form.ErrorCount, 0);

  // A template that cannot be made: an error, the job state keeps its texts.
  SetSettingsFolder(dir_ + "no/such/folder");
  form.ApplyDestinationOptions();
  EXPECT_EQ(form.ErrorCount, 1);
  EXPECT_EQ(form.HeadText, "<p>%Title%</p>\r\n");
}

TEST_F(SettingsTest, CommentsStayAndOnlyRealChangesCount) {
  TIniFile ini;
  ini.LoadFromText(
      "; kept on top\n[A]\n; kept inside\nk = 1\n[WebCchess 5 CodeBase]\n;c\nhttp://x/java/\n");
  EXPECT_EQ(ini.SaveToText(),
            "; kept on top\n[A]\n; kept inside\nk = 1\n\n[WebCchess 5 CodeBase]\n;c\n"
            "http://x/java/\n\n");
  EXPECT_EQ(ini.ReadSectionLines("WebCchess 5 CodeBase"),
            std::vector<std::string>{"http://x/java/"});
  EXPECT_FALSE(ini.Changed());
  ini.WriteInteger("a", "K", 1);  // the same value: the line and its spacing stay
  ini.EraseSection("none");
  EXPECT_FALSE(ini.Changed());
  EXPECT_NE(ini.SaveToText().find("k = 1\n"), std::string::npos);
  ini.WriteInteger("A", "k", 2);
  EXPECT_TRUE(ini.Changed());
  ini.MarkSaved();
  ini.SetLines(ini.GetLines());
  EXPECT_FALSE(ini.Changed());
  ini.EraseSection("a");
  EXPECT_TRUE(ini.Changed());

  // Many sections, each found through the index (the load time per section
  // is measured in bench/settings_bench.cpp).
  std::string big;
  for (int i = 0; i < 20000; ++i)
    big += "[S" + std::to_string(i) + "]\nk=" + std::to_string(i) + "\n";
  ini.LoadFromText(big);
  EXPECT_EQ(ini.ReadInteger("s19999", "K", 0), 19999);
  EXPECT_TRUE(ini.SectionExists("S0"));
}

TEST_F(SettingsTest, SavingAtExitRespectsTheFileAsTheUserLeftIt) {
  const std::string path = dir_ + "tavrik.ini";
  struct stat st;
  TIniFile ini;
  // Nothing changed and the file exists: it is not touched.
  Spit(path, "[A]\nk=1\n");
  ASSERT_TRUE(ini.LoadFromFile(path));
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  const ino_t inode = st.st_ino;
  EXPECT_EQ(SaveChangedSettings(ini, path), TSettingsSave::Unchanged);
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_ino, inode);

  // Read-only: left unwritten, mode and all.
  chmod(path.c_str(), 0444);
  ini.WriteInteger("A", "k", 2);
  EXPECT_EQ(SaveChangedSettings(ini, path), TSettingsSave::ReadOnly);
  EXPECT_EQ(Slurp(path), "[A]\nk=1\n");
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);

  // A private file stays private; a missing file is created.
  chmod(path.c_str(), 0600);
  EXPECT_EQ(SaveChangedSettings(ini, path), TSettingsSave::Saved);
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(Slurp(path), "[A]\nk=2\n\n");
  EXPECT_FALSE(ini.Changed());
  fs::remove(path);
  EXPECT_EQ(SaveChangedSettings(ini, path), TSettingsSave::Saved);
  EXPECT_TRUE(fs::exists(path));

  // Through a link the target is written and the link stays a link.
  fs::create_directory(dir_ + "real");
  fs::rename(path, dir_ + "real/tavrik.ini");
  fs::create_symlink("real/tavrik.ini", path);
  ini.WriteInteger("A", "k", 3);
  EXPECT_EQ(SaveChangedSettings(ini, path), TSettingsSave::Saved);
  EXPECT_TRUE(fs::is_symlink(path));
  EXPECT_EQ(Slurp(dir_ + "real/tavrik.ini"), "[A]\nk=3\n\n");
}

TEST_F(SettingsTest, StaleTemporariesOfEndedProcessesAreRemoved) {
  // A process that has ended, and so cannot be writing any more.
  const pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_GT(child, 0);
  waitpid(child, nullptr, 0);
  const std::string dead = dir_ + ".tavrik-" + std::to_string(child) + "-0.tmp";
  const std::string live = dir_ + ".tavrik-" + std::to_string(getpid()) + "-99.tmp";
  const std::string foreign = dir_ + ".tavrik-x-1.tmp";
  for (const std::string& name : {dead, live, foreign}) Spit(name, "half");
  EXPECT_TRUE(SaveFileReplacing(dir_ + "tavrik.log", "log\n", false));
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_TRUE(fs::exists(live));
  EXPECT_TRUE(fs::exists(foreign));
  EXPECT_EQ(Slurp(dir_ + "tavrik.log"), "log\n");
}
