// PGN reader and writer.
//
// Reading takes the tags into header slots, the start position from the FEN
// tag and the first game's main line in the notation named by the Format tag.
// Comments in braces and whole variations in parentheses become comment text
// of the move before them. Files without a Format tag whose move text holds no
// Chinese move are read again as WXF and then as coordinates, since many such
// files exist; WXF may be written with full-width letters and "=" for
// sideways.
//
// Writing renders the tags, the start comment, the move text (optionally with
// every variation) and the result, all in memory, and hands the bytes to
// WriteOutput. The move tree is walked with an explicit stack, so deep trees
// never deepen the call stack.
#include "formats/text/pgn.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "core/board.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/notation.h"
#include "core/position.h"
#include "core/record.h"
#include "core/variants.h"

const TPgnTag PgnTags[kPgnTagCount] = {
    {"Event", kSlotEvent},
    {"Round", kSlotRound},
    {"Date", kSlotDate},
    {"Site", kSlotSite},
    {"RedTeam", kSlotRedTeam},
    {"Red", kSlotRedName},
    {"BlackTeam", kSlotBlackTeam},
    {"Black", kSlotBlackName},
    {"Result", kSlotResult},
    {"ECCO", kSlotEcco},
    {"Opening", kSlotOpening},
    {"Variation", kSlotVariation},
    {"FEN", kSlotFen},
    {"Format", kSlotFormat},
};

const char* const PgnResultTexts[4] = {"1-0", "0-1", "1/2-1/2", "*"};

namespace {

const char* const kNotationNames[3] = {"Chinese", "WXF", "ICCS"};

bool IsBlank(unsigned char c) { return c <= 32; }

std::string FormatNumber(const char* format, int n) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, n);
  return buf;
}

// ---------------------------------------------------------------- tags

// Reads the tag section starting at p (a "["), storing known tags in their
// slots. Returns the position after the section, blanks skipped.
size_t ReadTagSection(TChessRec& rec, std::string_view s, size_t p) {
  const size_t n = s.size();
  while (p < n && s[p] == '[') {
    size_t lineEnd = p + 1;
    while (lineEnd < n && s[lineEnd] != '\0' && s[lineEnd] != '\r' && s[lineEnd] != '\n') ++lineEnd;
    // The value's quote is looked for on this line only, so that a long run
    // of lines without quotes is read in one pass.
    const size_t open = s.substr(0, lineEnd).find('"', p + 1);
    size_t next = lineEnd;
    if (open != std::string_view::npos) {
      // A quote closes the value when only blanks stand between it and a "]"
      // on the same line, so a value may itself hold quotes.
      size_t close = std::string_view::npos;
      size_t bracket = 0;
      for (size_t q = open + 1; q < lineEnd; ++q) {
        if (s[q] != '"') continue;
        size_t r = q + 1;
        while (r < lineEnd && IsBlank(static_cast<unsigned char>(s[r]))) ++r;
        if (r < lineEnd && s[r] == ']') {
          close = q;
          bracket = r;
          break;
        }
      }
      size_t nameStart = p + 1;
      size_t nameEnd = open;
      while (nameStart < nameEnd && IsBlank(static_cast<unsigned char>(s[nameStart]))) ++nameStart;
      while (nameEnd > nameStart && IsBlank(static_cast<unsigned char>(s[nameEnd - 1]))) --nameEnd;
      const std::string name = LowerAscii(s.substr(nameStart, nameEnd - nameStart));
      const size_t valueEnd = close != std::string_view::npos ? close : lineEnd;
      for (const TPgnTag& tag : PgnTags) {
        if (name == LowerAscii(tag.Name)) {
          rec.Texts[tag.Slot].assign(s.substr(open + 1, valueEnd - open - 1));
          break;
        }
      }
      if (close != std::string_view::npos) next = bracket + 1;
    }
    p = next;
    while (p < n && IsBlank(static_cast<unsigned char>(s[p]))) ++p;
  }
  return p;
}

