// The any-to-any job: the window's choices and their rules, the job routine
// with its path checks, the per-file conversion and the command line.
#include "app/any2any.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "app/dispatch.h"
#include "app/formsettings.h"
#include "app/paths.h"
#include "app/settings.h"
#include "core/encoding.h"
#include "formats/text/registry.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSourceKindFolder = 0;
constexpr int kSourceKindFile = 1;
constexpr int kSourceKindClipboard = 2;

// Positions of the code-page choices.
constexpr int kDstCodePages[3] = {kCpGbk, kCpBig5, kCpUtf8};
constexpr int kMapFlagsByPosition[3] = {kMapToSimplified, kMapToTraditional, 0};
constexpr int kMapNone = 2;

// Longest path, in UTF-16 code units, that the program writes to.
constexpr size_t kMaxPathUnits = 258;

int ListPosition(const std::vector<int>& rows, int row) {
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i] == row) return static_cast<int>(i);
  return -1;
}

int CodePageArgument(const std::string& arg, bool withUtf16) {
  std::string a = UpperAscii(arg);
  if (a == "GBK") return 0;
  if (a == "BIG5") return 1;
  if (a == "UTF-8") return 2;
  if (withUtf16 && a == "UTF-16") return 3;
  return -1;
}

const std::vector<std::string> kSrcCodePageItems = {"國標碼(GBK)", "大五碼(Big5)", "UTF-8",
                                                    "UTF-16LE"};

}  // namespace

std::string ChangeFileExt(const std::string& name, const std::string& ext) {
  size_t dot = name.rfind('.');
  size_t slash = name.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name + ext;
  return name.substr(0, dot) + ext;
}

const std::vector<int> TAnyFormat2AnyFormatForm::kSourceRows = RowsOffering(kOfferAnySource);
const std::vector<int> TAnyFormat2AnyFormatForm::kDestinationRows =
    RowsOffering(kOfferAnyDestination);
const int TAnyFormat2AnyFormatForm::kSourceRowCount = static_cast<int>(kSourceRows.size());
const int TAnyFormat2AnyFormatForm::kDestinationRowCount =
    static_cast<int>(kDestinationRows.size());

TAnyFormat2AnyFormatForm::TAnyFormat2AnyFormatForm(bool commandLine) : commandLine_(commandLine) {

  rgSource.Caption = "來源";
  rgSource.Items = {"文件夾", "文件", "剪貼板"};
  edtSource.Caption = "來源";
  edtDestination.Caption = "目標";
  chkSubDir.Caption = "包含子文件夾";
  for (int row : kSourceRows) cbbSourceFormat.Items.push_back(FormatNames[row]);
  for (int row : kDestinationRows) cbbDestinationFormat.Items.push_back(FormatNames[row]);
  rgSourceCodePage.Caption = "源棋譜代碼頁";
  rgSourceCodePage.Items = kSrcCodePageItems;
  rgDestinationCodePage.Caption = "目標棋譜代碼頁";
  rgDestinationCodePage.Items = {"國標碼(GBK)", "大五碼(Big5)", "UTF-8"};
  rgMapType.Caption = "中文簡體字/繁體字轉換";
  rgMapType.Items = {"將繁體字轉換為簡體字", "將簡體字轉換為繁體字", "不要轉換"};
  rgMapType.ItemIndex = kMapNone;
  chkFileNameToTitle.Caption = "文件名作為棋譜標題";
  chkLeftToRight.Caption = "左右調換";
  chkAddError.Caption = "添加錯誤信息到棋譜注解";
  chkAddBaseInfo.Caption = "添加摘要信息到棋譜最后";
  btnConvert.Caption = "轉換到文件";
  btnToClipboard.Caption = "轉換到剪貼板";
  btnClose.Caption = "關閉";

  TIniFile& ini = Settings();

  chkSubDir.Checked = ini.ReadBool(kSecAnyToAny, "SubDirs", true);
  if (commandLine_) {
    rgSource.ItemIndex = kSourceKindFile;
    cbbSourceFormat.ItemIndex = 0;
    cbbDestinationFormat.ItemIndex = 0;
  } else {
    rgSource.ItemIndex =
        ValidPosition(ini.ReadInteger(kSecAnyToAny, "SourceType", 0), rgSource.Items.size(), 0);
    cbbSourceFormat.ItemIndex = ValidPosition(ini.ReadInteger(kSecAnyToAny, "SourceFormat", 0),
                                              cbbSourceFormat.Items.size(), 0);
    cbbDestinationFormat.ItemIndex =
        ValidPosition(ini.ReadInteger(kSecAnyToAny, "DestinationFormat", 0),
                      cbbDestinationFormat.Items.size(), 0);
    edtSource.Text = ini.ReadString(kSecAnyToAny, "Source", "");
    edtDestination.Text = ini.ReadString(kSecAnyToAny, "Destination", "");
  }
  cbbSourceFormat.Text = cbbSourceFormat.Items[cbbSourceFormat.ItemIndex];
  cbbDestinationFormat.Text = cbbDestinationFormat.Items[cbbDestinationFormat.ItemIndex];
  LoadOptionBoxes(*this, ini, kSecAnyToAny, true);

  cbbSourceFormatChange();
  cbbDestinationFormatChange();
  rgSourceClick();
}

