// Plain-text reader and writer.
//
// The reader does not parse the layout: it scans the whole text for Chinese
// moves and keeps the run that can be played from the start position. The
// writer lays out the header, an optional diagram, the main line and every
// variation as a numbered section. Sections are numbered with an explicit work
// list, so deep or wide trees never deepen the call stack.
#include "formats/text/text.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "core/board.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/notation.h"
#include "core/position.h"
#include "core/record.h"
#include "core/variants.h"

namespace {

// Header rows of the writer: the slot each label heads, in label order.
constexpr int kHeaderSlots[11] = {kSlotTitle,       kSlotOpenLine, kSlotEvent,     kSlotSite,
                                  kSlotDate,        kSlotRedName,  kSlotBlackName, kSlotResult,
                                  kSlotCommentator, kSlotCreator,  kSlotFen};

// Lead bytes of the UTF-8 characters that can begin a Chinese move.
bool IsMoveLeadByte(unsigned char b) {
  return b == 0xE4 || b == 0xE5 || b == 0xE7 || b == 0xE8 || b == 0xE9;
}

int SanePliesPerLine(int v) {
  v = std::clamp(v, 2, 10);
  return v & ~1;
}

class TTextWriter {
 public:
  TTextWriter(const TJobState& job, const TChessRec& rec, std::string& out)
      : job_(job), rec_(rec), out_(out) {}

  void Write() {
    const int variant = job_.TextVariant;
    const int moveCount = std::clamp<int>(
        rec_.MoveCount, 0, std::max<int>(0, static_cast<int>(rec_.Moves.size()) - 1));
    if (moveCount >= 1) NumberBranches(rec_, branches_);
    perLine_ = SanePliesPerLine(job_.TextPliesPerLine);
    filler_ = CodePageText(kCtEllipsis, job_.DstCodePageIndex);

    int maxPly = 0;
    for (const TTextSection& s : branches_.Sections)
      if (s.First <= s.Last) maxPly = std::max(maxPly, rec_.Moves[s.Last].Ply);
    width_ = DigitCount((maxPly + 1) / 2);

    out_.clear();
    if (job_.DstCodePage == kCpUtf8) out_ += "\xEF\xBB\xBF";
    for (int i = 0; i < 11; ++i) {
      const std::string& value = rec_.Texts[kHeaderSlots[i]];
      if (value.empty()) continue;
      out_ += VariantText(kVtSummaryLabels, i, variant);
      out_ += value;
      out_ += "\r\n";
    }
    out_ += "\r\n";
    std::string diagram;
    MakeBoardDiagram(job_, rec_, diagram);
    out_ += diagram;
    const std::string& start = rec_.Texts[kSlotStartComment];
    if (!start.empty()) {
      out_ += start;
      out_ += "\r\n\r\n";
    }
    for (size_t s = 0; s < branches_.Sections.size(); ++s) WriteSection(static_cast<int>(s));
    out_ += VariantText(kVtFooter, 0, variant);
  }

 private:
  size_t LabelWidth(int node) const {
    return node < static_cast<int>(branches_.Labels.size()) ? branches_.Labels[node].size() : 0;
  }

  // A gap follows a move unless the move ends its row; a red move with a
  // comment is followed by the gap and the filler.
  size_t GapWidth(const TTextSection& s) const {
    size_t widest = 0;
    int m = (rec_.Moves[s.First].Ply % 2 == 0) ? 2 : 1;
    for (int k = s.First; k <= s.Last; ++k) {
      if (m == perLine_) m = 0;
      const bool hasComment = rec_.Moves[k].TextIndex != 0 && !GetMoveText(rec_, k).empty();
      if (m != 0 && k != s.Last) {
        if (!hasComment || (m & 1)) widest = std::max(widest, LabelWidth(k));
        if (hasComment) m &= 1;
      }
      ++m;
    }
    return 2 + widest;
  }

  std::string Number(int n) const {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%*d. ", width_, n);
    return buf;
  }

  void Blanks(size_t gap, size_t used) { out_.append(gap > used ? gap - used : 0, ' '); }

  void WriteSection(int index) {
    const TTextSection& s = branches_.Sections[index];
    if (s.First > s.Last) return;
    if (index > 0) {
      char buf[40];
      std::snprintf(buf, sizeof buf, "****[B%d]\r\n", index);
      out_ += buf;
    }
    const size_t gap = GapWidth(s);
    int m = 1;
    const int firstPly = rec_.Moves[s.First].Ply;
    if (firstPly % 2 == 0) {
      out_ += Number(firstPly / 2);
      out_ += filler_;
      Blanks(gap, 0);
      m = 2;
    }
    bool lastHadComment = false;
    for (int k = s.First; k <= s.Last; ++k) {
      const TMoveNode& node = rec_.Moves[k];
      const std::string c = GetMoveText(rec_, k);
      if (m == perLine_) m = 0;
      std::string number;
      if (m & 1) {
        number = Number((node.Ply + 1) / 2);
        out_ += number;
      }
      out_ +=
          RenderChinese(node.NoteHead, node.NoteTail, node.Flags & kFlagBlack, job_.TextVariant);
      const size_t labelWidth = LabelWidth(k);
      if (labelWidth) out_ += branches_.Labels[k];
      if (m == 0 || k == s.Last) {
        out_ += "\r\n";
      } else if (!c.empty()) {
        if (m & 1) {
          Blanks(gap, labelWidth);
          out_ += filler_;
        }
        out_ += "\r\n";
        m &= 1;
      } else {
        Blanks(gap, labelWidth);
      }
      if (!c.empty()) {
        out_ += "\r\n";
        out_ += c;
        out_ += "\r\n\r\n";
        if ((m & 1) && k != s.Last) {
          out_ += number;
          out_ += filler_;
          Blanks(gap, 0);
        }
      }
      ++m;
      lastHadComment = !c.empty();
    }
    if (!lastHadComment) out_ += "\r\n";
  }

