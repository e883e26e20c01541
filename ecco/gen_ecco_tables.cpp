// Build-time generator of the opening classifier's tables. Reads the
// classification table (code, names, group rule, base position, rule) and
// writes a C file with the rules as matcher items and the names in GBK
// (simplified) and Big5 (traditional).
//
// Usage: gen_ecco_tables <table.tsv> <out.c>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/encoding.h"
#include "core/jobstate.h"
#include "ecco/ecco_data.h"

namespace {

// ---- UTF-8 ----

std::u32string Decode(const std::string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = s[i];
    char32_t cp;
    int extra;
    if (c < 0x80) {
      cp = c;
      extra = 0;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      extra = 1;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      extra = 2;
    } else {
      cp = c & 0x07;
      extra = 3;
    }
    ++i;
    for (int k = 0; k < extra && i < s.size(); ++k, ++i) cp = (cp << 6) | (s[i] & 0x3F);
    out += cp;
  }
  return out;
}

std::string Encode(const std::u32string& s) {
  std::string out;
  for (char32_t c : s) {
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

[[noreturn]] void Fail(const std::string& code, const std::string& what) {
  throw std::runtime_error(code + ": " + what);
}

// ---- Moves in Chinese notation ----

const std::u32string kRedNumerals = U"一二三四五六七八九";
const std::u32string kBlackNumerals = U"１２３４５６７８９";

int PieceOf(char32_t c) {
  switch (c) {
    case U'车':
      return kPieceRook;
    case U'马':
      return kPieceHorse;
    case U'相':
    case U'象':
      return kPieceElephant;
    case U'仕':
    case U'士':
      return kPieceAdvisor;
    case U'帅':
    case U'将':
      return kPieceKing;
    case U'炮':
      return kPieceCannon;
    case U'兵':
    case U'卒':
      return kPiecePawn;
    default:
      return -1;
  }
}

int DirectionOf(char32_t c) {
  return c == U'进' ? kDirForward : c == U'退' ? kDirBackward : c == U'平' ? kDirSideways : -1;
}

// Numeral 1..9 and its side (0 red: 一..九, 1 black: １..９), or 0.
int NumeralOf(char32_t c, int& side) {
  size_t p = kRedNumerals.find(c);
  if (p != std::u32string::npos) {
    side = 0;
    return int(p) + 1;
  }
  p = kBlackNumerals.find(c);
  if (p != std::u32string::npos) {
    side = 1;
    return int(p) + 1;
  }
  return 0;
}

// Reads a move of four characters at s[i]; the side comes from the numerals.
bool ReadMove(const std::u32string& s, size_t i, uint16_t& move, int& side) {
  if (i + 4 > s.size()) return false;
  int piece = PieceOf(s[i]);
  int sideFile = 0, sideNumber = 0;
  int file = NumeralOf(s[i + 1], sideFile);
  int dir = DirectionOf(s[i + 2]);
  int number = NumeralOf(s[i + 3], sideNumber);
  if (piece < 0 || !file || dir < 0 || !number || sideFile != sideNumber) return false;
  side = sideFile;
  move = ECCO_MOVE(side, piece, file, dir, number);
  return true;
}

// Every move written in a piece of text, with its side.
std::vector<std::pair<int, uint16_t>> MovesIn(const std::u32string& s) {
  std::vector<std::pair<int, uint16_t>> out;
  for (size_t i = 0; i < s.size(); ++i) {
    uint16_t move;
    int side;
    if (ReadMove(s, i, move, side)) {
      out.push_back({side, move});
      i += 3;
    }
  }
  return out;
}

// ---- Rules ----

struct TElem {
  int Kind = kItemFixed;
  int Side = 0;
  int Ply = 0;
  std::vector<uint16_t> Moves;
  int Label = 0;  // numbered n: n; lettered: 100 + letter; for restarting branches
  bool Paren = false;
  bool Counted = true;  // counts towards the rule's specificity
};

using TBranch = std::vector<TElem>;

struct TRule {
  std::vector<TBranch> Branches;
  std::vector<std::string> Excluded;  // code ranges "B06~C99" expanded later
};

enum TTokKind { kTokLabel, kTokMove, kTokAny, kTokComma, kTokSlash, kTokParen };

struct TToken {
  TTokKind Kind;
  int Label = 0;  // numbered n, or 100 + letter
  uint16_t Move = 0;
  int Side = 0;
  std::u32string Text = {};  // parenthesis content
};

bool IsSpace(char32_t c) { return c == U' ' || c == U'\u3000' || c == U'\t'; }

std::vector<TToken> Tokenize(const std::string& code, const std::u32string& s) {
  std::vector<TToken> out;
  size_t i = 0;
  while (i < s.size()) {
    char32_t c = s[i];
    if (IsSpace(c)) {
      ++i;
      continue;
    }
    if (c >= U'0' && c <= U'9') {
      size_t j = i;
      int n = 0;
      while (j < s.size() && s[j] >= U'0' && s[j] <= U'9') n = n * 10 + int(s[j++] - U'0');
      if (j < s.size() && s[j] == U'.') {
        out.push_back({kTokLabel, n});
        i = j + 1;
        continue;
      }
      Fail(code, "number without a point");
    }
    if (c >= U'i' && c <= U'n' && i + 1 < s.size() && s[i + 1] == U'.') {
      out.push_back({kTokLabel, 100 + int(c - U'a')});
      i += 2;
      continue;
    }
    if (c == U'…') {
      while (i < s.size() && s[i] == U'…') ++i;
      out.push_back({kTokAny});
      continue;
    }
    if (c == U'，' || c == U',') {
      out.push_back({kTokComma});
      ++i;
      continue;
    }
    if (c == U'／' || c == U'/') {
      out.push_back({kTokSlash});
      ++i;
      continue;
    }
    if (c == U'(' || c == U'（') {
      size_t j = i + 1;
      while (j < s.size() && s[j] != U')' && s[j] != U'）') ++j;
      TToken t{kTokParen};
      t.Text = s.substr(i + 1, j - i - 1);
      out.push_back(t);
      i = j + 1;
      continue;
    }
    uint16_t move;
    int side;
    if (ReadMove(s, i, move, side)) {
      TToken t{kTokMove};
      t.Move = move;
      t.Side = side;
      out.push_back(t);
      i += 4;
      continue;
    }
    Fail(code, "unreadable text at \"" + Encode(s.substr(i, 8)) + "\"");
  }
  return out;
}

// The rule text starts at its first move number or letter: drops headings such
// as "从C20局面开始：" or "其中：...".
std::u32string FromFirstLabel(const std::u32string& s) {
  for (size_t i = 0; i + 1 < s.size(); ++i) {
    bool digit = s[i] >= U'0' && s[i] <= U'9';
    bool letter = s[i] >= U'i' && s[i] <= U'n';
    if (!digit && !letter) continue;
    size_t j = i;
    if (digit)
      while (j < s.size() && s[j] >= U'0' && s[j] <= U'9') ++j;
    else
      ++j;
    if (j < s.size() && s[j] == U'.' && (i == 0 || !(s[i - 1] >= U'A' && s[i - 1] <= U'E')))
      return s.substr(i);
  }
  return s;
}

bool Contains(const std::u32string& s, const std::u32string& what) {
  return s.find(what) != std::u32string::npos;
}

// Code names of a list such as "B06~C99，D30~D59" or "D53和D55".
void ReadCodeList(const std::u32string& s, std::vector<std::string>& out) {
  std::string ascii;
  for (char32_t c : s) {
    if ((c >= U'A' && c <= U'E') || (c >= U'0' && c <= U'9') || c == U'~')
      ascii += char(c);
    else
      ascii += ' ';
  }
  std::istringstream in(ascii);
  std::string word;
  while (in >> word) out.push_back(word);
}

bool IsCodeList(const std::u32string& s) {
  bool any = false;
  for (char32_t c : s) {
    if (c >= U'A' && c <= U'E') any = true;
    if (PieceOf(c) >= 0) return false;
  }
  return any && !Contains(s, U"可") && !Contains(s, U"先后");
}

class TRuleParser {
 public:
  TRuleParser(std::string code, TRule& rule) : Code(std::move(code)), Rule(rule) {}

  void Parse(const std::u32string& text) {
    std::vector<TToken> toks = Tokenize(Code, FromFirstLabel(text));
    for (size_t i = 0; i < toks.size(); ++i) {
      const TToken& t = toks[i];
      switch (t.Kind) {
        case kTokLabel:
          StartLabel(t.Label);
          break;
        case kTokMove:
        case kTokAny: {
          std::vector<uint16_t> alts;
          if (t.Kind == kTokMove) alts.push_back(t.Move);
          while (i + 2 < toks.size() && toks[i + 1].Kind == kTokSlash &&
                 toks[i + 2].Kind == kTokMove) {
            alts.push_back(toks[i + 2].Move);
            i += 2;
          }
          AddMove(alts);
          break;
        }
        case kTokComma:
          Half = 1;
          break;
        case kTokSlash:
          if (i + 1 < toks.size() && toks[i + 1].Kind == kTokLabel) {
            SlashPending = true;
            break;
          }
          Fail(Code, "'／' before neither a move nor a move number");
        case kTokParen:
          Paren(t.Text);
          break;
      }
    }
    Finish();
  }

 private:
  std::string Code;
  TRule& Rule;
  TBranch Cur;
  int Label = 0;
  int Half = 0;
  bool SlashPending = false;
  size_t SinceParen = 0;  // index in Cur after the last parenthesis

  void StartLabel(int label) {
    bool backwards = Label != 0 && label < 100 && Label < 100 && label < Label;
    if (SlashPending || backwards) {
      // A new branch: it shares the moves before its first move number or letter.
      Rule.Branches.push_back(Cur);
      TBranch prefix;
      for (const TElem& e : Cur) {
        bool before = label < 100 ? e.Label < label : (e.Label < 100 || e.Label < label);
        if (before) prefix.push_back(e);
      }
      Cur = prefix;
      SinceParen = Cur.size();
      SlashPending = false;
    }
    Label = label;
    Half = 0;
  }

  void AddMove(const std::vector<uint16_t>& alts) {
    if (Label == 0) Fail(Code, "move before any move number");
    int side = Half;
    Half = 1;
    if (alts.empty()) return;  // "……": any move
    TElem e;
    e.Side = side;
    e.Moves = alts;
    e.Label = Label;
    if (Label < 100) {
      e.Kind = kItemFixed;
      e.Ply = 2 * (Label - 1) + side;
    } else {
      e.Kind = kItemStep;
    }
    for (uint16_t m : alts)
      if ((m >> 15) != side) Fail(Code, "move of the wrong side at " + std::to_string(Label));
    Cur.push_back(e);
  }

  void AnyOrder() {
    bool steps = false;
    for (size_t i = SinceParen; i < Cur.size(); ++i) steps |= Cur[i].Kind == kItemStep;
    if (steps) {
      bool seen[2] = {false, false};
      for (size_t i = SinceParen; i < Cur.size(); ++i) {
        TElem& e = Cur[i];
        if (e.Kind != kItemStep && e.Kind != kItemJoin) continue;
        if (seen[e.Side]) e.Kind = kItemJoin;
        seen[e.Side] = true;
      }
      return;
    }
    // After numbered moves: the moves so far make a position, reached in any order.
    TBranch kept;
    TElem sets[2];
    for (int s = 0; s < 2; ++s) {
      sets[s].Kind = kItemSet;
      sets[s].Side = s;
      sets[s].Label = Label;
    }
    for (const TElem& e : Cur) {
      if (e.Kind != kItemFixed) {
        kept.push_back(e);
        continue;
      }
      if (e.Moves.size() != 1 || e.Ply / 2 != int(sets[e.Side].Moves.size()))
        Fail(Code, "any-order moves that are not the first moves of a side");
      sets[e.Side].Moves.push_back(e.Moves[0]);
      // Red's first move stays where it is: it names the opening.
      if (e.Ply == 0) {
        kept.push_back(e);
        kept.back().Counted = false;
      }
    }
    for (int s = 0; s < 2; ++s)
      if (!sets[s].Moves.empty()) kept.push_back(sets[s]);
    Cur = kept;
  }

  void Paren(const std::u32string& text) {
    std::vector<std::u32string> clauses;
    std::u32string part;
    for (char32_t c : text) {
      if (c == U'，' || c == U',') {
        clauses.push_back(part);
        part.clear();
      } else {
        part += c;
      }
    }
    clauses.push_back(part);
    bool inExclusion = false;
    for (const std::u32string& c : clauses) {
      if (Contains(c, U"不包括")) {
        ReadCodeList(c.substr(c.find(U"不包括") + 3), Rule.Excluded);
        inExclusion = true;
        continue;
      }
      if (inExclusion && IsCodeList(c)) {
        ReadCodeList(c, Rule.Excluded);
        continue;
      }
      inExclusion = false;
      if (Contains(c, U"不分先后") || Contains(c, U"不论先后")) {
        AnyOrder();
        continue;
      }
      int kind;
      if (Contains(c, U"走过除"))
        kind = kItemOnlyNot;
      else if (Contains(c, U"可走") || Contains(c, U"可以走"))
        kind = kItemOnly;
      else
        Fail(Code, "unknown clause \"" + Encode(c) + "\"");
      TElem only[2];
      for (auto [side, move] : MovesIn(c)) only[side].Moves.push_back(move);
      for (int s = 0; s < 2; ++s) {
        if (only[s].Moves.empty()) continue;
        only[s].Kind = kind;
        only[s].Side = s;
        only[s].Label = Label;
        only[s].Paren = true;
        Cur.push_back(only[s]);
      }
    }
    SinceParen = Cur.size();
  }

  void Finish() {
    Rule.Branches.push_back(Cur);
    // A closing parenthesis of the last branch also closes the earlier
    // branches that end without one of their own.
    TBranch& last = Rule.Branches.back();
    size_t tail = last.size();
    while (tail > 0 && last[tail - 1].Paren) --tail;
    if (tail == last.size()) return;
    for (size_t b = 0; b + 1 < Rule.Branches.size(); ++b) {
      TBranch& br = Rule.Branches[b];
      if (!br.empty() && br.back().Paren) continue;
      br.insert(br.end(), last.begin() + tail, last.end());
    }
  }
};

TRule ParseRule(const std::string& code, const std::string& text) {
  TRule rule;
  if (text.empty()) {
    rule.Branches.push_back({});
    return rule;
  }
  TRuleParser(code, rule).Parse(Decode(text));
  return rule;
}

// A named base position: its first moves, then for each side the moves that
// reach it in any order.
TRule ParseBase(const std::string& code, const std::string& text) {
  TRule rule;
  if (text.empty()) {
    rule.Branches.push_back({});
    return rule;
  }
  std::u32string s = Decode(text);
  size_t red = s.find(U"红方：");
  size_t black = s.find(U"黑方：");
  if (red == std::u32string::npos || black == std::u32string::npos || black < red)
    Fail(code, "base position without its two sides");
  TRuleParser(code, rule).Parse(s.substr(0, red));
  TElem sets[2];
  for (int side = 0; side < 2; ++side) {
    std::u32string list = side == 0 ? s.substr(red, black - red) : s.substr(black);
    sets[side].Kind = kItemSet;
    sets[side].Side = side;
    for (auto [moveSide, move] : MovesIn(list)) {
      if (moveSide != side) Fail(code, "base position move of the wrong side");
      sets[side].Moves.push_back(move);
    }
  }
  for (TBranch& b : rule.Branches) b.insert(b.end(), sets, sets + 2);
  return rule;
}

// ---- Tables ----

struct TCodeRow {
  std::string Code, Opening, Variation, Group, Base, Rule;
};

int CodeSlot(const std::string& code) {
  if (code.size() != 3 || code[0] < 'A' || code[0] > 'E') return -1;
  return (code[0] - 'A') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
}

std::string CString(const std::string& bytes) {
  std::string out = "\"";
  for (unsigned char c : bytes) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\x%02X", c);
    out += buf;
  }
  return out + "\"";
}

void Generate(const std::vector<TCodeRow>& rows, std::ostream& out) {
  std::map<std::string, int> index;
  for (size_t i = 0; i < rows.size(); ++i) index[rows[i].Code] = int(i);

  struct TOutBranch {
    TBranch Items;
    int Code;
    int Floor[2];
    int RuleMoves, FixedMoves;
    uint16_t First;
  };
  std::vector<TOutBranch> branches;
  std::vector<std::vector<int>> excluded(rows.size());

  for (size_t c = 0; c < rows.size(); ++c) {
    const TCodeRow& row = rows[c];
    if (row.Code == "A00") continue;  // takes what no other code takes
    TRule base = ParseBase(row.Code, row.Base);
    TRule group = ParseRule(row.Code, row.Group);
    TRule own = ParseRule(row.Code, row.Rule);
    for (const std::string& range : own.Excluded) {
      size_t tilde = range.find('~');
      std::string from = range.substr(0, tilde),
                  to = tilde == std::string::npos ? from : range.substr(tilde + 1);
      int a = CodeSlot(from), b = CodeSlot(to);
      if (a < 0 || b < a) Fail(row.Code, "bad excluded codes " + range);
      for (const TCodeRow& other : rows) {
        int slot = CodeSlot(other.Code);
        if (slot >= a && slot <= b && other.Code != row.Code)
          excluded[c].push_back(index[other.Code]);
      }
    }
    for (const TBranch& bb : base.Branches)
      for (const TBranch& gb : group.Branches)
        for (const TBranch& ob : own.Branches) {
          TOutBranch out{};
          out.Code = int(c);
          out.Items = bb;
          out.Items.insert(out.Items.end(), gb.begin(), gb.end());
          TElem chain;
          chain.Kind = kItemChain;
          if (!gb.empty()) out.Items.push_back(chain);
          out.Items.insert(out.Items.end(), ob.begin(), ob.end());
          // Numbered moves and positions first: they fail fast.
          std::stable_partition(out.Items.begin(), out.Items.end(),
                                [](const TElem& e) { return e.Kind == kItemFixed; });
          std::set<uint16_t> ruleMoves[2];
          for (const TElem& e : out.Items) {
            if (e.Kind == kItemFixed) {
              out.Floor[e.Side] = std::max(out.Floor[e.Side], e.Ply / 2 + 1);
              out.RuleMoves += e.Counted;
              out.FixedMoves += e.Counted;
            } else if (e.Kind == kItemSet) {
              out.Floor[e.Side] = std::max(out.Floor[e.Side], int(e.Moves.size()));
              out.RuleMoves += int(e.Moves.size());
              out.FixedMoves += int(e.Moves.size());
            } else if (e.Kind == kItemStep || e.Kind == kItemJoin) {
              ++out.RuleMoves;
            }
            if (e.Kind == kItemFixed || e.Kind == kItemSet || e.Kind == kItemStep ||
                e.Kind == kItemJoin)
              for (uint16_t m : e.Moves) ruleMoves[e.Side].insert(m);
          }
          // Moves the rule itself names are always allowed before its steps.
          for (TElem& e : out.Items)
            if (e.Kind == kItemOnly || e.Kind == kItemOnlyNot)
              for (uint16_t m : ruleMoves[e.Side])
                if (std::find(e.Moves.begin(), e.Moves.end(), m) == e.Moves.end())
                  e.Moves.push_back(m);
          if (out.Items.empty() || out.Items[0].Kind != kItemFixed || out.Items[0].Ply != 0 ||
              out.Items[0].Moves.size() != 1) {
            // A position reached in any order fixes red's first move by its own numbered move.
            bool found = false;
            for (size_t i = 0; i < out.Items.size(); ++i)
              if (out.Items[i].Kind == kItemFixed && out.Items[i].Ply == 0 &&
                  out.Items[i].Moves.size() == 1) {
                std::rotate(out.Items.begin(), out.Items.begin() + i, out.Items.begin() + i + 1);
                found = true;
                break;
              }
            if (!found) Fail(row.Code, "no single red first move");
          }
          branches.push_back(out);
        }
  }
  std::stable_sort(branches.begin(), branches.end(), [](const TOutBranch& a, const TOutBranch& b) {
    return a.Items[0].Moves[0] < b.Items[0].Moves[0];
  });

  // Moves pool and items.
  std::vector<uint16_t> pool;
  std::ostringstream items, brs, buckets;
  int itemCount = 0, bucketCount = 0;
  for (size_t b = 0; b < branches.size(); ++b) {
    TOutBranch& br = branches[b];
    brs << "  {" << itemCount << ", " << br.Items.size() << ", {" << br.Floor[0] << ", "
        << br.Floor[1] << "}, " << br.RuleMoves << ", " << br.FixedMoves << ", " << br.Code
        << "}, /* " << rows[br.Code].Code << " */\n";
    for (const TElem& e : br.Items) {
      items << "  {" << e.Kind << ", " << e.Side << ", " << e.Ply << ", " << e.Moves.size() << ", "
            << pool.size() << "},\n";
      pool.insert(pool.end(), e.Moves.begin(), e.Moves.end());
      ++itemCount;
    }
    if (b == 0 || br.Items[0].Moves[0] != branches[b - 1].Items[0].Moves[0]) {
      size_t end = b;
      while (end < branches.size() && branches[end].Items[0].Moves[0] == br.Items[0].Moves[0])
        ++end;
      buckets << "  {" << br.Items[0].Moves[0] << ", " << b << ", " << end - b << "},\n";
      ++bucketCount;
    }
  }

  // Names: GBK simplified and Big5 traditional.
  std::string names;
  std::ostringstream codes;
  std::vector<int> exclPool;
  auto addName = [&names](std::string text, int dst, int flag) {
    if (!text.empty()) ConvertCodePage(text, kCpUtf8, flag, dst);
    size_t at = names.size();
    names += text;
    names += '\0';
    return at;
  };
  if (rows.empty() || rows[0].Code != "A00")
    throw std::runtime_error("the table must start with A00");
  for (size_t c = 0; c < rows.size(); ++c) {
    if (CodeSlot(rows[c].Code) < 0) Fail(rows[c].Code, "not a code");
    size_t n0 = addName(rows[c].Opening, kCpGbk, 0);
    size_t n1 = addName(rows[c].Variation, kCpGbk, 0);
    size_t n2 = addName(rows[c].Opening, kCpBig5, kMapToTraditional);
    size_t n3 = addName(rows[c].Variation, kCpBig5, kMapToTraditional);
    codes << "  {\"" << rows[c].Code << "\", " << exclPool.size() << ", " << excluded[c].size()
          << ", {" << n0 << ", " << n1 << ", " << n2 << ", " << n3 << "}},\n";
    exclPool.insert(exclPool.end(), excluded[c].begin(), excluded[c].end());
  }

  out << "/* Generated by gen_ecco_tables from ecco2004.tsv: do not edit. */\n"
      << "#include \"ecco/ecco_data.h\"\n\n";
  out << "static const uint16_t kEccoMoves[] = {";
  for (size_t i = 0; i < pool.size(); ++i) out << (i % 12 ? " " : "\n  ") << pool[i] << ",";
  out << "\n};\n\nstatic const TEccoItem kEccoItems[] = {\n" << items.str() << "};\n\n";
  out << "static const TEccoBranch kEccoBranches[] = {\n" << brs.str() << "};\n\n";
  out << "#define ECCO_BUCKET_COUNT " << bucketCount << "\n";
  out << "static const TEccoBucket kEccoBuckets[] = {\n" << buckets.str() << "};\n\n";
  out << "#define ECCO_CODE_COUNT " << rows.size() << "\n";
  out << "static const TEccoCode kEccoCodes[] = {\n" << codes.str() << "};\n\n";
  out << "static const uint16_t kEccoExcluded[] = {";
  for (size_t i = 0; i < exclPool.size(); ++i) out << (i % 16 ? " " : "\n  ") << exclPool[i] << ",";
  out << "\n  0};\n\n";
  std::vector<int> slots(500, -1);
  for (size_t c = 0; c < rows.size(); ++c) slots[CodeSlot(rows[c].Code)] = int(c);
  out << "/* Code slot (letter * 100 + number) to index into kEccoCodes, or -1. */\n";
  out << "static const int16_t kEccoSlots[500] = {";
  for (size_t i = 0; i < slots.size(); ++i) out << (i % 20 ? " " : "\n  ") << slots[i] << ",";
  out << "\n};\n\n";
  out << "static const char kEccoNames[] =";
  for (size_t i = 0; i < names.size(); i += 40) out << "\n  " << CString(names.substr(i, 40));
  out << ";\n";
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    out.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: gen_ecco_tables <table.tsv> <out.c>\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "gen_ecco_tables: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::vector<TCodeRow> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#' || line.rfind("code\t", 0) == 0) continue;
    std::vector<std::string> cols = SplitTabs(line);
    cols.resize(7);
    if (cols[1].empty()) continue;  // unused code slot
    rows.push_back({cols[0], cols[1], cols[2], cols[3], cols[4], cols[5]});
  }
  std::ostringstream out;
  try {
    Generate(rows, out);
  } catch (const std::exception& e) {
    std::cerr << "gen_ecco_tables: " << e.what() << "\n";
    return 1;
  }
  std::string path = argv[2];
  std::ofstream file(path + ".tmp");
  file << out.str();
  file.close();
  if (!file || std::rename((path + ".tmp").c_str(), path.c_str()) != 0) {
    std::cerr << "gen_ecco_tables: cannot write " << path << "\n";
    return 1;
  }
  return 0;
}
