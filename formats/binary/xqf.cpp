// XQF game records: reader and writer.
#include "formats/binary/xqf.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <random>
#include <string>

#include "core/bytereader.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"

const char XqfMaskText[33] = "[(C) Copyright Mr. Dong Shiwei.]";

namespace {

static_assert(sizeof(XqfMaskText) == 33, "the mask is 32 characters");

// One length-prefixed header text: record slot, file offset of the length
// byte, largest number of text bytes.
struct TXqfTextField {
  int Slot;
  int Offset;
  int MaxLength;
};

constexpr TXqfTextField XqfHeaderTexts[11] = {
    {kSlotTitle, 80, 63},        {kSlotEvent, 208, 63},   {kSlotDate, 272, 15},
    {kSlotSite, 288, 15},        {kSlotRedName, 304, 15}, {kSlotBlackName, 320, 15},
    {kSlotTimeRule, 336, 63},    {kSlotRedTime, 400, 15}, {kSlotBlackTime, 416, 15},
    {kSlotCommentator, 464, 15}, {kSlotCreator, 480, 15},
};

// XQF slot of each record piece slot. XQF numbers the red back rank from the
// right, the cannons the other way round and the pawns from the right; black
// uses the record's order.
constexpr uint8_t XqfSlotOfPiece[32] = {8,  7,  6,  5,  4,  3,  2,  1,  0,  10, 9,
                                        15, 14, 13, 12, 11, 16, 17, 18, 19, 20, 21,
                                        22, 23, 24, 25, 26, 27, 28, 29, 30, 31};

constexpr size_t kOffVersion = 2;
constexpr size_t kOffPieces = 16;
constexpr size_t kOffFirstSide = 50;
constexpr size_t kOffResult = 51;
constexpr size_t kOffGameType = 64;
constexpr int kPlainRecordSize = 8;  // squares, tag, reserved, comment length
constexpr int kKeyedRecordSize = 4;  // squares, tag, reserved
constexpr uint8_t kTagComment = 0x20;

const TXqfTextField* FindTextField(int slot) {
  for (const TXqfTextField& f : XqfHeaderTexts)
    if (f.Slot == slot) return &f;
  return nullptr;
}

// Stored square byte to record square: the stored number is column*10 + row
// counted from red's back rank, shifted by the key.
uint8_t DecodeSquare(uint8_t stored, uint8_t key) {
  uint8_t xy = static_cast<uint8_t>(stored - key);
  if (xy > 89) return kNoSquare;
  return static_cast<uint8_t>(((xy / 10) << 4) | (9 - xy % 10));
}

uint8_t EncodeSquare(uint8_t square, uint8_t key) {
  uint8_t xy = IsValidSquare(square)
                   ? static_cast<uint8_t>((square >> 4) * 10 + 9 - (square & 0x0F))
                   : kNoSquare;
  return static_cast<uint8_t>(xy + key);
}

// Header offset of record piece slot n under a rotation of `shift` slots.
size_t PieceOffset(int n, int shift) {
  int slot = (XqfSlotOfPiece[n] - shift) % 32;
  if (slot < 0) slot += 32;
  return kOffPieces + static_cast<size_t>(slot);
}

// Length of the longest prefix of bytes[0..len) that does not end inside a
// multi-byte character of the code page. GBK and Big5: a last byte that starts
// a double-byte character is dropped. UTF-8: an unfinished sequence at the end
// is dropped.
size_t WholeCharLength(const uint8_t* bytes, size_t len, int codePage) {
  if (len == 0) return 0;
  if (codePage == kCpUtf8) {
    size_t start = len;
    size_t back = 0;
    while (start > 0 && back < 3 && (bytes[start - 1] & 0xC0) == 0x80) {
      --start;
      ++back;
    }
    if (start == 0) return len;
    uint8_t lead = bytes[start - 1];
    size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return (len - (start - 1) < need) ? start - 1 : len;
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes), len);
  return DbcsByteKind(codePage, text, len) == 1 ? len - 1 : len;
}

// The comment of a node without copying it (the same rule as GetMoveText).
std::string_view CommentOf(const TChessRec& rec, size_t node) {
  if (node >= rec.Moves.size()) return {};
  int32_t slot = rec.Moves[node].TextIndex;
  if (slot <= 0 || static_cast<size_t>(slot) >= rec.Texts.size()) return {};
  return rec.Texts[static_cast<size_t>(slot)];
}

