// OurGame game records: reader.
#include "formats/binary/ourgame.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/bytereader.h"
#include "core/complete.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"

namespace {

constexpr uint8_t kMagic[4] = {0x47, 0x4C, 0xD0, 0x07};

// Header fields shared by both versions: offset and size of each fixed text.
constexpr size_t kOffVersion = 4;
constexpr size_t kOffDate = 12, kLenDate = 20;
constexpr size_t kOffTitle = 36, kLenTitle = 64;
constexpr size_t kOffPlayerA = 100;
constexpr size_t kLenName = 20;

// Older version: who plays red, player B's texts and the move records.
constexpr size_t kOldOffARed = 140;
constexpr size_t kOldOffPlayerB = 144;
constexpr size_t kOldMoveSize = 32;

// Newer version.
constexpr size_t kNewOffPlayerB = 140;
constexpr size_t kNewOffBoard = 180;
constexpr size_t kNewOffARed = 360;
constexpr size_t kNewOffResult = 362;
constexpr size_t kNewOffRedFirst = 468;
constexpr size_t kNewOffNodes = 472;
constexpr size_t kNodeSize = 36;

// A text of a fixed field: up to the first NUL byte or the field's end. The
// field is cut at the end of the file (the version checks make that rare).
std::string FixedText(const TByteReader& file, size_t offset, size_t length) {
  if (offset >= file.Size()) return {};
  TByteReader field;
  file.Slice(offset, std::min(length, file.Size() - offset), field);
  std::string_view bytes = field.ReadAtMost(length);
  return std::string(bytes.substr(0, bytes.find('\0')));
}

int32_t I32At(const TByteReader& file, size_t offset) {
  uint32_t v = 0;
  file.U32LeAt(offset, v);
  return static_cast<int32_t>(v);
}

// "第 %d" followed by the rest of a per-move message.
std::string NodeMessage(int node, const char* rest) {
  return SystemText("第 " + std::to_string(node) + rest);
}

std::string TooShortMessage(size_t bytes) {
  return SystemText("此文件小于 " + std::to_string(bytes) + " 字節!");
}

// Date, title and the two players (name = second text + "(" + first text + ")").
void ReadHeaderTexts(TChessRec& rec, const TByteReader& file, size_t offPlayerB, bool aPlaysRed) {
  rec.Texts[kSlotDate] = DateFromName(FixedText(file, kOffDate, kLenDate));
  rec.Texts[kSlotTitle] = FixedText(file, kOffTitle, kLenTitle);
  auto name = [&](size_t offset) {
    return FixedText(file, offset + kLenName, kLenName) + "(" + FixedText(file, offset, kLenName) +
           ")";
  };
  std::string a = name(kOffPlayerA), b = name(offPlayerB);
  rec.Texts[kSlotRedName] = aPlaysRed ? a : b;
  rec.Texts[kSlotBlackName] = aPlaysRed ? b : a;
}

// The older version: main-line moves seen from player A's side.
void ReadOldVersion(TJobState& job, TChessRec& rec, const TByteReader& file) {
  rec.SourceBreak = 0;
  const bool aPlaysRed = I32At(file, kOldOffARed) == 1;
  ReadHeaderTexts(rec, file, kOldOffPlayerB, aPlaysRed);
  ResultFromText(rec, std::string_view(rec.Texts[kSlotTitle]).substr(0, 4), job.SrcCodePage);

  const size_t n = (file.Size() - kOurGameOldMinSize) / kOldMoveSize;
  SetMoveCapacity(rec, static_cast<int>(std::min<size_t>(n + 1, INT32_MAX)));
  int kept = 0;
  for (size_t i = 1; i <= n && static_cast<size_t>(kept + 1) < rec.Moves.size(); ++i) {
    const size_t at = kOurGameOldMinSize + (i - 1) * kOldMoveSize;
    const uint8_t fromX = file.U8At(at + 4), fromY = file.U8At(at + 6);
    const uint8_t toX = file.U8At(at + 8), toY = file.U8At(at + 10);
    const int number = static_cast<int>(i);
    if (fromX > 8 || fromY > 9) {
      job.LogRecord(rec, NodeMessage(number, " 步棋的開始位置錯誤。"), kLogError);
      break;
    }
    if (toX > 8 || toY > 9) {
      job.LogRecord(rec, NodeMessage(number, " 步棋的到達位置錯誤。"), kLogError);
      break;
    }
    uint8_t from = static_cast<uint8_t>(fromX << 4 | fromY);
    uint8_t to = static_cast<uint8_t>(toX << 4 | toY);
    if (!aPlaysRed) {  // seen from black's side: turn the board half a circle
      from = static_cast<uint8_t>(0x89 - from);
      to = static_cast<uint8_t>(0x89 - to);
    }
    ++kept;
    rec.Moves[static_cast<size_t>(kept)].From = from;
    rec.Moves[static_cast<size_t>(kept)].Dest = to;
  }
  BuildLinearTree(rec, kept);
}

// Record piece slot of each start-position code, -1 for an empty square. The
// low three bits give the kind, bit 3 black, the high nibble the piece number.
struct TPieceSlots {
  int8_t Slot[256];
  TPieceSlots() {
    std::memset(Slot, -1, sizeof Slot);
    constexpr uint8_t kRedCodes[16] = {0x11, 0x12, 0x16, 0x15, 0x14, 0x25, 0x26, 0x22,
                                       0x21, 0x13, 0x23, 0x17, 0x27, 0x37, 0x47, 0x57};
    for (int s = 0; s < 16; ++s) {
      Slot[kRedCodes[s]] = static_cast<int8_t>(s);
      Slot[kRedCodes[s] + 8] = static_cast<int8_t>(s + 16);
    }
  }
};

void ReadStartPosition(TChessRec& rec, const TByteReader& file) {
  static const TPieceSlots slots;
  for (uint8_t& sq : rec.Pieces) sq = kNoSquare;
  for (size_t k = 0; k < 90; ++k) {
    const int slot = slots.Slot[file.U8At(kNewOffBoard + k)];
    if (slot >= 0) rec.Pieces[slot] = static_cast<uint8_t>((k / 10) << 4 | (k % 10));
  }
  // Without both kings the position is unusable: take the standard start.
  if (rec.Pieces[4] == kNoSquare || rec.Pieces[20] == kNoSquare)
    std::memcpy(rec.Pieces, kStartSquares, sizeof rec.Pieces);
}

// The newer version: start position, node records linked into a tree, comments.
void ReadNewVersion(TJobState& job, TChessRec& rec, const TByteReader& file) {
  ReadHeaderTexts(rec, file, kNewOffPlayerB, file.U8At(kNewOffARed) == 1);
  if (job.XQILayout == 0) ReadStartPosition(rec, file);
  rec.GameResult = file.U8At(kNewOffResult);
  rec.RedFirst = I32At(file, kNewOffRedFirst) == 1 ? 1 : 0;

  const size_t size = file.Size();
  const size_t linkCount = (size - kNewOffNodes) / kNodeSize;
  SetLinkCount(rec, static_cast<int>(std::min<size_t>(linkCount, INT32_MAX)));

  struct TComment {
    int Record;
    size_t Start, Length;
  };
  std::vector<TComment> comments;
  // Latest record (from 1 on) of each node id: an alternative belongs to the
  // nearest earlier record with its id.
  std::unordered_map<int32_t, int32_t> latestWithId;
  bool previousContinues = true;
  int kept = 0;
  size_t pos = kNewOffNodes;
  while (pos <= size - kNodeSize && static_cast<size_t>(kept) < rec.Links.size()) {
    const int k = kept;
    const int32_t id = I32At(file, pos + 4);
    const bool continues = I32At(file, pos + 8) != 0;
    const uint16_t length = static_cast<uint16_t>(file.U8At(pos + 12) | file.U8At(pos + 13) << 8);
    const uint8_t from = file.U8At(pos + 14), to = file.U8At(pos + 15);

    int altOf = 0;
    if (!previousContinues) {
      auto found = latestWithId.find(id);
      if (found == latestWithId.end()) {
        job.LogRecord(rec, NodeMessage(k, " 步沒有找到上一步!;"), kLogError);
        break;
      }
      altOf = found->second;
    }
    if (k > 0) {
      if ((from & 0x0F) > 8 || (from >> 4) > 9) {
        job.LogRecord(rec, NodeMessage(k, " 步棋的開始位置錯誤。"), kLogError);
        break;
      }
      if ((to & 0x0F) > 8 || (to >> 4) > 9) {
        job.LogRecord(rec, NodeMessage(k, " 步棋的到達位置錯誤。"), kLogError);
        break;
      }
    }
    // The record is kept: only now may other records link to it, so that a
    // dropped record never enters the tree.
    TLinkNode& link = rec.Links[static_cast<size_t>(k)];
    if (altOf > 0) rec.Links[static_cast<size_t>(altOf)].Alt = k;
    link.Next = continues ? k + 1 : 0;
    if (k > 0) {
      // Stored squares hold the row in the high nibble, the column in the low.
      link.Move[0] = static_cast<uint8_t>((from & 0x0F) << 4 | from >> 4);
      link.Move[1] = static_cast<uint8_t>((to & 0x0F) << 4 | to >> 4);
      link.Move[2] = link.Move[3] = 0xFF;
      latestWithId[id] = k;
    }
    pos += kNodeSize;
    if (length > 0) {
      if (length <= size - pos)
        comments.push_back(TComment{k, pos, static_cast<size_t>(length - 1)});
      else
        job.LogRecord(rec, NodeMessage(k, " 步：注解大小出錯！"), kLogError);
      pos += length;  // past the end of the file when the comment was cut
    }
    previousContinues = continues;
    ++kept;
  }

  if (kept >= 2) {
    rec.Links[static_cast<size_t>(kept - 1)].Next = 0;
    BuildTreeFromLinks(rec, 1);
  }
  const std::string_view bytes(reinterpret_cast<const char*>(file.Data()), size);
  for (const TComment& c : comments) {
    const int node = rec.Links[static_cast<size_t>(c.Record)].MoveIndex;
    // A record that the tree never reached has no move to carry its comment.
    if (c.Record > 0 && node <= 0) continue;
    SetMoveText(rec, node, bytes.substr(c.Start, c.Length));
  }
}

}  // namespace

