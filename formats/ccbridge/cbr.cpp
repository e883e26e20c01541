// CBR game records inside CCBridge 2.x libraries: reader and writer.
#include "formats/ccbridge/cbr.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <exception>

#include "core/complete.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"

const int CbrTextOrder[13] = {kSlotEvent,       kSlotTitle,          kSlotUrl,     0,
                              kSlotSite,        kSlotDate,           kSlotRedName, kSlotBlackName,
                              kSlotCommentator, kSlotCommentatorUrl, kSlotCreator, kSlotCreatorUrl,
                              kSlotStartComment};

namespace {

// Texts before the sub-type, before the result and after it.
constexpr int kTextsBeforeSubType = 1;
constexpr int kTextsBeforeResult = 8;
constexpr size_t kMoveEntrySize = 6;
constexpr size_t kGrowStep = 1048576;

void PutI32(std::string& out, int32_t value) {
  const uint32_t u = static_cast<uint32_t>(value);
  const char bytes[4] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                         static_cast<char>((u >> 16) & 0xFF), static_cast<char>((u >> 24) & 0xFF)};
  out.append(bytes, 4);
}

const std::string& TextAt(const TChessRec& rec, int slot) {
  static const std::string empty;
  return slot >= 0 && static_cast<size_t>(slot) < rec.Texts.size() ? rec.Texts[slot] : empty;
}

// The comment of a node without copying it.
std::string_view CommentOf(const TChessRec& rec, int node) {
  if (node < 0 || static_cast<size_t>(node) >= rec.Moves.size()) return {};
  return TextAt(rec, rec.Moves[node].TextIndex);
}

// Decodes a piece byte: column + 1 in the high nibble, row + 1 in the low one.
uint8_t DecodePiece(uint8_t b) {
  const uint8_t d = static_cast<uint8_t>(b - 0x11);
  return (d >> 4) <= 8 && (d & 0x0F) <= 9 ? d : kNoSquare;
}

uint8_t EncodePiece(uint8_t square) {
  return IsValidSquare(square) ? static_cast<uint8_t>(square + 0x11) : 0;
}

std::string NotAllRead() { return SystemText("未讀完棋譜數據,已到達結束位置"); }

// Reads the fixed part and the texts, up to and including the move count.
bool ReadRecordHeader(TByteReader& in, TChessRec& rec, int32_t& count) {
  const size_t end = in.Size();
  std::string_view pieces;
  if (!in.Skip(4) || !in.ReadBytes(32, pieces)) return false;
  for (int n = 0; n < 32; ++n) rec.Pieces[n] = DecodePiece(static_cast<uint8_t>(pieces[n]));
  if (!in.ReadI32Le(rec.GameType)) return false;
  for (int t = 0; t < 13; ++t) {
    if (t == kTextsBeforeSubType && !in.ReadI32Le(rec.SubType)) return false;
    if (t == kTextsBeforeResult && !in.ReadI32Le(rec.GameResult)) return false;
    if (!ReadCountedText(in, TextSlot(rec, CbrTextOrder[t]), end)) return false;
  }
  uint8_t redFirst = 0;
  if (!in.ReadU8(redFirst)) return false;
  rec.RedFirst = redFirst;
  // The creation and modification times are not kept.
  return in.Skip(2 * kCbrTimeLength) && in.ReadI32Le(count);
}

// Reads the comment lines of nodes 1..count from the record's reader, whose
// offsets start at the record's first byte (base in the library data).
void ReadCommentLines(TJobState& job, TChessRec& rec, TByteReader& in, int32_t count, size_t base) {
  const std::string_view bytes(reinterpret_cast<const char*>(in.Data()), in.Size());
  const size_t lastByte = bytes.size() - 1;
  size_t w = in.Offset();
  int i = 0;
  while (w < lastByte && i < count) {
    size_t cr = bytes.find("\r\n", w);
    std::string_view line;
    if (cr != std::string_view::npos && cr < lastByte) {
      line = bytes.substr(w, cr - w);
      w = cr + 2;
    } else {
      // A last line without its CR LF runs to the record's end.
      line = bytes.substr(w);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      w = bytes.size();
    }
    ++i;
    if (!line.empty()) SetMoveText(rec, i, line);
  }
  if (i < count) {
    job.LogRecord(rec, NotAllRead(), kLogError);
  } else if (w < lastByte) {
    char msg[96];
    std::snprintf(msg, sizeof msg, "%zu %zu", base + w, base + bytes.size());
    job.LogRecord(rec, SystemText("已讀完棋譜數據,沒有到達結束位置！") + msg, kLogError);
  }
}

}  // namespace

bool ReadCountedText(TByteReader& stream, std::string& text, size_t endOffset) {
  int32_t n = 0;
  if (!stream.ReadI32Le(n)) return false;
  const size_t pos = stream.Offset();
  const size_t room = endOffset > pos ? endOffset - pos : 0;
  const size_t m = n <= 0 ? 0 : std::min(static_cast<size_t>(n), room);
  text.assign(stream.ReadAtMost(m));
  return true;
}

void WriteCountedText(std::string& stream, std::string_view text) {
  PutI32(stream, static_cast<int32_t>(text.size()));
  stream.append(text);
}

bool SkipCountedText(TByteReader& stream) {
  int32_t n = 0;
  if (!stream.ReadI32Le(n)) return false;
  return n <= 0 || stream.Skip(static_cast<size_t>(n));
}

