#include "app/sourcepage.h"

#include "app/paths.h"
#include "app/settings.h"
#include "core/jobstate.h"
#include "core/uglobal.h"

namespace {

constexpr int kSrcCodePages[4] = {kCpGbk, kCpBig5, kCpUtf8, kCpUtf16Le};

}  // namespace

TSourceOptionsPage::TSourceOptionsPage() {
  tsSource.Caption = "源棋譜選項";
  rgClipbrdFormat.Caption = "剪貼板";
  rgClipbrdFormat.Items = {
      "只從CF_UNICODETEXT格式數據中讀取UTF-16文本(推薦)",
      "從CF_TEXT格式數據中讀取GBK、Big5或UTF-8文本，從CF_UNICODETEXT格式數據中讀取UTF-16文本"};
  rgClipbrdFormat.ItemIndex = 0;
  chkDelSpace.Caption = "刪除比賽輪次中間的空格";
  chkRound.Caption = "比賽名稱包含比賽輪次";
  rgTitleType.Caption = "棋譜標題";
  rgTitleType.Items = {"某某勝某某 ＋ 開局名稱",
                       "開局名稱 ＋ 某某勝某某",
                       "比賽輪次 ＋ 某某勝某某",
                       "某某勝某某",
                       "開局名稱",
                       "比賽輪次 ＋ 某某勝某某 ＋ 開局名稱"};
  rgXQILayout.Caption = "初始棋圖";
  rgXQILayout.Items = {"從文件中讀取(推薦)", "使用全局初始棋圖"};
  rgXQILayout.ItemIndex = 0;

  TIniFile& ini = Settings();
  chkDelSpace.Checked = ini.ReadBool(kSecSource, "DelSpace", false);
  chkRound.Checked = ini.ReadBool(kSecSource, "TitleIncludeRound", true);
  rgTitleType.ItemIndex =
      ValidPosition(ini.ReadInteger(kSecSource, "TitleType", 0), rgTitleType.Items.size(), 0);
}

void TSourceOptionsPage::chkDelSpaceClick() {
  Settings().WriteBool(kSecSource, "DelSpace", chkDelSpace.Checked);
}

void TSourceOptionsPage::chkRoundClick() {
  Settings().WriteBool(kSecSource, "TitleIncludeRound", chkRound.Checked);
}

void TSourceOptionsPage::rgTitleTypeClick() {
  Settings().WriteInteger(kSecSource, "TitleType", rgTitleType.ItemIndex);
}

int TSourceOptionsPage::SourceCodePage(bool fromClipboard, int listPosition) const {
  if (fromClipboard && rgClipbrdFormat.ItemIndex == 0) return kCpUtf16Le;
  return kSrcCodePages[ValidPosition(listPosition, 4, 0)];
}

void TSourceOptionsPage::ApplySourceOptions(TJobState& job) const {
  // Title rules of the web-page reader; the start layout of OurGame records.
  if (job.SrcFormat == kFmtUbbJava) {
    job.DelSpace = chkDelSpace.Checked;
    job.TitleIncludeRound = chkRound.Checked;
    job.TitleType = rgTitleType.ItemIndex;
  } else if (job.SrcFormat == kFmtOurGame) {
    job.XQILayout = rgXQILayout.ItemIndex;
  }
}
