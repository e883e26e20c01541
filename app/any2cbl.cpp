// The any-to-CBL job: the window's rules, creating an empty library and
// appending the records of a folder walk, a file list or the clipboard.
#include "app/any2cbl.h"

#include <unicode/unistr.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "app/baseany2any.h"
#include "app/dispatch.h"
#include "app/formsettings.h"
#include "app/paths.h"
#include "app/settings.h"
#include "core/bytereader.h"
#include "core/encoding.h"
#include "formats/ccbridge/cbl.h"
#include "formats/ccbridge/cbr.h"
#include "formats/text/registry.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kSecAnyToCbl = "AnyToCBL";
constexpr int kBig5Position = 1;
constexpr int kMapToSimplifiedPos = 0;
constexpr int kMapNonePos = 1;
// Paths this long or longer, in UTF-16 code units, cannot be created.
constexpr size_t kMaxPathUnits = 259;

// The folder part of a path without its delimiter ("" when there is none).
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// A key that compares names without regard to case, in the system code page.
std::string FoldKey(const std::string& name) {
  const std::u16string wide = BytesToWide(name, Process().SystemCodePage);
  icu::UnicodeString text(reinterpret_cast<const UChar*>(wide.data()),
                          static_cast<int32_t>(wide.size()));
  std::string key;
  text.foldCase().toUTF8String(key);
  return key;
}

// Program text typed by the user (system code page) as library text (GBK,
// simplified characters).
void ToLibraryText(std::string& text) {
  if (text.empty() || Process().SystemCodePage == kCpGbk) return;
  ConvertCodePage(text, Process().SystemCodePage, kMapToSimplified, kCpGbk);
}

void PutI32At(std::string& data, size_t offset, int32_t value) {
  const uint32_t u = static_cast<uint32_t>(value);
  for (size_t b = 0; b < 4; ++b) data[offset + b] = static_cast<char>((u >> (8 * b)) & 0xFF);
}

void PutI32(std::string& data, int32_t value) {
  data.append(4, '\0');
  PutI32At(data, data.size() - 4, value);
}

}  // namespace

const std::vector<int> TAnyFormat2CBLForm::kSourceRows = RowsOffering(kOfferLibrarySource);
const int TAnyFormat2CBLForm::kSourceRowCount = static_cast<int>(kSourceRows.size());

TAnyFormat2CBLForm::TAnyFormat2CBLForm() {
  rgSource.Caption = "來源";
  rgSource.Items = {"文件夾", "文件列表"};
  edtSource.Caption = "來源";
  btnSource.Caption = "打開...";
  chkSubDir.Caption = "包含子文件夾";
  lstFileName.Caption = "文件列表";
  btnAdd.Caption = "添加";
  btnDelete.Caption = "刪除";
  btnClear.Caption = "清空";
  lblDestination.Caption = "目標";
  btnDestination.Caption = "打開...";
  for (int row : kSourceRows) cbbSourceFormat.Items.push_back(FormatNames[row]);
  cbbSourceFormat.Caption = "源格式";
  rgSourceCodePage.Caption = "源棋譜代碼頁";
  rgSourceCodePage.Items = {"國標碼(GBK)", "大五碼(Big5)", "UTF-8", "UTF-16LE"};
  rgMapType.Caption = "中文簡體字/繁體字轉換";
  rgMapType.Items = {"將繁體字轉換為簡體字", "不要轉換"};
  rgMapType.ItemIndex = kMapNonePos;
  chkFileNameToTitle.Caption = "文件名作為棋譜標題";
  chkLeftToRight.Caption = "左右調換";
  chkAddBaseInfo.Caption = "添加摘要信息到棋譜最后";
  chkAddError.Caption = "添加錯誤信息到棋譜注解";
  btnConvert.Caption = "從文件中轉換";
  btnConvertFromClipboard.Caption = "從剪貼板中轉換";
  btnCreateCBL.Caption = "創建...";
  btnClose.Caption = "關閉";
  tsConvert.Caption = "轉換";
  edtH_Name.Caption = "棋庫名稱";
  edtH_URL.Caption = "相關資源";
  edtH_Creator.Caption = "創建人";
  edtH_CreatorEmail.Caption = "Email";
  mmoH_Explanation.Caption = "棋庫說明";
  rgCompressLevel.Caption = "壓縮率";
  rgCompressLevel.Items = {"不壓縮", "低壓縮", "中壓縮", "高壓縮"};
  tsRecordInfo.Caption = "修改目標棋譜的摘要信息";
  lblRecordInfoHint.Caption =
      "溫馨提示：如果下面的屬性的值不為空，棋庫中新增加的棋譜的屬性的值修改為下面的值。";
  edtR_URL.Caption = "相關資源";
  edtR_CommentatorEmail.Caption = "Email";
  edtR_AuthorEmail.Caption = "Email";
  edtR_Name.Caption = "棋譜標題";
  edtR_MatchName.Caption = "比賽名稱";
  edtR_MatchDate.Caption = "比賽日期";
  edtR_MatchSite.Caption = "比賽地點";
  edtR_Red.Caption = "紅方棋手";
  edtR_Black.Caption = "黑方棋手";
  edtR_Commentator.Caption = "棋譜講評";
  edtR_Author.Caption = "棋譜錄入";
  rgR_Result.Caption = "對局結果";
  rgR_Result.Items = {"保持不變", "紅勝", "黑勝", "和棋", "未知"};
  rgR_Result.ItemIndex = 0;

  DstFormat = kFmtCbl;
  DstCodePage = kCpGbk;
  DstCodePageIndex = 0;

  TIniFile& ini = Settings();
  LoadPathControls(*this, ini, kSecAnyToCbl);
  rgCompressLevel.ItemIndex = ValidPosition(ini.ReadInteger(kSecAnyToCbl, "CompressLevel", 0),
                                            rgCompressLevel.Items.size(), 0);
  LoadOptionBoxes(*this, ini, kSecAnyToCbl, true);
  cbbSourceFormat.ItemIndex =
      ValidPosition(ini.ReadInteger(kSecAnyToCbl, "SourceFormat", 0), kSourceRowCount, 0);
  cbbSourceFormatChange();
  rgSourceClick();
}