TAnyFormat2AnyFormatForm::~TAnyFormat2AnyFormatForm() {
  TIniFile& ini = Settings();
  SavePathControls(*this, ini, kSecAnyToAny);
  SaveOptionBoxes(*this, ini, kSecAnyToAny, true);
  ini.WriteInteger(kSecAnyToAny, "SourceFormat", cbbSourceFormat.ItemIndex);
  ini.WriteInteger(kSecAnyToAny, "DestinationFormat", cbbDestinationFormat.ItemIndex);
}

// ---- Choices and their rules ----

void TAnyFormat2AnyFormatForm::rgSourceClick() {
  int kind = rgSource.ItemIndex;
  edtSource.Enabled = kind != kSourceKindClipboard;
  btnSource.Enabled = kind != kSourceKindClipboard;
  chkSubDir.Enabled = kind == kSourceKindFolder;
}

void TAnyFormat2AnyFormatForm::cbbSourceFormatChange() {
  int pos = ValidPosition(cbbSourceFormat.ItemIndex, kSourceRowCount, 0);
  cbbSourceFormat.ItemIndex = pos;
  cbbSourceFormat.Text = cbbSourceFormat.Items[pos];
  SrcFormat = static_cast<uint32_t>(kSourceRows[pos]);
  if (FileTypes[SrcFormat].CodePages == TCodePageRule::GbkOnly) {
    rgSourceCodePage.ItemIndex = 0;
    rgSourceCodePage.Enabled = false;
  } else {
    rgSourceCodePage.Enabled = true;
    rgSourceCodePage.ItemIndex = LoadCodePageIndex(kSecSource, static_cast<int>(SrcFormat),
                                                   static_cast<int>(rgSourceCodePage.Items.size()));
  }
  ApplyMapRule();
}

void TAnyFormat2AnyFormatForm::cbbDestinationFormatChange() {
  int pos = ValidPosition(cbbDestinationFormat.ItemIndex, kDestinationRowCount, 0);
  cbbDestinationFormat.ItemIndex = pos;
  cbbDestinationFormat.Text = cbbDestinationFormat.Items[pos];
  DstFormat = static_cast<uint32_t>(kDestinationRows[pos]);
  btnToClipboard.Enabled = FileTypes[DstFormat].Text;
  rgDestinationCodePage.ItemIndex =
      LoadCodePageIndex(kSecDestination, static_cast<int>(DstFormat),
                        static_cast<int>(rgDestinationCodePage.Items.size()));
  ApplyMapRule();
}

void TAnyFormat2AnyFormatForm::rgSourceCodePageClick() {
  SaveCodePageIndex(kSecSource, static_cast<int>(SrcFormat), rgSourceCodePage.ItemIndex);
  ApplyMapRule();
}

void TAnyFormat2AnyFormatForm::rgDestinationCodePageClick() {
  SaveCodePageIndex(kSecDestination, static_cast<int>(DstFormat), rgDestinationCodePage.ItemIndex);
  ApplyMapRule();
}

void TAnyFormat2AnyFormatForm::ApplyMapRule() {
  rgMapType.ItemIndex = kMapNone;
  rgMapType.Enabled = true;
  int src = rgSourceCodePage.ItemIndex;
  int dst = rgDestinationCodePage.ItemIndex;
  if (dst == 0 && src == 1) rgMapType.ItemIndex = 0;
  if (dst == 1) {
    if (src != 1) rgMapType.ItemIndex = 1;
    rgMapType.Enabled = false;
  }
}

void TAnyFormat2AnyFormatForm::btnConvertClick() {
  ToClipboard = false;
  RunAnyToAnyJob();
}

void TAnyFormat2AnyFormatForm::btnToClipboardClick() {
  if (!btnToClipboard.Enabled) return;
  ToClipboard = true;
  RunAnyToAnyJob();
}

// ---- The job ----

