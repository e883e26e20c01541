#include "formats/ccbridge/cbr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/encoding.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "tests/formats/pgn_text_fixture.h"
#include "tests/support/test_job.h"

namespace {

std::string Gbk(const std::string& utf8) {
  std::string s = utf8;
  ConvertCodePage(s, kCpUtf8, 0, kCpGbk);
  return s;
}

void SetCblJob(TTestJob& job) {
  job.SrcFormat = kFmtCbl;
  job.DstFormat = kFmtCbl;
  job.SrcCodePage = kCpGbk;
  pgntext::SetDestination(job, kCpGbk, false);
}

void PutI32(std::string& out, int32_t v) {
  for (int b = 0; b < 4; ++b)
    out.push_back(static_cast<char>((static_cast<uint32_t>(v) >> (8 * b)) & 0xFF));
}

struct TRawMove {
  uint16_t Ply;
  uint8_t From, Dest;
};

// A record made byte by byte: standard pieces, the given title, count field,
// move entries and tail (the comment lines); the size field is the real size
// unless sizeOverride is set.
std::string MakeRecord(const std::vector<TRawMove>& moves, const std::string& tail,
                       int32_t countField = -1, const std::string& title = "T",
                       int32_t titleLength = -1) {
  std::string r;
  PutI32(r, 0);
  for (uint8_t sq : kStartSquares) r.push_back(static_cast<char>(sq + 0x11));
  PutI32(r, 1);  // game type
  PutI32(r, 0);  // match name
  PutI32(r, 1);  // sub-type
  PutI32(r, titleLength < 0 ? static_cast<int32_t>(title.size()) : titleLength);
  r += title;
  for (int t = 0; t < 6; ++t) PutI32(r, 0);
  PutI32(r, 3);  // result
  for (int t = 0; t < 5; ++t) PutI32(r, 0);
  r.push_back(1);
  r += "2024-01-02 03:04:05";
  r += "2024-01-02 03:04:05";
  PutI32(r, countField < 0 ? static_cast<int32_t>(moves.size()) : countField);
  for (const TRawMove& m : moves) {
    r.push_back(static_cast<char>(m.Ply & 0xFF));
    r.push_back(static_cast<char>(m.Ply >> 8));
    r.push_back(static_cast<char>(m.From));
    r.push_back(static_cast<char>(m.Dest));
    r.push_back('\xFF');
    r.push_back('\xFF');
  }
  r += tail;
  const uint32_t size = static_cast<uint32_t>(r.size());
  for (int b = 0; b < 4; ++b) r[b] = static_cast<char>((size >> (8 * b)) & 0xFF);
  return r;
}

// Two legal opening moves: H2-E2, H9-G7.
const std::vector<TRawMove> kTwoMoves = {{1, 0x77, 0x47}, {2, 0x70, 0x62}};

bool Read(TTestJob& job, TChessRec& rec, const std::string& data, size_t start = 0,
          size_t end = std::string::npos) {
  SetCblJob(job);
  return ReadCbrRecord(job, rec, data, start, end == std::string::npos ? data.size() : end, "[1]");
}

// The written bytes with both times replaced, for byte comparison.
std::string MaskTimes(std::string bytes, const TChessRec& rec) {
  size_t at = kCbrFixedSize - 4 - 2 * kCbrTimeLength;
  for (int slot : CbrTextOrder) at += rec.Texts[slot].size();
  for (size_t i = 0; i < 2 * kCbrTimeLength; ++i) bytes[at + i] = '#';
  return bytes;
}

TEST(Cbr, RoundTripKeepsTreeCommentsAndHeader) {
  TTestJob job;
  SetCblJob(job);
  job.SrcFormat = kFmtXqf;
  TChessRec rec;
  pgntext::BuildCanonicalGame(job, rec, false);
  rec.Texts[kSlotUrl] = "http://example.org";
  rec.Texts[kSlotCommentator] = Gbk("講評人");
  rec.Texts[kSlotCreatorUrl] = "mail@example.org";
  rec.Texts[kSlotTimeRule] = "40/90";  // not part of a record
  rec.Texts[0] = "x";                  // always written empty
  rec.SubType = 7;

  std::string data = "prefix";  // the record is appended at the data's end
  ASSERT_TRUE(WriteCbrRecord(job, rec, data));
  EXPECT_TRUE(job.Logged(SystemText("已寫一個棋譜到緩存：") + "中炮對屏風馬"));
  const std::string bytes = data.substr(6);
  EXPECT_EQ(
      static_cast<size_t>(static_cast<uint8_t>(bytes[0]) | static_cast<uint8_t>(bytes[1]) << 8),
      bytes.size());
  EXPECT_GE(data.capacity(), size_t{1048576});
  ExpectGolden("cbr/canonical_game.cbr", MaskTimes(bytes, rec));

  TTestJob readJob;
  TChessRec back;
  ASSERT_TRUE(Read(readJob, back, data, 6, data.size()));
  EXPECT_TRUE(readJob.At(kLogError).empty()) << readJob.At(kLogError)[0];
  EXPECT_TRUE(readJob.Logged(SystemText("\r\n讀取棋譜：") + "[1]"));
  ASSERT_EQ(back.MoveCount, rec.MoveCount);
  ASSERT_EQ(back.LastLine, rec.LastLine);
  for (int i = 1; i <= rec.MoveCount; ++i) {
    EXPECT_EQ(back.Moves[i].From, rec.Moves[i].From) << i;
    EXPECT_EQ(back.Moves[i].Dest, rec.Moves[i].Dest) << i;
    EXPECT_EQ(back.Moves[i].Parent, rec.Moves[i].Parent) << i;
    EXPECT_EQ(back.Moves[i].NoteHead, rec.Moves[i].NoteHead) << i;
    EXPECT_EQ(GetMoveText(back, i), GetMoveText(rec, i)) << i;
  }
  for (int slot : CbrTextOrder) {
    if (slot != 0) {
      EXPECT_EQ(back.Texts[slot], rec.Texts[slot]) << slot;
    }
  }
  EXPECT_TRUE(back.Texts[0].empty());
  EXPECT_TRUE(back.Texts[kSlotTimeRule].empty());
  EXPECT_EQ(back.SubType, 7);
  EXPECT_EQ(back.GameResult, rec.GameResult);
  EXPECT_EQ(back.RedFirst, 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(back.Pieces), 32),
            std::string(reinterpret_cast<char*>(rec.Pieces), 32));
}