uint8_t RandomByte() {
  static std::mt19937 generator{std::random_device{}()};
  return static_cast<uint8_t>(generator() & 0xFF);
}

void PutI32Le(std::string& out, size_t& pos, int32_t value) {
  uint32_t u = static_cast<uint32_t>(value);
  for (int b = 0; b < 4; ++b) out[pos++] = static_cast<char>((u >> (8 * b)) & 0xFF);
}

// "第 %d" followed by the rest of a per-move message.
std::string NodeMessage(int node, const char* rest) {
  return SystemText("第 " + std::to_string(node) + rest);
}

}  // namespace

TXqfKeys DeriveXqfKeys(const uint8_t* h) {
  TXqfKeys k;
  const int a = h[12], b = h[13], e = h[14], d = h[15];
  k.CommentKey = ((a * 256 + b) % 32000) + 767;
  k.PieceKey = static_cast<uint8_t>((b * b * 54 - 35) * b);
  const uint8_t f = static_cast<uint8_t>((e * e * 54 - 35) * k.PieceKey);
  k.FromKey = static_cast<uint8_t>(f + 24);
  k.DestKey = static_cast<uint8_t>(static_cast<uint8_t>((d * d * 54 - 35) * f) + 32);
  uint8_t q[4];
  for (int i = 0; i < 4; ++i) q[i] = static_cast<uint8_t>((h[3] & h[12 + i]) | h[8 + i]);
  for (int i = 0; i < 32; ++i)
    k.BodyKey[i] = static_cast<uint8_t>(q[i % 4] & static_cast<uint8_t>(XqfMaskText[i]));
  return k;
}

std::string ReadShortText(const uint8_t* header, int slot, int codePage) {
  const TXqfTextField* field = FindTextField(slot);
  if (!field) return {};
  const uint8_t* bytes = header + field->Offset + 1;
  size_t n = std::min<size_t>(header[field->Offset], static_cast<size_t>(field->MaxLength));
  // A text that ends with the first half of a double-byte character (a cut
  // made by the program that wrote it) loses that half.
  n = WholeCharLength(bytes, n, codePage);
  return std::string(reinterpret_cast<const char*>(bytes), n);
}

void WriteShortText(uint8_t* header, int slot, std::string_view text, int codePage) {
  const TXqfTextField* field = FindTextField(slot);
  if (!field) return;
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text.data());
  size_t n = text.size();
  if (n > static_cast<size_t>(field->MaxLength)) {
    n = WholeCharLength(bytes, static_cast<size_t>(field->MaxLength), codePage);
  }
  while (n > 0 && bytes[n - 1] < 0x21) --n;
  uint8_t* out = header + field->Offset;
  out[0] = static_cast<uint8_t>(n);
  if (n > 0) std::memcpy(out + 1, bytes, n);
  std::memset(out + 1 + n, 0, static_cast<size_t>(field->MaxLength) - n);
}

namespace {

// The flags promise more moves than the file holds: it was cut short. What
// was read is kept.
void LogCutShort(TJobState& job, TChessRec& rec, int node) {
  job.LogRecord(
      rec, SystemText("棋譜數據不完整，只讀到 " + std::to_string(std::max(node, 0)) + " 步棋。"),
      kLogWarning);
}

}  // namespace