  const TJobState& job_;
  const TChessRec& rec_;
  std::string& out_;
  TBranchNumbers branches_;
  std::string filler_;
  int perLine_ = 2;
  int width_ = 1;
};

}  // namespace

void NumberBranches(const TChessRec& rec, TBranchNumbers& branches) {
  branches.Sections.clear();
  branches.Labels.clear();
  const int n =
      std::clamp<int>(rec.MoveCount, 0, std::max<int>(0, static_cast<int>(rec.Moves.size()) - 1));
  if (n < 1) return;
  const int lineCount = std::min<int>(rec.LastLine, static_cast<int>(rec.Lines.size()) - 1);
  branches.Labels.assign(n + 1, std::string());

  // Hang every variation on the move it replaces; further alternatives of the
  // same move hang on the first node of the previous one. tail[o] is the end
  // of o's chain.
  std::vector<int32_t> hang(n + 1, 0), tail(n + 1, 0);
  for (int i = 1; i <= lineCount; ++i) {
    const int v = rec.Lines[i].First;
    if (v < 2 || v > n || rec.Lines[i].Last < v) continue;
    const int parent = rec.Moves[v].Parent;
    if (parent < 0 || parent >= v - 1) continue;
    const int o = parent + 1;
    if (hang[o] == 0) {
      hang[o] = i;
      tail[o] = v;
    } else if (tail[o] < v && hang[tail[o]] == 0) {
      hang[tail[o]] = i;
      tail[o] = v;
    }
  }

  std::vector<uint8_t> used(lineCount + 1, 0);
  branches.Sections.push_back({1, std::clamp(rec.Lines[0].Last, 0, n)});
  // Numbers the variations met in one section; returns the range of the new
  // section numbers.
  auto numberSection = [&](int index) {
    const int first = static_cast<int>(branches.Sections.size());
    const TTextSection s = branches.Sections[index];
    for (int k = index == 0 ? s.First : s.First + 1; k <= s.Last; ++k) {
      for (int l = hang[k]; l != 0 && !used[l]; l = hang[rec.Lines[l].First]) {
        used[l] = 1;
        const int number = static_cast<int>(branches.Sections.size());
        branches.Sections.push_back({rec.Lines[l].First, std::min(rec.Lines[l].Last, n)});
        branches.Labels[k] += "[B" + std::to_string(number) + "]";
      }
    }
    return std::pair<int, int>(first, static_cast<int>(branches.Sections.size()));
  };
  // Each section's new sections are numbered completely, in order, before the
  // next sibling's: a work list of pending ranges.
  std::vector<std::pair<int, int>> pending;
  pending.push_back(numberSection(0));
  while (!pending.empty()) {
    std::pair<int, int>& top = pending.back();
    if (top.first >= top.second) {
      pending.pop_back();
      continue;
    }
    const int s = top.first++;
    const std::pair<int, int> created = numberSection(s);
    if (created.first < created.second) pending.push_back(created);
  }
}

bool ReadTextContent(TJobState& job, TChessRec& rec, std::string_view text) {
  if (text.empty()) return false;
  const size_t length = text.size();
  // Every move takes at least 8 bytes; the guess is capped because the move
  // array grows by itself when a text holds more moves.
  SetMoveCapacity(rec, static_cast<int>(std::min<size_t>(length / 8 + 1, 1u << 20)));
  TWorkBoard board;
  MakeWorkBoard(rec, board);
  // Padding so that a move split at the very end stays inside the text.
  std::string t(text);
  t += "XXXX";
  int moves = 0;
  int side = -1;
  bool recognised = false;
  size_t i = 0;
  while (i + 8 <= length) {
    const unsigned char b = static_cast<unsigned char>(t[i]);
    // The variation sections that this writer puts after the main line hold
    // other lines of play: reading stops at the first one.
    if (b == '*' && (i == 0 || t[i - 1] == '\n') && text.substr(i, 6) == "****[B") break;
    if (!IsMoveLeadByte(b)) {
      ++i;
      continue;
    }
    size_t j = i;
    const std::string_view c1(t.data() + j, 3);
    j += 3;
    const size_t l2 = (static_cast<unsigned char>(t[j]) & 0x80) ? 3 : 1;
    const std::string_view c2(t.data() + j, l2);
    j += l2;
    const std::string_view c3(t.data() + j, 3);
    j += 3;
    const size_t l4 = (static_cast<unsigned char>(t[j]) & 0x80) ? 3 : 1;
    const std::string_view c4(t.data() + j, l4);
    j += l4;
    const TNoteToken tok = ParseChineseToken(c1, c2, c3, c4);
    if (!tok.Usable()) {
      i += 3;
      continue;
    }
    recognised = true;
    if (side < 0) side = tok.Side;
    if (tok.Side == side) {
      if (!ApplyNotationMove(rec, board, side, tok, moves)) break;
      side ^= 1;
    }
    i = j;
  }
  if (!recognised) {
    job.LogRecord(rec, "源棋譜不是文本棋譜或者源棋譜代碼頁不正確。", kLogError);
    return false;
  }
  BuildLinearTree(rec, moves);
  return true;
}

size_t RenderText(const TJobState& job, const TChessRec& rec, std::string& out) {
  TTextWriter(job, rec, out).Write();
  return out.size();
}
