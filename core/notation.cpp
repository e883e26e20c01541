#include "core/notation.h"

#include <cstdlib>
#include <cstring>

#include "core/record.h"
#include "core/uglobal.h"
#include "core/variants.h"

namespace {

// Position codes of the head's high nibble.
constexpr int kHeadFront = 7;
constexpr int kHeadMiddle = 8;
constexpr int kHeadRear = 9;
constexpr int kHeadFirst = 10;

bool CountsPosition(int type) {
  return type == kRook || type == kHorse || type == kCannon || type == kPawn;
}

// Position code of the piece of rank k (0 = front) among count like pieces.
int PositionCode(int count, int k, bool wxfStandard) {
  switch (count) {
    case 2:
      return k == 0 ? kHeadFront : kHeadRear;
    case 3:
      return k == 0 ? kHeadFront : k == 1 ? kHeadMiddle : kHeadRear;
    case 4:
    case 5:
      if (k == 0) return wxfStandard ? kHeadFirst : kHeadFront;
      if (k == count - 1) return wxfStandard ? kHeadFirst + k : kHeadRear;
      return kHeadFirst + k;  // 二 三 四
    default:
      return 0;
  }
}

// Number of pieces equal to code on work-board column X.
int CountInColumn(const TWorkBoard& board, int column, uint8_t code) {
  int count = 0;
  for (int y = 0; y < 10; ++y) count += board[column * 10 + y] == code;
  return count;
}

struct TReadEntry {
  const char* Text;
  int Value;
};

// First character: piece 1..7 or position 10..17.
const TReadEntry kFirstChars[] = {
    {"車", 1},  {"车", 1},  {"馬", 2},  {"马", 2},  {"相", 3},  {"象", 3},  {"仕", 4},  {"士", 4},
    {"帥", 5},  {"帅", 5},  {"將", 5},  {"将", 5},  {"炮", 6},  {"兵", 7},  {"卒", 7},  {"前", 10},
    {"後", 11}, {"后", 11}, {"中", 12}, {"一", 13}, {"二", 14}, {"三", 15}, {"四", 16}, {"五", 17},
};
const TReadEntry kRedNumerals[] = {
    {"一", 1}, {"二", 2}, {"三", 3}, {"四", 4}, {"五", 5},
    {"六", 6}, {"七", 7}, {"八", 8}, {"九", 9},
};
const TReadEntry kBlackNumerals[] = {
    {"１", 1}, {"２", 2}, {"３", 3}, {"４", 4}, {"５", 5},
    {"６", 6}, {"７", 7}, {"８", 8}, {"９", 9},
};
// Piece names in the second character: 10 + piece index.
const TReadEntry kSecondPieces[] = {
    {"車", 10}, {"车", 10}, {"馬", 11}, {"马", 11}, {"相", 12}, {"象", 12}, {"仕", 13}, {"士", 13},
    {"帥", 14}, {"帅", 14}, {"將", 14}, {"将", 14}, {"炮", 15}, {"兵", 16}, {"卒", 16},
};
const TReadEntry kDirectionChars[] = {
    {"進", kDirForward},
    {"进", kDirForward},
    {"退", kDirBackward},
    {"平", kDirSideways},
};

template <size_t N>
int Lookup(const TReadEntry (&table)[N], std::string_view c) {
  for (const auto& e : table)
    if (c == e.Text) return e.Value;
  return 0;
}

int AsciiDigit(std::string_view c) {
  return c.size() == 1 && c[0] >= '1' && c[0] <= '9' ? c[0] - '0' : 0;
}

// Work-board column of a file number (1..9) as the side counts files.
int ColumnOfFile(int side, int file) { return side == 0 ? file - 1 : 9 - file; }

}  // namespace

TNoteCode ComputeNoteCode(const TWorkBoard& board, uint8_t from, uint8_t dest, uint8_t piece,
                          bool wxfStandard, int dstFormat) {
  const int type = piece & 0x0F;
  if (type < kRook || type > kPawn || piece > (kBlackBit | kPawn) || !IsValidSquare(from) ||
      !IsValidSquare(dest))
    return {};
  const int t = type - 1;
  const bool black = (piece & kBlackBit) != 0;
  int column = 8 - SquareX(from), toColumn = 8 - SquareX(dest);
  const int y = SquareY(from), toY = SquareY(dest);

  int position = 0;
  bool headShowsFile = false;
  if (CountsPosition(type)) {
    int count = 0, rank = -1;
    for (int yy = 0; yy < 10; ++yy) {
      if (board[column * 10 + yy] != piece) continue;
      if (yy == y) rank = count;
      ++count;
    }
    if (type == kPawn && (count == 2 || count == 3)) {
      int sharedColumns = 0;
      for (int c = 0; c < 9; ++c) sharedColumns += CountInColumn(board, c, piece) >= 2;
      if (wxfStandard) {
        // Pawns of all columns holding two or more are numbered together,
        // column by column from red's right, each from the top.
        count = 0;
        rank = -1;
        for (int c = 0; c < 9; ++c) {
          if (CountInColumn(board, c, piece) < 2) continue;
          for (int yy = 0; yy < 10; ++yy) {
            if (board[c * 10 + yy] != piece) continue;
            if (c == column && yy == y) rank = count;
            ++count;
          }
        }
      } else if (sharedColumns == 2) {
        headShowsFile = true;
      }
    }
    if (rank >= 0 && count >= 2) {
      if (black) rank = count - 1 - rank;
      position = PositionCode(count, rank, wxfStandard);
      if (dstFormat == kFmtCbl && position > kHeadRear) position = 0;
    }
  }

  int dy = toY - y;
  if (black) {
    column = 8 - column;
    toColumn = 8 - toColumn;
    dy = -dy;
  }
  int direction, number;
  if (dy == 0) {
    direction = 2;
    number = toColumn;
  } else {
    direction = dy < 0 ? 0 : 1;
    number =
        (type == kHorse || type == kElephant || type == kAdvisor) ? toColumn : std::abs(dy) - 1;
  }
  TNoteCode code;
  if (position == 0)
    code.Head = uint8_t((t << 4) | column);
  else if (headShowsFile)
    code.Head = uint8_t((position << 4) | column);
  else
    code.Head = uint8_t((position << 4) | (t + 9));
  code.Tail = uint8_t((direction << 4) | number);
  return code;
}

