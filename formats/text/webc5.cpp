// WebCchess 5 page writer. The page is one applet element: the codebase from
// the job options, one <PARAM> line per header value, the start position
// ("binit"), the move list with each move's parent (so variations survive)
// and one parameter per comment ("j" + node index).
#include "formats/text/webc5.h"

#include <algorithm>
#include <exception>
#include <string_view>

#include "core/board.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"
#include "core/variants.h"
#include "formats/text/dhtmlxq.h"

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kHtmlHead1 = "<HTML>\r\n<TITLE>WebCchess - [";
constexpr std::string_view kHtmlHead2 = "]</TITLE>\r\n<BODY>\r\n<CENTER>\r\n";
constexpr std::string_view kHtmlTail = "</APPLET>\r\n</CENTER>\r\n</BODY>\r\n</HTML>\r\n";
constexpr std::string_view kUbbHead = "[webc]\r\n";
constexpr std::string_view kUbbTail = "</APPLET>\r\n[/webc]\r\n";
constexpr std::string_view kAppletTail = "</APPLET>\r\n";
constexpr std::string_view kAppletOpen = "<APPLET code=\"webcchess.class\" codebase=\"";
constexpr std::string_view kAppletClose =
    "\" height=340 width=502 style=\"HEIGHT: 340px; LEFT: 0px; TOP: 0px; WIDTH: 502px\">\r\n";
constexpr std::string_view kParamOpen = "    <PARAM NAME=\"";
constexpr std::string_view kParamValue = "\" VALUE=\"";
constexpr std::string_view kParamClose = "\">\r\n";
constexpr std::string_view kBinitOpen = "    <PARAM NAME=\"binit\" VALUE=\"";
constexpr std::string_view kMoveListOpen = "    <PARAM NAME=\"movelist\" VALUE=\"";

// Characters of the move code, indexed by the notation code's nibbles and the side.
constexpr std::string_view kPieceChars = "112234567899ABUUVVWWCCEEGGIIKK";
constexpr std::string_view kFileChars = "CDEFGHIJKLMNOPQRST112234567899AB";
constexpr std::string_view kDirectionChars = "XYZ";
constexpr std::string_view kTargetChars = "CDEFGHIJKLMNOPQRST";

// Square pairs plus code of one move, without the parent number.
constexpr size_t kMoveFixedChars = 8;

// The codebase goes into a double-quoted attribute: a double quote in it would
// end the attribute early, so it is written as its URL escape.
std::string QuotedCodeBase(const std::string& codeBase) {
  std::string out;
  out.reserve(codeBase.size());
  for (char c : codeBase) {
    if (c == '"')
      out += "%22";
    else
      out += c;
  }
  return out;
}

const std::string* CommentOf(const TChessRec& rec, int node) {
  const int slot = rec.Moves[node].TextIndex;
  if (slot <= 0 || static_cast<size_t>(slot) >= rec.Texts.size()) return nullptr;
  const std::string& text = rec.Texts[slot];
  return text.empty() ? nullptr : &text;
}

void AppendSquares(std::string& out, uint8_t from, uint8_t dest) {
  if (!IsValidSquare(from) || !IsValidSquare(dest)) {
    out += "XXXX";
    return;
  }
  out += static_cast<char>('0' + SquareX(from));
  out += static_cast<char>('0' + SquareY(from));
  out += static_cast<char>('0' + SquareX(dest));
  out += static_cast<char>('0' + SquareY(dest));
}

// At least four digits, with leading zeros.
void AppendParent(std::string& out, int parent) {
  const std::string digits = std::to_string(std::max(parent, 0));
  if (digits.size() < 4) out.append(4 - digits.size(), '0');
  out += digits;
}

size_t ParentChars(int parent) {
  return static_cast<size_t>(std::max(DigitCount(std::max(parent, 0)), 4));
}

void AppendParam(std::string& out, std::string_view name, std::string_view value) {
  out += kParamOpen;
  out += name;
  out += kParamValue;
  out += value;
  out += kParamClose;
}

size_t ParamChars(size_t nameChars, size_t valueChars) {
  return kParamOpen.size() + nameChars + kParamValue.size() + valueChars + kParamClose.size();
}

std::string CommentName(int node) { return "j" + std::to_string(node); }

constexpr int kWebC5MoveLimit = 10000;

}  // namespace