bool ReadXqfData(TJobState& job, TChessRec& rec, std::string& data) {
  const size_t size = data.size();
  if (size < kXqfMinSize) {
    job.LogRecord(rec, SystemText("此文件小于 " + std::to_string(kXqfMinSize) + " 字節!"),
                  kLogError);
    return false;
  }
  uint8_t* bytes = reinterpret_cast<uint8_t*>(data.data());
  if (bytes[0] != 'X' || bytes[1] != 'Q') {
    job.LogRecord(rec, SystemText("此文件不是象棋演播室棋譜文件。"), kLogError);
    return false;
  }
  const int version = bytes[kOffVersion];
  job.LogRecord(rec,
                SystemText("象棋演播室棋譜文件版本號：" + std::to_string(version / 10) + "." +
                           std::to_string(version % 10)),
                kLogPlain);
  if (version > 18) {
    job.LogRecord(rec, SystemText("不支持此版本的象棋演播室文件。"), kLogError);
    return false;
  }

  const bool keyed = version >= 11;
  TXqfKeys keys;
  const int recordSize = keyed ? kKeyedRecordSize : kPlainRecordSize;
  if (keyed) {
    keys = DeriveXqfKeys(bytes);
    for (size_t k = kXqfHeaderSize; k < size; ++k)
      bytes[k] = static_cast<uint8_t>(bytes[k] - keys.BodyKey[k % 32]);
  }
  // Every record takes at least recordSize bytes, so this bounds the node count.
  const int64_t estimate =
      (static_cast<int64_t>(size) - static_cast<int64_t>(kXqfHeaderSize)) / recordSize;

  const int pieceShift = version >= 12 ? keys.PieceKey + 1 : 0;
  for (int n = 0; n < 32; ++n)
    rec.Pieces[n] = DecodeSquare(bytes[PieceOffset(n, pieceShift)], keys.PieceKey);
  rec.RedFirst = bytes[kOffFirstSide] == 0 ? 1 : 0;
  rec.GameResult = bytes[kOffResult];
  rec.GameType = bytes[kOffGameType] + 1;
  if (rec.Texts.size() <= static_cast<size_t>(kSlotStartComment)) rec.Texts.resize(255);
  for (const TXqfTextField& f : XqfHeaderTexts)
    rec.Texts[f.Slot] = ReadShortText(bytes, f.Slot, job.SrcCodePage);

  // Room for the bound, but nodes are only made as records are read: a file
  // whose comments fill most of its bytes does not touch memory for moves it
  // does not have.
  rec.Moves.reserve(static_cast<size_t>(std::clamp<int64_t>(estimate, 1, INT32_MAX - 1)));

  TByteReader body(reinterpret_cast<const uint8_t*>(data.data()), size);
  int node = -1;
  if (body.Seek(kXqfHeaderSize)) {
    int64_t pending = 0;  // alternatives announced but not read yet
    bool continues = true;
    while (continues || pending > 0) {
      if (!body.Has(static_cast<size_t>(recordSize))) {
        LogCutShort(job, rec, node);
        break;
      }
      if (static_cast<size_t>(node + 1) >= rec.Moves.size()) rec.Moves.emplace_back();
      ++node;
      if (!continues) --pending;
      uint8_t from = 0, dest = 0, tag = 0, reserved = 0;
      body.ReadU8(from);
      body.ReadU8(dest);
      body.ReadU8(tag);
      body.ReadU8(reserved);

      int64_t length = 0;
      bool alternative;
      uint32_t flags;
      bool lengthMissing = false;
      if (keyed) {
        flags = tag & 0xE0;
        continues = (tag & kFlagContinues) != 0;
        alternative = (tag & kFlagHasAlt) != 0;
        if (tag & kTagComment) {
          int32_t stored = 0;
          if (body.ReadI32Le(stored))
            length = static_cast<int64_t>(stored) - keys.CommentKey;
          else
            lengthMissing = true;
        }
      } else {
        continues = (tag & 0xF0) != 0;
        alternative = (tag & 0x0F) != 0;
        int32_t stored = 0;
        body.ReadI32Le(stored);  // present: the record fitted
        length = stored;
        flags = (continues ? kFlagContinues : 0) | (alternative ? kFlagHasAlt : 0);
      }

      TMoveNode& move = rec.Moves[static_cast<size_t>(node)];
      move.Flags = flags;
      if (node > 0) {
        move.From = DecodeSquare(from, keys.FromKey);
        if (move.From == kNoSquare)
          job.LogRecord(rec, NodeMessage(node, " 步棋的開始位置錯誤。"), kLogError);
        move.Dest = DecodeSquare(dest, keys.DestKey);
        if (move.Dest == kNoSquare)
          job.LogRecord(rec, NodeMessage(node, " 步棋的到達位置錯誤。"), kLogError);
      }
      if (lengthMissing || (length > 0 && static_cast<uint64_t>(length) > body.Remaining())) {
        job.LogRecord(rec, NodeMessage(node, " 步：注解大小出錯！"), kLogError);
      }
      if (length > 0) {
        std::string_view text = body.ReadAtMost(static_cast<size_t>(length));
        if (!text.empty()) SetMoveText(rec, node, text);
      }
      if (alternative) ++pending;
      if (lengthMissing) {
        LogCutShort(job, rec, node);
        break;
      }
    }
  }
  BuildTreeFromFlags(rec, std::max(node, 0));
  return true;
}

