// Text board diagram reader. The diagram is found by the connector line below
// black's back rank (the one holding the palace diagonals); the board rows are
// the line above it and every second line after it, each point four bytes wide.
#include "formats/text/diagram.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <exception>
#include <vector>

#include "core/board.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"

namespace {

// "│  │  │  │＼│／│  │  │  │" in GBK.
constexpr std::string_view kGbkAnchor =
    "\xA9\xA6  \xA9\xA6  \xA9\xA6  \xA9\xA6\xA3\xDC\xA9\xA6\xA3\xAF\xA9\xA6  \xA9\xA6  \xA9\xA6  "
    "\xA9\xA6";
constexpr std::string_view kGbkFullWidthSpace = "\xA1\xA1";

constexpr int kGlyphBytes = 4;

struct TGlyph {
  char Bytes[kGlyphBytes];
  uint8_t Code;
};

// The glyphs read as pieces: a piece character between brackets, round for red
// and square for black, in both scripts where they differ.
const std::vector<TGlyph>& Glyphs() {
  static const std::vector<TGlyph> glyphs = [] {
    struct TSource {
      const char* Utf8;
      uint8_t Code;
    };
    static constexpr TSource kSources[] = {
        {"(车)", 1},  {"(車)", 1},  {"(马)", 2},  {"(馬)", 2},  {"(相)", 3},  {"(仕)", 4},
        {"(士)", 4},  {"(帅)", 5},  {"(帥)", 5},  {"(炮)", 6},  {"(兵)", 7},  {"[车]", 17},
        {"[車]", 17}, {"[马]", 18}, {"[馬]", 18}, {"[象]", 19}, {"[士]", 20}, {"[将]", 21},
        {"[將]", 21}, {"[炮]", 22}, {"[卒]", 23},
    };
    std::vector<TGlyph> out;
    for (const TSource& s : kSources) {
      const std::string gbk = WideToBytes(BytesToWide(s.Utf8, kCpUtf8), kCpGbk);
      if (gbk.size() != kGlyphBytes) continue;
      TGlyph g{};
      std::memcpy(g.Bytes, gbk.data(), kGlyphBytes);
      g.Code = s.Code;
      out.push_back(g);
    }
    return out;
  }();
  return glyphs;
}

uint8_t GlyphCode(const char* bytes) {
  for (const TGlyph& g : Glyphs())
    if (std::memcmp(g.Bytes, bytes, kGlyphBytes) == 0) return g.Code;
  return 0;
}

// Lines of the text; a line ends at CR LF, LF or CR.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

bool ReadDiagramText(TJobState& job, TChessRec& rec, std::string_view gbkText) {
  const std::vector<std::string_view> lines = SplitLines(gbkText);

  // The first line holding the anchor (pasted text may carry full-width
  // spaces in it) decides where the board is.
  size_t anchorLine = 0;
  size_t leftEdge = 0;
  std::string line;
  for (size_t i = 1; i < lines.size(); ++i) {
    line.assign(lines[i]);
    ReplaceAllDbcs(kCpGbk, line, kGbkFullWidthSpace, true, "  ");
    const size_t pos = PosDbcs(kCpGbk, kGbkAnchor, line, kNoLimit, 2);
    if (pos != 0) {
      anchorLine = i;
      leftEdge = pos - 2;  // one byte before the first "│"
      break;
    }
  }
  if (anchorLine == 0) {
    job.LogRecord(rec, SystemText("源棋譜不是文本棋圖或者源棋譜代碼頁不正確。"), kLogError);
    return false;
  }

  const size_t top = anchorLine - 1;
  const size_t rows = std::min<size_t>(9, (lines.size() - 1 - top) / 2);
  std::array<uint8_t, 90> codes{};
  for (size_t r = 0; r <= rows; ++r) {
    const std::string_view row = lines[top + 2 * r];
    if (row.size() < leftEdge + kGlyphBytes) continue;
    const size_t columns = std::min<size_t>(9, (row.size() - leftEdge) / kGlyphBytes);
    for (size_t x = 0; x < columns; ++x)
      codes[r * 9 + x] = GlyphCode(row.data() + leftEdge + kGlyphBytes * x);
  }
  PlacePieces(rec, codes, 0);
  return true;
}
