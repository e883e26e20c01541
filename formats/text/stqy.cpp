// STQY club pages. Inside a block, [dhjhtmlxq_N] tags carry the header texts
// (by number), the start position (31) and the main line (34); [branch_b_s_p_f_]
// tags carry variations and [comment_line_step] tags comments. Moves are four
// characters, two per square; kind-6 pages write the main line's squares in
// one of two orders, chosen per record.
#include "formats/text/stqy.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "core/board.h"
#include "core/complete.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"

namespace {

struct TStqyKey {
  int Number;
  int Slot;
};

// Tag numbers of the header texts and their slots.
constexpr TStqyKey StqyKeys[9] = {
    {10, kSlotTitle},       {11, kSlotEvent},   {13, kSlotDate},
    {15, kSlotRound},       {18, kSlotRedName}, {22, kSlotBlackName},
    {40, kSlotCommentator}, {42, kSlotCreator}, {28, kSlotResult},
};
constexpr int kTagPosition = 31;
constexpr int kTagMainLine = 34;

constexpr size_t kMoveWidth = 4;

// Square orders: style 0 writes column x then the row counted from red's back
// rank; style 1 the row from black's back rank, then column x.
enum TSquareStyle { kColumnRow = 0, kRowColumn = 1 };

// A run of moves: the main line (Line 0) or one variation.
struct TMoveItem {
  int32_t First;      // first link index
  int32_t End;        // one past the last link index
  int32_t Line;       // line number, 0 for the main line
  int32_t Base;       // step of the first link
  int32_t Parent;     // line that the variation leaves (-1 for the main line)
  int32_t Begin;      // step at which the tag's value begins
  size_t ValueStart;  // 1-based position of the item's first move in the page
};

// A whole non-negative decimal number below a billion, or -1.
int64_t DecimalOf(std::string_view s) {
  if (s.empty() || s.size() > 9) return -1;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
  }
  return v;
}

uint8_t ReadSquare(char a, char b, int style) {
  if (style == kColumnRow) {
    if (a < '0' || a > '8' || b < '0' || b > '9') return kNoSquare;
    return SquareOf(a - '0', 9 - (b - '0'));
  }
  if (a < '0' || a > '9' || b < '0' || b > '8') return kNoSquare;
  return SquareOf(b - '0', a - '0');
}

// One character per square, row by row from black's back rank.
void ReadStartPosition(TChessRec& rec, std::string_view value) {
  std::array<uint8_t, 90> codes{};
  const size_t n = std::min(value.size(), codes.size());
  for (size_t i = 0; i < n; ++i) {
    // Letters in piece-type order: rook, horse, elephant, advisor, king,
    // cannon, pawn; small letters are black.
    constexpr std::string_view kRed = "RNBAKCP", kBlack = "rnbakcp";
    if (size_t t = kRed.find(value[i]); t != std::string_view::npos)
      codes[i] = static_cast<uint8_t>(t + 1);
    else if (size_t r = kBlack.find(value[i]); r != std::string_view::npos)
      codes[i] = static_cast<uint8_t>(kBlackBit | (r + 1));
  }
  PlacePieces(rec, codes, 0);
}

// Kind-6 pages: a "9" can only be a row, which tells the order of the first
// square that holds one. Without such a square, the first two moves read
// row-first must start on pieces of opposite colours.
int ChooseMainLineStyle(const TChessRec& rec, std::string_view moves) {
  for (size_t i = 0; i + 1 < moves.size(); i += 2) {
    if (moves[i] == '9') return kRowColumn;
    if (moves[i + 1] == '9') return kColumnRow;
  }
  if (moves.size() < 2 * kMoveWidth) return kColumnRow;
  TWorkBoard board;
  MakeWorkBoard(rec, board);
  auto pieceAt = [&](size_t at) -> uint8_t {
    const uint8_t sq = ReadSquare(moves[at], moves[at + 1], kRowColumn);
    return sq == kNoSquare ? 0 : board[WorkIndex(SquareX(sq), SquareY(sq))];
  };
  const uint8_t first = pieceAt(0), second = pieceAt(kMoveWidth);
  if (first != 0 && second != 0 && (first & kBlackBit) != (second & kBlackBit)) return kRowColumn;
  return kColumnRow;
}

