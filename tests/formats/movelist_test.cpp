// Move-list formats: the CNC reader and writer, the CHE and CCM readers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/baseform.h"
#include "app/dispatch.h"
#include "core/board.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/binary/ccm.h"
#include "formats/binary/che.h"
#include "formats/binary/cnc.h"
#include "formats/text/registry.h"
#include "tests/support/files.h"
#include "tests/support/golden.h"
#include "tests/support/test_job.h"

namespace {

namespace fs = std::filesystem;
const fs::path kData = fs::path(TAVRIK_TEST_DATA);

using TMoves = std::vector<std::pair<uint8_t, uint8_t>>;

// 炮二平五 馬8進7 馬二進三 車9平8 from the standard start.
const TMoves kOpening = {{0x77, 0x47}, {0x70, 0x62}, {0x79, 0x67}, {0x80, 0x70}};

// The moves of the record's first line.
TMoves MainLine(const TChessRec& rec) {
  TMoves out;
  for (int i = 1; i <= rec.MoveCount && rec.Lines[0].Last >= i; ++i)
    out.emplace_back(rec.Moves[i].From, rec.Moves[i].Dest);
  return out;
}

// A record with a standard start (or the given pieces) and a main line.
void BuildRecord(TChessRec& rec, const TMoves& moves, const std::vector<uint8_t>& pieces = {}) {
  ResetRecord(rec, kFmtCnc, kFmtCnc);
  for (size_t i = 0; i < pieces.size(); ++i) rec.Pieces[i] = pieces[i];
  SetMoveCapacity(rec, static_cast<int>(moves.size()) + 1);
  for (size_t i = 0; i < moves.size(); ++i) {
    rec.Moves[i + 1].From = moves[i].first;
    rec.Moves[i + 1].Dest = moves[i].second;
  }
  BuildLinearTree(rec, static_cast<int>(moves.size()));
}

bool Standard(const TChessRec& rec) {
  return std::equal(std::begin(rec.Pieces), std::end(rec.Pieces), std::begin(kStartSquares));
}

// A CNC file: standard board unless given, the stored move bytes, a trailer.
std::string CncBytes(const std::string& moveBytes, const std::string& trailer = "END.",
                     std::string board = "") {
  if (board.empty()) {
    TChessRec rec;
    BuildRecord(rec, {});
    RenderCnc(rec, board);
    board.resize(kCncBoardSize);
  }
  return board + moveBytes + trailer;
}

// Stored CNC square byte of a record square.
char CncSquare(uint8_t sq) { return static_cast<char>((sq & 0x0F) * 9 + (sq >> 4) + 30); }

class MoveListFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    job.SrcCodePage = kCpUtf8;
    job.DstCodePage = kCpUtf8;
    job.DstFormat = kFmtPgn;
  }
  // Reads a file through the format row, as a conversion job does.
  bool Read(int format, const fs::path& path) {
    job.SrcFormat = static_cast<uint32_t>(format);
    return ReadRecordFile(job, rec, path.string());
  }

  TTempFolder temp_{"tavrik_movelist"};
  fs::path dir = temp_.Path();
  TBaseForm job;
  TChessRec rec;
};

}  // namespace

TEST_F(MoveListFiles, SameGameInAllThreeFormatsReadsAndPlays) {
  ASSERT_TRUE(Read(kFmtChe, kData / "che" / "opening_4_moves.che"));
  EXPECT_EQ(MainLine(rec), kOpening);  // fields of two digits use their first digit
  EXPECT_TRUE(Standard(rec));
  for (const char* name : {"opening_4_moves.ccm", "opening_4_moves_black_side.ccm"}) {
    ASSERT_TRUE(Read(kFmtCcm, kData / "ccm" / name)) << name;
    EXPECT_EQ(MainLine(rec), kOpening) << name;
  }
  ASSERT_TRUE(Read(kFmtCnc, kData / "cnc" / "opening_main_line.cnc"));
  EXPECT_EQ(MainLine(rec), kOpening);
  EXPECT_TRUE(Standard(rec));
  // Every move was played by the completion: notation filled, nothing logged.
  EXPECT_NE(rec.Moves[4].NoteHead, 0xFF);
  EXPECT_EQ(job.ErrorCount, 0) << job.LogText();
  EXPECT_EQ(job.WarningCount, 0);
}

