// Destination options: loading them from the settings, saving every change at
// once, and copying the destination format's options into the job state.
#include "app/baseany2any.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "app/settings.h"
#include "core/encoding.h"
#include "core/sourcetext.h"
#include "core/uglobal.h"
#include "core/variants.h"

namespace {

// Where the built-in templates point: the DhtmlXQ viewer's site and the
// program's home page. Both are placeholders that an installation may change.
#define TAVRIK_VIEWER_SITE "https://dhtmlxq.example.org"

// True for a decimal integer of at least 1 (an optional '+' is allowed).
bool IsPositiveInteger(const std::string& s) {
  const char* b = s.data();
  const char* e = s.data() + s.size();
  if (b != e && *b == '+') ++b;
  if (b == e) return false;
  int value = 0;
  auto [p, ec] = std::from_chars(b, e, value);
  return ec == std::errc() && p == e && value >= 1;
}

void LoadRadio(TRadioGroup& rg, const char* key, int def) {
  int value = Settings().ReadInteger(kSecDestination, key, def);
  rg.ItemIndex = (value >= 0 && value < static_cast<int>(rg.Items.size())) ? value : def;
}

void LoadCheck(TCheckBox& chk, const char* key, bool def) {
  chk.Checked = Settings().ReadBool(kSecDestination, key, def);
}

int Position(const TRadioGroup& rg, int def) {
  return (rg.ItemIndex >= 0 && rg.ItemIndex < static_cast<int>(rg.Items.size())) ? rg.ItemIndex
                                                                                 : def;
}

const std::vector<std::string> kRounds = {"一", "二", "三", "四", "五"};

}  // namespace

const THeadFootPair UbbPageTemplates[4] = {
    {"[DhtmlXQ]\r\n", "[/DhtmlXQ]\r\n"},
    {"<div id=\"dhtmlxq_%RANDOM%\" style=\"display:none;\">\r\n"
     "[DhtmlXQHTML]\r\n",
     "[/DhtmlXQHTML]\r\n"
     "棋谱由<a href=\"" TAVRIK_HOME_PAGE "\" target=\"_blank\">" TAVRIK_HOME_PAGE "</a>生成\r\n"
     "</div>\r\n"
     "<iframe src=\"/dhtmlxq/dhtmlxq_view.html\" name=\"name_dhtmlxq_%RANDOM%\" "
     "id=\"id_dhtmlxq_%RANDOM%\" width=\"500\" height=\"350\" frameborder=\"0\" "
     "scrolling=\"no\"></iframe>\r\n"},
    {"<applet codebase=\"" TAVRIK_VIEWER_SITE "/java/\" width=\"500\" height=\"350\" "
     "code=\"DhtmlXQ.class\" MAYSCRIPT>\r\n"
     "<param name=\"UBB\" value=\"[DhtmlXQJAVA]\r\n",
     "[/DhtmlXQJAVA]\">\r\n"
     "</param>\r\n"
     "</applet>\r\n"},
    {"<iframe src=\"" TAVRIK_VIEWER_SITE "/dhtmlxq/dhtmlxq_view.html\" frameborder=\"0\" "
     "scrolling=\"no\" width=\"500\" height=\"350\" style=\"width:500px;height:350px;\"\r\n"
     "name='NoFile_[DhtmlXQiFrame]\r\n",
     "[/DhtmlXQiFrame]'></iframe>\r\n"},
};

const char* const TBaseAny2AnyForm::kXQFVerHint =
    "XQF棋譜文件版本：V1.0--V1.8\r\n打譜軟件XQStudio.exe版本：V1.0--1.63";
const char* const TBaseAny2AnyForm::kHtmlHeadAndFootHint =
    "自定義模板位置：本軟件文件夾\r\n網頁頭：DhtmlXQ_Head.txt\r\n網頁尾：DhtmlXQ_Foot.txt";

