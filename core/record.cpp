// The game record and the operations that build its move tree from what the
// readers found: plies, continuation/alternative flags or next/alt links.
#include "core/record.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/uglobal.h"

const char kFenSlotLetters[33] = "RNBAKABNRCCPPPPPrnbakabnrccppppp";

const uint8_t kStartSquares[32] = {
    0x09, 0x19, 0x29, 0x39, 0x49, 0x59, 0x69, 0x79, 0x89, 0x17, 0x77, 0x06, 0x26, 0x46, 0x66, 0x86,
    0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x12, 0x72, 0x03, 0x23, 0x43, 0x63, 0x83,
};

namespace {

constexpr int kInitialTexts = 255;
constexpr int kInitialLines = 255;
constexpr size_t kInitialStack = 63;

int BreakKindOf(int format) {
  return format >= 0 && format < kFormatCount ? FileTypes[format].BreakKind : 0;
}

// Highest node index that may be written: the tree never reaches past Moves.
int LastUsableNode(const TChessRec& rec) { return static_cast<int>(rec.Moves.size()) - 1; }

void EnsureRoot(TChessRec& rec) {
  if (rec.Moves.empty()) {
    rec.Moves.resize(1);
    rec.Moves[0].Parent = -1;
  }
  if (rec.Lines.empty()) {
    rec.Lines.resize(kInitialLines);
    rec.Lines[0].First = 1;
  }
}

// Alternatives that were promised by a node's flags but never built (the tree
// was cut first) must not stay announced: writers take 0x40 at its word.
template <typename TStack, typename TNodeOf>
void ClearUnbuiltAlternatives(TChessRec& rec, const TStack& stack, TNodeOf nodeOf) {
  for (const auto& entry : stack) {
    int node = nodeOf(entry);
    if (node > 0 && node <= rec.MoveCount) rec.Moves[node].Flags &= ~kFlagHasAlt;
  }
}

}  // namespace

void ResetRecord(TChessRec& rec, int srcFormat, int dstFormat) {
  rec.MoveCount = 0;
  rec.GameType = 1;
  rec.GameResult = 4;
  rec.SubType = 1;
  rec.RedFirst = 1;
  rec.SourceBreak = BreakKindOf(srcFormat);
  rec.TargetBreak = BreakKindOf(dstFormat);
  rec.PageKind = -1;
  rec.ErrorText.clear();
  rec.LoggedMessages = 0;
  rec.HiddenMessages = 0;
  rec.TextTop = 62;

  rec.Texts.clear();
  rec.Texts.resize(kInitialTexts);

  rec.Moves.clear();
  rec.Moves.resize(1);
  rec.Moves[0].Ply = 0;
  rec.Moves[0].Flags = 0;
  rec.Moves[0].Parent = -1;
  rec.Moves[0].TextIndex = 62;

  rec.Links.clear();
  rec.LastLine = 0;
  rec.Lines.clear();
  rec.Lines.resize(kInitialLines);
  rec.Lines[0].First = 1;

  std::memcpy(rec.Pieces, kStartSquares, sizeof(rec.Pieces));
  std::memset(rec.Board, 0, sizeof(rec.Board));
  for (int s = 0; s < 32; ++s) {
    int x = kStartSquares[s] >> 4, y = kStartSquares[s] & 0x0F;
    rec.Board[y * 9 + x] = kFenSlotLetters[s];
  }
}

void SetMoveCapacity(TChessRec& rec, int n) {
  if (n <= 1) return;
  // Nodes added by resize are value-initialised, so their TextIndex is 0.
  rec.Moves.resize(static_cast<size_t>(n));
}

void SetLinkCount(TChessRec& rec, int n) {
  if (n <= 0) return;
  rec.Links.assign(static_cast<size_t>(n), TLinkNode{});
  SetMoveCapacity(rec, n);
}

int TextSlotOf(TChessRec& rec, int node) {
  bool linked = node >= 0 && static_cast<size_t>(node) < rec.Moves.size();
  if (linked && rec.Moves[node].TextIndex != 0) return rec.Moves[node].TextIndex;
  ++rec.TextTop;
  if (static_cast<size_t>(rec.TextTop) >= rec.Texts.size())
    rec.Texts.resize(std::max(rec.Texts.size() * 2, static_cast<size_t>(rec.TextTop) + 1));
  if (linked) rec.Moves[node].TextIndex = rec.TextTop;
  return rec.TextTop;
}

std::string GetMoveText(const TChessRec& rec, int node) {
  if (node < 0 || static_cast<size_t>(node) >= rec.Moves.size()) return {};
  int slot = rec.Moves[node].TextIndex;
  if (slot <= 0 || static_cast<size_t>(slot) >= rec.Texts.size()) return {};
  return rec.Texts[slot];
}

void SetMoveText(TChessRec& rec, int node, const std::string& text, size_t start, size_t length) {
  // start is 0-based; a stretch reaching past the text is cut at its end.
  std::string_view part;
  if (start < text.size()) part = std::string_view(text).substr(start, length);
  SetMoveText(rec, node, part);
}