void TAnyFormat2AnyFormatForm::ErrorBox(std::string_view message, const std::string& path) {
  Ask(SystemText(message) + path, TAskKind::Error, kBtnOk, kAnswerUnread);
}

bool TAnyFormat2AnyFormatForm::Confirm(std::string_view text) {
  return Ask(SystemText(text), TAskKind::Confirmation, kBtnYes | kBtnNo, kAnswerYes) == kAnswerYes;
}

bool TAnyFormat2AnyFormatForm::RunAnyToAnyJob() {
  try {
    LastJobRan = RunJobSteps();
  } catch (const std::exception& e) {
    Ask(e.what(), TAskKind::Error, kBtnOk, kAnswerUnread);
    LastJobRan = false;
  }
  return LastJobRan;
}

bool TAnyFormat2AnyFormatForm::RunJobSteps() {
  // Job state from the controls.
  int kind = ValidPosition(rgSource.ItemIndex, rgSource.Items.size(), kSourceKindFile);
  FromClipboard = kind == kSourceKindClipboard;
  SrcFormat = static_cast<uint32_t>(
      kSourceRows[ValidPosition(cbbSourceFormat.ItemIndex, kSourceRowCount, 0)]);
  DstFormat = static_cast<uint32_t>(
      kDestinationRows[ValidPosition(cbbDestinationFormat.ItemIndex, kDestinationRowCount, 0)]);
  SrcCodePage = static_cast<uint32_t>(SourceCodePage(FromClipboard, rgSourceCodePage.ItemIndex));
  DstCodePageIndex = ValidPosition(rgDestinationCodePage.ItemIndex, 3, 0);
  DstCodePage = static_cast<uint32_t>(kDstCodePages[DstCodePageIndex]);
  MapFlags = kMapFlagsByPosition[ValidPosition(rgMapType.ItemIndex, 3, kMapNone)];

  PrepareJob();
  ApplyDestinationOptions();
  ApplySourceOptions(*this);
  if (!CheckJobSettings()) return false;

  std::string source, sourceMask, dest, destMask, destExt;
  if (!FromClipboard) {
    source = ExpandPath(TrimText(edtSource.Text));
    edtSource.Text = source;
    sourceMask = FileTypes[SrcFormat].Filter;
  }
  if (!ToClipboard) {
    dest = ExpandPath(TrimText(edtDestination.Text));
    edtDestination.Text = dest;
    destMask = FileTypes[DstFormat].Filter;
    destExt = std::string(".") + FileTypes[DstFormat].Ext;
  }

  if (kind == kSourceKindFolder) {
    if (!FolderExists(source)) {
      ErrorBox("源文件夾不存在。");
      return false;
    }
    source = WithDelimiter(source);
    if (!ToClipboard) {
      if (!FolderExists(dest)) {
        ErrorBox("目標文件夾不存在。");
        return false;
      }
      dest = WithDelimiter(dest);
      if (sourceMask == destMask && SameLocation(source, dest)) {
        ErrorBox("源文件夾和目標文件夾不能相同!");
        return false;
      }
    }
    int count = WalkSourceFolder(source, ToClipboard ? std::string() : dest);
    FinishJob(count);
    return true;
  }

  if (!FromClipboard) {
    if (FolderExists(source)) {
      ErrorBox("來源不能為文件夾，請輸入文件名。");
      return false;
    }
    if (!PathExists(source)) {
      ErrorBox("源文件不存在。");
      return false;
    }
    // A pipe or a device would block the job at its first read.
    if (!IsRegularFile(source)) {
      ErrorBox("來源不是普通文件：", source);
      return false;
    }
    if (!MatchesMask(source, sourceMask) &&
        !Confirm("源文件擴展名和默認值不相同，請確認是否正確？"))
      return false;
  }
  if (!ToClipboard) {
    if (!FromClipboard && FolderExists(dest))
      dest = WithDelimiter(dest) + ChangeFileExt(FileNameOf(source), destExt);
    if (!FolderExists(FolderPart(dest))) {
      ErrorBox("目標文件所在的文件夾不存在。", dest);
      return false;
    }
    if (!MatchesMask(dest, destMask) && !FolderExists(dest) &&
        !Confirm("目標文件擴展名和默認值不相同，請確認是否正確？"))
      return false;
    if (!FromClipboard && SameLocation(source, dest)) {
      ErrorBox("源文件和目標文件不能相同!");
      return false;
    }
  }
  int count = ConvertSourceFile(source, ToClipboard ? std::string() : dest);
  FinishJob(count);
  return true;
}