std::string RenderChinese(uint8_t head, uint8_t tail, int side, int variant) {
  if (!IsValidNoteCode(head, tail)) return "XXXXXXXX";
  if (variant < 0 || variant >= kVariantCount) variant = 0;
  const bool black = side == 1;
  const TVariantTable heads = black ? kVtNoteHeadBlack : kVtNoteHeadRed;
  const TVariantTable digits = black ? kVtNoteDigitsBlack : kVtNoteDigitsRed;
  // The three notation strings are looked up once; each character is a
  // fixed-width slice of its string, as NoteChar cuts it.
  const size_t width = variant >= 3 ? 3 : 2;
  auto slice = [width](const std::string& s, int index) {
    const size_t at = static_cast<size_t>(index) * width;
    return at + width > s.size() ? std::string_view() : std::string_view(s).substr(at, width);
  };
  const std::string& headChars = VariantText(heads, 0, variant);
  const std::string& digitChars = VariantText(digits, 0, variant);
  const std::string& directionChars = VariantText(kVtNoteDirection, 0, variant);
  std::string out;
  out.reserve(12);
  out += slice(headChars, head >> 4);
  out += slice(digitChars, head & 0x0F);
  out += slice(directionChars, tail >> 4);
  out += slice(digitChars, tail & 0x0F);
  return out;
}

std::string RenderWxf(uint8_t head, uint8_t tail) {
  if (!IsValidNoteCode(head, tail)) return "XXXX";
  static const char kHeads[] = "RNBAKCP+.-abcde";
  static const char kDigits[] = "123456789RNBAKCP";
  static const char kDirs[] = "+-.";
  std::string out(4, ' ');
  const int high = head >> 4, low = head & 0x0F;
  if (high >= 7) {
    out[0] = kDigits[low];
    out[1] = kHeads[high];
  } else {
    out[0] = kHeads[high];
    out[1] = kDigits[low];
  }
  out[2] = kDirs[tail >> 4];
  out[3] = kDigits[tail & 0x0F];
  return out;
}

std::string RenderIccs(uint8_t from, uint8_t dest) {
  if (!IsValidSquare(from) || !IsValidSquare(dest)) return "XX-XX";
  std::string out(5, '-');
  out[0] = char('A' + SquareX(from));
  out[1] = char('9' - SquareY(from));
  out[3] = char('A' + SquareX(dest));
  out[4] = char('9' - SquareY(dest));
  return out;
}

TNoteToken ParseChineseToken(std::string_view c1, std::string_view c2, std::string_view c3,
                             std::string_view c4) {
  TNoteToken t;
  const int first = Lookup(kFirstChars, c1);
  if (first < 10)
    t.Piece = first;
  else
    t.Position = first;

  int file = AsciiDigit(c2);
  if (!file) file = Lookup(kRedNumerals, c2);
  if (!file) file = Lookup(kBlackNumerals, c2);
  if (!file) file = Lookup(kSecondPieces, c2);
  if (file > 9) {
    t.Piece = file - 9;
    t.File = 0;
  } else {
    t.File = file;
  }

  t.Direction = Lookup(kDirectionChars, c3);

  if (int n = AsciiDigit(c4)) {
    t.Number = n;
    t.Side = 1;
  } else if (int red = Lookup(kRedNumerals, c4)) {
    t.Number = red;
    t.Side = 0;
  } else if (int black = Lookup(kBlackNumerals, c4)) {
    t.Number = black;
    t.Side = 1;
  }

  if (t.Position && t.File) t.Piece = kPawn;  // 前三進一: the front pawn of file 3
  return t;
}