bool ReadOurGameData(TJobState& job, TChessRec& rec, std::string_view data) {
  const TByteReader file(data);
  if (file.Size() < kOurGameMinSize) {
    job.LogRecord(rec, TooShortMessage(kOurGameMinSize), kLogError);
    return false;
  }
  if (std::memcmp(file.Data(), kMagic, sizeof kMagic) != 0) {
    job.LogRecord(rec, SystemText("此文件不是聯眾棋譜文件。"), kLogError);
    return false;
  }
  const uint32_t version = static_cast<uint32_t>(I32At(file, kOffVersion));
  job.LogRecord(rec,
                SystemText("聯眾棋譜文件版本號：" + std::to_string(version & 0xFFFF) + "." +
                           std::to_string(version >> 16)),
                kLogPlain);
  if (rec.Texts.size() <= static_cast<size_t>(kSlotStartComment)) rec.Texts.resize(255);
  if (version == kOurGameOldVersion) {
    if (file.Size() < kOurGameOldMinSize) {
      job.LogRecord(rec, TooShortMessage(kOurGameOldMinSize), kLogError);
      return false;
    }
    ReadOldVersion(job, rec, file);
    return true;
  }
  if (version == kOurGameNewVersion) {
    if (file.Size() < kOurGameNewMinSize) {
      job.LogRecord(rec, TooShortMessage(kOurGameNewMinSize), kLogError);
      return false;
    }
    ReadNewVersion(job, rec, file);
    return true;
  }
  job.LogRecord(rec, SystemText("不支持此版本的聯眾棋譜文件。"), kLogError);
  return false;
}

bool RecogniseOurGame(std::string_view head) {
  return head.size() >= sizeof kMagic && std::memcmp(head.data(), kMagic, sizeof kMagic) == 0;
}