TEST_F(MoveListFiles, CncFromAnotherWriterWithLongTrailerAndOtherBlanks) {
  ASSERT_TRUE(Read(kFmtCnc, kData / "cnc" / "endgame_long_trailer.cnc"));
  EXPECT_EQ(MainLine(rec), (TMoves{{0x09, 0x01}, {0x27, 0x28}, {0x32, 0x31}}));
  std::vector<uint8_t> expected(32, kNoSquare);
  expected[0] = 0x09;   // red rook
  expected[4] = 0x49;   // red king
  expected[11] = 0x32;  // red pawn
  expected[19] = 0x41;  // black advisor
  expected[20] = 0x40;  // black king
  expected[27] = 0x27;  // black pawn
  EXPECT_EQ(std::vector<uint8_t>(std::begin(rec.Pieces), std::end(rec.Pieces)), expected);
  EXPECT_EQ(job.ErrorCount, 0) << job.LogText();
}

TEST_F(MoveListFiles, CncWriterGoldenFilesKeepOnlyTheMainLine) {
  // The opening with a variation after the first move: only the main line is written.
  BuildRecord(rec, {{0x77, 0x47}, {0x70, 0x62}, {0x79, 0x67}, {0x80, 0x70}, {0x72, 0x42}});
  rec.Moves[2].Flags |= kFlagHasAlt;
  StartLine(rec, 5);
  rec.Moves[4].Flags = 0;
  rec.Moves[5].Parent = 1;
  rec.Moves[5].Ply = 2;
  FinishTree(rec, 5);
  std::string out;
  const size_t size = RenderCnc(rec, out);
  EXPECT_EQ(out.size(), size);
  EXPECT_EQ(size, 94u + 2 * 4);
  if (Accepting()) Spit(kData / "cnc" / "opening_main_line.cnc", out);
  EXPECT_EQ(out, Slurp(kData / "cnc" / "opening_main_line.cnc"));

  // A position with pieces off the board and a move from a square off the board.
  std::vector<uint8_t> pieces(32, kNoSquare);
  pieces[0] = 0x09, pieces[4] = 0x49, pieces[20] = 0x40, pieces[19] = 0x41, pieces[27] = 0x27;
  pieces[9] = 0x9A;  // not a square: left off the board
  BuildRecord(rec, {{0x09, 0x01}, {0x27, 0x28}, {0x90, 0x31}}, pieces);
  RenderCnc(rec, out);
  if (Accepting()) Spit(kData / "cnc" / "endgame_bad_third_move.cnc", out);
  EXPECT_EQ(out, Slurp(kData / "cnc" / "endgame_bad_third_move.cnc"));
  // Written as a byte no reader takes, so the bad move does not become 0x01-0x31.
  EXPECT_EQ(static_cast<uint8_t>(out[94]), 0xFF);
  TTestJob log;
  TChessRec back;
  ResetRecord(back, kFmtCnc, kFmtCnc);
  ASSERT_TRUE(ReadCncData(log, back, out));
  EXPECT_EQ(MainLine(back), (TMoves{{0x09, 0x01}, {0x27, 0x28}}));
  EXPECT_EQ(log.At(kLogError), std::vector<std::string>{"第 3 步棋的開始位置錯誤。"});
}

TEST_F(MoveListFiles, CncRoundTripThroughWriteOutput) {
  BuildRecord(rec, kOpening);
  job.DstFormat = kFmtCnc;
  const fs::path path = dir / "game.CNC";
  EXPECT_EQ(WriteRecord(job, rec, path.string()), 1);
  TChessRec written = rec;
  ASSERT_TRUE(Read(kFmtCnc, path));
  EXPECT_EQ(MainLine(rec), MainLine(written));
  EXPECT_TRUE(Standard(rec));
  job.SrcFormat = kFmtCnc;
  EXPECT_FALSE(ReadRecordFile(job, rec, (dir / "missing.CNC").string()));
  EXPECT_NE(job.LogText().find("missing.CNC"), std::string::npos);
}