// Alternatives hang off a link as a chain; a variation added at a link joins
// the end of the chain that the link belongs to. The chains are kept as a
// union-find over link indices so that neither appending nor merging walks a
// chain.
class TAltChains {
 public:
  explicit TAltChains(size_t linkCount) : head_(linkCount), tail_(linkCount) {
    for (size_t i = 0; i < linkCount; ++i) head_[i] = tail_[i] = static_cast<int32_t>(i);
  }

  // Makes link `first` (and its own chain) an alternative of link `at`; false
  // when that would close a loop.
  bool Attach(TChessRec& rec, int32_t at, int32_t first) {
    const int32_t h = Find(at), hf = Find(first);
    if (h == hf) return false;
    rec.Links[static_cast<size_t>(tail_[h])].Alt = first;
    tail_[h] = tail_[hf];
    head_[hf] = h;
    return true;
  }

 private:
  int32_t Find(int32_t i) {
    int32_t root = i;
    while (head_[root] != root) root = head_[root];
    while (head_[i] != root) {
      const int32_t next = head_[i];
      head_[i] = root;
      i = next;
    }
    return root;
  }

  std::vector<int32_t> head_;
  std::vector<int32_t> tail_;
};

class TStqyReader {
 public:
  TStqyReader(TJobState& job, TChessRec& rec, int kind, int startPos, int endPos,
              const std::string& text)
      : job_(job),
        rec_(rec),
        kind_(kind),
        cp_(static_cast<int>(job.DstCodePage)),
        start_(static_cast<size_t>(std::max(startPos, 1))),
        limit_(std::min(static_cast<size_t>(std::max(endPos, 0)), text.size())),
        text_(text) {}

  void Read() {
    if (kind_ == 5) rec_.SourceBreak = 4;
    int mainLines = ReadNumberedTags();
    if (!Slot(kSlotResult).empty()) ResultFromText(rec_, Slot(kSlotResult), cp_);
    if (mainLines == 1) {
      ReadVariations();
      BuildMoves();
    }
    ReadComments();
    CleanTexts();
  }

 private:
  std::string& Slot(int slot) { return rec_.Texts[static_cast<size_t>(slot)]; }

  std::string_view Value(size_t start, size_t length) const {
    return std::string_view(text_).substr(start - 1, length);
  }

  // Walks the tags of one family over the block: onTag(name, valueStart,
  // valueLength) for each complete, non-empty tag.
  template <typename TOnTag>
  void WalkTags(std::string_view open, std::string_view close, TOnTag onTag) {
    size_t pos = start_;
    std::string name;
    size_t valueStart = 0, valueLength = 0;
    for (;;) {
      const int r =
          FindTagPair(job_, open, close, text_, limit_, pos, name, valueStart, valueLength);
      if (r == 0) return;
      if (r == 2) onTag(name, valueStart, valueLength);
    }
  }

  void AddItem(int32_t line, int32_t base, int32_t parent, int32_t begin, size_t valueStart,
               size_t valueLength) {
    const int32_t first = items_.empty() ? 1 : items_.back().End;
    const auto count = static_cast<int32_t>(valueLength / kMoveWidth);
    items_.push_back(TMoveItem{first, first + count, line, base, parent, begin, valueStart});
  }

  // Header texts, start position and main line; returns the number of main
  // lines met.
  int ReadNumberedTags() {
    int mainLines = 0;
    WalkTags("[dhjhtmlxq_", "[/dhjhtmlxq_", [&](const std::string& name, size_t at, size_t n) {
      const int64_t number = DecimalOf(name);
      if (number == kTagPosition) {
        ReadStartPosition(rec_, Value(at, n));
      } else if (number == kTagMainLine) {
        ++mainLines;
        if (n >= kMoveWidth) AddItem(0, 1, -1, 1, at, n);
      } else {
        for (const TStqyKey& key : StqyKeys)
          if (key.Number == number) Slot(key.Slot).assign(Value(at, n));
      }
    });
    // A second main line makes the record's moves ambiguous: none are read.
    if (mainLines > 1) items_.clear();
    return items_.empty() ? 0 : mainLines;
  }

