// The CBL-to-any job: the window's rules, loading a library's record list,
// naming the output files and converting the records.
#include "app/cbl2any.h"

#include <unicode/unistr.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "app/any2any.h"
#include "app/dispatch.h"
#include "app/formsettings.h"
#include "app/paths.h"
#include "app/settings.h"
#include "core/encoding.h"
#include "formats/ccbridge/cbr.h"
#include "formats/text/registry.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kSecCblToAny = "CBLToAny";
constexpr int kDstCodePages[3] = {kCpGbk, kCpBig5, kCpUtf8};
constexpr int kMapToTraditionalPos = 0;
constexpr int kMapNonePos = 1;
// Characters of a path the title may take, less the folder, extension and label.
constexpr int kNameRoom = 256;

// A sort key that orders names without regard to case, in the system code
// page. Names that SamePath calls equal have equal keys and lengths, so they
// end up next to each other when sorted by both.
std::string FoldKey(const std::string& name) {
  const int cp = Process().SystemCodePage;
  if (cp != kCpUtf8) {
    // ASCII letters only; double-byte characters stay as they are.
    std::string key = name;
    for (size_t i = 0; i < key.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(key[i]);
      if (c >= 0x81 && c <= 0xFE) {
        ++i;  // the trail byte may look like a letter
        continue;
      }
      if (c >= 'A' && c <= 'Z') key[i] = static_cast<char>(c - 'A' + 'a');
    }
    return key;
  }
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(name);
  std::string key;
  text.foldCase().toUTF8String(key);
  return key;
}

struct TNamedRecord {
  std::string Name;
  std::string Key;
  int Index;
};

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

TCBL2AnyFormatForm::TCBL2AnyFormatForm() {
  rgSource.Caption = "來源";
  rgSource.Items = {"文件夾", "文件"};
  edtSource.Caption = "來源";
  chkSubDir.Caption = "包含子文件夾";
  btnSource.Caption = "打開...";
  lstSource.Caption = "棋譜列表";
  btnSelectAll.Caption = "全部選擇";
  btnNoSelect.Caption = "全部不選";
  btnReverseSelect.Caption = "反向選擇";
  lblDestination.Caption = "目標文件夾";
  btnDestination.Caption = "打開...";
  for (int row : TAnyFormat2AnyFormatForm::kDestinationRows)
    cbbDestinationFormat.Items.push_back(FormatNames[row]);
  cbbDestinationFormat.Caption = "目標格式";
  rgDestinationCodePage.Caption = "目標棋譜代碼頁";
  rgDestinationCodePage.Items = {"國標碼(GBK)", "大五碼(Big5)", "UTF-8"};
  rgMapType.Caption = "中文簡體字/繁體字轉換";
  rgMapType.Items = {"將簡體字轉換為繁體字", "不要轉換"};
  rgMapType.ItemIndex = kMapToTraditionalPos;
  rgDestinationFileName.Caption = "目標文件名";
  rgDestinationFileName.Items = {"棋譜標題", "棋譜標題＋記錄號", "記錄號＋棋譜標題", "記錄號"};
  chkFileNameToTitle.Visible = false;
  chkFileNameToTitle.Checked = false;
  btnConvert.Caption = "轉換到文件";
  btnToClipboard.Caption = "轉換到剪貼板";
  btnClose.Caption = "關閉";

  SrcCodePage = kCpGbk;
  FromClipboard = false;
  SrcFormat = kFmtCbl;
  TIniFile& ini = Settings();
  LoadPathControls(*this, ini, kSecCblToAny);
  rgDestinationFileName.ItemIndex =
      ValidPosition(ini.ReadInteger(kSecCblToAny, "FileNameType", kNameTitle),
                    rgDestinationFileName.Items.size(), kNameTitle);
  LoadOptionBoxes(*this, ini, kSecCblToAny, false);
  cbbDestinationFormat.ItemIndex = ValidPosition(
      ini.ReadInteger(kSecCblToAny, "DestinationFormat", 0), cbbDestinationFormat.Items.size(), 0);
  cbbDestinationFormatChange();
  rgSourceClick();
}

TCBL2AnyFormatForm::~TCBL2AnyFormatForm() {
  TIniFile& ini = Settings();
  SavePathControls(*this, ini, kSecCblToAny);
  ini.WriteInteger(kSecCblToAny, "FileNameType", rgDestinationFileName.ItemIndex);
  SaveOptionBoxes(*this, ini, kSecCblToAny, false);
  ini.WriteInteger(kSecCblToAny, "DestinationFormat", cbbDestinationFormat.ItemIndex);
}