TEST(CncReader, SizesAndTrailers) {
  TTestJob job;
  TChessRec rec;
  auto read = [&](const std::string& bytes) {
    job.Lines.clear();
    ResetRecord(rec, kFmtCnc, kFmtPgn);
    return ReadCncData(job, rec, bytes);
  };
  const std::string move = {CncSquare(0x77), CncSquare(0x47)};
  EXPECT_FALSE(read(CncBytes("", "END").substr(0, 93)));
  EXPECT_EQ(job.At(kLogError), std::vector<std::string>{"此文件小于 94 字節!"});
  EXPECT_FALSE(read(CncBytes(move, "END!")));
  EXPECT_EQ(job.At(kLogError), std::vector<std::string>{"此文件不是楚漢棋緣棋譜文件。"});
  // "END.140" counts only in files of more than 96 bytes.
  EXPECT_FALSE(read(CncBytes("", "END.140").substr(2)));
  EXPECT_TRUE(read(CncBytes("")));
  EXPECT_EQ(rec.MoveCount, 0);
  EXPECT_TRUE(Standard(rec));
  EXPECT_TRUE(read(CncBytes("", "END.140")));
  EXPECT_EQ(rec.MoveCount, 0);
  EXPECT_TRUE(read(CncBytes(move, "END.140")));
  EXPECT_EQ(MainLine(rec), (TMoves{{0x77, 0x47}}));
  EXPECT_TRUE(read(CncBytes(move + "x")));  // an odd byte before the trailer is left over
  EXPECT_EQ(MainLine(rec), (TMoves{{0x77, 0x47}}));
  EXPECT_TRUE(job.At(kLogError).empty());
}

TEST(CncReader, BadSquaresKeepTheMovesBeforeThem) {
  TTestJob job;
  TChessRec rec;
  const std::string good = {CncSquare(0x77), CncSquare(0x47)};
  struct {
    std::string Bytes;
    size_t Kept;
    const char* Message;
  } cases[] = {
      {good + "\x1D" + CncSquare(0x62), 1, "第 2 步棋的開始位置錯誤。"},  // 29: below the range
      {good + CncSquare(0x70) + "x", 1, "第 2 步棋的到達位置錯誤。"},     // 120: above it
      {std::string("\x1E\x77") + good, 1, nullptr},                       // 30 and 119 are corners
  };
  for (const auto& c : cases) {
    job.Lines.clear();
    ResetRecord(rec, kFmtCnc, kFmtPgn);
    ASSERT_TRUE(ReadCncData(job, rec, CncBytes(c.Bytes)));
    EXPECT_EQ(static_cast<size_t>(rec.MoveCount), c.Message ? c.Kept : 2u);
    if (c.Message) {
      EXPECT_EQ(job.At(kLogError), std::vector<std::string>{c.Message});
    }
  }
  EXPECT_EQ(MainLine(rec).front(), (std::pair<uint8_t, uint8_t>{0x00, 0x89}));
}

TEST(CncReader, BoardLettersAndExtraPieces) {
  // A third red rook finds no slot and is dropped; lower-case letters are empty.
  std::string board(kCncBoardSize, 'N');
  board[0] = '1', board[1] = '1', board[2] = '1', board[3] = 'e', board[85] = '5', board[4] = 'I';
  TTestJob job;
  TChessRec rec;
  ResetRecord(rec, kFmtCnc, kFmtPgn);
  ASSERT_TRUE(ReadCncData(job, rec, CncBytes("", "END.", board)));
  EXPECT_EQ(rec.Pieces[0], 0x00);
  EXPECT_EQ(rec.Pieces[8], 0x10);
  EXPECT_EQ(rec.Pieces[4], 0x49);
  EXPECT_EQ(rec.Pieces[20], 0x40);
  int onBoard = 0;
  for (uint8_t sq : rec.Pieces) onBoard += sq != kNoSquare;
  EXPECT_EQ(onBoard, 4);
  // The writer puts back the same letters for the pieces kept.
  std::string out;
  RenderCnc(rec, out);
  EXPECT_EQ(out.substr(0, 5), "11NNI");
}

