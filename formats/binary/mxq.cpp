// 弈天 game records: MXQ and MCJ readers.
#include "formats/binary/mxq.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <iterator>
#include <string>

#include "core/board.h"
#include "core/bytereader.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"

namespace {

constexpr size_t kBoardChars = 90;

// Reads short texts (a length byte, then that many bytes) one after another.
// A text that runs past the end of the file reads as empty and leaves the
// cursor at the end, so every later text is empty too.
class TShortTextReader {
 public:
  explicit TShortTextReader(std::string_view data) : reader_(data) {}
  TByteReader& Cursor() { return reader_; }

  std::string_view Next() {
    uint8_t n = 0;
    if (!reader_.ReadU8(n)) return {};
    std::string_view text;
    if (!reader_.ReadBytes(n, text)) reader_.Seek(reader_.Size());
    return text;
  }

 private:
  TByteReader reader_;
};

// Title separators in the order they are looked for, with the result each
// one means. The first three are "-" + a GBK word + "-".
struct TTitleSeparator {
  std::string_view Text;
  bool IgnoreCase;
  int Result;
};
constexpr TTitleSeparator kSeparators[6] = {
    {"-\xCA\xA4-", false, 1}, {"-\xB8\xBA-", false, 2}, {"-\xBA\xCD-", false, 3},
    {"-win-", true, 1},       {"-resign-", true, 2},    {"-draw-", true, 3},
};

// Splits "red<separator>black" into the player names and the result; nothing
// changes when the title holds no separator.
void SplitTitle(TChessRec& rec, std::string_view title) {
  for (const TTitleSeparator& sep : kSeparators) {
    const size_t at = sep.IgnoreCase ? PosTextDbcs(kCpGbk, sep.Text, title, kNoLimit, 1)
                                     : PosDbcs(kCpGbk, sep.Text, title, kNoLimit, 1);
    if (at == 0) continue;
    rec.Texts[kSlotRedName] = std::string(title.substr(0, at - 1));
    rec.Texts[kSlotBlackName] = std::string(title.substr(at - 1 + sep.Text.size()));
    rec.GameResult = sep.Result;
    return;
  }
}

// "第 %d" followed by the rest of a per-move message.
std::string NodeMessage(int node, const char* rest) {
  return SystemText("第 " + std::to_string(node) + rest);
}

// A square written as a column digit '0'..'8' and a row letter 'A'..'J',
// where 'A' is red's back rank; kNoSquare when either is out of range.
uint8_t DecodeSquare(char column, char row) {
  if (column < '0' || column > '8' || row < 'A' || row > 'J') return kNoSquare;
  return static_cast<uint8_t>((column - '0') << 4 | (9 - (row - 'A')));
}

}  // namespace

bool ReadMxqData(TJobState& job, TChessRec& rec, std::string_view data) {
  if (data.empty()) {
    job.Log(SystemText("此文件的大小是零字節!"), kLogError);
    return false;
  }
  if (rec.Texts.size() <= static_cast<size_t>(kSlotStartComment)) rec.Texts.resize(255);
  TShortTextReader texts(data);
  auto next = [&texts] { return std::string(texts.Next()); };
  rec.Texts[kSlotSite] = next();
  rec.Texts[kSlotDate] = next();
  rec.Texts[kSlotTitle] = next();
  SplitTitle(rec, rec.Texts[kSlotTitle]);
  rec.Texts[kSlotRedRating] = next();
  rec.Texts[kSlotBlackRating] = next();
  const std::string rule1 = next(), rule2 = next(), rule3 = next();
  // Missing parts (a file cut short) leave the slots empty rather than "--" or "s".
  if (!rule1.empty() || !rule2.empty() || !rule3.empty())
    rec.Texts[kSlotTimeRule] = rule1 + "-" + rule2 + "-" + rule3;
  for (int slot : {kSlotRedTime, kSlotBlackTime})
    if (std::string time = next(); !time.empty()) rec.Texts[slot] = time + "s";
  rec.Texts[kSlotResultType] = next();

  // Tagged texts up to "moves"; "initboard" is followed by the board.
  TByteReader& cursor = texts.Cursor();
  while (!cursor.AtEnd()) {
    const std::string tag = LowerAscii(texts.Next());
    if (tag == "moves") break;
    if (tag == "initboard") {
      const std::string_view board = texts.Next();
      PlaceFromLetterMap(rec, board, std::min(board.size(), kBoardChars));
    }
  }

  const size_t size = data.size();
  SetMoveCapacity(rec, static_cast<int>(std::min<size_t>(cursor.Remaining() / 6 + 1, INT32_MAX)));
  int n = 0;
  while (!cursor.AtEnd()) {
    uint8_t length = cursor.U8At(cursor.Offset());
    // An entry whose last byte lies past the end of the file has no length.
    if (length > size - 1 - cursor.Offset()) length = 0;
    std::string_view entry;
    if (length == 4) {
      cursor.Skip(1);
      cursor.ReadBytes(4, entry);
      const std::string word = LowerAscii(entry);
      if (word == "ends") break;
      if (word == "undo" && n > 0) {
        --n;
        continue;
      }
    } else if (length == 5 && static_cast<size_t>(n + 1) < rec.Moves.size()) {
      cursor.Skip(1);
      cursor.ReadBytes(5, entry);
      const uint8_t from = DecodeSquare(entry[0], entry[1]);
      if (from == kNoSquare) {
        job.LogRecord(rec, NodeMessage(n + 1, " 步棋的開始位置錯誤。"), kLogError);
        break;
      }
      const uint8_t to = DecodeSquare(entry[3], entry[4]);
      if (to == kNoSquare) {
        job.LogRecord(rec, NodeMessage(n + 1, " 步棋的到達位置錯誤。"), kLogError);
        break;
      }
      ++n;
      rec.Moves[static_cast<size_t>(n)].From = from;
      rec.Moves[static_cast<size_t>(n)].Dest = to;
      continue;
    }
    job.LogRecord(rec, NodeMessage(n + 1, " 步，無效的棋步。"), kLogError);
    break;
  }
  BuildLinearTree(rec, n);
  // How the game ended also closes the last move's comment.
  if (rec.MoveCount > 0 && !rec.Texts[kSlotResultType].empty())
    SetMoveText(rec, rec.MoveCount, rec.Texts[kSlotResultType]);
  return true;
}

bool ReadMcjData(TJobState&, TChessRec& rec, std::string_view data) {
  // Byte 0 is not part of the board.
  const std::string_view board = data.size() > 1 ? data.substr(1, kBoardChars) : std::string_view();
  PlaceFromLetterMap(rec, board, board.size());
  return true;
}
