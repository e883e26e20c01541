#include "formats/binary/ourgame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/baseform.h"
#include "app/dispatch.h"
#include "core/encoding.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/text/registry.h"
#include "tests/support/files.h"
#include "tests/support/test_job.h"

namespace {

namespace fs = std::filesystem;
const fs::path kData = fs::path(TAVRIK_TEST_DATA) / "ourgame";

std::string Utf8(std::string gbk) {
  ConvertCodePage(gbk, kCpGbk, 0, kCpUtf8);
  return gbk;
}

void PutI32(std::string& s, size_t at, int32_t v) {
  for (int b = 0; b < 4; ++b)
    s[at + b] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * b)) & 0xFF);
}

struct TRead {
  TTestJob Job;
  TChessRec Rec;
  bool Ok = false;
  explicit TRead(const std::string& bytes, int layout = 0) {
    Job.XQILayout = layout;
    ResetRecord(Rec, kFmtOurGame, kFmtPgn);
    Ok = ReadOurGameData(Job, Rec, bytes);
  }
  std::string Moves() const {
    std::string out;
    char buf[16];
    for (int i = 1; i <= Rec.MoveCount; ++i) {
      std::snprintf(buf, sizeof buf, "%02x%02x/%d ", Rec.Moves[i].From, Rec.Moves[i].Dest,
                    Rec.Moves[i].Parent);
      out += buf;
    }
    return out;
  }
  std::string Errors() const {
    std::string out;
    for (const std::string& line : Job.At(kLogError)) out += line + "|";
    return out;
  }
};

// Offsets of the newer layout's node records in new.xqi.
constexpr size_t kNode0 = 472;
constexpr size_t kNode1 = kNode0 + 36 + 5;  // record 0 carries the comment "开局" and a NUL
constexpr size_t kNode2 = kNode1 + 36;
constexpr size_t kNode3 = kNode2 + 36 + 7;  // "马8进7" and a NUL

}  // namespace

TEST(OurGameReader, OlderVersionFromEitherSide) {
  TRead red(Slurp(kData / "old_red.chn"));
  ASSERT_TRUE(red.Ok);
  EXPECT_TRUE(red.Job.Logged("聯眾棋譜文件版本號：1998.1"));
  EXPECT_EQ(red.Moves(), "7747/0 7062/1 7967/2 ");
  EXPECT_EQ(Utf8(red.Rec.Texts[kSlotRedName]), "甲方(A1)");
  EXPECT_EQ(Utf8(red.Rec.Texts[kSlotBlackName]), "乙方(B1)");
  EXPECT_EQ(Utf8(red.Rec.Texts[kSlotTitle]), "红胜 测试对局");
  EXPECT_EQ(red.Rec.Texts[kSlotDate], "2004-3-5 9:07");
  EXPECT_EQ(red.Rec.GameResult, 1) << "红胜 at the start of the title";
  EXPECT_EQ(red.Rec.SourceBreak, 0);

  // Stored by player A playing black: players swap, squares turn half a circle.
  TRead black(Slurp(kData / "old_black.chn"));
  ASSERT_TRUE(black.Ok);
  EXPECT_EQ(black.Moves(), red.Moves());
  EXPECT_EQ(Utf8(black.Rec.Texts[kSlotRedName]), "乙方(B1)");
  EXPECT_EQ(Utf8(black.Rec.Texts[kSlotBlackName]), "甲方(A1)");
}