TNoteToken ParseWxfToken(std::string_view token) {
  TNoteToken t;
  if (token.size() != 4) return t;
  static const char kPieces[] = "RNBAKCP";
  const char c1 = token[0];
  if (c1 == 'H')
    t.Piece = kHorse;
  else if (c1 == 'E')
    t.Piece = kElephant;
  else if (c1 != 0 && std::strchr(kPieces, c1))
    t.Piece = int(std::strchr(kPieces, c1) - kPieces) + 1;
  if (!t.Piece) return {};

  const char c2 = token[1];
  if (c2 >= '1' && c2 <= '9')
    t.File = c2 - '0';
  else if (c2 == '+')
    t.Position = kPosFront;
  else if (c2 == '-')
    t.Position = kPosRear;
  else if (c2 == '.')
    t.Position = kPosMiddle;
  else if (c2 >= 'a' && c2 <= 'e')
    t.Position = kPosFirst + (c2 - 'a');

  const char c3 = token[2];
  t.Direction = c3 == '+' ? kDirForward : c3 == '-' ? kDirBackward : c3 == '.' ? kDirSideways : 0;
  t.Number = token[3] >= '1' && token[3] <= '9' ? token[3] - '0' : 0;
  return t;
}

bool ApplyNotationMove(TChessRec& rec, TWorkBoard& board, int side, int number, int direction,
                       int file, int piece, int position, int& counter) {
  if ((side != 0 && side != 1) || piece < kRook || piece > kPawn || number < 1 || number > 9 ||
      counter < 0)
    return false;
  if (direction != kDirForward && direction != kDirBackward && direction != kDirSideways)
    return false;
  if (file < 0 || file > 9) return false;
  const uint8_t code = uint8_t((side << 4) | piece);
  // Forward is toward row 0 for red and toward row 9 for black.
  const int dir = (side == 1 && direction != kDirSideways) ? -direction : direction;

  struct TSquare {
    int Column, Row;
  };
  TSquare candidates[10];
  int candidateCount = 0;

  if (position == 0) {
    if (file == 0) return false;
    const int column = ColumnOfFile(side, file);
    for (int y = 0; y < 10; ++y)
      if (board[column * 10 + y] == code) candidates[candidateCount++] = {column, y};
  } else {
    // Like pieces on columns holding two or more, column by column from red's
    // right, each column from the top.
    TSquare found[5];
    int rank[5], columnSize[5];
    int foundCount = 0;
    for (int c = 0; c < 9 && foundCount < 5; ++c) {
      const int inColumn = CountInColumn(board, c, code);
      if (inColumn < 2) continue;
      int r = 0;
      for (int y = 0; y < 10 && foundCount < 5; ++y) {
        if (board[c * 10 + y] != code) continue;
        found[foundCount] = {c, y};
        rank[foundCount] = r++;
        columnSize[foundCount] = inColumn;
        ++foundCount;
      }
    }
    if (position == kPosFront || position == kPosRear || position == kPosMiddle) {
      const bool reverse = (position == kPosRear) == (side == 0);
      for (int i = 0; i < foundCount; ++i) {
        const int r = reverse ? columnSize[i] - 1 - rank[i] : rank[i];
        if (position == kPosMiddle) {
          if (columnSize[i] == 3 && r == 1) candidates[candidateCount++] = found[i];
        } else if (r == 0 && (file == 0 || found[i].Column == ColumnOfFile(side, file))) {
          candidates[candidateCount++] = found[i];
        }
      }
    } else if (position >= kPosFirst && position < kPosFirst + 5) {
      const int k = position - kPosFirst;
      if (k >= foundCount) return false;
      candidates[candidateCount++] = found[side == 0 ? k : foundCount - 1 - k];
    } else {
      return false;
    }
  }

  for (int i = 0; i < candidateCount; ++i) {
    const TSquare from = candidates[i];
    int toColumn = from.Column, toRow = from.Row;
    if (dir == kDirSideways) {
      toColumn = ColumnOfFile(side, number);
    } else {
      switch (piece) {
        case kHorse: {
          toColumn = ColumnOfFile(side, number);
          const int away = std::abs(toColumn - from.Column);
          if (away == 1)
            toRow = from.Row + 2 * dir;
          else if (away == 2)
            toRow = from.Row + dir;
          else
            continue;
          break;
        }
        case kElephant:
          toColumn = ColumnOfFile(side, number);
          toRow = from.Row + 2 * dir;
          break;
        case kAdvisor:
          toColumn = ColumnOfFile(side, number);
          toRow = from.Row + dir;
          break;
        default:  // rook, king, cannon, pawn
          toRow = from.Row + dir * number;
          break;
      }
    }
    if (IsLegalMove(board, 8 - from.Column, from.Row, 8 - toColumn, toRow, true) != kMoveLegal)
      continue;
    board[from.Column * 10 + from.Row] = 0;
    board[toColumn * 10 + toRow] = code;
    ++counter;
    if (size_t(counter) >= rec.Moves.size()) {
      const size_t grown = rec.Moves.size() * 2;
      rec.Moves.resize(grown > size_t(counter) ? grown : size_t(counter) + 1);
    }
    TMoveNode& node = rec.Moves[counter];
    node.From = SquareOf(8 - from.Column, from.Row);
    node.Dest = SquareOf(8 - toColumn, toRow);
    node.NoteHead = 0xFF;
    node.NoteTail = 0xFF;
    return true;
  }
  return false;
}