void SetMoveText(TChessRec& rec, int node, std::string_view text) {
  int slot = TextSlotOf(rec, node);
  rec.Texts[slot].assign(text.data(), text.size());
}

void BuildLinkIndex(const std::vector<TLinkSourceRow>& source, std::vector<TLinkIndexRow>& index) {
  index.resize(source.size());
  for (size_t i = 0; i < source.size(); ++i) {
    const TLinkSourceRow& s = source[i];
    index[i] = TLinkIndexRow{s.Field3, s.Field4, s.Field1, s.Field2};
  }
  // Stable, so rows with equal keys keep their source order.
  std::stable_sort(index.begin(), index.end(),
                   [](const TLinkIndexRow& a, const TLinkIndexRow& b) { return a.Key < b.Key; });
}

void SetMoveTextByKey(TChessRec& rec, std::string_view text, int b, int key,
                      const std::vector<TLinkIndexRow>& index, int rowCount) {
  int node = b;
  if (key != 0) {
    size_t rows = rowCount > 0 ? std::min(static_cast<size_t>(rowCount), index.size()) : 0;
    auto end = index.begin() + static_cast<std::ptrdiff_t>(rows);
    auto row = std::lower_bound(index.begin(), end, key,
                                [](const TLinkIndexRow& r, int k) { return r.Key < k; });
    if (row == end || row->Key != key) return;
    int64_t link = int64_t{row->First} + (int64_t{b} - row->Base);
    if (link < row->First || link >= row->End) return;
    if (link < 0 || static_cast<size_t>(link) >= rec.Links.size()) return;
    node = rec.Links[static_cast<size_t>(link)].MoveIndex;
    if (node < 1) return;
  }
  SetMoveText(rec, node, text);
}

void StartLine(TChessRec& rec, int n) {
  EnsureRoot(rec);
  rec.Lines[rec.LastLine].Last = n - 1;
  ++rec.LastLine;
  if (static_cast<size_t>(rec.LastLine) >= rec.Lines.size()) rec.Lines.resize(rec.Lines.size() * 2);
  rec.Lines[rec.LastLine] = TLineRec{n, 0};
}

int FinishTree(TChessRec& rec, int last) {
  EnsureRoot(rec);
  last = std::clamp(last, 0, LastUsableNode(rec));
  rec.MoveCount = last;
  rec.Moves[0].Flags = kFlagContinues;
  rec.Moves[last].Flags = 0;
  rec.Lines[rec.LastLine].Last = last;
  return rec.LastLine;
}

void BuildLinearTree(TChessRec& rec, int n) {
  EnsureRoot(rec);
  n = std::clamp(n, 0, LastUsableNode(rec));
  for (int i = 1; i <= n; ++i) {
    rec.Moves[i].Ply = i;
    rec.Moves[i].Flags = kFlagContinues;
    rec.Moves[i].Parent = i - 1;
  }
  FinishTree(rec, n);
}

void BuildTreeFromPlies(TJobState& job, TChessRec& rec, int n) {
  EnsureRoot(rec);
  n = std::clamp(n, 0, LastUsableNode(rec));
  rec.Moves[0].Ply = 0;
  // The line that leads to the node before i: its plies rise strictly, so the
  // node that an alternative stands beside is found by its ply. A sound file's
  // nearest earlier node of that ply is always on this line; a node found
  // only off it (in a line already closed) cannot take an alternative
  // without breaking the pre-order, and counts as not found.
  std::vector<int32_t> line;
  line.reserve(64);
  int last = n;
  for (int i = 1; i <= n; ++i) {
    TMoveNode& node = rec.Moves[i];
    node.Flags = kFlagContinues;
    if (rec.Moves[i - 1].Ply < node.Ply) {
      node.Parent = i - 1;
    } else {
      rec.Moves[i - 1].Flags = 0;
      auto at = std::lower_bound(line.begin(), line.end(), node.Ply,
                                 [&rec](int32_t k, int32_t ply) { return rec.Moves[k].Ply < ply; });
      if (at == line.end() || rec.Moves[*at].Ply != node.Ply) {
        char msg[64];
        std::snprintf(msg, sizeof msg, "第 %d 步沒有找到上一步!;", i);
        job.LogRecord(rec, SystemText(msg), kLogError);
        last = i - 1;
        break;
      }
      const int32_t j = *at;
      rec.Moves[j].Flags |= kFlagHasAlt;
      node.Parent = rec.Moves[j].Parent;
      StartLine(rec, i);
      line.erase(at, line.end());
    }
    line.push_back(i);
  }
  // The ply of every kept node follows from its parent, even where the reader
  // skipped numbers (plies 1, 3 would otherwise give a move two plies deep).
  for (int i = 1; i <= last; ++i) rec.Moves[i].Ply = rec.Moves[rec.Moves[i].Parent].Ply + 1;
  FinishTree(rec, last);
}