TEST(CheReader, FieldsAndFailures) {
  TTestJob job;
  TChessRec rec;
  auto read = [&](const std::string& text) {
    job.Lines.clear();
    ResetRecord(rec, kFmtChe, kFmtPgn);
    return ReadCheData(job, rec, text);
  };
  EXPECT_FALSE(read(""));
  ASSERT_EQ(job.Lines.size(), 1u);
  EXPECT_EQ(job.Lines[0].Text, "此文件的大小是零字節!");
  EXPECT_FALSE(job.Lines[0].ForRecord);  // a job message, not the record's
  EXPECT_FALSE(read("1 2 3\n"));
  EXPECT_EQ(job.At(kLogError), std::vector<std::string>{"此文件不是QQ棋譜文件。"});

  // 19 spaces make one move; the ninth field of the second move is never read.
  EXPECT_TRUE(read("0 0 0 0 0 27 73 2 4 9 1 1 1 1 1 9 7 7 6 "));
  EXPECT_EQ(MainLine(rec), (TMoves{{0x77, 0x47}}));
  EXPECT_TRUE(read("0 0 0 0 0 2 7 2 4 0 0 0 0 0 0 9 7 7 6 0 0 0 0 0 0 2 9 3 9 0 "));
  EXPECT_EQ(job.At(kLogError), std::vector<std::string>{"第 3 步棋的開始位置錯誤。"});
  EXPECT_EQ(rec.MoveCount, 2);
  EXPECT_TRUE(read("0 0 0 0 0 2 7  4 0 "));  // an empty field has no digit
  EXPECT_EQ(job.At(kLogError), std::vector<std::string>{"第 1 步棋的到達位置錯誤。"});
  EXPECT_EQ(rec.MoveCount, 0);
}

TEST(CcmReader, OrientationAndFailures) {
  TTestJob job;
  TChessRec rec;
  auto read = [&](const std::string& bytes) {
    job.Lines.clear();
    ResetRecord(rec, kFmtCcm, kFmtPgn);
    return ReadCcmData(job, rec, bytes);
  };
  EXPECT_FALSE(read(""));
  EXPECT_EQ(job.Lines.at(0).Text, "此文件的大小是零字節!");
  EXPECT_FALSE(job.Lines[0].ForRecord);
  EXPECT_TRUE(
      read(std::string("\0"
                       "abcdef",
                       7)));
  EXPECT_EQ(rec.MoveCount, 0);
  // Seen from black: column 0 row 9 is red's column 8 on black's back rank.
  EXPECT_TRUE(
      read(std::string("\x01"
                       "xx"
                       "\x00\x01\x09\x08"
                       "y",
                       8)));
  EXPECT_EQ(MainLine(rec), (TMoves{{0x80, 0x71}}));
  EXPECT_TRUE(job.At(kLogError).empty());
  const std::string good("\0\0\0\x07\x04\x07\x07\0", 8);
  EXPECT_TRUE(read(good + std::string("\0\0\x09\x01\x01\x01\0", 7)));
  EXPECT_EQ(job.At(kLogError), std::vector<std::string>{"第 2 步棋的開始位置錯誤。"});
  EXPECT_EQ(MainLine(rec), (TMoves{{0x77, 0x47}}));
  EXPECT_TRUE(read(good + std::string("\0\0\x01\x01\x01\x0A\0", 7) + "\x01\x02"));
  EXPECT_EQ(job.At(kLogError), std::vector<std::string>{"第 2 步棋的到達位置錯誤。"});
  EXPECT_EQ(rec.MoveCount, 1);
}