TEST(Cbr, CommentLineBreaksAreStoredAsLibraryBreaks) {
  TTestJob job;
  SetCblJob(job);
  TChessRec rec;
  ResetRecord(rec, kFmtCbl, kFmtCbl);
  SetMoveCapacity(rec, 3);
  rec.Moves[1] = TMoveNode{0x77, 0x47, 0xFF, 0xFF, 0, 1, 0, 0};
  rec.Moves[2] = TMoveNode{0x70, 0x62, 0xFF, 0xFF, 0, 2, 0, 0};
  BuildTreeFromPlies(job, rec, 2);
  SetMoveText(rec, 1, "a\r\nb");
  rec.Texts[kSlotStartComment] = "s\r\nt";
  std::string data;
  ASSERT_TRUE(WriteCbrRecord(job, rec, data));
  TChessRec back;
  ASSERT_TRUE(Read(job, back, data));
  EXPECT_TRUE(job.At(kLogError).empty());
  EXPECT_EQ(back.MoveCount, 2);
  EXPECT_EQ(GetMoveText(back, 1), "a||b");
  EXPECT_EQ(GetMoveText(back, 2), "");
  EXPECT_EQ(back.Texts[kSlotStartComment], "s||t");
}

TEST(Cbr, OddRecordsReadWhatIsThere) {
  {  // no moves: nothing after the count is looked at
    TTestJob job;
    TChessRec rec;
    EXPECT_TRUE(Read(job, rec, MakeRecord({}, "")));
    EXPECT_EQ(rec.MoveCount, 0);
    EXPECT_TRUE(job.At(kLogError).empty());
    EXPECT_EQ(rec.Texts[kSlotTitle], "T");
  }
  {  // moves without comments: N CR LF pairs, no error
    TTestJob job;
    TChessRec rec;
    EXPECT_TRUE(Read(job, rec, MakeRecord(kTwoMoves, "\r\n\r\n")));
    EXPECT_EQ(rec.MoveCount, 2);
    EXPECT_TRUE(job.At(kLogError).empty());
  }
  {  // an alternative with no earlier move of its ply ends the tree there
    TTestJob job;
    TChessRec rec;
    EXPECT_TRUE(
        Read(job, rec,
             MakeRecord({{1, 0x77, 0x47}, {2, 0x70, 0x62}, {5, 0x79, 0x67}, {3, 0x17, 0x27}},
                        "\r\n\r\n\r\n\r\n")));
    EXPECT_EQ(rec.MoveCount, 3);
    EXPECT_EQ(rec.Moves[3].Parent, 2);
    EXPECT_EQ(job.At(kLogError), std::vector<std::string>{SystemText("第 4 步沒有找到上一步!;")});
  }
  {  // an alternative whose ply only a closed line has: ended there too
    TTestJob job;
    TChessRec rec;
    EXPECT_TRUE(Read(job, rec,
                     MakeRecord({{1, 0x77, 0x47},
                                 {2, 0x70, 0x62},
                                 {4, 0x79, 0x67},
                                 {2, 0x70, 0x42},
                                 {5, 0x79, 0x67},
                                 {4, 0x17, 0x27}},
                                "\r\n\r\n\r\n\r\n\r\n\r\n")));
    EXPECT_EQ(rec.MoveCount, 5);
    EXPECT_EQ(rec.Moves[4].Parent, 1);
    EXPECT_EQ(job.At(kLogError).front(), SystemText("第 6 步沒有找到上一步!;"));
  }
  {  // a count larger than the record allows is cut to the entries present
    TTestJob job;
    TChessRec rec;
    EXPECT_TRUE(Read(job, rec, MakeRecord(kTwoMoves, "", 1000000)));
    EXPECT_EQ(rec.MoveCount, 2);
    EXPECT_EQ(job.At(kLogError),
              std::vector<std::string>{SystemText("未讀完棋譜數據,已到達結束位置")});
  }
  {  // two bytes left after the last comment line
    TTestJob job;
    TChessRec rec;
    const std::string r = MakeRecord(kTwoMoves, "x\r\ny\r\nzz");
    const std::string data = "abc" + r;
    EXPECT_TRUE(Read(job, rec, data, 3, data.size()));
    EXPECT_EQ(GetMoveText(rec, 1), "x");
    EXPECT_EQ(GetMoveText(rec, 2), "y");
    const size_t w = data.size() - 2;
    EXPECT_EQ(job.At(kLogError),
              std::vector<std::string>{SystemText("已讀完棋譜數據,沒有到達結束位置！") +
                                       std::to_string(w) + " " + std::to_string(data.size())});
  }
  {  // the last comment line without its CR LF keeps all its bytes
    TTestJob job;
    TChessRec rec;
    EXPECT_TRUE(Read(job, rec, MakeRecord(kTwoMoves, "\r\nlast")));
    EXPECT_EQ(GetMoveText(rec, 2), "last");
    EXPECT_TRUE(job.At(kLogError).empty());
  }
  {  // a title longer than the record is cut at its end
    TTestJob job;
    TChessRec rec;
    const std::string r = MakeRecord({}, "", -1, "T", 100000);
    EXPECT_FALSE(Read(job, rec, r));  // the fields after the title are missing
    EXPECT_EQ(ReadCbrTitle(r, 0, r.size()).size(), r.size() - 52);
  }
  {  // a record too short for its fixed part reads nothing outside itself
    TTestJob job;
    TChessRec rec;
    const std::string r = MakeRecord(kTwoMoves, "\r\n\r\n");
    for (size_t cut : {size_t{4}, size_t{40}, size_t{100}, kCbrFixedSize}) {
      EXPECT_FALSE(Read(job, rec, r, 0, cut)) << cut;
    }
    EXPECT_FALSE(Read(job, rec, r, 10, 5));
    EXPECT_FALSE(Read(job, rec, r, 0, r.size() + 1));
  }
}

TEST(Cbr, PieceBytesAndTitle) {
  std::string r = MakeRecord({}, "", -1, Gbk("標題"));
  r[4] = 0;       // slot 0 off the board
  r[5] = 0x11;    // column 0, row 0
  r[6] = '\xAB';  // column 10: off the board
  r[7] = 0x1B;    // row 10: off the board
  TTestJob job;
  TChessRec rec;
  ASSERT_TRUE(Read(job, rec, r));
  EXPECT_EQ(rec.Pieces[0], kNoSquare);
  EXPECT_EQ(rec.Pieces[1], 0x00);
  EXPECT_EQ(rec.Pieces[2], kNoSquare);
  EXPECT_EQ(rec.Pieces[3], kNoSquare);
  EXPECT_EQ(ReadCbrTitle(r, 0, r.size()), Gbk("標題"));
  EXPECT_EQ(ReadCbrTitle(r, 0, 20), "");
}

}  // namespace
