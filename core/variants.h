// Text that the program itself writes into records, held once per script
// variant or once per destination code page, so that writing a record never
// converts it.
//
// Script variants (the job's TextVariant):
//   0 GBK simplified, 1 GBK traditional, 2 Big5, 3 UTF-8 simplified,
//   4 UTF-8 traditional.
// Code-page indexes (the job's DstCodePageIndex): 0 GBK, 1 Big5, 2 UTF-8.
//
// Every string lives in the sources once, as UTF-8, in its simplified and its
// traditional form; the GBK and Big5 bytes are built on first use and kept for
// the process. Out-of-range arguments give an empty string.
#pragma once

#include <string>
#include <string_view>

constexpr int kVariantCount = 5;

// Address shown in the generated-by footer and as the generator of records.
// The program's home page, also usable in string-literal concatenation.
#define TAVRIK_HOME_PAGE "https://tavrik.example/"
inline constexpr const char* kHomePage = TAVRIK_HOME_PAGE;

enum TVariantTable : int {
  // Labels of the text writer's header rows, in this order (with the slot of
  // Texts each one heads): 棋局標題： (51), 開局名稱： (7), 比賽名稱： (52),
  // 比賽地點： (54), 比賽日期： (53), 紅方棋手： (55), 黑方棋手： (56),
  // 比賽結果： (13), 棋譜講評： (60), 棋譜錄入： (61), "FEN     ：" (12).
  kVtSummaryLabels,
  // Move notation: one string per table (index 0), read character by
  // character with NoteChar.
  //   head:      車馬相仕帥炮兵前中後一二三四五 / 車馬象士將炮卒前中後一二三四五
  //   digits:    一二三四五六七八九車馬相仕帥炮兵 / １２３４５６７８９車馬象士將炮卒
  //   direction: 進退平
  kVtNoteHeadRed,
  kVtNoteHeadBlack,
  kVtNoteDigitsRed,
  kVtNoteDigitsBlack,
  kVtNoteDirection,
  // Result words by GameResult - 1: 紅勝, 黑勝, 和棋, 未知.
  kVtResultWords,
  // Connectives put between the players by GameResult - 1: " 勝 ", " 負 ",
  // " 和 ", " 對 ".
  kVtResultConnectives,
  // The generated-by footer line, index 0, ending with CR LF CR LF:
  // "棋譜由 Tavrik(" + kHomePage + ") 生成，謝謝您的使用。"
  kVtFooter,
  // Side labels of file-name titles: "[紅] - " (0), "[黑]" (1).
  kVtSideLabels,
  kVariantTableCount
};

enum TCpTable : int {
  kCtEllipsis,    // "…………", the missing-move filler of the text writer
  kCtOpenQuote,   // “
  kCtCloseQuote,  // ”
  kCtOpenBrace,   // ｛, written for "{" inside PGN comments
  kCtCloseBrace,  // ｝, written for "}"
  kCpTableCount
};

// The string `index` of `table` in script variant `textVariant`.
const std::string& VariantText(TVariantTable table, int index, int textVariant);
// Number of strings in `table`.
int VariantCount(TVariantTable table);
// Character `index` of the notation string of `table` (kVtNoteHeadRed ..
// kVtNoteDirection): 2 bytes in GBK and Big5, 3 in UTF-8; empty when out of range.
std::string_view NoteChar(TVariantTable table, int index, int textVariant);

// The string of `table` in destination code-page index `cpIndex`.
const std::string& CodePageText(TCpTable table, int cpIndex);
// Turns the double quotes of s into typographic opening and closing quotes
// of the code page at cpIndex (0 GBK, 1 Big5, 2 UTF-8).
void CurlyQuotes(std::string& s, int cpIndex);

// The script variant for a destination code page (936, 950, 65001) and
// mapping flags: GBK 1 with the to-traditional flag, else 0; Big5 2; UTF-8 4
// with the to-traditional flag, else 3.
int TextVariantFor(int dstCodePage, int mapFlags);
// The code page whose bytes variant v holds (936, 950 or 65001).
int VariantCodePage(int textVariant);
// True for the simplified variants 0 and 3.
bool IsSimplifiedVariant(int textVariant);

// XML escapes of the CBF writer, applied in this order.
struct TXmlEscape {
  char Plain;
  const char* Escaped;
};
inline constexpr TXmlEscape kXmlEscapes[5] = {
    {'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'\'', "&apos;"}, {'"', "&quot;"}};
