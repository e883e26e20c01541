// The CBL 3.0 cutting window: its controls, settings, dialogs and the job.
#include "app/cbl3tocbr.h"

#include <sys/stat.h>

#include <exception>
#include <filesystem>

#include "app/formsettings.h"
#include "app/paths.h"
#include "app/settings.h"
#include "core/encoding.h"
#include "core/files.h"

namespace fs = std::filesystem;

namespace {}  // namespace

TCBL3ToCBRForm::TCBL3ToCBRForm() {
  rgSource.Caption = "來源";
  rgSource.Items = {"文件夾", "文件"};
  lblSource.Caption = "來源";
  btnSource.Caption = "打開...";
  lblDestination.Caption = "目標文件夾";
  edtDestination.Caption = "目標文件夾";
  btnDestination.Caption = "打開...";
  chkSubDir.Caption = "包含子文件夾";
  rgCBRFlag.Caption = "CBR棋譜標志位于";
  rgCBRFlag.Items = {"正常位置(推薦)", "所有位置"};
  btnConvert.Caption = "轉換";
  btnClose.Caption = "關閉";

  const TIniFile& ini = Settings();
  LoadPathControls(*this, ini, kSecCbl3ToCbr);
  rgCBRFlag.ItemIndex =
      ValidPosition(ini.ReadInteger(kSecCbl3ToCbr, "CBRFlag", 0), rgCBRFlag.Items.size(), 0);
}

TCBL3ToCBRForm::~TCBL3ToCBRForm() {
  TIniFile& ini = Settings();
  SavePathControls(*this, ini, kSecCbl3ToCbr);
  ini.WriteInteger(kSecCbl3ToCbr, "CBRFlag", rgCBRFlag.ItemIndex);
}

void TCBL3ToCBRForm::Log(const std::string& text, int level) {
  if (level == kLogError)
    mmoLog.Lines.push_back(SystemText("[錯誤] ") + text);
  else if (level == kLogWarning)
    mmoLog.Lines.push_back(SystemText("[警告] ") + text);
  else
    mmoLog.Lines.push_back(text);
  if (OnLog) OnLog(mmoLog.Lines.back());
}

std::string TCBL3ToCBRForm::LogText() const {
  std::string text;
  for (const std::string& line : mmoLog.Lines) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  return text;
}

int TCBL3ToCBRForm::AskReplace(const std::string& text) {
  if (Process().Unattended || Asker == nullptr) {
    Log(text);
    return kAnswerYesToAll;
  }
  return Asker->Show(text, TAskKind::Confirmation, kBtnYes | kBtnNo | kBtnYesToAll | kBtnNoToAll);
}

int TCBL3ToCBRForm::Box(std::string_view message, TAskKind kind) {
  const std::string text = SystemText(message);
  if (Process().Unattended || Asker == nullptr) {
    Log(text);
    return kAnswerOk;
  }
  return Asker->Show(text, kind, kBtnOk);
}

TPathDialog TCBL3ToCBRForm::SourceDialog() const {
  TPathDialog d;
  const std::string path = TrimText(edtSource.Text);
  if (rgSource.ItemIndex == kSourceFile) {
    d.DefaultExt = "CBL";
    if (FileExists(path) && MatchesMask(path, "*.CBL")) d.InitialPath = path;
  } else {
    d.Folder = true;
    d.Title = "請選擇文件夾";
    d.InitialPath = FolderExists(path) ? path : FolderPart(path);
  }
  return d;
}

TPathDialog TCBL3ToCBRForm::DestinationDialog() const {
  TPathDialog d;
  d.Folder = true;
  d.Title = "請選擇文件夾";
  d.InitialPath = TrimText(edtDestination.Text);
  return d;
}

void TCBL3ToCBRForm::btnSourceClick() {
  if (!ShowDialog) return;
  const std::string chosen = ShowDialog(SourceDialog());
  if (!chosen.empty()) edtSource.Text = chosen;
}

void TCBL3ToCBRForm::btnDestinationClick() {
  if (!ShowDialog) return;
  const std::string chosen = ShowDialog(DestinationDialog());
  if (!chosen.empty()) edtDestination.Text = chosen;
}

void TCBL3ToCBRForm::btnCloseClick() { Closed = true; }

void TCBL3ToCBRForm::btnConvertClick() {
  try {
    RunJob();
  } catch (const std::exception& e) {
    Log(e.what(), kLogError);
    if (!Process().Unattended && Asker != nullptr) Asker->Show(e.what(), TAskKind::Error, kBtnOk);
  }
}

void TCBL3ToCBRForm::RunJob() {
  mmoLog.Lines.clear();
  BeginProgress();
  std::string source = ExpandPath(TrimText(edtSource.Text));
  std::string dest = ExpandPath(TrimText(edtDestination.Text));
  edtSource.Text = source;
  edtDestination.Text = dest;
  if (!FolderExists(FolderPart(dest))) {
    Box("目標文件所在的文件夾不存在。", TAskKind::Error);
    return;
  }
  dest = WithDelimiter(dest);
  ReplaceAnswer = kAnswerNo;
  SubDirs = chkSubDir.Checked;
  CbrFlag = rgCBRFlag.ItemIndex == kCbrFlagAnywhere ? kCbrFlagAnywhere : kCbrFlagBlocks;

  if (rgSource.ItemIndex == kSourceFile) {
    if (!FileExists(source)) {
      Box("源文件不存在。", TAskKind::Error);
      return;
    }
    SplitLibrary(*this, source, dest);
  } else {
    if (!FolderExists(source)) {
      Box("源文件夾不存在。", TAskKind::Error);
      return;
    }
    SplitFolder(*this, WithDelimiter(source), dest);
  }
  Box("轉換完成！", TAskKind::Information);
}