TAnyFormat2CBLForm::~TAnyFormat2CBLForm() {
  TIniFile& ini = Settings();
  SavePathControls(*this, ini, kSecAnyToCbl);
  ini.WriteInteger(kSecAnyToCbl, "CompressLevel", rgCompressLevel.ItemIndex);
  SaveOptionBoxes(*this, ini, kSecAnyToCbl, true);
  ini.WriteInteger(kSecAnyToCbl, "SourceFormat", cbbSourceFormat.ItemIndex);
}

// ---- Window rules ----

void TAnyFormat2CBLForm::rgSourceClick() {
  const bool folder = rgSource.ItemIndex != kSourceFileList;
  edtSource.Enabled = folder;
  btnSource.Enabled = folder;
  chkSubDir.Enabled = folder;
  lstFileName.Enabled = !folder;
  btnAdd.Enabled = !folder;
  btnDelete.Enabled = !folder;
  btnClear.Enabled = !folder;
}

void TAnyFormat2CBLForm::cbbSourceFormatChange() {
  const int pos = ValidPosition(cbbSourceFormat.ItemIndex, kSourceRowCount, 0);
  cbbSourceFormat.ItemIndex = pos;
  cbbSourceFormat.Text = cbbSourceFormat.Items[static_cast<size_t>(pos)];
  SrcFormat = static_cast<uint32_t>(kSourceRows[pos]);
  btnConvertFromClipboard.Enabled = FileTypes[SrcFormat].Text;
  chkFileNameToTitle.Enabled = SourceKindOf(SrcFormat) != TSourceKind::Library;
  if (FileTypes[SrcFormat].CodePages == TCodePageRule::GbkOnly) {
    rgSourceCodePage.ItemIndex = 0;
    rgSourceCodePage.Enabled = false;
  } else {
    rgSourceCodePage.Enabled = true;
    rgSourceCodePage.ItemIndex = TBaseAny2AnyForm::LoadCodePageIndex(
        kSecSource, static_cast<int>(SrcFormat), static_cast<int>(rgSourceCodePage.Items.size()));
  }
  ApplyCodePageRule();
}

void TAnyFormat2CBLForm::rgSourceCodePageClick() {
  TBaseAny2AnyForm::SaveCodePageIndex(kSecSource, static_cast<int>(SrcFormat),
                                      rgSourceCodePage.ItemIndex);
  ApplyCodePageRule();
}