  // [branch_b_s_p_f_...]: variation b replaces step s of line p; its value
  // begins at step f, so its first s - f moves repeat the parent line.
  void ReadVariations() {
    WalkTags("[branch_", "[/branch_", [&](const std::string& name, size_t at, size_t n) {
      int64_t parts[4];
      size_t from = 0;
      for (int64_t& part : parts) {
        const size_t bar = name.find('_', from);
        if (bar == std::string::npos) return;
        part = DecimalOf(std::string_view(name).substr(from, bar - from));
        from = bar + 1;
      }
      const int64_t b = parts[0], f = parts[3];
      int64_t s = parts[1];
      const int64_t p = parts[2];
      if (b < 1 || s < 0 || p < 0 || f < 1) return;
      if (s < f) s = f;
      const int64_t skip = static_cast<int64_t>(kMoveWidth) * (s - f);
      if (skip >= static_cast<int64_t>(n)) return;
      const size_t rest = n - static_cast<size_t>(skip);
      if (rest < kMoveWidth) return;
      AddItem(static_cast<int32_t>(b), static_cast<int32_t>(s), static_cast<int32_t>(p),
              static_cast<int32_t>(f), at + static_cast<size_t>(skip), rest);
    });
  }

  // The link at which item i hangs as an alternative, or 0.
  int32_t PlaceOf(size_t i, std::map<std::pair<int32_t, int32_t>, size_t>& latestSibling,
                  const std::map<std::pair<int32_t, int32_t>, std::vector<size_t>>& byLineBase) {
    const TMoveItem& item = items_[i];
    auto sibling = latestSibling.find({item.Parent, item.Base});
    if (sibling != latestSibling.end()) {
      const size_t earlier = sibling->second;
      sibling->second = i;
      return items_[earlier].First;
    }
    latestSibling[{item.Parent, item.Base}] = i;
    if (item.Parent == 0) {
      const TMoveItem& main = items_[0];
      return item.Base > 0 && item.Base < main.End ? item.Base : 0;
    }
    // The parent's run starts at the step where this value begins: the
    // nearest such item before this one, else the last one after it.
    auto found = byLineBase.find({item.Parent, item.Begin});
    if (found == byLineBase.end()) return 0;
    const std::vector<size_t>& candidates = found->second;
    auto after = std::lower_bound(candidates.begin(), candidates.end(), i);
    size_t parent = 0;
    if (after != candidates.begin()) {
      parent = *(after - 1);
    } else {
      if (after != candidates.end() && *after == i) ++after;
      if (after == candidates.end()) return 0;
      parent = candidates.back();
    }
    const TMoveItem& run = items_[parent];
    const int64_t link = int64_t{run.First} + (int64_t{item.Base} - item.Begin);
    // A step past the parent's run would hang the variation on another line.
    return link < run.End ? static_cast<int32_t>(link) : 0;
  }