TBaseAny2AnyForm::TBaseAny2AnyForm() {
  tsDestination.Caption = "目標棋譜選項";
  rgAddMD5.Caption = "文件名添加MD5字符串";
  rgAddMD5.Items = {"不添加MD5", "已存在文件", "全部文件"};
  chkCheckMoveText.Caption = "生成中文著法時，是否檢查錯誤";
  rgXQFVer.Caption = "目標文件版本";
  rgXQFVer.Items = {"低(V1.0，文件大小：大)", "高(V1.8，文件大小：小)"};
  cbbCodeBase.Caption = "CodeBase";
  chkHtml.Caption = "生成HTML";
  chkUBB.Caption = "包含UBB代碼";
  chkSound.Caption = "播放行棋聲音";
  chkShowMove.Caption = "棋子移動指示";
  edtWidth.Caption = "寬度";
  edtHeight.Caption = "高度";
  rgHtmlHeadAndFoot.Caption = "網頁頭和網頁尾";
  rgHtmlHeadAndFoot.Items = {"UBB", "HTML", "JAVA", "FRAME", "自定義"};
  rgTextStepPerLine.Caption = "每行回合數";
  rgTextStepPerLine.Items = kRounds;
  rgTextMoveText.Caption = "中文著法標準";
  rgTextMoveText.Items = {"世界象棋聯合會", "中文記譜(推薦)"};
  rgPGNStepPerLine.Caption = "每行回合數";
  rgPGNStepPerLine.Items = kRounds;
  rgPGNFormat.Caption = "著法格式";
  rgPGNFormat.Items = {"中文縱線", "英文縱線", "ICCS坐標"};
  rgPGNMoveText.Caption = "中文著法標準";
  rgPGNMoveText.Items = {"世界象棋聯合會(推薦)", "中文記譜"};
  chkIncludeChange.Caption = "包含變著";
  chkPGNBrace.Caption = "將花括號“{}”轉換為全角字符";
  LoadDestinationOptions();
}

void TBaseAny2AnyForm::LoadDestinationOptions() {
  TIniFile& ini = Settings();
  cbbCodeBase.Items = ini.ReadSectionLines(kSecCodeBase);
  cbbCodeBase.Text = ini.ReadString(kSecDestination, "WebCchess5CodeBase", "");
  cbbCodeBase.ItemIndex = -1;
  for (size_t i = 0; i < cbbCodeBase.Items.size(); ++i)
    if (cbbCodeBase.Items[i] == cbbCodeBase.Text) cbbCodeBase.ItemIndex = static_cast<int>(i);
  if (!cbbCodeBase.Items.empty() && cbbCodeBase.Text.empty()) {
    cbbCodeBase.ItemIndex = 0;
    cbbCodeBase.Text = cbbCodeBase.Items[0];
  }

  LoadRadio(rgAddMD5, "AddMD5", 1);
  LoadCheck(chkCheckMoveText, "CheckMoveText", true);
  LoadCheck(chkHtml, "Html", false);
  LoadCheck(chkUBB, "UBB", false);
  if (chkHtml.Checked && chkUBB.Checked) chkUBB.Checked = false;
  LoadCheck(chkSound, "Sound", true);
  LoadCheck(chkShowMove, "ShowMove", true);
  edtWidth.Text = ini.ReadString(kSecDestination, "Width", "500");
  edtHeight.Text = ini.ReadString(kSecDestination, "Height", "350");
  LoadRadio(rgHtmlHeadAndFoot, "HtmlHeadAndFoot", 0);
  LoadRadio(rgXQFVer, "XQFVer", 0);
  LoadRadio(rgTextStepPerLine, "TextStepPerLine", 0);
  LoadRadio(rgTextMoveText, "txtMoveText", 1);
  LoadRadio(rgPGNStepPerLine, "PGNStepPerLine", 0);
  LoadRadio(rgPGNFormat, "PGNFormat", 0);
  LoadRadio(rgPGNMoveText, "pgnMoveText", 0);
  LoadCheck(chkIncludeChange, "IncludeChange", false);
  LoadCheck(chkPGNBrace, "PGNBrace", false);
  rgPGNMoveText.Enabled = rgPGNFormat.ItemIndex == 0;
}