TEST(OurGameReader, OlderVersionSizesAndBadSquares) {
  const std::string file = Slurp(kData / "old_red.chn");
  ASSERT_EQ(file.size(), 188u + 3 * 32);
  // Only whole 32-byte move records count.
  EXPECT_EQ(TRead(file.substr(0, 188)).Moves(), "");
  EXPECT_EQ(TRead(file.substr(0, 219)).Moves(), "");
  EXPECT_EQ(TRead(file.substr(0, 220)).Moves(), "7747/0 ");
  TRead cut(file.substr(0, 187));
  EXPECT_FALSE(cut.Ok);
  EXPECT_EQ(cut.Errors(), "此文件小于 188 字節!|");

  std::string badFrom = file;
  badFrom[188 + 32 + 4] = 9;  // move 2: from column 9
  TRead a(badFrom);
  EXPECT_TRUE(a.Ok);
  EXPECT_EQ(a.Moves(), "7747/0 ");
  EXPECT_EQ(a.Errors(), "第 2 步棋的開始位置錯誤。|");
  std::string badTo = file;
  badTo[188 + 64 + 10] = 10;  // move 3: to row 10
  TRead b(badTo);
  EXPECT_EQ(b.Moves(), "7747/0 7062/1 ");
  EXPECT_EQ(b.Errors(), "第 3 步棋的到達位置錯誤。|");
}

TEST(OurGameReader, RefusedFiles) {
  const std::string file = Slurp(kData / "new.xqi");
  std::string magic = file, other = file;
  magic[3] = 0x08;
  PutI32(other, 4, 67541);
  const std::pair<std::string, const char*> cases[] = {
      {file.substr(0, 7), "此文件小于 8 字節!|"},
      {magic, "此文件不是聯眾棋譜文件。|"},
      {other, "不支持此版本的聯眾棋譜文件。|"},
      {file.substr(0, 507), "此文件小于 508 字節!|"},
  };
  for (const auto& [bytes, error] : cases) {
    TRead r(bytes);
    EXPECT_FALSE(r.Ok) << error;
    EXPECT_EQ(r.Errors(), error);
  }
  EXPECT_TRUE(TRead(other).Job.Logged("聯眾棋譜文件版本號：2005.1"));
}

TEST(OurGameReader, NewerVersionTreeCommentsAndStart) {
  TRead r(Slurp(kData / "new.xqi"));
  ASSERT_TRUE(r.Ok);
  EXPECT_TRUE(r.Job.Logged("聯眾棋譜文件版本號：2004.1"));
  EXPECT_EQ(r.Errors(), "");
  // Two main-line moves and an alternative to the second one.
  EXPECT_EQ(r.Moves(), "7747/0 7062/1 7242/1 ");
  EXPECT_TRUE(r.Rec.Moves[2].Flags & kFlagHasAlt);
  EXPECT_EQ(Utf8(GetMoveText(r.Rec, 0)), "开局");
  EXPECT_EQ(Utf8(GetMoveText(r.Rec, 2)), "马8进7");
  EXPECT_EQ(GetMoveText(r.Rec, 3), "") << "a comment length of 1 holds only the NUL";
  EXPECT_EQ(r.Rec.Texts[kSlotDate], "2004/03/05");
  EXPECT_EQ(Utf8(r.Rec.Texts[kSlotRedName]), "甲方(A1)");
  EXPECT_EQ(r.Rec.GameResult, 3);
  EXPECT_EQ(r.Rec.RedFirst, 1);
  EXPECT_EQ(r.Rec.SourceBreak, 3);
  // The stored start lacks red's left-most pawn; every other piece is at home.
  for (int s = 0; s < 32; ++s)
    EXPECT_EQ(r.Rec.Pieces[s], s == 11 ? kNoSquare : kStartSquares[s]) << s;

  TRead global(Slurp(kData / "new.xqi"), 1);
  EXPECT_EQ(std::memcmp(global.Rec.Pieces, kStartSquares, 32), 0);
  EXPECT_EQ(global.Moves(), r.Moves());

  std::string noKing = Slurp(kData / "new.xqi");
  noKing[180 + 49] = 0;  // the red king's square
  noKing[360] = 0;       // player A plays black
  PutI32(noKing, 468, 0);
  TRead standard(noKing);
  EXPECT_EQ(std::memcmp(standard.Rec.Pieces, kStartSquares, 32), 0);
  EXPECT_EQ(Utf8(standard.Rec.Texts[kSlotRedName]), "乙方(B1)");
  EXPECT_EQ(standard.Rec.RedFirst, 0);
  EXPECT_EQ(standard.Moves(), r.Moves()) << "the newer version never turns moves";
}

