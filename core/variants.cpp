// The program's own strings per script variant and per code page. Each string
// is written here once, as UTF-8, in its simplified and traditional forms; the
// GBK and Big5 forms are converted once, on first use.
#include "core/variants.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "core/encoding.h"
#include "core/jobstate.h"

namespace {

struct TSourceText {
  const char* Simplified;
  const char* Traditional;
};

const TSourceText kSummaryLabels[] = {
    {"棋局标题：", "棋局標題："}, {"开局名称：", "開局名稱："}, {"比赛名称：", "比賽名稱："},
    {"比赛地点：", "比賽地點："}, {"比赛日期：", "比賽日期："}, {"红方棋手：", "紅方棋手："},
    {"黑方棋手：", "黑方棋手："}, {"比赛结果：", "比賽結果："}, {"棋谱讲评：", "棋譜講評："},
    {"棋谱录入：", "棋譜錄入："}, {"FEN     ：", "FEN     ："},
};

const TSourceText kNoteHeadRed[] = {
    {"车马相仕帅炮兵前中后一二三四五", "車馬相仕帥炮兵前中後一二三四五"}};
const TSourceText kNoteHeadBlack[] = {
    {"车马象士将炮卒前中后一二三四五", "車馬象士將炮卒前中後一二三四五"}};
const TSourceText kNoteDigitsRed[] = {
    {"一二三四五六七八九车马相仕帅炮兵", "一二三四五六七八九車馬相仕帥炮兵"}};
const TSourceText kNoteDigitsBlack[] = {
    {"１２３４５６７８９车马象士将炮卒", "１２３４５６７８９車馬象士將炮卒"}};
const TSourceText kNoteDirection[] = {{"进退平", "進退平"}};

const TSourceText kResultWords[] = {
    {"红胜", "紅勝"}, {"黑胜", "黑勝"}, {"和棋", "和棋"}, {"未知", "未知"}};
const TSourceText kResultConnectives[] = {
    {" 胜 ", " 勝 "}, {" 负 ", " 負 "}, {" 和 ", " 和 "}, {" 对 ", " 對 "}};
const TSourceText kSideLabels[] = {{"[红] - ", "[紅] - "}, {"[黑]", "[黑]"}};

// The footer is assembled from its two halves and the address.
const TSourceText kFooterHalves[] = {
    {"棋谱由 Tavrik(", "棋譜由 Tavrik("},
    {") 生成，谢谢您的使用。\r\n\r\n", ") 生成，謝謝您的使用。\r\n\r\n"}};

const char* const kCodePageSources[kCpTableCount] = {"…………", "“", "”", "｛", "｝"};

template <size_t N>
std::vector<TSourceText> Rows(const TSourceText (&rows)[N]) {
  return std::vector<TSourceText>(rows, rows + N);
}

// Five variants of one UTF-8 pair, in variant order.
void AddVariants(std::vector<std::string>& out, const std::string& simplified,
                 const std::string& traditional) {
  out.push_back(WideToBytes(BytesToWide(simplified, kCpUtf8), kCpGbk));
  out.push_back(WideToBytes(BytesToWide(traditional, kCpUtf8), kCpGbk));
  out.push_back(WideToBytes(BytesToWide(traditional, kCpUtf8), kCpBig5));
  out.push_back(simplified);
  out.push_back(traditional);
}

// Tables of strings, grouped by string: entry index * 5 + variant.
using TBuiltTables = std::array<std::vector<std::string>, kVariantTableCount>;

const TBuiltTables& BuiltTables() {
  static TBuiltTables tables;
  static bool built = false;
  if (built) return tables;
  built = true;
  auto build = [&](TVariantTable t, const std::vector<TSourceText>& rows) {
    for (const TSourceText& row : rows) AddVariants(tables[t], row.Simplified, row.Traditional);
  };
  build(kVtSummaryLabels, Rows(kSummaryLabels));
  build(kVtNoteHeadRed, Rows(kNoteHeadRed));
  build(kVtNoteHeadBlack, Rows(kNoteHeadBlack));
  build(kVtNoteDigitsRed, Rows(kNoteDigitsRed));
  build(kVtNoteDigitsBlack, Rows(kNoteDigitsBlack));
  build(kVtNoteDirection, Rows(kNoteDirection));
  build(kVtResultWords, Rows(kResultWords));
  build(kVtResultConnectives, Rows(kResultConnectives));
  build(kVtSideLabels, Rows(kSideLabels));
  AddVariants(tables[kVtFooter],
              std::string(kFooterHalves[0].Simplified) + kHomePage + kFooterHalves[1].Simplified,
              std::string(kFooterHalves[0].Traditional) + kHomePage + kFooterHalves[1].Traditional);
  return tables;
}

const std::string& EmptyString() {
  static const std::string empty;
  return empty;
}

}  // namespace