void TAnyFormat2CBLForm::ApplyCodePageRule() {
  rgMapType.ItemIndex =
      rgSourceCodePage.ItemIndex == kBig5Position ? kMapToSimplifiedPos : kMapNonePos;
  rgMapType.Enabled = rgSourceCodePage.Enabled;
}

void TAnyFormat2CBLForm::AddFilesToList(const std::vector<std::string>& files) {
  std::vector<std::string> keys;
  keys.reserve(lstFileName.Items.size() + files.size());
  for (const std::string& item : lstFileName.Items) keys.push_back(FoldKey(item));
  lstFileName.Selected.resize(lstFileName.Items.size(), false);
  for (const std::string& file : files) {
    std::string key = FoldKey(file);
    const auto at = std::lower_bound(keys.begin(), keys.end(), key);
    if (at != keys.end() && *at == key) continue;
    const auto index = at - keys.begin();
    keys.insert(at, std::move(key));
    lstFileName.Items.insert(lstFileName.Items.begin() + index, file);
    lstFileName.Selected.insert(lstFileName.Selected.begin() + index, false);
  }
}

void TAnyFormat2CBLForm::btnDeleteClick() {
  lstFileName.Selected.resize(lstFileName.Items.size(), false);
  size_t kept = 0;
  for (size_t i = 0; i < lstFileName.Items.size(); ++i) {
    if (lstFileName.Selected[i]) continue;
    if (kept != i) lstFileName.Items[kept] = std::move(lstFileName.Items[i]);
    ++kept;
  }
  lstFileName.Items.resize(kept);
  lstFileName.Selected.assign(kept, false);
}

void TAnyFormat2CBLForm::btnClearClick() {
  lstFileName.Items.clear();
  lstFileName.Selected.clear();
}

void TAnyFormat2CBLForm::ErrorBox(const std::string& utf8Message, const std::string& suffix) {
  Ask(SystemText(utf8Message) + suffix, TAskKind::Error, kBtnOk, kAnswerUnread);
}

// ---- Creating a library ----

void TAnyFormat2CBLForm::btnCreateCBLClick() { CreateLibrary(); }

bool TAnyFormat2CBLForm::CreateLibrary() {
  try {
    mmoLog.Lines.clear();
    const std::string dest = ExpandPath(TrimText(edtDestination.Text));
    edtDestination.Text = dest;
    if (FileExists(dest)) {
      ErrorBox("文件已存在！");
      return false;
    }
    if (FolderExists(dest)) {
      ErrorBox("目標不能為文件夾，請輸入文件名。");
      return false;
    }
    if (!FolderExists(FolderOf(dest))) {
      ErrorBox("目標文件所在的文件夾不存在。");
      return false;
    }
    if (BytesToWide(dest, Process().SystemCodePage).size() >= kMaxPathUnits) {
      ErrorBox("路徑和文件名總長度超過最大長度。");
      return false;
    }

    std::string texts[6];
    texts[0] = TrimText(edtH_Name.Text);
    if (texts[0].empty()) texts[0] = BaseNameOf(dest);
    texts[1] = TrimText(edtH_URL.Text);
    texts[3] = TrimText(edtH_Creator.Text);
    texts[4] = TrimText(edtH_CreatorEmail.Text);
    // The library keeps the explanation on one line, its breaks as "||".
    std::string explanation;
    for (size_t i = 0; i < mmoH_Explanation.Lines.size(); ++i) {
      if (i > 0) explanation += "||";
      explanation += mmoH_Explanation.Lines[i];
    }
    for (size_t p = explanation.find("\r\n"); p != std::string::npos;
         p = explanation.find("\r\n", p + 2))
      explanation.replace(p, 2, "||");
    texts[5] = std::move(explanation);
    for (std::string& text : texts) ToLibraryText(text);

    std::string data;
    for (int t = 0; t < 5; ++t) WriteCountedText(data, texts[t]);
    const std::string now = LocalTimeText();
    data += now;
    data += now;
    PutI32(data, 0);
    WriteCountedText(data, texts[5]);
    const int32_t compression = ValidPosition(rgCompressLevel.ItemIndex, 4, 0);
    WriteLibraryFile(*this, data, compression, dest, static_cast<int32_t>(data.size()));
    Ask(SystemText("創建成功!"), TAskKind::Information, kBtnOk, kAnswerUnread);
    return true;
  } catch (const std::exception& e) {
    Ask(e.what(), TAskKind::Error, kBtnOk, kAnswerUnread);
    return false;
  }
}