// Sets the start position from the FEN tag. A FEN that lacks the " - - "
// fields (only the board, or the board and the side letter) is common in
// files; it is completed and read when the plain form does not parse.
void ReadFenTag(TChessRec& rec, const std::string& fen) {
  if (fen.empty() || ParseFen(rec, fen)) return;
  if (fen.find(" - - ") != std::string::npos) return;
  size_t b = 0;
  while (b < fen.size() && IsBlank(static_cast<unsigned char>(fen[b]))) ++b;
  size_t e = b;
  while (e < fen.size() && !IsBlank(static_cast<unsigned char>(fen[e]))) ++e;
  if (e == b) return;
  size_t sideAt = e;
  while (sideAt < fen.size() && IsBlank(static_cast<unsigned char>(fen[sideAt]))) ++sideAt;
  char side = 'w';
  if (sideAt < fen.size()) {
    size_t sideEnd = sideAt;
    while (sideEnd < fen.size() && !IsBlank(static_cast<unsigned char>(fen[sideEnd]))) ++sideEnd;
    if (sideEnd - sideAt != 1) return;  // not a side letter: leave the FEN unread
    side = fen[sideAt];
  }
  std::string repaired = fen.substr(b, e - b);
  repaired += ' ';
  repaired += side;
  repaired += " - - 0 1";
  ParseFen(rec, repaired);
}

int NotationOf(const std::string& format) {
  const std::string name = LowerAscii(format);
  if (name == "wxf") return kPgnWxf;
  if (name == "iccs") return kPgnIccs;
  return kPgnChinese;
}

// ---------------------------------------------------------------- move text

struct TComment {
  int Node;
  std::string_view Text;
};

struct TScan {
  int Moves = 0;
  int Result = 0;  // 0 when the move text names no result
  std::vector<TComment> Comments;
};

// Index of the "}" that closes the "{" at p, or s.size() when unmatched.
size_t MatchBrace(std::string_view s, size_t p) {
  int depth = 0;
  for (size_t i = p; i < s.size(); ++i) {
    if (s[i] == '{') {
      ++depth;
    } else if (s[i] == '}') {
      if (--depth == 0) return i;
    }
  }
  return s.size();
}

// Index of the ")" that closes the "(" at p, or s.size() when unmatched.
// Parentheses inside braces do not count.
size_t MatchParen(std::string_view s, size_t p) {
  int depth = 0;
  for (size_t i = p; i < s.size(); ++i) {
    if (s[i] == '{') {
      i = MatchBrace(s, i);
      if (i >= s.size()) break;
    } else if (s[i] == '(') {
      ++depth;
    } else if (s[i] == ')') {
      if (--depth == 0) return i;
    }
  }
  return s.size();
}

bool StartsAt(std::string_view s, size_t p, std::string_view what) {
  return s.substr(p, what.size()) == what;
}

// A move token ends at a blank, or where a comment or a variation begins.
size_t RawTokenEnd(std::string_view s, size_t p) {
  while (p < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[p]);
    if (IsBlank(c) || c == '{' || c == '(') break;
    ++p;
  }
  return p;
}

// One character of a letter token: its ASCII form (full-width forms U+FF01 to
// U+FF5E become ASCII; 0 when there is none) and its length in bytes.
struct TAsciiChar {
  char C;
  size_t Len;
  bool Separator;  // ideographic space
};

TAsciiChar AsciiAt(std::string_view s, size_t p) {
  const unsigned char b = static_cast<unsigned char>(s[p]);
  if (b < 0x80) return {static_cast<char>(b), 1, false};
  if (p + 2 < s.size()) {
    const unsigned char b1 = static_cast<unsigned char>(s[p + 1]);
    const unsigned char b2 = static_cast<unsigned char>(s[p + 2]);
    if (b == 0xEF &&
        ((b1 == 0xBC && b2 >= 0x81 && b2 <= 0xBF) || (b1 == 0xBD && b2 >= 0x80 && b2 <= 0x9E))) {
      const unsigned cp = 0xF000u | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
      return {static_cast<char>(cp - 0xFEE0u), 3, false};
    }
    if (b == 0xE3 && b1 == 0x80 && b2 == 0x80) return {' ', 3, true};
  }
  return {0, 1, false};
}

// A letter token (WXF or coordinates) in ASCII form. Characters without an
// ASCII form are kept as 0x01 so that they make the token unusable.
struct TLetterToken {
  std::string Text;
  size_t End = 0;  // position after the token
};