  void BuildMoves() {
    const int32_t linkCount = items_.back().End;
    SetLinkCount(rec_, linkCount);
    if (rec_.Links.size() != static_cast<size_t>(linkCount)) return;

    std::map<std::pair<int32_t, int32_t>, std::vector<size_t>> byLineBase;
    for (size_t i = 1; i < items_.size(); ++i)
      byLineBase[{items_[i].Line, items_[i].Base}].push_back(i);
    std::map<std::pair<int32_t, int32_t>, size_t> latestSibling;
    TAltChains chains(static_cast<size_t>(linkCount));
    for (size_t i = 1; i < items_.size(); ++i) {
      const int32_t at = PlaceOf(i, latestSibling, byLineBase);
      if (at < 1 || !chains.Attach(rec_, at, items_[i].First))
        job_.LogRecord(rec_, FormatMoveMessage("第 %d 步沒有找到上一步!;", items_[i].First),
                       kLogError);
    }

    for (size_t i = 0; i < items_.size(); ++i) {
      const TMoveItem& item = items_[i];
      const int32_t count = item.End - item.First;
      const std::string_view moves =
          Value(item.ValueStart, static_cast<size_t>(count) * kMoveWidth);
      const int style = i == 0 && kind_ == 6 ? ChooseMainLineStyle(rec_, moves) : kColumnRow;
      for (int32_t k = 0; k < count; ++k) {
        const int32_t index = item.First + k;
        const std::string_view m = moves.substr(static_cast<size_t>(k) * kMoveWidth, kMoveWidth);
        const uint8_t from = ReadSquare(m[0], m[1], style);
        if (from == kNoSquare)
          job_.LogRecord(rec_, FormatMoveMessage("第 %d 步棋的開始位置錯誤。", index), kLogError);
        const uint8_t dest = ReadSquare(m[2], m[3], style);
        if (dest == kNoSquare)
          job_.LogRecord(rec_, FormatMoveMessage("第 %d 步棋的到達位置錯誤。", index), kLogError);
        TLinkNode& link = rec_.Links[static_cast<size_t>(index)];
        StoreMoveWord(link.Move, MakeMoveWord(from, dest));
        link.Next = k + 1 < count ? index + 1 : 0;
      }
    }
    BuildTreeFromLinks(rec_, 1);

    std::vector<TLinkSourceRow> rows;
    rows.reserve(items_.size());
    for (const TMoveItem& item : items_)
      rows.push_back(
          TLinkSourceRow{item.First, item.End, item.Line, item.Base, item.Parent, item.Begin, 0});
    BuildLinkIndex(rows, index_);
  }

  // [comment_line_step]: line 0 names the main line, whose steps are nodes.
  void ReadComments() {
    const int mainLast = rec_.MoveCount > 0 ? rec_.Lines[0].Last : 0;
    WalkTags("[comment_", "[/comment_", [&](const std::string& name, size_t at, size_t n) {
      const size_t bar = name.find('_', 1);
      if (bar == std::string::npos) return;
      const int64_t line = DecimalOf(std::string_view(name).substr(0, bar));
      const int64_t step = DecimalOf(std::string_view(name).substr(bar + 1));
      // A main-line step past the last main-line move has no node of its
      // own; taken as a node number it would land on a variation's move.
      if (line < 0 || step < 0 || (line == 0 && step > mainLast)) {
        job_.LogRecord(rec_, SystemText("不能識別注解：") + name, kLogError);
        return;
      }
      SetMoveTextByKey(rec_, Value(at, n), static_cast<int>(step), static_cast<int>(line), index_,
                       static_cast<int>(index_.size()));
    });
  }

  void CleanTexts() {
    const size_t top =
        std::min(static_cast<size_t>(std::max(rec_.TextTop, 0)) + 1, rec_.Texts.size());
    for (size_t slot = kSlotFrom; slot < top; ++slot) {
      std::string& s = rec_.Texts[slot];
      if (s.empty()) continue;
      ReplaceAllDbcs(cp_, s, "&nbsp;", false, " ");
      ReplaceAllDbcs(cp_, s, "&nbsp", false, " ");
    }
    for (const TStqyKey& key : StqyKeys) Slot(key.Slot) = TrimText(Slot(key.Slot));
    if (job_.DelSpace) std::erase(Slot(kSlotRound), ' ');
    if (job_.TitleIncludeRound) Slot(kSlotEvent) += Slot(kSlotRound);
  }

  TJobState& job_;
  TChessRec& rec_;
  const int kind_;
  const int cp_;
  const size_t start_;
  const size_t limit_;
  const std::string& text_;
  std::vector<TMoveItem> items_;
  std::vector<TLinkIndexRow> index_;
};

}  // namespace

bool ReadStqy(TJobState& job, TChessRec& rec, int kind, int startPos, int endPos,
              const std::string& text) {
  TStqyReader(job, rec, kind, startPos, endPos, text).Read();
  job.LogRecord(rec, SystemText("源棋譜格式：汕頭棋院網棋譜"), kLogPlain);
  return true;
}
