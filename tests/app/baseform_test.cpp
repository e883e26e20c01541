#include "app/baseform.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/clipboard.h"
#include "core/ecco.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "tests/support/files.h"

namespace fs = std::filesystem;

namespace {

class TScriptedAsker : public TAsker {
 public:
  std::vector<int> Answers;
  std::vector<std::string> Questions;
  int Show(const std::string& text, TAskKind, unsigned) override {
    Questions.push_back(text);
    if (Answers.empty()) return kAnswerYes;
    const int answer = Answers.front();
    Answers.erase(Answers.begin());
    return answer;
  }
};

class TWalkJob : public TBaseForm {
 public:
  std::vector<std::string> Converted;
  int ConvertFile(const std::string& sourceFile, const std::string& destFolder) override {
    Converted.push_back(sourceFile + " -> " + destFolder);
    return 1;
  }
};

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class BaseForm : public ::testing::Test {
 protected:
  void SetUp() override {
    Process() = TProcessState();
    job.DstFormat = kFmtPgn;
    rec.Texts.resize(kSlotStartComment + 1);
    job.PrepareJob();
  }
  void TearDown() override { SetClipboard(nullptr); }
  std::string LastLog() const { return job.mmoLog.Lines.empty() ? "" : job.mmoLog.Lines.back(); }

  TTempFolder temp_{"tavrik_baseform"};
  std::string dir = temp_.Path();
  TWalkJob job;
  TChessRec rec;
};

TEST_F(BaseForm, LogPrefixesAndCounters) {
  job.Log("x", kLogError);
  job.Log("", kLogError);
  job.Log("y", kLogWarning, false);
  job.Log("z", 7);
  EXPECT_EQ(job.mmoLog.Lines, (std::vector<std::string>{"[錯誤] x", "", "y", "z"}));
  EXPECT_EQ(job.ErrorCount, 2);
  EXPECT_EQ(job.WarningCount, 1);

  job.AddErrorInfo = true;
  job.LogRecord(rec, "w", kLogWarning);
  job.LogRecord(rec, "plain", kLogPlain);
  EXPECT_EQ(LastLog(), "plain");
  EXPECT_EQ(job.mmoLog.Lines[4], "[警告] w");  // prefixed once
  EXPECT_EQ(rec.ErrorText, "[警告] w\r\n");
  job.AddErrorInfo = false;
  job.LogRecord(rec, "e", kLogError);
  EXPECT_EQ(rec.ErrorText, "[警告] w\r\n");
  EXPECT_EQ(job.ErrorCount, 3);
  EXPECT_EQ(job.WarningCount, 2);
  EXPECT_EQ(job.LogText().substr(0, 12), "[錯誤] x\r\n");

  // Control characters of a file name are shown, not written raw.
  job.Log("\r\n讀取棋譜：/tmp/a\nb\x1B[2J.xqf\r");
  EXPECT_EQ(LastLog(), "\r\n讀取棋譜：/tmp/a\\x0Ab\\x1B[2J.xqf\\x0D");
}

TEST_F(BaseForm, RecordMessagesAreCappedButCounted) {
  job.AddErrorInfo = true;
  for (int i = 0; i < 250; ++i)
    job.LogRecord(rec, "bad " + std::to_string(i), i % 2 ? kLogWarning : kLogError);
  job.LogRecord(rec, "plain lines are never held back", kLogPlain);
  EXPECT_EQ(job.mmoLog.Lines.size(), 101u);
  EXPECT_EQ(job.ErrorCount, 125);
  EXPECT_EQ(job.WarningCount, 125);
  job.EndRecordLog(rec);
  EXPECT_EQ(LastLog(), "此棋譜另有 150 條錯誤或警告信息沒有寫入LOG。");
  job.EndRecordLog(rec);  // said once
  EXPECT_EQ(job.mmoLog.Lines.size(), 102u);
  EXPECT_EQ(std::count(rec.ErrorText.begin(), rec.ErrorText.end(), '\n'), 100);
  // The next record starts with a clean slate.
  ResetRecord(rec, kFmtPgn, kFmtPgn);
  job.LogRecord(rec, "next", kLogError);
  EXPECT_EQ(LastLog(), "[錯誤] next");
}

TEST_F(BaseForm, AskLogsUnattendedAndSummaries) {
  TScriptedAsker asker;
  asker.Answers = {kAnswerNo, kAnswerOk};
  job.Asker = &asker;
  EXPECT_EQ(job.Ask("q", TAskKind::Confirmation, kBtnYes | kBtnNo, kAnswerYes), kAnswerNo);
  EXPECT_TRUE(job.mmoLog.Lines.empty());
  EXPECT_EQ(job.Ask("sum", TAskKind::Information, kBtnOk, kAnswerSummary), kAnswerOk);
  EXPECT_EQ(LastLog(), "sum");
  Process().Unattended = true;
  EXPECT_EQ(job.Ask("u", TAskKind::Error, kBtnOk, kAnswerUnread), kAnswerUnread);
  EXPECT_EQ(LastLog(), "u");
  EXPECT_EQ(asker.Questions.size(), 2u);
}

TEST_F(BaseForm, PrepareJobDerivesVariantScriptAndNotes) {
  struct {
    int index, codePage, flags, variant, script;
  } rows[] = {{0, 936, 0, 0, 936},
              {0, 936, kMapToTraditional, 1, 950},
              {0, 936, kMapToSimplified, 0, 936},
              {1, 950, 0, 2, 950},
              {2, 65001, 0, 3, 936},
              {2, 65001, kMapToTraditional, 4, 950}};
  for (const auto& r : rows) {
    job.DstCodePageIndex = r.index;
    job.DstCodePage = r.codePage;
    job.MapFlags = r.flags;
    job.PrepareJob();
    EXPECT_EQ(job.TextVariant, r.variant) << r.index << " " << r.flags;
    EXPECT_EQ(job.ScriptCodePage, static_cast<uint32_t>(r.script)) << r.index << " " << r.flags;
  }
  job.chkAddError.Checked = job.chkAddBaseInfo.Checked = true;
  job.ErrorCount = 3;
  job.ReplaceAnswer = kAnswerNoToAll;
  job.OutBuffer = "x";
  job.PrepareJob();
  EXPECT_TRUE(job.AddErrorInfo && job.AddBaseInfo && job.WxfStandard);
  EXPECT_EQ(job.ErrorCount, 0);
  EXPECT_EQ(job.ReplaceAnswer, kAnswerYes);
  EXPECT_TRUE(job.OutBuffer.empty());
  for (int format : {kFmtCnc, kFmtFen}) {
    job.DstFormat = format;
    job.PrepareJob();
    EXPECT_FALSE(job.AddErrorInfo || job.AddBaseInfo);
  }
  for (int format : {kFmtWebC5, kFmtText, kFmtCbl}) {
    job.DstFormat = format;
    job.PrepareJob();
    EXPECT_FALSE(job.WxfStandard);
  }
}

#ifdef TAVRIK_FAKE_ECCO_DIR
TEST_F(BaseForm, PrepareJobSelectsTheOpeningScript) {
  LoadEccoLibrary(std::string(TAVRIK_FAKE_ECCO_DIR) + "/");
  ASSERT_TRUE(EccoLoaded());
  std::string code, opening, variation;
  job.DstCodePage = kCpBig5;
  job.PrepareJob();
  EccoClassify("C2.5", code, opening, variation);
  EXPECT_EQ(opening, "中炮對屏風馬");
  job.DstCodePage = kCpGbk;
  job.PrepareJob();
  EccoClassify("C2.5", code, opening, variation);
  EXPECT_EQ(opening, "中炮对屏风马");
  UnloadEccoLibrary();
}
#endif

TEST_F(BaseForm, CheckJobSettingsReportsFirstFailingCheck) {
  TMemoryClipboard clipboard;
  SetClipboard(&clipboard);
  job.SrcFormat = kFmtXqf;
  job.SrcCodePage = kCpUtf8;
  job.DstFormat = kFmtXqf;
  job.DstCodePage = kCpUtf8;
  job.FromClipboard = true;
  const char* expected[] = {"“源棋譜代碼頁”請選中“國標碼”或“大五碼”。",
                            "“目標棋譜代碼頁”請選中“國標碼”或“大五碼”。", "來源不能是剪貼板！",
                            "剪貼板中沒有文本！",
                            "“源棋譜代碼頁”為“國標碼(GBK)”，請確認是否正確？"};
  for (const char* message : expected) {
    EXPECT_EQ(job.CheckJobSettings(), message == expected[4]);  // the question is answered Yes
    EXPECT_EQ(LastLog(), message);
    if (message == expected[0]) job.SrcFormat = kFmtCbf, job.SrcCodePage = kCpGbk;
    if (message == expected[1]) job.DstCodePage = kCpBig5;
    if (message == expected[2]) job.SrcFormat = kFmtText;
    if (message == expected[3]) clipboard.SetText("abc", u"abc");
  }
  TScriptedAsker asker;
  asker.Answers = {kAnswerNo};
  job.Asker = &asker;
  EXPECT_FALSE(job.CheckJobSettings());
  job.SrcCodePage = kCpUtf8;  // the system code page: no question
  EXPECT_TRUE(job.CheckJobSettings());
  job.FromClipboard = false;
  job.SrcCodePage = kCpUtf16Le;
  asker.Answers = {kAnswerNo};
  EXPECT_FALSE(job.CheckJobSettings());
  EXPECT_EQ(asker.Questions.back(), "“源棋譜代碼頁”為“UTF-16 Little Endian”，請確認是否正確？");
}

TEST_F(BaseForm, WalkHandlesFilesBeforeFoldersAndMakesOnlyNeededFolders) {
  for (const char* d : {"src/a/deep", "src/empty"}) fs::create_directories(dir + d);
  for (const char* f : {"src/z.xqf", "src/b.txt", "src/a/c.XQF", "src/a/deep/d.xqf",
                        "src/empty/x.txt", "src/noext"})
    Spit(dir + f, "x");
  job.SrcFormat = kFmtXqf;
  job.chkSubDir.Checked = true;
  EXPECT_EQ(job.WalkSourceFolder(dir + "src/", dir + "dst/"), 3);
  EXPECT_EQ(job.Converted,
            (std::vector<std::string>{dir + "src/z.xqf -> " + dir + "dst/",
                                      dir + "src/a/c.XQF -> " + dir + "dst/a/",
                                      dir + "src/a/deep/d.xqf -> " + dir + "dst/a/deep/"}));
  EXPECT_TRUE(fs::is_directory(dir + "dst/a/deep"));
  EXPECT_FALSE(fs::exists(dir + "dst/empty"));

  // A folder that cannot be made is logged; its file is skipped, the walk goes on.
  job.Converted.clear();
  job.PrepareJob();
  fs::remove_all(dir + "dst");
  fs::create_directories(dir + "dst");
  Spit(dir + "dst/a", "blocks the folder");
  EXPECT_EQ(job.WalkSourceFolder(dir + "src/", dir + "dst/"), 1);
  EXPECT_EQ(job.ErrorCount, 2);
  EXPECT_EQ(job.mmoLog.Lines[2], "[錯誤] 不能建立文件夾：" + dir + "dst/a/");

  job.chkSubDir.Checked = false;
  job.Converted.clear();
  EXPECT_EQ(job.WalkSourceFolder(dir + "src/", ""), 1);
}

TEST_F(BaseForm, MasksAndPaths) {
  EXPECT_TRUE(MatchesMask("a.xqf", "*.XQF"));
  EXPECT_TRUE(MatchesMask("dir.x/a.html", "*.HTM;*.HTML"));
  EXPECT_FALSE(MatchesMask("a.ht", "*.HTM;*.HTML"));
  EXPECT_FALSE(MatchesMask("a.", "*.XQF"));
  EXPECT_FALSE(MatchesMask("dir.xqf/a", "*.XQF"));
  EXPECT_TRUE(SamePath("/Tmp/Ä.pgn", "/tmp/ä.PGN"));
  EXPECT_FALSE(SamePath("/tmp/a", "/tmp/a/"));
  fs::create_directory(dir + "real");
  fs::create_directory_symlink(dir + "real", dir + "link");
  EXPECT_TRUE(SameLocation(dir + "link/", dir + "real"));
  EXPECT_FALSE(SameLocation(dir + "real", dir + "REAL"));  // case matters to the file system
  EXPECT_TRUE(SameLocation(dir + "new/x", dir + "link/../new/x"));
  Process().SystemCodePage = kCpGbk;
  EXPECT_FALSE(SamePath("\x81\x41", "\x81\x61"));  // trail bytes are not letters
  EXPECT_TRUE(SamePath("\x81\x41x", "\x81\x41X"));
}

TEST_F(BaseForm, Md5SuffixIsReplacedAndFollowsContent) {
  job.AddMD5 = 2;
  const std::string md5Abc = "{900150983CD24FB0D6963F7D28E17F72}";
  EXPECT_TRUE(job.WriteOutput(rec, dir + "r{0123456789abcdef0123456789ABCDEF}.pgn", 0, "abc"));
  EXPECT_TRUE(job.WriteOutput(rec, dir + "r.pgn", 0, "abc"));  // same content, same name
  EXPECT_TRUE(job.WriteOutput(rec, dir + "r.pgn", 0, "abd"));
  EXPECT_TRUE(job.WriteOutput(rec, dir + "noext", 0, "abc"));
  EXPECT_EQ(Names(dir),
            (std::vector<std::string>{"noext" + md5Abc, "r{4911E516E5AA21D327512E0C8B197616}.pgn",
                                      "r" + md5Abc + ".pgn"}));
}

TEST_F(BaseForm, Md5OnlyWhenExistingNamesTheNewContent) {
  job.AddMD5 = 1;
  TScriptedAsker asker;
  job.Asker = &asker;
  EXPECT_TRUE(job.WriteOutput(rec, dir + "g.pgn", 0, "first"));
  EXPECT_TRUE(job.WriteOutput(rec, dir + "g.pgn", 0, "second"));
  EXPECT_EQ(Names(dir).size(), 2u);
  EXPECT_TRUE(asker.Questions.empty());
  EXPECT_TRUE(job.WriteOutput(rec, dir + "g.pgn", 0, "second"));
  ASSERT_EQ(asker.Questions.size(), 1u);
  EXPECT_NE(asker.Questions[0].find("g{"), std::string::npos);
  EXPECT_EQ(Slurp(dir + "g.pgn"), "first");
}

TEST_F(BaseForm, ReplaceQuestionYesToAllAndNoToAll) {
  TScriptedAsker asker;
  job.Asker = &asker;
  for (const char* f : {"1.pgn", "2.pgn", "3.pgn"}) Spit(dir + f, "old");
  asker.Answers = {kAnswerNo, kAnswerYesToAll};
  EXPECT_FALSE(job.WriteOutput(rec, dir + "1.pgn", 0, "new"));
  EXPECT_TRUE(job.WriteOutput(rec, dir + "2.pgn", 0, "new"));
  EXPECT_TRUE(job.WriteOutput(rec, dir + "3.pgn", 0, "new"));
  EXPECT_EQ(asker.Questions.size(), 2u);
  EXPECT_EQ(asker.Questions[0], "文件“" + dir + "1.pgn”已存在，是否替換？");
  EXPECT_EQ(Slurp(dir + "1.pgn") + Slurp(dir + "3.pgn"), "oldnew");

  job.PrepareJob();
  asker.Answers = {kAnswerNoToAll};
  EXPECT_FALSE(job.WriteOutput(rec, dir + "2.pgn", 0, "newer"));
  EXPECT_FALSE(job.WriteOutput(rec, dir + "3.pgn", 0, "newer"));
  EXPECT_EQ(asker.Questions.size(), 3u);
  EXPECT_TRUE(job.mmoLog.Lines.empty());  // skipped silently
  EXPECT_EQ(Slurp(dir + "3.pgn"), "new");
}

TEST_F(BaseForm, FailedWriteKeepsTheOldFile) {
  Spit(dir + "keep.pgn", "old");
  // A file-size limit makes the write fail even for root.
  rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 16;
  setrlimit(RLIMIT_FSIZE, &small);
  const bool written = job.WriteOutput(rec, dir + "keep.pgn", 0, std::string(1000, 'n'));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(Slurp(dir + "keep.pgn"), "old");
  EXPECT_EQ(Names(dir), std::vector<std::string>{"keep.pgn"});  // no temporary file left
  EXPECT_EQ(job.ErrorCount, 1);

  fs::create_directory(dir + "folder.pgn");
  EXPECT_FALSE(job.WriteOutput(rec, dir + "folder.pgn", 0, "x"));
  EXPECT_EQ(job.ErrorCount, 2);
  EXPECT_FALSE(job.WriteOutput(rec, dir + "missing/x.pgn", 0, "x"));
  EXPECT_EQ(LastLog(), "[錯誤] 目標文件所在的文件夾不存在。" + dir + "missing/x.pgn");
}

TEST_F(BaseForm, LongPathRefusedOnlyForNewFiles) {
  const std::string folder = dir + std::string(100, 'a') + "/" + std::string(100, 'b') + "/";
  fs::create_directories(folder);
  auto pathOf = [&](size_t units, const std::string& fill) {
    std::string name = folder;
    while (name.size() + 4 < units) name += 'c';
    return name + fill + ".pg";  // fill is one UTF-16 unit
  };
  EXPECT_TRUE(job.WriteOutput(rec, pathOf(258, "棋"), 0, "x"));  // 260 bytes, 258 units
  const std::string tooLong = pathOf(259, "d");
  EXPECT_FALSE(job.WriteOutput(rec, tooLong, 0, "x"));
  EXPECT_EQ(LastLog(), "[錯誤] 路徑和文件名總長度超過最大長度。" + tooLong);
  Spit(tooLong, "old");
  EXPECT_TRUE(job.WriteOutput(rec, tooLong, 0, "new"));
  EXPECT_EQ(Slurp(tooLong), "new");
}

TEST_F(BaseForm, EmptyRecordMakesEmptyFileAndCounts) {
  EXPECT_TRUE(job.WriteOutput(rec, dir + "e.pgn", 0, ""));
  EXPECT_TRUE(fs::exists(dir + "e.pgn"));
  EXPECT_EQ(fs::file_size(dir + "e.pgn"), 0u);
  EXPECT_EQ(LastLog(), "已寫棋譜到：" + dir + "e.pgn");
}

TEST_F(BaseForm, ClipboardBufferKeepsOneMarkAndFinishPutsIt) {
  TMemoryClipboard clipboard;
  SetClipboard(&clipboard);
  job.ToClipboard = true;
  job.DstCodePage = kCpUtf8;
  rec.Texts[kSlotTitle] = "甲";
  EXPECT_TRUE(job.WriteOutput(rec, "", 0,
                              "\xEF\xBB\xBF"
                              "a"));
  rec.Texts[kSlotTitle].clear();
  EXPECT_TRUE(job.WriteOutput(rec, "", 0,
                              "\xEF\xBB\xBF"
                              "b"));
  EXPECT_EQ(job.OutBuffer,
            "\xEF\xBB\xBF"
            "ab");
  EXPECT_GE(job.OutBuffer.capacity(), 0x100000u);
  EXPECT_EQ(job.mmoLog.Lines[0], "已寫一個棋譜到緩存：甲");
  EXPECT_EQ(job.mmoLog.Lines[1], "已寫一個棋譜到緩存(棋譜標題為空)！");
  job.FinishJob(2);
  std::string text;
  EXPECT_TRUE(clipboard.GetAnsiText(text));
  EXPECT_EQ(text,
            "\xEF\xBB\xBF"
            "ab");
  const std::string placed = clipboard.Bytes;
  EXPECT_TRUE(job.OutBuffer.empty());
  EXPECT_EQ(job.mmoLog.Lines[2], "\r\n已復制緩存數據到剪貼板");
  EXPECT_EQ(LastLog(), "\r\n成功轉換 2 個棋譜。");

  job.PrepareJob();  // nothing written: the clipboard is left alone
  job.Log("bad", kLogError);
  job.FinishJob(0);
  EXPECT_EQ(clipboard.Bytes, placed);
  EXPECT_EQ(LastLog(),
            "\r\n已轉換 0 個棋譜\r\n有錯誤或警告產生，請檢查LOG！\r\n錯誤個數：1\r\n警告個數：0");
}

TEST_F(BaseForm, ClipboardSourceIntoFolderNamesByTitle) {
  job.FromClipboard = true;
  EXPECT_TRUE(job.WriteOutput(rec, dir, 0, "x"));
  rec.Texts[kSlotTitle] = "../\xC6\xE5";  // GBK title, named in the system code page
  EXPECT_TRUE(job.WriteOutput(rec, dir.substr(0, dir.size() - 1), 0, "y"));
  const auto names = Names(dir);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[1], "NoName.PGN");
  EXPECT_EQ(names[0].find('/'), std::string::npos);
  EXPECT_NE(names[0].find("棋.PGN"), std::string::npos);