TLetterToken ReadLetterToken(std::string_view s, size_t p, bool equalsIsSideways) {
  TLetterToken tok;
  size_t i = p;
  while (i < s.size()) {
    const TAsciiChar ch = AsciiAt(s, i);
    if (ch.Separator) break;
    if (ch.Len == 1 && ch.C != 0 &&
        (IsBlank(static_cast<unsigned char>(ch.C)) || ch.C == '{' || ch.C == '('))
      break;
    char c = ch.C != 0 ? ch.C : '\x01';
    if (equalsIsSideways && c == '=') c = '.';
    tok.Text += c;
    i += ch.Len;
  }
  tok.End = i;
  return tok;
}

bool IsWxfPieceLetter(char c) { return c != 0 && std::strchr("RHNBEAKCPrhnbeakcp", c) != nullptr; }

bool IsWxfTokenStart(char c) {
  return (c >= 'A' && c <= 'Z') || IsWxfPieceLetter(c) || c == '+' || c == '-';
}

// Brings the usual variants of a WXF move into the form "C2.5": the piece
// letter in either case, and the front/rear sign before the piece ("+P+1").
std::string CanonicalWxf(std::string t) {
  if (t.size() != 4) return t;
  if ((t[0] == '+' || t[0] == '-') && IsWxfPieceLetter(t[1])) std::swap(t[0], t[1]);
  if (t[0] >= 'a' && t[0] <= 'z' && IsWxfPieceLetter(t[0])) t[0] = static_cast<char>(t[0] - 32);
  return t;
}

// Square of a coordinate pair such as "H2"; kNoSquare when either character is
// out of range. Lower-case letters count only when allowed.
uint8_t CoordinateSquare(char letter, char digit, bool allowLower) {
  int file = -1;
  if (letter >= 'A' && letter <= 'I') file = letter - 'A';
  if (allowLower && letter >= 'a' && letter <= 'i') file = letter - 'a';
  if (file < 0 || digit < '0' || digit > '9') return kNoSquare;
  return SquareOf(file, 9 - (digit - '0'));
}

void EnsureNode(TChessRec& rec, int node) {
  if (node < static_cast<int>(rec.Moves.size())) return;
  SetMoveCapacity(rec, std::max(node + 1, static_cast<int>(rec.Moves.size()) * 2));
}