// ---- Appending records ----

void TAnyFormat2CBLForm::btnConvertClick() {
  FromClipboard = false;
  AppendToLibrary();
}

void TAnyFormat2CBLForm::btnConvertFromClipboardClick() {
  if (!btnConvertFromClipboard.Enabled) return;
  FromClipboard = true;
  AppendToLibrary();
}

bool TAnyFormat2CBLForm::AppendToLibrary() {
  bool done = false;
  try {
    done = RunAppendSteps();
  } catch (const std::exception& e) {
    Ask(e.what(), TAskKind::Error, kBtnOk, kAnswerUnread);
    done = false;
  }
  appendData_ = nullptr;
  return done;
}

bool TAnyFormat2CBLForm::RunAppendSteps() {
  SrcFormat = static_cast<uint32_t>(
      kSourceRows[ValidPosition(cbbSourceFormat.ItemIndex, kSourceRowCount, 0)]);
  DstFormat = kFmtCbl;
  DstCodePage = kCpGbk;
  DstCodePageIndex = 0;
  ToClipboard = false;
  SrcCodePage = static_cast<uint32_t>(SourceCodePage(FromClipboard, rgSourceCodePage.ItemIndex));
  if (FileTypes[SrcFormat].CodePages == TCodePageRule::GbkOnly) SrcCodePage = kCpGbk;
  MapFlags = rgMapType.ItemIndex == kMapToSimplifiedPos ? kMapToSimplified : 0;

  PrepareJob();
  ApplySourceOptions(*this);
  if (SourceKindOf(SrcFormat) == TSourceKind::Library) FileNameToTitle = false;
  if (!CheckJobSettings()) return false;

  TEdit* const edits[kOverrideCount] = {&edtR_URL,         &edtR_CommentatorEmail,
                                        &edtR_AuthorEmail, &edtR_Name,
                                        &edtR_MatchName,   &edtR_MatchDate,
                                        &edtR_MatchSite,   &edtR_Red,
                                        &edtR_Black,       nullptr,
                                        nullptr,           nullptr,
                                        &edtR_Commentator, &edtR_Author};
  for (int i = 0; i < kOverrideCount; ++i) {
    RecordOverrides[i] = edits[i] == nullptr ? std::string() : TrimText(edits[i]->Text);
    ToLibraryText(RecordOverrides[i]);
  }

  const bool fileList = rgSource.ItemIndex == kSourceFileList;
  std::string source;
  if (!FromClipboard) {
    if (fileList) {
      if (lstFileName.Items.empty()) {
        ErrorBox("源文件不存在。");
        return false;
      }
    } else {
      source = ExpandPath(TrimText(edtSource.Text));
      edtSource.Text = source;
      if (!FolderExists(source)) {
        ErrorBox("源文件夾不存在。");
        return false;
      }
    }
  }

  const std::string dest = ExpandPath(TrimText(edtDestination.Text));
  edtDestination.Text = dest;
  if (!FileExists(dest)) {
    ErrorBox("目標文件不存在。");
    return false;
  }
  TLibraryData lib;
  if (!OpenLibrary(*this, dest, kLibraryDestination, lib)) return false;

  // Header: five texts, the two times, the count, the explanation.
  const size_t present = lib.End();
  TByteReader in(reinterpret_cast<const uint8_t*>(lib.Bytes.data()), present);
  bool ok = true;
  for (int t = 0; t < 5 && ok; ++t) ok = SkipCountedText(in);
  const size_t modifiedOffset = in.Offset() + kCbrTimeLength;
  int32_t count = 0;
  ok = ok && in.Skip(2 * kCbrTimeLength);
  const size_t countOffset = in.Offset();
  ok = ok && in.ReadI32Le(count) && count >= 0 && SkipCountedText(in);
  if (!ok) {
    ErrorBox("象棋橋文件已損壞！");
    return false;
  }
  // The records must fill the data exactly: step from size field to size
  // field. A size field that cannot be read, a size too small to hold itself
  // or a record running past the bytes present ends the walk there.
  int64_t end = static_cast<int64_t>(in.Offset());
  bool whole = true;
  for (int32_t i = 0; i < count; ++i) {
    int32_t size = 0;
    if (!in.Seek(static_cast<size_t>(end)) || !in.ReadI32Le(size)) {
      whole = false;
      break;
    }
    end += size;
    if (size < 4 || end > static_cast<int64_t>(present)) {
      whole = false;
      break;
    }
  }
  if (!whole || end != lib.DataSize) {
    char numbers[80];
    std::snprintf(numbers, sizeof numbers, "%d 實際大小：%lld", lib.DataSize,
                  static_cast<long long>(end));
    ErrorBox(std::string("目標文件數據大小不一致!\r\n") + numbers);
    return false;
  }

  std::string& data = lib.Bytes;
  data.resize(static_cast<size_t>(end));
  appendData_ = &data;
  int appended = 0;
  if (FromClipboard) {
    appended = AppendFromSource(data, std::string());
  } else if (fileList) {
    BeginFiles(static_cast<int64_t>(lstFileName.Items.size()));
    for (const std::string& file : lstFileName.Items) {
      if (Stopping()) break;
      appended += AppendFromSource(data, file);
      FileDone();
    }
    EndFiles();
  } else {
    appended = WalkSourceFolder(WithDelimiter(source), std::string());
  }
  appendData_ = nullptr;

  if (data.size() > static_cast<size_t>(INT32_MAX)) {
    ErrorBox("棋庫數據超過最大長度。");
    return false;
  }
  const std::string now = LocalTimeText();
  data.replace(modifiedOffset, kCbrTimeLength, now);
  PutI32At(
      data, countOffset,
      static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(count) + appended, INT32_MAX)));
  WriteLibraryFile(*this, data, lib.Compression, dest, static_cast<int32_t>(data.size()));
  Log(SystemText("\r\n已寫緩存數據到棋庫文件：") + dest);
  FinishJob(appended);
  return true;
}