  // 84 CJK characters take 252 bytes: the name is cut to fit one file name,
  // with room for the MD5 suffix that a second record of that title gets.
  Process().SystemCodePage = kCpUtf8;
  job.DstCodePage = kCpUtf8;
  job.AddMD5 = 1;
  rec.Texts[kSlotTitle].clear();
  for (int i = 0; i < 84; ++i) rec.Texts[kSlotTitle] += "棋";
  EXPECT_TRUE(job.WriteOutput(rec, dir, 0, "z")) << LastLog();
  EXPECT_TRUE(job.WriteOutput(rec, dir, 0, "w")) << LastLog();
  EXPECT_EQ(Names(dir).size(), 4u);
  for (const std::string& name : Names(dir)) EXPECT_LE(name.size(), 255u);
}

TEST_F(BaseForm, FindTagPairResultsAndPositions) {
  const std::string text =
      "x[DhtmlXQ_Title]abc[/dhtmlxq_title][dhtmlxq_e][/dhtmlxq_e][dhtmlxq_open]zz";
  size_t pos = 1, start = 0, length = 0;
  std::string name;
  auto find = [&] {
    return FindTagPair(job, "[dhtmlxq_", "[/dhtmlxq_", text, text.size(), pos, name, start, length);
  };
  EXPECT_EQ(find(), 2);
  EXPECT_EQ(name, "title");
  EXPECT_EQ(text.substr(start - 1, length), "abc");
  EXPECT_EQ(pos, 36u);
  EXPECT_EQ(find(), 1);  // empty value
  EXPECT_EQ(pos, 59u);
  EXPECT_EQ(find(), 1);  // no closing tag
  EXPECT_EQ(pos, 68u);
  EXPECT_EQ(LastLog(), "沒有找到字符串：[/dhtmlxq_open]");
  EXPECT_EQ(find(), 0);

  // In GBK a '[' that is the second byte of a character does not close the value.
  job.DstCodePage = kCpGbk;
  const std::string gbk = "[dhtmlxq_t]\x81[/dhtmlxq_t]v[/dhtmlxq_t]";
  pos = 1;
  EXPECT_EQ(FindTagPair(job, "[dhtmlxq_", "[/dhtmlxq_", gbk, gbk.size(), pos, name, start, length),
            2);
  EXPECT_EQ(gbk.substr(start - 1, length), "\x81[/dhtmlxq_t]v");
}

}  // namespace