// Scans the move text from p in one notation. In lenient mode (the retries of
// a file without a Format tag) coordinates may be lower case and without the
// dash, and a token that is no coordinate pair is passed over silently.
TScan ScanMoveText(TJobState& job, TChessRec& rec, std::string_view s, size_t p, int notation,
                   bool lenient) {
  TScan r;
  TWorkBoard board;
  MakeWorkBoard(rec, board);
  // Chinese tokens tell their side; the first one decides who begins.
  int side = notation == kPgnChinese ? -1 : (rec.RedFirst == 0 ? 1 : 0);
  const size_t n = s.size();
  while (p < n) {
    const unsigned char c = static_cast<unsigned char>(s[p]);
    if (IsBlank(c) || c == '.') {
      ++p;
      continue;
    }
    if (c == '(') {
      const size_t e = MatchParen(s, p);
      r.Comments.push_back({r.Moves, s.substr(p, (e < n ? e + 1 : n) - p)});
      p = e + 1;
      continue;
    }
    if (c == '{') {
      const size_t e = MatchBrace(s, p);
      r.Comments.push_back({r.Moves, s.substr(p + 1, e - p - 1)});
      p = e + 1;
      continue;
    }
    if (c == '*') {
      r.Result = 4;
      return r;
    }
    if (c == '[') return r;
    if (c >= '0' && c <= '9') {
      if (StartsAt(s, p, "0-1")) {
        r.Result = 2;
        return r;
      }
      if (StartsAt(s, p, "1-0")) {
        r.Result = 1;
        return r;
      }
      if (StartsAt(s, p, "1/2-1/2")) {
        r.Result = 3;
        return r;
      }
      while (p < n && s[p] >= '0' && s[p] <= '9') ++p;
      continue;
    }

    if (notation == kPgnChinese) {
      if (c < 0xE0) {
        ++p;
        continue;
      }
      const size_t e = RawTokenEnd(s, p);
      const std::string_view tok = s.substr(p, e - p);
      p = e;
      size_t l1 = 3, l2, l3 = 3;
      if (tok.size() == 8) {
        l2 = 1;
      } else if (tok.size() == 12) {
        l2 = 3;
      } else if (tok.size() == 10 && static_cast<unsigned char>(tok[3]) < 0x80) {
        l2 = 1;
      } else if (tok.size() == 10 && static_cast<unsigned char>(tok[9]) < 0x80) {
        l2 = 3;
      } else {
        continue;
      }
      const TNoteToken t = ParseChineseToken(tok.substr(0, l1), tok.substr(l1, l2),
                                             tok.substr(l1 + l2, l3), tok.substr(l1 + l2 + l3));
      if (!t.Usable()) continue;
      if (side < 0) side = t.Side;
      if (t.Side != side) continue;
      EnsureNode(rec, r.Moves + 1);
      if (!ApplyNotationMove(rec, board, side, t, r.Moves)) return r;
      side ^= 1;
      continue;
    }

    // Letter notations. Whether a token starts here is decided by its first
    // character before the token is read, so that a long run of characters
    // that start nothing is passed over in one pass.
    const TAsciiChar first = AsciiAt(s, p);
    const char firstChar = first.Separator ? ' ' : first.C;
    bool startOk = firstChar >= 'A' && firstChar <= 'Z';
    if (notation == kPgnWxf)
      startOk = IsWxfTokenStart(firstChar);
    else if (lenient)
      startOk = CoordinateSquare(firstChar, '0', true) != kNoSquare;
    if (!startOk) {
      p += first.Len;
      continue;
    }
    const TLetterToken tok = ReadLetterToken(s, p, notation == kPgnWxf);
    p = tok.End;
    if (notation == kPgnWxf) {
      if (tok.Text.size() != 4) continue;
      const TNoteToken t = ParseWxfToken(CanonicalWxf(tok.Text));
      if (!t.Usable()) continue;
      EnsureNode(rec, r.Moves + 1);
      if (!ApplyNotationMove(rec, board, side, t, r.Moves)) return r;
      side ^= 1;
      continue;
    }

    // Coordinates.
    const std::string& t = tok.Text;
    uint8_t from = kNoSquare, dest = kNoSquare;
    if (lenient) {
      if (t.size() == 4) {
        from = CoordinateSquare(t[0], t[1], true);
        dest = CoordinateSquare(t[2], t[3], true);
      } else if (t.size() == 5) {
        from = CoordinateSquare(t[0], t[1], true);
        dest = CoordinateSquare(t[3], t[4], true);
      }
      if (from == kNoSquare || dest == kNoSquare) continue;
    } else {
      if (t.size() != 5) continue;
      from = CoordinateSquare(t[0], t[1], false);
      if (from == kNoSquare) {
        job.LogRecord(rec, FormatNumber("第 %d 步棋的開始位置錯誤。", r.Moves + 1), kLogError);
        return r;
      }
      dest = CoordinateSquare(t[3], t[4], false);
      if (dest == kNoSquare) {
        job.LogRecord(rec, FormatNumber("第 %d 步棋的到達位置錯誤。", r.Moves + 1), kLogError);
        return r;
      }
    }
    ++r.Moves;
    EnsureNode(rec, r.Moves);
    TMoveNode& node = rec.Moves[r.Moves];
    node.From = from;
    node.Dest = dest;
    node.NoteHead = 0xFF;
    node.NoteTail = 0xFF;
  }
  return r;
}

// Blank-separated tokens of the move text up to the next game's tags, the
// first guess for the number of moves (the move array grows when a game holds
// more). Stopping at the next game keeps a large multi-game file from costing
// memory for games that are never read.
size_t CountTokens(std::string_view s, size_t p) {
  size_t count = 0;
  bool inToken = false;
  for (; p < s.size(); ++p) {
    const bool blank = IsBlank(static_cast<unsigned char>(s[p]));
    if (!blank && !inToken) {
      if (s[p] == '[') break;
      ++count;
    }
    inToken = !blank;
  }
  return count;
}

// ---------------------------------------------------------------- writing

// The comment of a node as written: with PGNBrace, braces inside it become
// full-width braces of the destination code page.
std::string WrittenComment(const TJobState& job, const TChessRec& rec, int node) {
  std::string c = GetMoveText(rec, node);
  if (job.PGNBrace && !c.empty()) {
    const int cp = static_cast<int>(job.DstCodePage);
    ReplaceAllDbcs(cp, c, "{", true, CodePageText(kCtOpenBrace, job.DstCodePageIndex));
    ReplaceAllDbcs(cp, c, "}", true, CodePageText(kCtCloseBrace, job.DstCodePageIndex));
  }
  return c;
}