int TAnyFormat2AnyFormatForm::ConvertSourceFile(const std::string& sourcePath,
                                                const std::string& destPath) {
  if (FromClipboard) {
    Log(SystemText("\r\n讀取棋譜：<<從剪貼板輸入>>"));
  } else {
    Log(SystemText("\r\n讀取棋譜：") + sourcePath);
    if (!PathExists(sourcePath)) {
      Log(SystemText("源文件不存在。") + sourcePath, kLogError);
      return 0;
    }
  }
  if (!ToClipboard && BytesToWide(destPath, Process().SystemCodePage).size() > kMaxPathUnits) {
    Log(SystemText("路徑和文件名總長度超過最大長度。") + destPath, kLogError);
    return 0;
  }

  if (SourceKindOf(SrcFormat) != TSourceKind::Page) {
    if (!ReadRecordFile(*this, Rec, sourcePath)) return 0;
    return WriteRecord(*this, Rec, destPath) != 0 ? 1 : 0;
  }

  // A web page may hold several records, all going to the same destination
  // name: unless the user asked for MD5 suffixes they get them when the name
  // is taken, so that they do not replace each other.
  std::string text;
  TDynJavaArray items;
  int found = FindWebRecords(*this, sourcePath, text, items);
  if (found > static_cast<int>(items.size())) found = static_cast<int>(items.size());
  if (found <= 0) return 0;
  AddMD5 = ValidPosition(rgAddMD5.ItemIndex, rgAddMD5.Items.size(), 1);
  if (found > 1 && AddMD5 == 0) AddMD5 = 1;
  int written = 0;
  for (int i = 0; i < found && !Stopping(); ++i) {
    const TWebItemRec& item = items[static_cast<size_t>(i)];
    if (ReadWebRecord(*this, Rec, sourcePath, item.Kind, item.StartPos, item.EndPos, text) &&
        WriteRecord(*this, Rec, destPath) != 0)
      ++written;
    RecordDone(i + 1, found);
  }
  return written;
}

int TAnyFormat2AnyFormatForm::ConvertFile(const std::string& sourceFile,
                                          const std::string& destFolder) {
  if (ToClipboard) return ConvertSourceFile(sourceFile, std::string());
  std::string ext = std::string(".") + FileTypes[DstFormat].Ext;
  return ConvertSourceFile(sourceFile, destFolder + ChangeFileExt(FileNameOf(sourceFile), ext));
}

// ---- Command line ----

int TAnyFormat2AnyFormatForm::RunCommandLine(const std::vector<std::string>& args) {
  if (args.size() != 7) return 2;

  // Source kind.
  char kindChar = args[0].empty() ? '\0' : args[0][0];
  if (kindChar == '0' || kindChar == '1') {
    rgSource.ItemIndex = kSourceKindFolder;
    chkSubDir.Checked = kindChar == '1';
  } else {
    rgSource.ItemIndex = kSourceKindFile;
  }
  rgSourceClick();

  // Formats, by identifier; one not offered by a list selects its first entry.
  int srcPos = ListPosition(kSourceRows, FormatIndexOf(UpperAscii(args[3]), 1));
  cbbSourceFormat.ItemIndex = srcPos < 0 ? 0 : srcPos;
  cbbSourceFormatChange();
  int dstPos = ListPosition(kDestinationRows, FormatIndexOf(UpperAscii(args[4]), 1));
  cbbDestinationFormat.ItemIndex = dstPos < 0 ? 0 : dstPos;
  cbbDestinationFormatChange();

  // Code pages for this run only (the stored per-format choices stay).
  int srcCp = CodePageArgument(args[1], true);
  if (srcCp >= 0) rgSourceCodePage.ItemIndex = srcCp;
  int dstCp = CodePageArgument(args[2], false);
  if (dstCp >= 0) rgDestinationCodePage.ItemIndex = dstCp;
  if (FileTypes[SrcFormat].CodePages == TCodePageRule::GbkOnly) rgSourceCodePage.ItemIndex = 0;
  if (FileTypes[SrcFormat].CodePages == TCodePageRule::DoubleByte &&
      rgSourceCodePage.ItemIndex >= 2)
    rgSourceCodePage.ItemIndex = DefaultCodePageIndex();
  if (FileTypes[DstFormat].CodePages == TCodePageRule::DoubleByte &&
      rgDestinationCodePage.ItemIndex == 2)
    rgDestinationCodePage.ItemIndex = DefaultCodePageIndex();
  ApplyMapRule();

  edtSource.Text = args[5];
  edtDestination.Text = args[6];
  ToClipboard = false;
  bool ran = RunAnyToAnyJob();
  return (ran && ErrorCount == 0 && WarningCount == 0) ? 0 : 1;
}