// ---- Window rules ----

void TCBL2AnyFormatForm::rgSourceClick() {
  const bool file = rgSource.ItemIndex == kSourceFile;
  lstSource.Enabled = file;
  btnSelectAll.Enabled = file;
  btnNoSelect.Enabled = file;
  btnReverseSelect.Enabled = file;
  chkSubDir.Enabled = !file;
}

void TCBL2AnyFormatForm::cbbDestinationFormatChange() {
  const int pos = ValidPosition(cbbDestinationFormat.ItemIndex,
                                TAnyFormat2AnyFormatForm::kDestinationRowCount, 0);
  cbbDestinationFormat.ItemIndex = pos;
  cbbDestinationFormat.Text = cbbDestinationFormat.Items[pos];
  DstFormat = static_cast<uint32_t>(TAnyFormat2AnyFormatForm::kDestinationRows[pos]);
  btnToClipboard.Enabled = FileTypes[DstFormat].Text;
  rgDestinationCodePage.ItemIndex =
      LoadCodePageIndex(kSecDestination, static_cast<int>(DstFormat),
                        static_cast<int>(rgDestinationCodePage.Items.size()));
  ApplyMapRule();
}

void TCBL2AnyFormatForm::rgDestinationCodePageClick() {
  SaveCodePageIndex(kSecDestination, static_cast<int>(DstFormat), rgDestinationCodePage.ItemIndex);
  ApplyMapRule();
}

void TCBL2AnyFormatForm::ApplyMapRule() {
  const bool big5 = rgDestinationCodePage.ItemIndex == 1;
  rgMapType.ItemIndex = big5 ? kMapToTraditionalPos : kMapNonePos;
  rgMapType.Enabled = !big5;
}

void TCBL2AnyFormatForm::btnSelectAllClick() {
  lstSource.Selected.assign(lstSource.Items.size(), true);
}

void TCBL2AnyFormatForm::btnNoSelectClick() {
  lstSource.Selected.assign(lstSource.Items.size(), false);
}

void TCBL2AnyFormatForm::btnReverseSelectClick() {
  lstSource.Selected.resize(lstSource.Items.size(), false);
  lstSource.Selected.flip();
}

void TCBL2AnyFormatForm::ErrorBox(const std::string& text) {
  Ask(text, TAskKind::Error, kBtnOk, kAnswerUnread);
}

void TCBL2AnyFormatForm::CountsBox() {
  char text[64];
  std::snprintf(text, sizeof text, "%d\r\n警告個數：%d", ErrorCount, WarningCount);
  ErrorBox(SystemText(std::string("\r\n有錯誤或警告產生，請檢查LOG！\r\n錯誤個數：") + text));
}

void TCBL2AnyFormatForm::SourceChosen(const std::string& path) {
  edtSource.Text = path;
  if (rgSource.ItemIndex != kSourceFile) return;
  mmoLog.Lines.clear();
  ErrorCount = 0;
  WarningCount = 0;
  const std::string full = ExpandPath(TrimText(path));
  edtSource.Text = full;
  if (!FileExists(full)) {
    ErrorBox(SystemText("源文件不存在。"));
    return;
  }
  LoadLibraryList(full, true);
  if (ErrorCount > 0 || WarningCount > 0) CountsBox();
}

void TCBL2AnyFormatForm::btnConvertClick() {
  ToClipboard = false;
  RunCblToAnyJob();
}

void TCBL2AnyFormatForm::btnToClipboardClick() {
  if (!btnToClipboard.Enabled) return;
  ToClipboard = true;
  RunCblToAnyJob();
}

// ---- The loaded library ----

void TCBL2AnyFormatForm::ClearLibrary() {
  Library = TLibraryData{};
  RecordCount = 0;
  LabelWidth = 1;
  RecordOffsets.clear();
  RecordLabels.clear();
  RecordTitles.clear();
}

