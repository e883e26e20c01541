// FEN text and the board diagram, both built from the record's Pieces.
#include "core/position.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "core/board.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"

namespace {

constexpr size_t kFenSlot = 12;

// Piece code of a FEN letter; H and E are accepted for horse and elephant.
uint8_t FenLetterCode(char c) {
  static constexpr std::string_view kTypeLetters = "RNBAKCP";
  uint8_t colour = 0;
  if (c >= 'a' && c <= 'z') {
    colour = 0x10;
    c = static_cast<char>(c - 'a' + 'A');
  }
  if (c == 'H') c = 'N';
  if (c == 'E') c = 'B';
  size_t type = kTypeLetters.find(c);
  return type == std::string_view::npos ? 0 : static_cast<uint8_t>(colour | (type + 1));
}

// The diagram is drawn in GBK with these characters (two bytes each).
constexpr const char* kGbkTopLeft = "\xA9\xB0";            // ┌
constexpr const char* kGbkTopTee = "\xA9\xD0";             // ┬
constexpr const char* kGbkTopRight = "\xA9\xB4";           // ┐
constexpr const char* kGbkLeftTee = "\xA9\xC0";            // ├
constexpr const char* kGbkCross = "\xA9\xE0";              // ┼
constexpr const char* kGbkRightTee = "\xA9\xC8";           // ┤
constexpr const char* kGbkBottomTee = "\xA9\xD8";          // ┴
constexpr const char* kGbkBottomLeft = "\xA9\xB8";         // └
constexpr const char* kGbkBottomRight = "\xA9\xBC";        // ┘
constexpr const char* kGbkPalace = "\xA1\xF9";             // ※
constexpr const char* kGbkVertical = "\xA9\xA6";           // │
constexpr const char* kGbkHorizontal = "\xA9\xA4";         // ─
constexpr const char* kGbkBackslash = "\xA3\xDC";          // ＼
constexpr const char* kGbkSlash = "\xA3\xAF";              // ／
constexpr const char* kGbkBlackSide = "\xBA\xDA\xB7\xBD";  // 黑方
constexpr const char* kGbkRedSide = "\xBA\xEC\xB7\xBD";    // 红方

// Piece glyphs per slot: the character between brackets, round for red and
// square for black, simplified script.
constexpr const char* kGbkSlotGlyphs[32] = {
    "(\xB3\xB5)", "(\xC2\xED)", "(\xCF\xE0)", "(\xCA\xCB)", "(\xCB\xA7)", "(\xCA\xCB)",
    "(\xCF\xE0)", "(\xC2\xED)", "(\xB3\xB5)", "(\xC5\xDA)", "(\xC5\xDA)", "(\xB1\xF8)",
    "(\xB1\xF8)", "(\xB1\xF8)", "(\xB1\xF8)", "(\xB1\xF8)",  // 车马相仕帅仕相马车炮炮兵×5
    "[\xB3\xB5]", "[\xC2\xED]", "[\xCF\xF3]", "[\xCA\xBF]", "[\xBD\xAB]", "[\xCA\xBF]",
    "[\xCF\xF3]", "[\xC2\xED]", "[\xB3\xB5]", "[\xC5\xDA]", "[\xC5\xDA]", "[\xD7\xE4]",
    "[\xD7\xE4]", "[\xD7\xE4]", "[\xD7\xE4]", "[\xD7\xE4]",  // 车马象士将士象马车炮炮卒×5
};

constexpr size_t kLineBody = 36;  // bytes of a diagram line before CR LF

struct TDiagramTemplates {
  std::string Rows[10];        // board rows without CR LF, 36 bytes each
  std::string Connectors[10];  // the line below each row, with CR LF
  std::string Head;            // black label line and the blank line below it
  std::string Tail;            // red label line and the closing empty line
};

std::string BoardRow(const char* left, const char* inner, const char* right,
                     const char* centre = nullptr) {
  std::string row = " ";
  for (int x = 0; x < 9; ++x) {
    if (x > 0) row += "--";
    if (x == 0)
      row += left;
    else if (x == 8)
      row += right;
    else if (x == 4 && centre)
      row += centre;
    else
      row += inner;
  }
  row += " ";
  return row;
}

// A connector line: "│" at every point column, with the two given marks
// between columns 3-4 and 4-5 (palace diagonals) or blanks.
std::string ConnectorRow(const char* leftDiag, const char* rightDiag) {
  std::string row = " ";
  for (int x = 0; x < 9; ++x) {
    if (x > 0) row += x == 4 && leftDiag ? leftDiag : x == 5 && rightDiag ? rightDiag : "  ";
    row += kGbkVertical;
  }
  row += " \r\n";
  return row;
}

const TDiagramTemplates& DiagramTemplates() {
  static const TDiagramTemplates t = [] {
    TDiagramTemplates d;
    d.Rows[0] = BoardRow(kGbkTopLeft, kGbkTopTee, kGbkTopRight);
    d.Rows[1] = BoardRow(kGbkLeftTee, kGbkCross, kGbkRightTee, kGbkPalace);
    d.Rows[8] = d.Rows[1];
    for (int y : {2, 3, 6, 7}) d.Rows[y] = BoardRow(kGbkLeftTee, kGbkCross, kGbkRightTee);
    d.Rows[4] = BoardRow(kGbkLeftTee, kGbkBottomTee, kGbkRightTee);
    d.Rows[5] = BoardRow(kGbkLeftTee, kGbkTopTee, kGbkRightTee);
    d.Rows[9] = BoardRow(kGbkBottomLeft, kGbkBottomTee, kGbkBottomRight);

    const std::string plain = ConnectorRow(nullptr, nullptr);
    d.Connectors[0] = d.Connectors[7] = ConnectorRow(kGbkBackslash, kGbkSlash);
    d.Connectors[1] = d.Connectors[8] = ConnectorRow(kGbkSlash, kGbkBackslash);
    for (int y : {2, 3, 5, 6}) d.Connectors[y] = plain;
    d.Connectors[4] =
        std::string(" ") + kGbkVertical + std::string(30, ' ') + kGbkVertical + " \r\n";
    d.Connectors[9] = std::string(kLineBody, ' ') + "\r\n";

    const std::string pad(16, ' ');
    d.Head = pad + kGbkBlackSide + pad + "\r\n" + std::string(kLineBody, ' ') + "\r\n";
    d.Tail = pad + kGbkRedSide + pad + "\r\n\r\n";
    return d;
  }();
  return t;
}

void EnsureFenSlot(TChessRec& rec) {
  if (rec.Texts.size() <= kFenSlot) rec.Texts.resize(kFenSlot + 1);
}

}  // namespace