const std::string& VariantText(TVariantTable table, int index, int textVariant) {
  if (table < 0 || table >= kVariantTableCount || textVariant < 0 || textVariant >= kVariantCount ||
      index < 0)
    return EmptyString();
  const std::vector<std::string>& t = BuiltTables()[table];
  size_t i = static_cast<size_t>(index) * kVariantCount + static_cast<size_t>(textVariant);
  return i < t.size() ? t[i] : EmptyString();
}

int VariantCount(TVariantTable table) {
  if (table < 0 || table >= kVariantTableCount) return 0;
  return static_cast<int>(BuiltTables()[table].size() / kVariantCount);
}

std::string_view NoteChar(TVariantTable table, int index, int textVariant) {
  if (table < kVtNoteHeadRed || table > kVtNoteDirection || index < 0) return {};
  const std::string& s = VariantText(table, 0, textVariant);
  size_t width = textVariant >= 3 ? 3 : 2;
  size_t at = static_cast<size_t>(index) * width;
  if (at + width > s.size()) return {};
  return std::string_view(s).substr(at, width);
}

const std::string& CodePageText(TCpTable table, int cpIndex) {
  static std::array<std::array<std::string, 3>, kCpTableCount> texts;
  static bool built = false;
  if (table < 0 || table >= kCpTableCount || cpIndex < 0 || cpIndex > 2) return EmptyString();
  if (!built) {
    built = true;
    for (int t = 0; t < kCpTableCount; ++t) {
      std::u16string wide = BytesToWide(kCodePageSources[t], kCpUtf8);
      texts[t][0] = WideToBytes(wide, kCpGbk);
      texts[t][1] = WideToBytes(wide, kCpBig5);
      texts[t][2] = kCodePageSources[t];
    }
  }
  return texts[table][cpIndex];
}

int TextVariantFor(int dstCodePage, int mapFlags) {
  bool traditional = (mapFlags & kMapToTraditional) != 0;
  if (dstCodePage == kCpBig5) return 2;
  if (dstCodePage == kCpGbk) return traditional ? 1 : 0;
  return traditional ? 4 : 3;
}

int VariantCodePage(int textVariant) {
  if (textVariant <= 1) return kCpGbk;
  if (textVariant == 2) return kCpBig5;
  return kCpUtf8;
}

bool IsSimplifiedVariant(int textVariant) { return textVariant == 0 || textVariant == 3; }

void CurlyQuotes(std::string& s, int cpIndex) {
  size_t quotes = static_cast<size_t>(std::count(s.begin(), s.end(), '"'));
  if (quotes == 0) return;
  int k = (cpIndex >= 0 && cpIndex <= 2) ? cpIndex : 2;
  const std::string& open = CodePageText(kCtOpenQuote, k);
  const std::string& close = CodePageText(kCtCloseQuote, k);
  std::string out;
  out.reserve(s.size() + quotes * (std::max(open.size(), close.size()) - 1));
  bool opening = true;
  for (char c : s) {
    if (c == '"') {
      out += opening ? open : close;
      opening = !opening;
    } else {
      out += c;
    }
  }
  s = std::move(out);
}