void BuildTreeFromFlags(TChessRec& rec, int n) {
  EnsureRoot(rec);
  n = std::clamp(n, 0, LastUsableNode(rec));
  struct TEntry {
    int32_t Parent, Ply, Node;
  };
  std::vector<TEntry> stack;
  stack.reserve(kInitialStack);
  int i = 0, ply = 0;
  bool continuing = true;
  while ((continuing || !stack.empty()) && i < n) {
    int k = i + 1;
    TMoveNode& node = rec.Moves[k];
    if (continuing) {
      ++ply;
      node.Parent = i;
    } else {
      TEntry e = stack.back();
      stack.pop_back();
      ply = e.Ply;
      node.Parent = e.Parent;
      StartLine(rec, k);
    }
    node.Ply = ply;
    continuing = (node.Flags & kFlagContinues) != 0;
    if (node.Flags & kFlagHasAlt) stack.push_back(TEntry{node.Parent, ply, k});
    i = k;
  }
  FinishTree(rec, i);
  ClearUnbuiltAlternatives(rec, stack, [](const TEntry& e) { return e.Node; });
}

void BuildTreeFromLinks(TChessRec& rec, int first) {
  EnsureRoot(rec);
  struct TEntry {
    int32_t Index, Ply, Parent, Node;
  };
  std::vector<TEntry> stack;
  stack.reserve(kInitialStack);
  const int64_t linkCount = static_cast<int64_t>(rec.Links.size());
  const int maxNode = LastUsableNode(rec);
  // A link reached twice (a cycle, or two links naming the same alternative)
  // would repeat moves without end; the tree stops at the first repeat.
  std::vector<bool> visited(rec.Links.size(), false);
  int count = 0, ply = 0;
  int64_t index = first;
  while ((index > 0 || !stack.empty()) && index < linkCount) {
    int k = count + 1;
    if (k > maxNode) break;
    int parent;
    bool startsLine = index <= 0;
    if (!startsLine) {
      ++ply;
      parent = count;
    } else {
      TEntry e = stack.back();
      stack.pop_back();
      index = e.Index;
      if (index < 1 || index >= linkCount || visited[static_cast<size_t>(index)]) {
        rec.Moves[e.Node].Flags &= ~kFlagHasAlt;
        break;
      }
      ply = e.Ply;
      parent = e.Parent;
    }
    if (visited[static_cast<size_t>(index)]) break;
    visited[static_cast<size_t>(index)] = true;
    if (startsLine) StartLine(rec, k);

    TLinkNode& link = rec.Links[static_cast<size_t>(index)];
    TMoveNode& node = rec.Moves[k];
    node.From = link.Move[0];
    node.Dest = link.Move[1];
    node.NoteHead = link.Move[2];
    node.NoteTail = link.Move[3];
    node.Ply = ply;
    node.Parent = parent;
    link.MoveIndex = k;
    int32_t alt = link.Alt;
    index = link.Next;
    node.Flags = index >= 1 ? kFlagContinues : 0;
    if (alt > 0) {
      node.Flags |= kFlagHasAlt;
      stack.push_back(TEntry{alt, ply, parent, k});
    }
    count = k;
  }
  FinishTree(rec, count);
  ClearUnbuiltAlternatives(rec, stack, [](const TEntry& e) { return e.Node; });
}

void CutTree(TChessRec& rec, int last) {
  if (last < 0 || last >= rec.MoveCount) return;
  // A node keeps 0x40 only if a later sibling (its alternative) is kept.
  std::vector<int32_t> latestChild(static_cast<size_t>(last) + 1, 0);
  std::vector<bool> hasKeptAlternative(static_cast<size_t>(last) + 1, false);
  for (int i = 1; i <= last; ++i) {
    int parent = rec.Moves[i].Parent;
    if (parent < 0 || parent >= i) continue;
    int32_t& prev = latestChild[static_cast<size_t>(parent)];
    if (prev > 0) hasKeptAlternative[static_cast<size_t>(prev)] = true;
    prev = i;
  }
  for (int i = 1; i <= last; ++i)
    if (!hasKeptAlternative[static_cast<size_t>(i)]) rec.Moves[i].Flags &= ~kFlagHasAlt;
  rec.Moves[last].Flags &= ~(kFlagContinues | kFlagHasAlt);
  if (last == 0) rec.Moves[0].Flags &= ~kFlagContinues;
  rec.MoveCount = last;
  // The cut node lies in the last line that starts at or before it.
  while (rec.LastLine > 0 && rec.Lines[rec.LastLine].First > last) --rec.LastLine;
  rec.Lines[rec.LastLine].Last = last;
}

std::string& TextSlot(TChessRec& rec, int slot) {
  if (rec.Texts.size() <= static_cast<size_t>(slot))
    rec.Texts.resize(static_cast<size_t>(slot) + 1);
  return rec.Texts[static_cast<size_t>(slot)];
}