std::string FenFromBoard(const TChessRec& rec) {
  std::string fen;
  fen.reserve(110);
  for (int y = 0; y < 10; ++y) {
    int empty = 0;
    for (int x = 0; x < 9; ++x) {
      char c = rec.Board[y * 9 + x];
      if (c == 0) {
        ++empty;
        continue;
      }
      if (empty) fen += static_cast<char>('0' + empty);
      empty = 0;
      fen += c;
    }
    if (empty) fen += static_cast<char>('0' + empty);
    if (y < 9) fen += '/';
  }
  fen += rec.RedFirst != 0 ? " w - - 0 1" : " b - - 0 1";
  return fen;
}

void MakeFen(TChessRec& rec) {
  std::memset(rec.Board, 0, sizeof rec.Board);
  for (int s = 0; s < 32; ++s) {
    uint8_t sq = rec.Pieces[s];
    if (IsValidSquare(sq)) rec.Board[SquareY(sq) * 9 + SquareX(sq)] = kFenSlotLetters[s];
  }
  EnsureFenSlot(rec);
  rec.Texts[kFenSlot] = FenFromBoard(rec);
}

bool ParseFen(TChessRec& rec, std::string_view text) {
  // The side letter sits just before the first " - - ", with a blank before
  // it; a board needs at least twenty characters ahead of that.
  size_t mark = text.find(" - - ");
  if (mark == std::string_view::npos || mark < 21 || text[mark - 2] != ' ') return false;
  const char side = text[mark - 1];
  int redFirst;
  if (side == 'b' || side == 'B')
    redFirst = 0;
  else if (side == 'r' || side == 'R' || side == 'w' || side == 'W')
    redFirst = 1;
  else
    return false;

  std::array<uint8_t, 90> codes{};
  int square = 89;  // next square to fill, walking backwards
  int inRow = 0;    // squares filled since the row's end
  for (size_t i = mark - 2; i-- > 0 && square >= 0;) {
    char c = text[i];
    if (uint8_t code = FenLetterCode(c)) {
      codes[square--] = code;
      ++inRow;
    } else if (c >= '1' && c <= '9') {
      square -= c - '0';
      inRow += c - '0';
    } else if (c == '/') {
      if (inRow != 9) return false;
      inRow = 0;
    } else {
      return false;
    }
  }
  rec.RedFirst = redFirst;
  PlacePieces(rec, codes, 0);
  return true;
}

void MakeBoardDiagram(const TJobState& job, const TChessRec& rec, std::string& text) {
  text.clear();
  if (rec.GameType <= 2) return;
  const TDiagramTemplates& t = DiagramTemplates();
  std::string rows[10];
  for (int y = 0; y < 10; ++y) rows[y] = t.Rows[y];
  for (int s = 0; s < 32; ++s) {
    uint8_t sq = rec.Pieces[s];
    if (!IsValidSquare(sq)) continue;
    std::memcpy(&rows[SquareY(sq)][4 * SquareX(sq)], kGbkSlotGlyphs[s], 4);
  }
  text.reserve(kDiagramBytes);
  text += t.Head;
  for (int y = 0; y < 10; ++y) {
    ReplaceAllDbcs(kCpGbk, rows[y], "--", true, kGbkHorizontal);
    text += rows[y];
    text += "\r\n";
    text += t.Connectors[y];
  }
  text += t.Tail;
  if (job.DstCodePage != static_cast<uint32_t>(kCpGbk) || job.MapFlags == kMapToTraditional)
    ConvertCodePage(text, kCpGbk, job.MapFlags, static_cast<int>(job.DstCodePage));
}