TEST(OurGameReader, NewerVersionBrokenNodes) {
  const std::string file = Slurp(kData / "new.xqi");
  // An alternative whose id no earlier move record has.
  std::string orphan = file;
  PutI32(orphan, kNode3 + 4, 7);
  TRead a(orphan);
  EXPECT_TRUE(a.Ok);
  EXPECT_EQ(a.Errors(), "第 3 步沒有找到上一步!;|");
  EXPECT_EQ(a.Moves(), "7747/0 7062/1 ");
  EXPECT_FALSE(a.Rec.Moves[2].Flags & kFlagHasAlt);

  // A dropped alternative leaves no link behind.
  std::string badAlt = file;
  badAlt[kNode3 + 14] = 0x0A;  // column 10
  TRead b(badAlt);
  EXPECT_EQ(b.Errors(), "第 3 步棋的開始位置錯誤。|");
  EXPECT_EQ(b.Moves(), "7747/0 7062/1 ");
  EXPECT_FALSE(b.Rec.Moves[2].Flags & kFlagHasAlt);

  std::string badTo = file;
  badTo[kNode2 + 15] = static_cast<char>(0xA0);  // row 10
  TRead c(badTo);
  EXPECT_EQ(c.Errors(), "第 2 步棋的到達位置錯誤。|");
  EXPECT_EQ(c.Moves(), "7747/0 ");
  EXPECT_EQ(GetMoveText(c.Rec, 0).empty(), false);

  // A comment running past the end is dropped; its record stays.
  std::string longComment = file.substr(0, kNode3 + 36 + 1);
  longComment[kNode3 + 12] = 9;
  longComment += "abc";
  TRead d(longComment);
  EXPECT_EQ(d.Errors(), "第 3 步：注解大小出錯！|");
  EXPECT_EQ(d.Moves(), "7747/0 7062/1 7242/1 ");
  EXPECT_EQ(GetMoveText(d.Rec, 3), "");
}

TEST(OurGameReader, EveryTruncationIsSafe) {
  for (const char* name : {"new.xqi", "old_red.chn"}) {
    const std::string file = Slurp(kData / name);
    for (size_t n = 0; n <= file.size(); ++n) {
      TRead r(file.substr(0, n));
      EXPECT_EQ(r.Ok, n >= (name[0] == 'n' ? kOurGameNewMinSize : kOurGameOldMinSize)) << n;
      if (r.Ok) {
        EXPECT_LE(r.Rec.MoveCount, 3) << n;
      }
    }
  }
  // Cuts at the node boundaries of the newer layout keep the records before them.
  const std::string file = Slurp(kData / "new.xqi");
  EXPECT_EQ(TRead(file.substr(0, kNode1 + 35)).Moves(), "");
  EXPECT_EQ(TRead(file.substr(0, kNode2)).Moves(), "7747/0 ");
  TRead commentCut(file.substr(0, kNode2 + 36));
  EXPECT_EQ(commentCut.Moves(), "7747/0 7062/1 ");
  EXPECT_EQ(commentCut.Errors(), "第 2 步：注解大小出錯！|");
  EXPECT_EQ(TRead(file.substr(0, kNode3 + 35)).Moves(), "7747/0 7062/1 ");
}

TEST(OurGameReader, ThroughTheDispatch) {
  TBaseForm job;
  job.SrcFormat = kFmtOurGame;
  job.DstFormat = kFmtPgn;
  TChessRec rec;
  ASSERT_TRUE(ReadRecordFile(job, rec, (kData / "new.xqi").string()));
  EXPECT_EQ(rec.MoveCount, 3);
  EXPECT_EQ(job.ErrorCount, 0) << job.LogText();
  EXPECT_FALSE(ReadRecordFile(job, rec, (kData / "missing.chn").string()));
  EXPECT_EQ(job.ErrorCount, 1);
}