bool TCBL2AnyFormatForm::LoadLibraryList(const std::string& path, bool forDisplay) {
  ClearLibrary();
  if (forDisplay) {
    lstSource.Items.clear();
    lstSource.Selected.clear();
  }
  const bool needTitles =
      forDisplay || (!ToClipboard && rgDestinationFileName.ItemIndex != kNameLabel);
  const bool toTraditional = rgMapType.ItemIndex == kMapToTraditionalPos;
  const int systemCp = Process().SystemCodePage;
  const bool convertTitles = toTraditional || systemCp != kCpGbk;

  Log(SystemText("\r\n讀取象棋橋2.x棋庫：") + path);
  if (!FileExists(path)) {
    Log(SystemText("源文件不存在。") + path, kLogError);
    return false;
  }
  if (!ReadLibraryHeader(*this, path, Library)) return false;
  LabelWidth = Library.Precision;
  RecordOffsets.push_back(Library.Position);
  WalkLibraryRecords(*this, Library, [&](size_t start, size_t end, const std::string& label) {
    RecordOffsets.push_back(end);
    RecordLabels.push_back(label);
    std::string title;
    if (needTitles) {
      title = ReadCbrTitle(Library.Bytes, start, end);
      if (convertTitles && !title.empty())
        ConvertCodePage(title, kCpGbk, toTraditional ? kMapToTraditional : 0, systemCp);
    }
    if (forDisplay) {
      lstSource.Items.push_back(label + " " + title);
      lstSource.Selected.push_back(false);
    }
    RecordTitles.push_back(std::move(title));
  });
  RecordCount = static_cast<int>(RecordLabels.size());
  return true;
}

int TCBL2AnyFormatForm::ConvertLibraryRecord(int index, const std::string& fileName) {
  if (index < 0 || index >= RecordCount) return 0;
  const size_t i = static_cast<size_t>(index);
  if (!ReadCbrRecord(*this, Rec, Library.Bytes, RecordOffsets[i], RecordOffsets[i + 1],
                     RecordLabels[i]))
    return 0;
  return WriteRecord(*this, Rec, fileName) != 0 ? 1 : 0;
}

int TCBL2AnyFormatForm::ConvertLibrary(const std::string& path, const std::string& folder,
                                       bool fromList, const std::string& extension) {
  if (!fromList) LoadLibraryList(path, false);
  if (RecordCount == 0) return 0;

  int room = 0;
  // A file name holds at most kMaxNameBytes bytes: the title gets what the
  // label, the extension and an MD5 suffix leave.
  const size_t roomBytes =
      kMaxNameBytes - extension.size() - static_cast<size_t>(LabelWidth) - 2 - kMd5SuffixBytes;
  if (!ToClipboard) {
    if (!FolderExists(folder)) {
      Log(SystemText("目標文件夾不存在。") + folder, kLogError);
      return 0;
    }
    room = kNameRoom - static_cast<int>(BytesToWide(folder, Process().SystemCodePage).size()) -
           static_cast<int>(extension.size()) - LabelWidth;
    if (room < 0) {
      Log(SystemText("目標文件夾長度大于最大長度。") + folder, kLogError);
      return 0;
    }
  }

  std::vector<int> taking;
  for (int i = 0; i < RecordCount; ++i) {
    const bool selected = static_cast<size_t>(i) < lstSource.Selected.size() &&
                          lstSource.Selected[static_cast<size_t>(i)];
    if (!fromList || selected) taking.push_back(i);
  }

  const int naming = rgDestinationFileName.ItemIndex;
  int written = 0;
  const int64_t total = static_cast<int64_t>(taking.size());
  int64_t done = 0;
  if (ToClipboard || naming != kNameTitle) {
    for (int i : taking) {
      if (Stopping()) break;
      const std::string& label = RecordLabels[static_cast<size_t>(i)];
      std::string name;
      if (!ToClipboard) {
        const std::string& title = RecordTitles[static_cast<size_t>(i)];
        if (naming == kNameTitleLabel)
          name = folder + FitFileName(title, room, roomBytes) + label + extension;
        else if (naming == kNameLabelTitle)
          name = folder + label + FitFileName(title, room, roomBytes) + extension;
        else
          name = folder + label + extension;
      }
      written += ConvertLibraryRecord(i, name);
      RecordDone(++done, total);
    }
    return written;
  }

  // Names from titles, made unique with the record labels.
  std::vector<TNamedRecord> sorted;
  sorted.reserve(taking.size());
  for (int i : taking) {
    std::string name = FitFileName(RecordTitles[static_cast<size_t>(i)], room, roomBytes);
    if (name.empty()) name = FitFileName("NoName", room, roomBytes);
    sorted.push_back(TNamedRecord{name, FoldKey(name), i});
  }
  auto byKey = [](const TNamedRecord& a, const TNamedRecord& b) {
    return a.Key != b.Key ? a.Key < b.Key : a.Name.size() < b.Name.size();
  };
  std::stable_sort(sorted.begin(), sorted.end(), byKey);
  for (bool firstRound = true;; firstRound = false) {
    std::vector<TNamedRecord> kept;
    std::vector<TNamedRecord> renamed;
    kept.reserve(sorted.size());
    for (size_t a = 0; a < sorted.size();) {
      size_t b = a + 1;
      while (b < sorted.size() && SamePath(sorted[b].Name, sorted[a].Name)) ++b;
      for (size_t k = a; k < b; ++k) {
        TNamedRecord& entry = sorted[k];
        const std::string& label = RecordLabels[static_cast<size_t>(entry.Index)];
        if (b - a >= 2 && (firstRound || !EndsWith(entry.Name, label))) {
          entry.Name += label;
          entry.Key = FoldKey(entry.Name);
          renamed.push_back(std::move(entry));
        } else {
          kept.push_back(std::move(entry));
        }
      }
      a = b;
    }
    if (renamed.empty()) {
      sorted = std::move(kept);
      break;
    }
    // Renamed records go after the records whose names equal their new ones.
    std::stable_sort(renamed.begin(), renamed.end(), byKey);
    sorted.clear();
    std::merge(std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end()),
               std::make_move_iterator(renamed.begin()), std::make_move_iterator(renamed.end()),
               std::back_inserter(sorted), byKey);
  }
  for (const TNamedRecord& entry : sorted) {
    if (Stopping()) break;
    written += ConvertLibraryRecord(entry.Index, folder + entry.Name + extension);
    RecordDone(++done, total);
  }
  return written;
}