int SanePliesPerLine(int v) {
  v = std::clamp(v, 2, 10);
  return v & ~1;
}

class TMoveTextWriter {
 public:
  TMoveTextWriter(const TJobState& job, const TChessRec& rec, std::string& out, int last)
      : job_(job), rec_(rec), out_(out), last_(last) {}

  void Write(bool includeChange) {
    const int notation = std::clamp(job_.PGNFormat, 0, 2);
    fill_ = notation == kPgnChinese ? 10 : notation == kPgnWxf ? 6 : 7;
    perLine_ = SanePliesPerLine(job_.PgnPliesPerLine);
    BuildNavigation(includeChange);
    width_ = DigitCount(MaxPly(includeChange));
    Walk();
  }

 private:
  struct TStep {
    int Node;
    int Column;
    bool LineStart;
    bool OpenAlternative;  // else: continue after Node
  };

  void BuildNavigation(bool includeChange) {
    alt_.assign(last_ + 1, 0);
    replaced_.assign(last_ + 1, 0);
    written_.assign(last_ + 1, 0);
    if (!includeChange) return;
    // Alternatives of one move hang one after another: the replaced move links
    // to the first, each alternative to the next. tail[o] is the chain's end.
    std::vector<int32_t> tail(last_ + 1, 0);
    for (int i = 1; i <= rec_.LastLine && i < static_cast<int>(rec_.Lines.size()); ++i) {
      const int v = rec_.Lines[i].First;
      if (v < 2 || v > last_) continue;
      const int parent = rec_.Moves[v].Parent;
      if (parent < 0 || parent >= v - 1) continue;
      const int o = parent + 1;
      if (alt_[o] == 0) {
        alt_[o] = v;
        replaced_[o] = 1;
        tail[o] = v;
      } else if (tail[o] < v && alt_[tail[o]] == 0) {
        alt_[tail[o]] = v;
        replaced_[tail[o]] = 0;
        tail[o] = v;
      }
    }
  }

  int MaxPly(bool includeChange) const {
    if (!includeChange) return std::max(last_, 1);
    int maxPly = 1;
    for (int i = 0; i <= rec_.LastLine && i < static_cast<int>(rec_.Lines.size()); ++i) {
      const int l = rec_.Lines[i].Last;
      if (l >= 1 && l <= last_) maxPly = std::max(maxPly, rec_.Moves[l].Ply);
    }
    return maxPly;
  }

  int Continuation(int node) const {
    return (rec_.Moves[node].Flags & kFlagContinues) && node < last_ ? node + 1 : 0;
  }
  bool IsMainLine(int node) const { return rec_.Moves[node].Ply == node; }

  void AppendMove(const TMoveNode& m) {
    const int notation = std::clamp(job_.PGNFormat, 0, 2);
    if (notation == kPgnWxf)
      out_ += RenderWxf(m.NoteHead, m.NoteTail);
    else if (notation == kPgnIccs)
      out_ += RenderIccs(m.From, m.Dest);
    else
      out_ += RenderChinese(m.NoteHead, m.NoteTail, m.Flags & kFlagBlack, job_.TextVariant);
  }

  // The move number right-aligned to width_, then ". " (printf's "%*d. ").
  void AppendNumber(int n) {
    char digits[16];
    const char* end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    const int length = static_cast<int>(end - digits);
    if (width_ > length) out_.append(static_cast<size_t>(width_ - length), ' ');
    out_.append(digits, static_cast<size_t>(end - digits));
    out_ += ". ";
  }

  // Writes one node; returns its next column and line-start flag.
  std::pair<int, bool> WriteNode(int node, int column, bool lineStart) {
    const TMoveNode& m = rec_.Moves[node];
    int next = column + 1;
    if (next == perLine_) next = 0;
    if (next & 1) {
      AppendNumber((m.Ply + 1) / 2);
    } else if (lineStart) {
      AppendNumber(m.Ply / 2);
      out_.append(fill_, ' ');
    }
    AppendMove(m);
    lineStart = false;
    const std::string comment = WrittenComment(job_, rec_, node);
    if (!comment.empty()) {
      out_ += "\r\n{";
      out_ += comment;
      out_ += "}\r\n";
      next &= 1;
      lineStart = true;
    } else if (next == 0 || (Continuation(node) == 0 && !IsMainLine(node)) || replaced_[node]) {
      out_ += "\r\n";
      next &= 1;
      lineStart = true;
    } else {
      out_ += (next & 1) ? "  " : "    ";
    }
    return {next, lineStart};
  }