void TBaseAny2AnyForm::ApplyDestinationOptions() {
  try {
    AddMD5 = Position(rgAddMD5, 1);
    CheckMoveText = chkCheckMoveText.Checked;
    switch (DstFormat) {
      case kFmtXqf:
        XQFVersion = rgXQFVer.ItemIndex == 1 ? 18 : 10;
        break;
      case kFmtWebC5:
        CodeBase = TrimText(cbbCodeBase.Text);
        Html = chkHtml.Checked;
        UBB = chkUBB.Checked;
        Sound = chkSound.Checked ? "on" : "off";
        ShowMove = chkShowMove.Checked ? "on" : "off";
        break;
      case kFmtUbb:
        ApplyUbbOptions();
        break;
      case kFmtPgn:
        PgnPliesPerLine = 2 * (Position(rgPGNStepPerLine, 0) + 1);
        PGNFormat = Position(rgPGNFormat, 0);
        IncludeChange = chkIncludeChange.Checked;
        PGNBrace = chkPGNBrace.Checked;
        if (PGNFormat == 0) WxfStandard = Position(rgPGNMoveText, 0) == 0;
        break;
      case kFmtText:
        TextPliesPerLine = 2 * (Position(rgTextStepPerLine, 0) + 1);
        WxfStandard = Position(rgTextMoveText, 1) == 0;
        break;
      default:
        break;
    }
  } catch (const std::exception& e) {
    Log(e.what(), kLogError);
  }
}

void TBaseAny2AnyForm::ApplyUbbOptions() {
  std::string width = TrimText(edtWidth.Text);
  if (!IsPositiveInteger(width)) {
    width = "500";
    edtWidth.Text = width;
    Settings().WriteString(kSecDestination, "Width", width);
  }
  std::string height = TrimText(edtHeight.Text);
  if (!IsPositiveInteger(height)) {
    height = "350";
    edtHeight.Text = height;
    Settings().WriteString(kSecDestination, "Height", height);
  }
  UbbSize = width + "," + height;

  int choice = Position(rgHtmlHeadAndFoot, 0);
  if (choice < 4) {
    std::string head = UbbPageTemplates[choice].Head;
    std::string foot = UbbPageTemplates[choice].Foot;
    ConvertCodePage(head, kCpUtf8, MapFlags, static_cast<int>(DstCodePage));
    ConvertCodePage(foot, kCpUtf8, MapFlags, static_cast<int>(DstCodePage));
    HeadText = head;
    FootText = foot;
    return;
  }
  HeadText = LoadCustomTemplate(kCustomHeadFile, UbbPageTemplates[1].Head);
  FootText = LoadCustomTemplate(kCustomFootFile, UbbPageTemplates[1].Foot);
}

// Reads a custom template, or creates it from the built-in HTML pair on first
// use so that the user has a file to edit. Throws with a message on failure.
std::string TBaseAny2AnyForm::LoadCustomTemplate(const char* fileName, const char* builtIn) {
  namespace fs = std::filesystem;
  std::string path = SettingsFolder() + fileName;
  std::error_code ec;
  std::string text;
  if (fs::exists(path, ec)) {
    if (!fs::is_regular_file(path, ec) || !std::ifstream(path, std::ios::binary))
      throw std::runtime_error(SystemText("不能讀取文件：") + path);
    // An emptied template means no head (foot); that is not an error.
    if (fs::file_size(path, ec) == 0 && !ec) return text;
    int cp = static_cast<int>(DstCodePage);
    ReadSourceText(*this, text, path, MapFlags, cp, cp, false);
    return text;
  }
  text = builtIn;
  if (!SaveFileReplacing(path, "\xEF\xBB\xBF" + text))
    throw std::runtime_error(SystemText("不能建立文件：") + path);
  ConvertCodePage(text, kCpUtf8, MapFlags, static_cast<int>(DstCodePage));
  return text;
}

void TBaseAny2AnyForm::rgDestinationVerClick() {
  Settings().WriteInteger(kSecDestination, "XQFVer", rgXQFVer.ItemIndex);
}