bool ReadCbrRecord(TJobState& job, TChessRec& rec, std::string_view data, size_t startOffset,
                   size_t endOffset, const std::string& label) {
  try {
    ResetRecord(rec, static_cast<int>(job.SrcFormat), static_cast<int>(job.DstFormat));
    job.Log(SystemText("\r\n讀取棋譜：") + label, kLogPlain);
    TByteReader library(data);
    TByteReader in;
    if (endOffset < startOffset || !library.Slice(startOffset, endOffset - startOffset, in)) {
      job.LogRecord(rec, SystemText("棋譜結束位置超出數據總長度：") + label, kLogError);
      return false;
    }
    int32_t count = 0;
    if (!ReadRecordHeader(in, rec, count)) {
      // The record is too short for its fixed part: nothing of it is used.
      job.LogRecord(rec, NotAllRead(), kLogError);
      return false;
    }
    const int32_t fits = static_cast<int32_t>(in.Remaining() / kMoveEntrySize);
    count = std::min(count, fits);
    if (count > 0) {
      SetMoveCapacity(rec, count + 1);
      for (int i = 1; i <= count; ++i) {
        TMoveNode& node = rec.Moves[i];
        uint16_t ply = 0;
        in.ReadU16Le(ply);
        // Plies are taken as stored: an alternative whose ply no earlier move
        // has ends the tree there with an error, rather than being hung onto a
        // move of the other side.
        node.Ply = ply;
        in.ReadU8(node.From);
        in.ReadU8(node.Dest);
        in.ReadU8(node.NoteHead);
        in.ReadU8(node.NoteTail);
      }
      BuildTreeFromPlies(job, rec, count);
      ReadCommentLines(job, rec, in, count, startOffset);
    }
    CompleteRecord(job, rec, std::string());
    job.EndRecordLog(rec);
    return true;
  } catch (const std::exception& e) {
    job.LogRecord(rec, e.what(), kLogError);
    return false;
  }
}

bool WriteCbrRecord(TJobState& job, TChessRec& rec, std::string& stream) {
  try {
    AddRecordNotes(job, rec);
    const int count =
        std::clamp(rec.MoveCount, 0, std::max(static_cast<int>(rec.Moves.size()) - 1, 0));
    TextSlot(rec, 0).clear();

    // A comment line ends at CR LF, so a line break left inside a comment is
    // stored as the library's own break instead of splitting the line.
    const int cp = static_cast<int>(job.DstCodePage);
    for (int i = 1; i <= count; ++i) {
      const int slot = rec.Moves[i].TextIndex;
      if (slot > 0 && static_cast<size_t>(slot) < rec.Texts.size() &&
          rec.Texts[slot].find("\r\n") != std::string::npos)
        ReplaceAllDbcs(cp, rec.Texts[slot], "\r\n", true, "||");
    }
    std::string& startComment = TextSlot(rec, kSlotStartComment);
    if (startComment.find("\r\n") != std::string::npos)
      ReplaceAllDbcs(cp, startComment, "\r\n", true, "||");

    size_t size = kCbrFixedSize + 8 * static_cast<size_t>(count);
    for (int slot : CbrTextOrder) size += TextAt(rec, slot).size();
    for (int i = 1; i <= count; ++i) size += CommentOf(rec, i).size();

    const size_t want = (stream.size() + size + kGrowStep - 1) / kGrowStep * kGrowStep;
    if (want > stream.capacity()) stream.reserve(want);

    const size_t start = stream.size();
    PutI32(stream, static_cast<int32_t>(size));
    for (uint8_t square : rec.Pieces) stream.push_back(static_cast<char>(EncodePiece(square)));
    PutI32(stream, rec.GameType);
    for (int t = 0; t < 13; ++t) {
      if (t == kTextsBeforeSubType) PutI32(stream, rec.SubType);
      if (t == kTextsBeforeResult) PutI32(stream, rec.GameResult);
      WriteCountedText(stream, TextAt(rec, CbrTextOrder[t]));
    }
    stream.push_back(static_cast<char>(rec.RedFirst & 0xFF));
    const std::string now = LocalTimeText();
    stream += now;
    stream += now;
    PutI32(stream, count);
    for (int i = 1; i <= count; ++i) {
      const TMoveNode& node = rec.Moves[i];
      const uint16_t ply = static_cast<uint16_t>(node.Ply & 0xFFFF);
      const char entry[6] = {static_cast<char>(ply & 0xFF),    static_cast<char>(ply >> 8),
                             static_cast<char>(node.From),     static_cast<char>(node.Dest),
                             static_cast<char>(node.NoteHead), static_cast<char>(node.NoteTail)};
      stream.append(entry, 6);
    }
    for (int i = 1; i <= count; ++i) {
      stream += CommentOf(rec, i);
      stream += "\r\n";
    }
    if (stream.size() - start != size) {
      // Cannot happen unless the size rule above is broken; keep the data whole.
      stream.resize(start);
      job.LogRecord(rec, SystemText("棋譜數據大小計算錯誤"), kLogError);
      return false;
    }
    LogRecordWritten(job, rec);
    return true;
  } catch (const std::exception& e) {
    job.LogRecord(rec, e.what(), kLogError);
    return false;
  }
}

std::string ReadCbrTitle(std::string_view data, size_t startOffset, size_t endOffset) {
  TByteReader library(data);
  TByteReader in;
  std::string text;
  int32_t eventLength = 0;
  int32_t subType = 0;
  if (endOffset < startOffset || !library.Slice(startOffset, endOffset - startOffset, in) ||
      !in.Skip(kCbrFirstTextOffset) || !in.ReadI32Le(eventLength))
    return std::string();
  // The match name is cut at the record's end, as the reader cuts it.
  if (eventLength > 0) in.ReadAtMost(static_cast<size_t>(eventLength));
  if (!in.ReadI32Le(subType) || !ReadCountedText(in, text, in.Size())) return std::string();
  return text;
}

std::string LocalTimeText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return std::string(text, kCbrTimeLength);
}