int TAnyFormat2CBLForm::ConvertFile(const std::string& sourceFile, const std::string&) {
  if (appendData_ == nullptr) return 0;
  return AppendFromSource(*appendData_, sourceFile);
}

int TAnyFormat2CBLForm::AppendFromSource(std::string& data, const std::string& fileName) {
  if (FromClipboard) {
    Log(SystemText("\r\n讀取棋譜：<<從剪貼板輸入>>"));
  } else {
    Log(ReadingLine(SrcFormat, fileName));
    if (!FileExists(fileName)) {
      Log(SystemText("源文件不存在。") + fileName, kLogError);
      return 0;
    }
  }

  int appended = 0;
  if (SourceKindOf(SrcFormat) == TSourceKind::Page) {
    std::string text;
    TDynJavaArray items;
    int found = FindWebRecords(*this, fileName, text, items);
    found = std::min(found, static_cast<int>(items.size()));
    for (int i = 0; i < found && !Stopping(); ++i) {
      const TWebItemRec& item = items[static_cast<size_t>(i)];
      if (ReadWebRecord(*this, Rec, fileName, item.Kind, item.StartPos, item.EndPos, text) &&
          AppendRecord(Rec, data))
        ++appended;
      RecordDone(i + 1, found);
    }
    return appended;
  }
  if (SourceKindOf(SrcFormat) == TSourceKind::Library) {
    TLibraryData source;
    if (!ReadLibraryHeader(*this, fileName, source)) return 0;
    int64_t done = 0;
    WalkLibraryRecords(*this, source, [&](size_t start, size_t end, const std::string& label) {
      if (Stopping()) return;  // the rest of the library is passed over unread
      if (ReadCbrRecord(*this, Rec, source.Bytes, start, end, label) && AppendRecord(Rec, data))
        ++appended;
      RecordDone(++done, source.Count);
    });
    return appended;
  }
  if (ReadRecordFile(*this, Rec, fileName) && AppendRecord(Rec, data)) ++appended;
  return appended;
}

bool TAnyFormat2CBLForm::AppendRecord(TChessRec& rec, std::string& data) {
  const int result = ValidPosition(rgR_Result.ItemIndex, rgR_Result.Items.size(), 0);
  if (result != 0) rec.GameResult = result;
  const size_t lastSlot = kOverrideFirstSlot + kOverrideCount - 1;
  for (int i = 0; i < kOverrideCount; ++i) {
    if (RecordOverrides[i].empty()) continue;
    if (rec.Texts.size() <= lastSlot) rec.Texts.resize(lastSlot + 1);
    rec.Texts[static_cast<size_t>(kOverrideFirstSlot + i)] = RecordOverrides[i];
  }
  return WriteCbrRecord(*this, rec, data);
}
