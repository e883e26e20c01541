// Record completion and header normalisation, and the helpers that derive
// header fields from file names, result words, dates and applet parameters.
#include "core/complete.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/board.h"
#include "core/ecco.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/movecheck.h"
#include "core/notation.h"
#include "core/position.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "core/variants.h"

namespace {

constexpr int kMaxOpeningMoves = 20;
const char* const kPgnResults[4] = {"1-0", "0-1", "1/2-1/2", "*"};

const std::string& SlotOrEmpty(const TChessRec& rec, int slot) {
  static const std::string empty;
  return static_cast<size_t>(slot) < rec.Texts.size() ? rec.Texts[slot] : empty;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Text of the system code page (program messages, file names) in the
// destination's code page and script.
void SystemToDestination(const TJobState& job, std::string& s) {
  int sys = Process().SystemCodePage;
  int dst = static_cast<int>(job.DstCodePage);
  if (sys != dst || job.MapFlags != 0) ConvertCodePage(s, sys, job.MapFlags, dst);
}

// FEN letters of the standard start position, for the game-type test.
const std::array<char, 90>& StandardBoard() {
  static const std::array<char, 90> board = [] {
    std::array<char, 90> b{};
    for (int s = 0; s < 32; ++s)
      b[SquareY(kStartSquares[s]) * 9 + SquareX(kStartSquares[s])] = kFenSlotLetters[s];
    return b;
  }();
  return board;
}

// A standard start whose like pieces sit in swapped slots goes back to the
// canonical slots; game type follows whether the start is standard.
void NormaliseGameType(TChessRec& rec) {
  if (rec.GameType < 1 || rec.GameType > 4) rec.GameType = 1;
  if (std::memcmp(rec.Board, StandardBoard().data(), sizeof rec.Board) == 0) {
    std::memcpy(rec.Pieces, kStartSquares, sizeof rec.Pieces);
    if (rec.GameType != 1 && rec.GameType != 2) rec.GameType = 1;
  } else if (rec.GameType != 3 && rec.GameType != 4) {
    rec.GameType = 3;
  }
}

void NormaliseResult(const TJobState& job, TChessRec& rec) {
  if (job.DstFormat == kFmtCbf) {
    int top = job.SrcFormat == kFmtCbf ? 4 : 3;
    if (rec.GameResult < 0 || rec.GameResult > top) rec.GameResult = 0;
    TextSlot(rec, kSlotResult) = std::to_string(rec.GameResult);
    return;
  }
  if (rec.GameResult < 1 || rec.GameResult > 4) rec.GameResult = 4;
  if (job.DstFormat == kFmtPgn) {
    TextSlot(rec, kSlotResult) = kPgnResults[rec.GameResult - 1];
    return;
  }
  TextSlot(rec, kSlotResult) = VariantText(kVtResultWords, rec.GameResult - 1, job.TextVariant);
  TextSlot(rec, kSlotConnective) =
      VariantText(kVtResultConnectives, rec.GameResult - 1, job.TextVariant);
}

// Web pages of the two STQY kinds compose the title from title, opening and
// round as the job's title type says.
void ApplyTitleType(const TJobState& job, TChessRec& rec) {
  std::string& title = TextSlot(rec, kSlotTitle);
  const std::string opening = SlotOrEmpty(rec, kSlotOpenLine);
  const std::string round = SlotOrEmpty(rec, kSlotRound);
  switch (job.TitleType) {
    case 0:
      title = title + " " + opening;
      break;
    case 1:
      title = opening + " " + title;
      break;
    case 2:
      title = round + " " + title;
      break;
    case 4:
      title = opening;
      break;
    case 5:
      title = round + " " + title + " " + opening;
      break;
    default:
      break;
  }
  title = TrimText(title);
}

// Formats whose readers keep header and comment bytes as the file holds them.
bool StoresRawText(uint32_t format) {
  return format < static_cast<uint32_t>(kFormatCount) && FileTypes[format].RawText;
}

void ConvertRawTexts(const TJobState& job, TChessRec& rec) {
  int top = std::min<int>(rec.TextTop, static_cast<int>(rec.Texts.size()) - 1);
  for (int c = kSlotFrom; c <= top; ++c)
    if (!rec.Texts[c].empty())
      ConvertCodePage(rec.Texts[c], job.SrcCodePage, job.MapFlags,
                      static_cast<int>(job.DstCodePage));
}

void ConvertAllCommentBreaks(const TJobState& job, TChessRec& rec) {
  if (rec.SourceBreak == 0 || rec.TargetBreak == 0) return;
  int top = std::min<int>(rec.TextTop, static_cast<int>(rec.Texts.size()) - 1);
  for (int c = kSlotStartComment; c <= top; ++c)
    if (!rec.Texts[c].empty())
      ConvertCommentBreaks(rec.Texts[c], rec.SourceBreak, rec.TargetBreak,
                           static_cast<int>(job.DstCodePage));
}

// Parses `word = "value"` from 1-based position p. Returns kParamRead with the
// lower-cased word and the value's place, kParamEnd when no "=" or closing
// quote follows within the limit, kParamSkip for any other flaw.
int ReadParamAttribute(int cp, std::string_view text, size_t limit, size_t& p, std::string& word,
                       size_t& valueStart, size_t& valueLength) {
  size_t eq = PosCharDbcs(cp, '=', text, limit, p);
  if (eq == 0) return kParamEnd;
  std::string raw(text.substr(p - 1, eq - p));
  raw = TrimText(raw);
  for (char& c : raw) c = AsciiLower(c);
  if (raw != "name" && raw != "value") return kParamSkip;
  word = raw;
  size_t q = eq + 1;
  size_t end = std::min(limit, text.size());
  while (q <= end && IsBlank(text[q - 1])) ++q;
  if (q > end || text[q - 1] != '"') return kParamSkip;
  size_t closeQuote = PosCharDbcs(cp, '"', text, limit, q + 1);
  if (closeQuote == 0) return kParamEnd;
  valueStart = q + 1;
  valueLength = closeQuote - q - 1;
  p = closeQuote + 1;
  return kParamRead;
}

}  // namespace

std::string_view BreakTokenOf(int kind) {
  return kind >= 1 && kind <= 5 ? std::string_view(BreakTokens[kind - 1]) : std::string_view();
}

void ConvertCommentBreaks(std::string& text, int from, int to, int cp) {
  if (from == 0 || to == 0 || text.empty()) return;
  if (from != 3) {
    std::string_view token = BreakTokenOf(from);
    if (!token.empty()) ReplaceAllDbcs(cp, text, token, from != 4, "\r\n");
  }
  // A "?" before a line feed is left alone: no conversion here turns a CR
  // into "?", so it is the writer's own question mark and must not be lost.
  TrimRightCtl(text);
  NormaliseLineBreaks(text);
  if (to != 3) {
    std::string_view token = BreakTokenOf(to);
    ReplaceAllDbcs(cp, text, "\r\n", true, token);
  }
}

void ComputeOpening(TJobState& job, TChessRec& rec) {
  for (int s = kSlotOpenLine; s <= kSlotVariation; ++s) TextSlot(rec, s).clear();
  // Opening codes are sequences from red's first move: a record in which black
  // moves first has none (its moves would read as red's in the library).
  if (rec.GameType == 3 || rec.GameType == 4 || rec.MoveCount < 1 || rec.Lines.empty() ||
      rec.Lines[0].Last < 1 || rec.RedFirst == 0 || !EccoLoaded())
    return;
  int n = std::min(
      {rec.Lines[0].Last, kMaxOpeningMoves, rec.MoveCount, static_cast<int>(rec.Moves.size()) - 1});
  std::string moves;
  moves.reserve(4 * kMaxOpeningMoves);
  for (int i = 1; i <= n; ++i) {
    const TMoveNode& m = rec.Moves[i];
    if (!IsValidNoteCode(m.NoteHead, m.NoteTail)) break;
    moves += RenderWxf(m.NoteHead, m.NoteTail);
  }
  std::string code, opening, variation;
  if (!EccoClassify(moves, code, opening, variation)) return;
  int dst = static_cast<int>(job.DstCodePage);
  int script = static_cast<int>(job.ScriptCodePage);
  if (dst != script) {
    ConvertCodePage(opening, script, 0, dst);
    ConvertCodePage(variation, script, 0, dst);
  }
  TextSlot(rec, kSlotEcco) = code;
  TextSlot(rec, kSlotOpening) = opening;
  TextSlot(rec, kSlotVariation) = variation;
  if (!opening.empty()) {
    std::string line = code + " " + opening;
    if (!variation.empty()) line += "(" + variation + ")";
    TextSlot(rec, kSlotOpenLine) = line;
  }
}

void TitleFromFileName(TJobState& job, TChessRec& rec, const std::string& path) {
  // A library's records are not named after the library.
  if (job.FromClipboard || job.SrcFormat >= static_cast<uint32_t>(kFormatCount) ||
      FileTypes[job.SrcFormat].Source == TSourceKind::Library)
    return;
  size_t cut = path.rfind('/');
  std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  if (name.empty()) return;
  SystemToDestination(job, name);
  if (TextSlot(rec, kSlotFrom).empty()) rec.Texts[kSlotFrom] = name;

  int cp = static_cast<int>(job.DstCodePage);
  if (size_t dot = LastPosCharDbcs(cp, '.', name, name.size(), 1)) name.resize(dot - 1);

  if (const TTitleFromName fromName = FileTypes[job.SrcFormat].TitleFromName) {
    fromName(job, rec, name);
  } else {
    std::string& title = TextSlot(rec, kSlotTitle);
    if (job.FileNameToTitle || title.empty()) title = name;
  }
}

void CompleteRecord(TJobState& job, TChessRec& rec, const std::string& path) {
  FixFirstSide(rec);
  if (job.LeftToRight) MirrorRecord(rec);
  CheckMoves(job, rec);
  MakeFen(rec);
  NormaliseGameType(rec);
  NormaliseResult(job, rec);
  ComputeOpening(job, rec);
  if (rec.PageKind == 5 || rec.PageKind == 6) ApplyTitleType(job, rec);
  if (StoresRawText(job.SrcFormat)) ConvertRawTexts(job, rec);
  TitleFromFileName(job, rec, path);
  ConvertAllCommentBreaks(job, rec);
}

void AddRecordNotes(TJobState& job, TChessRec& rec) {
  const int t = rec.TargetBreak;
  if (t == 0) return;
  const std::string_view token = BreakTokenOf(t);

  if (job.AddBaseInfo) {
    int last = rec.Lines.empty() || rec.MoveCount < 1 ? 0 : rec.Lines[0].Last;
    int slot = TextSlotOf(rec, last);
    std::string note = SlotOrEmpty(rec, kSlotDate) + " " + SlotOrEmpty(rec, kSlotEvent) + " " +
                       SlotOrEmpty(rec, kSlotTitle);
    std::string& comment = TextSlot(rec, slot);
    if (!comment.empty()) {
      note += token;
      note += comment;
    }
    comment = std::move(note);
  }

  if (job.AddErrorInfo && !rec.ErrorText.empty()) {
    std::string errors = rec.ErrorText;
    std::string& start = TextSlot(rec, kSlotStartComment);
    if (start.empty()) TrimRightCtl(errors);
    if (t != 3) ReplaceAllDbcs(Process().SystemCodePage, errors, "\r\n", true, token);
    SystemToDestination(job, errors);
    start = errors + start;
    std::string& title = TextSlot(rec, kSlotTitle);
    title = "[Error]" + title;
  }
}

void ResultFromText(TChessRec& rec, std::string_view text, int cp) {
  std::string s(text);
  if (cp != kCpUtf8) ConvertCodePage(s, cp, 0, kCpUtf8);
  static constexpr std::string_view kWords[] = {"胜", "负", "和", "勝", "負"};
  static constexpr std::string_view kColours[] = {"红", "黑", "紅"};
  for (std::string_view word : kWords) {
    if (s.find(word) == std::string::npos) continue;
    if (word == "和") {
      rec.GameResult = 3;
      return;
    }
    // The colour named first in the text is the side the word speaks of:
    // 黑负红 is a red win, 红负 a black win.
    size_t best = std::string::npos;
    std::string_view colour;
    for (std::string_view c : kColours) {
      size_t at = s.find(c);
      if (at < best) {
        best = at;
        colour = c;
      }
    }
    if (best == std::string::npos) continue;
    bool red = colour != "黑";
    bool win = word == "胜" || word == "勝";
    rec.GameResult = red == win ? 1 : 2;
    return;
  }
}

std::string DateFromName(std::string_view s) {
  static constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (s.size() != 20) return std::string(s);
  int month = 0;
  for (int i = 0; i < 12; ++i)
    if (s.substr(0, 3) == kMonths[i]) month = i + 1;
  // "Mmm dd hh:mm:ss yyyy"
  auto digits = [&](size_t at, size_t n) {
    for (size_t i = at; i < at + n; ++i)
      if (s[i] < '0' || s[i] > '9') return false;
    return true;
  };
  if (month == 0 || s[3] != ' ' || s[6] != ' ' || s[9] != ':' || s[12] != ':' || s[15] != ' ' ||
      !digits(4, 2) || !digits(7, 2) || !digits(10, 2) || !digits(13, 2) || !digits(16, 4))
    return std::string(s);
  std::string_view day = s.substr(4, 2), hour = s.substr(7, 2);
  if (day[0] == '0') day.remove_prefix(1);
  if (hour[0] == '0') hour.remove_prefix(1);
  std::string out(s.substr(16, 4));
  out += "-" + std::to_string(month) + "-";
  out += day;
  out += " ";
  out += hour;
  out += s.substr(9, 3);
  return out;
}

void LogRecordWritten(TJobState& job, const TChessRec& rec) {
  std::string title = SlotOrEmpty(rec, kSlotTitle);
  if (title.empty()) {
    job.Log(SystemText("已寫一個棋譜到緩存(棋譜標題為空)！"), kLogPlain);
    return;
  }
  int sys = Process().SystemCodePage;
  int dst = static_cast<int>(job.DstCodePage);
  if (dst != sys) ConvertCodePage(title, dst, 0, sys);
  job.Log(SystemText("已寫一個棋譜到緩存：") + title, kLogPlain);
}

int ReadParamTag(int cp, std::string_view text, std::string& name, size_t& valueStart,
                 size_t& valueLength, size_t limit, size_t& position) {
  size_t tag = PosTextDbcs(cp, "<param", text, limit, position);
  if (tag == 0) return kParamEnd;
  size_t p = tag + 6;
  std::string words[2];
  size_t starts[2] = {0, 0}, lengths[2] = {0, 0};
  for (int k = 0; k < 2; ++k) {
    int r = ReadParamAttribute(cp, text, limit, p, words[k], starts[k], lengths[k]);
    if (r == kParamEnd) return kParamEnd;
    if (r == kParamSkip) {
      position = tag + 6;
      return kParamSkip;
    }
  }
  int nameAt = words[0] == "name" ? 0 : 1;
  if (words[0] == words[1] || lengths[1 - nameAt] == 0) {
    position = tag + 6;
    return kParamSkip;
  }
  name.assign(text.substr(starts[nameAt] - 1, lengths[nameAt]));
  for (char& c : name) c = AsciiLower(c);
  valueStart = starts[1 - nameAt];
  valueLength = lengths[1 - nameAt];
  position = p;
  return kParamRead;
}