  // Writes the continuation of node, or closes its variation; returns the
  // node to write next (0 for none).
  int Continue(int node) {
    const int c = Continuation(node);
    if (c != 0 && !written_[c]) return c;
    if (c == 0 && !IsMainLine(node)) out_ += ")\r\n";
    return 0;
  }

  void Walk() {
    std::vector<TStep> pending;
    int node = 1, column = 0;
    bool lineStart = true;
    for (;;) {
      if (node != 0 && !written_[node]) {
        written_[node] = 1;
        const auto [next, ls] = WriteNode(node, column, lineStart);
        const int alt = alt_[node];
        if (alt == 0 || written_[alt]) {
          const int c = Continue(node);
          column = next;
          lineStart = ls;
          node = c;
        } else if (replaced_[node]) {
          pending.push_back({node, next, ls, false});
          out_ += "(\r\n";
          column = column & 1;
          lineStart = true;
          node = alt;
        } else {
          pending.push_back({node, column, ls, true});
          const int c = Continue(node);
          column = next;
          lineStart = ls;
          node = c;
        }
        continue;
      }
      if (pending.empty()) break;
      const TStep step = pending.back();
      pending.pop_back();
      if (step.OpenAlternative) {
        out_ += "(\r\n";
        node = alt_[step.Node];
        column = step.Column & 1;
        lineStart = true;
      } else {
        node = Continue(step.Node);
        column = step.Column;
        lineStart = step.LineStart;
      }
    }
  }

  const TJobState& job_;
  const TChessRec& rec_;
  std::string& out_;
  int last_;
  int fill_ = 10;
  int perLine_ = 2;
  int width_ = 1;
  std::vector<int32_t> alt_;
  std::vector<uint8_t> replaced_;
  std::vector<uint8_t> written_;
};

}  // namespace

// ---------------------------------------------------------------- reader

bool ReadPgnText(TJobState& job, TChessRec& rec, std::string_view s) {
  if (s.empty()) return false;
  size_t p = 0;
  while (p < s.size() && IsBlank(static_cast<unsigned char>(s[p]))) ++p;
  const bool hasTags = p < s.size() && s[p] == '[';
  p = ReadTagSection(rec, s, p);

  ReadFenTag(rec, rec.Texts[kSlotFen]);
  for (int i = 0; i < 4; ++i)
    if (rec.Texts[kSlotResult] == PgnResultTexts[i]) rec.GameResult = i + 1;

  const int notation = NotationOf(rec.Texts[kSlotFormat]);
  SetMoveCapacity(rec, static_cast<int>(std::min<size_t>(CountTokens(s, p) + 1, 1u << 30)));
  TScan scan = ScanMoveText(job, rec, s, p, notation, false);
  if (scan.Moves == 0 && rec.Texts[kSlotFormat].empty()) {
    // No Format tag and no Chinese move: try WXF, then coordinates.
    TScan wxf = ScanMoveText(job, rec, s, p, kPgnWxf, false);
    if (wxf.Moves > 0) {
      scan = std::move(wxf);
    } else {
      TScan iccs = ScanMoveText(job, rec, s, p, kPgnIccs, true);
      if (iccs.Moves > 0) scan = std::move(iccs);
    }
  }
  if (scan.Result != 0) rec.GameResult = scan.Result;

  for (const TComment& c : scan.Comments) {
    std::string& text = rec.Texts[TextSlotOf(rec, c.Node)];
    if (!text.empty()) text += "\r\n";
    text.append(c.Text);
  }

  if (!hasTags && scan.Moves == 0) {
    job.LogRecord(rec, "源棋譜不是便攜式棋譜或者源棋譜代碼頁不正確。", kLogError);
    return false;
  }
  BuildLinearTree(rec, scan.Moves);

  if (job.DstCodePage != kCpUtf8 || job.MapFlags != 0) {
    const int top = std::min<int>(rec.TextTop, static_cast<int>(rec.Texts.size()) - 1);
    for (int slot = kSlotFrom; slot <= top; ++slot)
      if (!rec.Texts[slot].empty())
        ConvertCodePage(rec.Texts[slot], kCpUtf8, job.MapFlags, static_cast<int>(job.DstCodePage));
  }
  return true;
}