int TCBL2AnyFormatForm::ConvertFile(const std::string& sourceFile, const std::string& destFolder) {
  const std::string extension = std::string(".") + FileTypes[DstFormat].Ext;
  if (ToClipboard) return ConvertLibrary(sourceFile, std::string(), false, extension);
  const std::string folder = destFolder + BaseNameOf(sourceFile) + "/";
  if (!EnsureFolder(folder)) {
    Log(SystemText("不能建立文件夾：") + folder, kLogError);
    return 0;
  }
  return ConvertLibrary(sourceFile, folder, false, extension);
}

// ---- The job ----

bool TCBL2AnyFormatForm::RunCblToAnyJob() {
  try {
    return RunJobSteps();
  } catch (const std::exception& e) {
    ErrorBox(e.what());
    return false;
  }
}

bool TCBL2AnyFormatForm::RunJobSteps() {
  SrcFormat = kFmtCbl;
  SrcCodePage = kCpGbk;
  FromClipboard = false;
  DstFormat = static_cast<uint32_t>(TAnyFormat2AnyFormatForm::kDestinationRows[ValidPosition(
      cbbDestinationFormat.ItemIndex, TAnyFormat2AnyFormatForm::kDestinationRowCount, 0)]);
  DstCodePageIndex = ValidPosition(rgDestinationCodePage.ItemIndex, 3, 0);
  DstCodePage = static_cast<uint32_t>(kDstCodePages[DstCodePageIndex]);
  MapFlags = rgMapType.ItemIndex == kMapToTraditionalPos ? kMapToTraditional : 0;

  PrepareJob();
  ApplyDestinationOptions();
  if (!CheckJobSettings()) return false;

  const std::string source = ExpandPath(TrimText(edtSource.Text));
  edtSource.Text = source;
  std::string dest;
  std::string extension;
  if (!ToClipboard) {
    dest = ExpandPath(TrimText(edtDestination.Text));
    edtDestination.Text = dest;
    if (!FolderExists(dest)) {
      ErrorBox(SystemText("目標文件夾不存在。"));
      return false;
    }
    dest = WithDelimiter(dest);
    extension = std::string(".") + FileTypes[DstFormat].Ext;
  }

  if (rgSource.ItemIndex == kSourceFile) {
    if (lstSource.Items.empty()) {
      if (!FileExists(source)) {
        ErrorBox(SystemText("源文件不存在。"));
        return false;
      }
      LoadLibraryList(source, true);
    }
    const bool anySelected = std::find(lstSource.Selected.begin(), lstSource.Selected.end(),
                                       true) != lstSource.Selected.end();
    if (anySelected) {
      FinishJob(ConvertLibrary(source, dest, true, extension));
      return true;
    }
    if (lstSource.Items.empty()) {
      Log(SystemText("源棋譜列表中沒有棋譜。"), kLogError);
      FinishJob(0);
      return true;
    }
    ErrorBox(SystemText("請在源棋譜列表中選擇棋譜。"));
    if (ErrorCount > 0 || WarningCount > 0) CountsBox();
    return false;
  }

  if (!FolderExists(source)) {
    ErrorBox(SystemText("源文件夾不存在。"));
    return false;
  }
  const int total = WalkSourceFolder(WithDelimiter(source), dest);
  ClearLibrary();
  lstSource.Items.clear();
  lstSource.Selected.clear();
  FinishJob(total);
  return true;
}
