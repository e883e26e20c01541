// Mapping the sub-command options onto the job windows' controls.
#include "app/cli/options.h"

#include <algorithm>

#include "app/any2any.h"
#include "app/baseany2any.h"
#include "app/settings.h"
#include "core/encoding.h"
#include "core/uglobal.h"

namespace {

int PositionOf(const std::string& value, std::initializer_list<const char*> names, int def) {
  int i = 0;
  for (const char* name : names) {
    if (value == name) return i;
    ++i;
  }
  return def;
}

}  // namespace

int FormatOfId(const std::string& id) {
  const std::string upper = UpperAscii(id);
  for (int row = 0; row < kFormatCount; ++row)
    if (UpperAscii(FileTypes[row].Id) == upper) return row;
  return -1;
}

int DestinationFormatOfId(const std::string& id) {
  const int row = FormatOfId(id);
  for (int dst : TAnyFormat2AnyFormatForm::kDestinationRows)
    if (dst == row) return row;
  return -1;
}

int DestinationFormatOfName(const std::string& fileName) {
  const size_t slash = fileName.rfind('/');
  const size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return -1;
  const std::string ext = UpperAscii(fileName.substr(dot + 1));
  // A page is written as a DhtmlXQ page unless asked for WebCchess 5; a .txt
  // file is a plain-text record.
  if (ext == "HTM" || ext == "HTML") return kFmtUbb;
  for (int dst : TAnyFormat2AnyFormatForm::kDestinationRows)
    if (ext == FileTypes[dst].Ext) return dst;
  return -1;
}

int SourceEncoding(const std::string& name) {
  const std::string n = LowerAscii(name);
  if (n == "auto") return -1;
  if (n == "gbk") return kCpGbk;
  if (n == "big5") return kCpBig5;
  if (n == "utf-8" || n == "utf8") return kCpUtf8;
  if (n == "utf-16" || n == "utf16") return kCpUtf16Le;
  return -2;
}

int DestinationEncoding(const std::string& name, int dstFormat) {
  const std::string n = LowerAscii(name);
  // Some formats keep their texts in a Chinese double-byte code page only.
  const bool dbcsOnly =
      dstFormat >= 0 && FileTypes[dstFormat].CodePages == TCodePageRule::DoubleByte;
  if (n == "auto")
    return dbcsOnly ? (Process().SystemCodePage == kCpBig5 ? kCpBig5 : kCpGbk) : kCpUtf8;
  int cp = -2;
  if (n == "gbk") cp = kCpGbk;
  if (n == "big5") cp = kCpBig5;
  if (n == "utf-8" || n == "utf8") cp = kCpUtf8;
  if (dbcsOnly && cp == kCpUtf8) return -2;
  return cp;
}

int DestinationCodePageIndex(int codePage) {
  return codePage == kCpBig5 ? 1 : codePage == kCpUtf8 ? 2 : 0;
}

void ApplyConvertOptions(TBaseAny2AnyForm& form, const TConvertOptions& o) {
  form.chkFileNameToTitle.Checked = o.TitleFromFileName;
  form.chkLeftToRight.Checked = o.Mirror;
  form.chkAddBaseInfo.Checked = o.AddSummary;
  form.chkAddError.Checked = o.AddErrors;

  form.rgAddMD5.ItemIndex = PositionOf(o.Md5Names, {"never", "when-exists", "always"}, 1);
  form.rgXQFVer.ItemIndex = o.XqfVersion == "1.8" ? 1 : 0;
  const int template_ = PositionOf(o.PageTemplate, {"ubb", "html", "java", "frame"}, 4);
  form.rgHtmlHeadAndFoot.ItemIndex = template_;
  if (template_ == 4) {
    // A folder holding the two template files (made there on first use).
    SetSettingsFolder(o.PageTemplate.back() == '/' ? o.PageTemplate : o.PageTemplate + "/");
  }
  const int perLine = std::clamp(o.MovesPerLine, 1, 5) - 1;
  form.rgTextStepPerLine.ItemIndex = perLine;
  form.rgPGNStepPerLine.ItemIndex = perLine;
  form.rgPGNFormat.ItemIndex = PositionOf(o.Notation, {"chinese", "wxf", "iccs"}, 0);
  // The recommended standards differ: WXF for PGN, the Chinese style for text.
  form.rgPGNMoveText.ItemIndex = o.Standard == "chinese" ? 1 : 0;
  form.rgTextMoveText.ItemIndex = o.Standard == "wxf" ? 0 : 1;
  form.chkIncludeChange.Checked = !o.MainLine;
  if (!o.CodeBase.empty()) form.cbbCodeBase.Text = o.CodeBase;
  const size_t comma = o.BoardSize.find(',');
  form.edtWidth.Text = comma == std::string::npos ? o.BoardSize : o.BoardSize.substr(0, comma);
  form.edtHeight.Text = comma == std::string::npos ? "350" : o.BoardSize.substr(comma + 1);
}