bool RecogniseXqf(std::string_view head) { return head.size() >= 2 && head.substr(0, 2) == "XQ"; }

size_t RenderXqf(const TChessRec& rec, int version, int codePage, std::string& out) {
  const bool keyed = version >= 11;
  const size_t last =
      rec.Moves.empty()
          ? 0
          : std::min<size_t>(static_cast<size_t>(std::max(rec.MoveCount, 0)), rec.Moves.size() - 1);
  // The exact size first, so that the buffer is filled without growing.
  size_t size = kXqfHeaderSize;
  for (size_t i = 0; i <= last; ++i) {
    size_t length = CommentOf(rec, i).size();
    if (keyed)
      size += kKeyedRecordSize + (length > 0 ? 4 + length : 0);
    else
      size += kPlainRecordSize + length;
  }
  out.assign(size, '\0');
  uint8_t* h = reinterpret_cast<uint8_t*>(out.data());

  h[0] = 'X';
  h[1] = 'Q';
  h[kOffVersion] = keyed ? 18 : 10;
  TXqfKeys keys;
  int pieceShift = 0;
  if (keyed) {
    h[3] = RandomByte() | 0xAA;
    for (int i = 9; i <= 14; ++i) h[i] = RandomByte();
    // Each group of four key bytes sums to 0 modulo 256.
    h[8] = static_cast<uint8_t>(-(h[9] + h[10] + h[11]));
    h[15] = static_cast<uint8_t>(-(h[12] + h[13] + h[14]));
    keys = DeriveXqfKeys(h);
    pieceShift = keys.PieceKey + 1;
  }
  for (int n = 0; n < 32; ++n)
    h[PieceOffset(n, pieceShift)] = EncodeSquare(rec.Pieces[n], keys.PieceKey);
  h[kOffFirstSide] = rec.RedFirst == 1 ? 0 : 1;
  h[kOffResult] = static_cast<uint8_t>(rec.GameResult & 3);
  h[kOffGameType] = static_cast<uint8_t>(rec.GameType - 1);
  for (const TXqfTextField& f : XqfHeaderTexts) {
    if (static_cast<size_t>(f.Slot) < rec.Texts.size())
      WriteShortText(h, f.Slot, rec.Texts[static_cast<size_t>(f.Slot)], codePage);
  }

  size_t pos = kXqfHeaderSize;
  for (size_t i = 0; i <= last; ++i) {
    const TMoveNode& move = rec.Moves[i];
    std::string_view comment = CommentOf(rec, i);
    // Node 0 carries no move; its squares hold the first stored square.
    const uint8_t from = i == 0 ? 0x09 : move.From;
    const uint8_t dest = i == 0 ? 0x09 : move.Dest;
    h[pos++] = EncodeSquare(from, keys.FromKey);
    h[pos++] = EncodeSquare(dest, keys.DestKey);
    if (keyed) {
      h[pos++] = static_cast<uint8_t>((move.Flags & (kFlagContinues | kFlagHasAlt)) |
                                      (comment.empty() ? 0 : kTagComment));
      h[pos++] = 0;
      if (!comment.empty()) {
        PutI32Le(out, pos,
                 static_cast<int32_t>(comment.size() + static_cast<size_t>(keys.CommentKey)));
        std::memcpy(h + pos, comment.data(), comment.size());
        pos += comment.size();
      }
    } else {
      h[pos++] = static_cast<uint8_t>(((move.Flags & kFlagContinues) ? 0xF0 : 0) |
                                      ((move.Flags & kFlagHasAlt) ? 0x0F : 0));
      h[pos++] = 0;
      PutI32Le(out, pos, static_cast<int32_t>(comment.size()));
      if (!comment.empty()) std::memcpy(h + pos, comment.data(), comment.size());
      pos += comment.size();
    }
  }
  h[kXqfHeaderSize + 3] = 0xFF;
  if (keyed) {
    for (size_t k = kXqfHeaderSize; k < size; ++k)
      h[k] = static_cast<uint8_t>(h[k] + keys.BodyKey[k % 32]);
  }
  return size;
}

size_t RenderXqfRecord(TJobState& job, TChessRec& rec, std::string& out) {
  return RenderXqf(rec, job.XQFVersion, static_cast<int>(job.DstCodePage), out);
}