void LimitWebC5Moves(TJobState& job, TChessRec& rec) {
  if (rec.MoveCount <= kWebC5MoveLimit) return;
  job.LogRecord(rec,
                SystemText("總步數：" + std::to_string(rec.MoveCount) +
                           "，由于[WebCchess 5]棋譜格式的限制，只能轉換一萬步。"),
                kLogWarning);
  CutTree(rec, kWebC5MoveLimit);
}

std::string WebC5NoteCode(unsigned noteHead, unsigned noteTail, int side) {
  const unsigned h = (noteHead >> 4) & 0x0F, l = noteHead & 0x0F;
  const unsigned t = (noteTail >> 4) & 0x0F, u = noteTail & 0x0F;
  if (h > 14 || t > 2 || u > 8) return "0000";
  const unsigned s = side ? 1 : 0;
  std::string code(4, '0');
  code[0] = kPieceChars[h * 2 + s];
  code[1] = kFileChars[l * 2 + s];
  code[2] = kDirectionChars[t];
  code[3] = kTargetChars[u * 2 + s];
  return code;
}

size_t RenderWebC5(TJobState& job, TChessRec& rec, std::string& out) {
  if (rec.Texts.size() <= kSlotStartComment) rec.Texts.resize(kSlotStartComment + 1);
  if (rec.Moves.empty()) rec.Moves.resize(1);

  // No ASCII double quote may remain inside an attribute value.
  const int top = std::min<int>(rec.TextTop, static_cast<int>(rec.Texts.size()) - 1);
  for (int slot = kSlotFrom; slot <= top; ++slot)
    if (!rec.Texts[slot].empty()) CurlyQuotes(rec.Texts[slot], job.DstCodePageIndex);
  rec.Texts[kSlotSound] = job.Sound;
  rec.Texts[kSlotShowMove] = job.ShowMove;

  std::string_view tail = kAppletTail;
  std::string head;
  if (job.Html) {
    head.reserve(kHtmlHead1.size() + rec.Texts[kSlotTitle].size() + kHtmlHead2.size());
    head += kHtmlHead1;
    head += rec.Texts[kSlotTitle];
    head += kHtmlHead2;
    tail = kHtmlTail;
  } else if (job.UBB) {
    head = kUbbHead;
    tail = kUbbTail;
  }
  const std::string codeBase = QuotedCodeBase(job.CodeBase);
  const int moveCount = std::clamp<int>(rec.MoveCount, 0, static_cast<int>(rec.Moves.size()) - 1);
  const bool utf8 = job.DstCodePage == kCpUtf8;

  // The exact length, summed piece by piece before anything is written.
  size_t length = (utf8 ? kUtf8Bom.size() : 0) + head.size() + kAppletOpen.size() +
                  codeBase.size() + kAppletClose.size() + tail.size();
  for (const TCodeRec& key : AppletKeys) {
    const std::string& value = rec.Texts[key.Code];
    if (!value.empty()) length += ParamChars(std::string_view(key.Text).size(), value.size());
  }
  length += kBinitOpen.size() + 64 + kParamClose.size();
  if (moveCount > 0) {
    length += kMoveListOpen.size() + kParamClose.size();
    for (int node = 1; node <= moveCount; ++node)
      length += kMoveFixedChars + ParentChars(rec.Moves[node].Parent);
  }
  for (int node = 0; node <= moveCount; ++node)
    if (const std::string* comment = CommentOf(rec, node))
      length += ParamChars(1 + static_cast<size_t>(DigitCount(node)), comment->size());

  out.clear();
  out.reserve(length);
  if (utf8) out += kUtf8Bom;
  out += head;
  out += kAppletOpen;
  out += codeBase;
  out += kAppletClose;
  for (const TCodeRec& key : AppletKeys) {
    const std::string& value = rec.Texts[key.Code];
    if (!value.empty()) AppendParam(out, key.Text, value);
  }
  WriteSquareDigits(rec, out, "nn", kBinitOpen, kParamClose);
  if (moveCount > 0) {
    out += kMoveListOpen;
    for (int node = 1; node <= moveCount; ++node) {
      const TMoveNode& m = rec.Moves[node];
      AppendSquares(out, m.From, m.Dest);
      out += WebC5NoteCode(m.NoteHead, m.NoteTail, static_cast<int>(m.Flags & kFlagBlack));
      AppendParent(out, m.Parent);
    }
    out += kParamClose;
  }
  for (int node = 0; node <= moveCount; ++node)
    if (const std::string* comment = CommentOf(rec, node))
      AppendParam(out, CommentName(node), *comment);
  out += tail;
  return length;
}