bool RecognisePgn(std::string_view s) {
  if (s.starts_with("\xEF\xBB\xBF")) s.remove_prefix(3);
  size_t p = 0;
  while (p < s.size() && IsBlank(static_cast<unsigned char>(s[p]))) ++p;
  if (p >= s.size() || s[p] != '[') return false;
  size_t q = ++p;
  while (q < s.size() && (std::isalnum(static_cast<unsigned char>(s[q])) || s[q] == '_')) ++q;
  if (q == p) return false;
  while (q < s.size() && (s[q] == ' ' || s[q] == '\t')) ++q;
  return q < s.size() && s[q] == '"';
}

std::vector<std::string_view> SplitPgnGames(std::string_view s) {
  std::vector<std::string_view> games;
  size_t gameStart = 0;
  bool seenMoves = false;
  bool inBrace = false;
  size_t p = 0;
  while (p < s.size()) {
    size_t lineEnd = s.find('\n', p);
    if (lineEnd == std::string_view::npos) lineEnd = s.size();
    size_t q = p;
    while (q < lineEnd && IsBlank(static_cast<unsigned char>(s[q]))) ++q;
    if (!inBrace && q < lineEnd && s[q] == '[') {
      // A tag line after move text opens the next game.
      if (seenMoves) {
        games.push_back(s.substr(gameStart, p - gameStart));
        gameStart = p;
        seenMoves = false;
      }
    } else {
      for (; q < lineEnd; ++q) {
        const char c = s[q];
        if (inBrace) {
          inBrace = c != '}';
        } else if (c == ';') {
          break;
        } else if (!IsBlank(static_cast<unsigned char>(c))) {
          seenMoves = true;
          inBrace = c == '{';
        }
      }
    }
    p = lineEnd + 1;
  }
  games.push_back(s.substr(gameStart));
  return games;
}

// ---------------------------------------------------------------- writer

size_t RenderPgn(const TJobState& job, TChessRec& rec, std::string& out) {
  const int notation = std::clamp(job.PGNFormat, 0, 2);
  rec.Texts[kSlotFormat] = kNotationNames[notation];
  if (rec.Texts[kSlotEvent].empty()) rec.Texts[kSlotEvent] = rec.Texts[kSlotTitle];

  const int moveCount = std::clamp<int>(rec.MoveCount, 0, static_cast<int>(rec.Moves.size()) - 1);
  const int mainLast = std::clamp(rec.Lines.empty() ? 0 : rec.Lines[0].Last, 0, moveCount);
  const int last = job.IncludeChange ? moveCount : mainLast;

  const size_t perMove = notation == kPgnWxf          ? 12
                         : notation == kPgnIccs       ? 13
                         : job.DstCodePage == kCpUtf8 ? 20
                                                      : 16;
  size_t estimate = static_cast<size_t>(last) * perMove;
  for (int node = 0; node <= last; ++node) {
    if (rec.Moves[node].TextIndex == 0) continue;
    const std::string c = WrittenComment(job, rec, node);
    if (!c.empty()) estimate += c.size() + 4;
  }
  estimate = std::max<size_t>(estimate, 8192);

  out.clear();
  out.reserve(estimate);
  if (job.DstCodePage == kCpUtf8) out += "\xEF\xBB\xBF";
  out += "[Game \"Chinese Chess\"]\r\n";
  for (const TPgnTag& tag : PgnTags) {
    std::string value = rec.Texts[tag.Slot];
    if (value.empty()) continue;
    CurlyQuotes(value, job.DstCodePageIndex);
    out += '[';
    out += tag.Name;
    out += " \"";
    out += value;
    out += "\"]\r\n";
  }
  const std::string start = WrittenComment(job, rec, 0);
  if (!start.empty()) {
    out += '{';
    out += start;
    out += "}\r\n";
  }
  if (last >= 1) TMoveTextWriter(job, rec, out, last).Write(job.IncludeChange);
  out += rec.Texts[kSlotResult];
  out += "\r\n";
  return estimate;
}