void TBaseAny2AnyForm::cbbCodeBaseChange() {
  Settings().WriteString(kSecDestination, "WebCchess5CodeBase", TrimText(cbbCodeBase.Text));
}

void TBaseAny2AnyForm::rgAddMD5Click() {
  Settings().WriteInteger(kSecDestination, "AddMD5", rgAddMD5.ItemIndex);
}

void TBaseAny2AnyForm::chkCheckMoveTextClick() {
  Settings().WriteBool(kSecDestination, "CheckMoveText", chkCheckMoveText.Checked);
}

void TBaseAny2AnyForm::chkHtmlClick() {
  if (chkHtml.Checked && chkUBB.Checked) {
    chkUBB.Checked = false;
    Settings().WriteBool(kSecDestination, "UBB", false);
  }
  Settings().WriteBool(kSecDestination, "Html", chkHtml.Checked);
}

void TBaseAny2AnyForm::chkUBBClick() {
  if (chkUBB.Checked && chkHtml.Checked) {
    chkHtml.Checked = false;
    Settings().WriteBool(kSecDestination, "Html", false);
  }
  Settings().WriteBool(kSecDestination, "UBB", chkUBB.Checked);
}

void TBaseAny2AnyForm::chkSoundClick() {
  Settings().WriteBool(kSecDestination, "Sound", chkSound.Checked);
}

void TBaseAny2AnyForm::chkShowMoveClick() {
  Settings().WriteBool(kSecDestination, "ShowMove", chkShowMove.Checked);
}

void TBaseAny2AnyForm::edtWidthChange() {
  Settings().WriteString(kSecDestination, "Width", TrimText(edtWidth.Text));
}

void TBaseAny2AnyForm::edtHeightChange() {
  Settings().WriteString(kSecDestination, "Height", TrimText(edtHeight.Text));
}

void TBaseAny2AnyForm::rgHtmlHeadAndFootClick() {
  Settings().WriteInteger(kSecDestination, "HtmlHeadAndFoot", rgHtmlHeadAndFoot.ItemIndex);
}

void TBaseAny2AnyForm::rgTextStepPerLineClick() {
  Settings().WriteInteger(kSecDestination, "TextStepPerLine", rgTextStepPerLine.ItemIndex);
}

void TBaseAny2AnyForm::rgTextMoveTextClick() {
  Settings().WriteInteger(kSecDestination, "txtMoveText", rgTextMoveText.ItemIndex);
}

void TBaseAny2AnyForm::rgPGNStepPerLineClick() {
  Settings().WriteInteger(kSecDestination, "PGNStepPerLine", rgPGNStepPerLine.ItemIndex);
}

void TBaseAny2AnyForm::rgPGNFormatClick() {
  Settings().WriteInteger(kSecDestination, "PGNFormat", rgPGNFormat.ItemIndex);
  rgPGNMoveText.Enabled = rgPGNFormat.ItemIndex == 0;
}

void TBaseAny2AnyForm::rgPGNMoveTextClick() {
  Settings().WriteInteger(kSecDestination, "pgnMoveText", rgPGNMoveText.ItemIndex);
}

void TBaseAny2AnyForm::chkIncludeChangeClick() {
  Settings().WriteBool(kSecDestination, "IncludeChange", chkIncludeChange.Checked);
}

void TBaseAny2AnyForm::chkPGNBraceClick() {
  Settings().WriteBool(kSecDestination, "PGNBrace", chkPGNBrace.Checked);
}

int TBaseAny2AnyForm::DefaultCodePageIndex() { return Process().SystemCodePage == kCpBig5 ? 1 : 0; }

int TBaseAny2AnyForm::LoadCodePageIndex(const char* section, int format, int choiceCount) {
  int def = DefaultCodePageIndex();
  int value = Settings().ReadInteger(section, std::string("CodePage") + FileTypes[format].Id, def);
  return (value >= 0 && value < choiceCount) ? value : def;
}

void TBaseAny2AnyForm::SaveCodePageIndex(const char* section, int format, int index) {
  Settings().WriteInteger(section, std::string("CodePage") + FileTypes[format].Id, index);
}
