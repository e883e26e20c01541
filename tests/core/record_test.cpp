#include "core/record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/encoding.h"
#include "core/uglobal.h"
#include "tests/support/test_job.h"

namespace {

// Checks the shape every builder promises: parents before children, plies one
// deeper than the parent, lines that cut 1..MoveCount into consecutive runs in
// which each node continues the one before it, and 0x80 exactly on the nodes
// that are not the last of their line.
void ExpectSoundTree(const TChessRec& rec) {
  ASSERT_GE(rec.MoveCount, 0);
  ASSERT_LT(rec.MoveCount, static_cast<int>(rec.Moves.size()));
  EXPECT_EQ(rec.Moves[0].Flags & kFlagContinues, rec.MoveCount > 0 ? kFlagContinues : 0u);
  EXPECT_EQ(rec.Moves[rec.MoveCount].Flags & (kFlagContinues | kFlagHasAlt), 0u);
  EXPECT_EQ(rec.Lines[0].First, 1);
  int expectFirst = 1;
  for (int l = 0; l <= rec.LastLine; ++l) {
    const TLineRec& line = rec.Lines[l];
    EXPECT_EQ(line.First, expectFirst) << "line " << l;
    for (int i = line.First; i <= line.Last; ++i) {
      const TMoveNode& node = rec.Moves[i];
      ASSERT_GE(node.Parent, 0);
      ASSERT_LT(node.Parent, i);
      EXPECT_EQ(node.Ply, rec.Moves[node.Parent].Ply + 1) << "node " << i;
      if (i > line.First) {
        EXPECT_EQ(node.Parent, i - 1) << "node " << i;
      }
      EXPECT_EQ((node.Flags & kFlagContinues) != 0, i < line.Last) << "node " << i;
    }
    expectFirst = line.Last + 1;
  }
  EXPECT_EQ(rec.Lines[rec.LastLine].Last, rec.MoveCount);
}

std::vector<int> Parents(const TChessRec& rec) {
  std::vector<int> out;
  for (int i = 1; i <= rec.MoveCount; ++i) out.push_back(rec.Moves[i].Parent);
  return out;
}

TChessRec FreshRecord(int nodes) {
  TChessRec rec;
  ResetRecord(rec, kFmtXqf, kFmtPgn);
  SetMoveCapacity(rec, nodes);
  return rec;
}

TChessRec FromPlies(TTestJob& job, const std::vector<int>& plies) {
  TChessRec rec = FreshRecord(static_cast<int>(plies.size()) + 1);
  for (size_t i = 0; i < plies.size(); ++i) rec.Moves[i + 1].Ply = plies[i];
  BuildTreeFromPlies(job, rec, static_cast<int>(plies.size()));
  return rec;
}

TChessRec FromFlags(const std::vector<uint32_t>& flags) {
  TChessRec rec = FreshRecord(static_cast<int>(flags.size()) + 1);
  for (size_t i = 0; i < flags.size(); ++i) rec.Moves[i + 1].Flags = flags[i];
  BuildTreeFromFlags(rec, static_cast<int>(flags.size()));
  return rec;
}

}  // namespace

TEST(Record, ResetClearsAReusedRecordToTheStandardStart) {
  TChessRec rec = FreshRecord(4);
  BuildLinearTree(rec, 3);
  rec.Texts[TextSlotOf(rec, 2)] = "old";
  rec.ErrorText = "x";
  rec.Pieces[0] = kNoSquare;

  ResetRecord(rec, kFmtPgn, 99);  // an unknown format number has no break kind
  EXPECT_EQ(rec.SourceBreak, 3);
  EXPECT_EQ(rec.TargetBreak, 0);
  EXPECT_EQ(rec.MoveCount, 0);
  EXPECT_EQ(rec.TextTop, 62);
  EXPECT_TRUE(rec.ErrorText.empty());
  ASSERT_EQ(rec.Texts.size(), 255u);
  EXPECT_TRUE(rec.Texts[63].empty());
  ASSERT_EQ(rec.Moves.size(), 1u);
  EXPECT_EQ(rec.Moves[0].TextIndex, 62);
  EXPECT_EQ(0, std::memcmp(rec.Pieces, kStartSquares, 32));
  EXPECT_EQ(std::string(rec.Board, 9), "rnbakabnr");
  EXPECT_EQ(std::string(rec.Board + 81, 9), "RNBAKABNR");
}

TEST(Record, RecordWithNoMoves) {
  TChessRec rec = FreshRecord(1);
  EXPECT_EQ(FinishTree(rec, -5), 0);
  EXPECT_EQ(rec.Moves[0].Flags, 0u);
  EXPECT_EQ(rec.Lines[0].Last, 0);
  TTestJob job;
  BuildTreeFromPlies(job, rec, 0);
  BuildTreeFromFlags(rec, 0);
  BuildTreeFromLinks(rec, 0);
  EXPECT_EQ(rec.MoveCount, 0);
  EXPECT_TRUE(job.Lines.empty());
}

TEST(Record, PliesWithAVariationOfTheSecondMove) {
  TTestJob job;
  TChessRec rec = FromPlies(job, {1, 2, 3, 2, 3});
  EXPECT_TRUE(job.Lines.empty());
  ExpectSoundTree(rec);
  EXPECT_EQ(rec.MoveCount, 5);
  EXPECT_EQ(Parents(rec), (std::vector<int>{0, 1, 2, 1, 4}));
  EXPECT_EQ(rec.Moves[2].Flags, kFlagContinues | kFlagHasAlt);
  EXPECT_EQ(rec.Moves[3].Flags, 0u);
  ASSERT_EQ(rec.LastLine, 1);
  EXPECT_EQ(rec.Lines[0].Last, 3);
  EXPECT_EQ(rec.Lines[1].First, 4);
  EXPECT_EQ(rec.Lines[1].Last, 5);
}

TEST(Record, PliesWithoutEarlierSiblingStopTheTreeWithOneError) {
  TTestJob job;
  TChessRec rec = FromPlies(job, {1, 2, 3, 0, 1, 2});
  EXPECT_EQ(rec.MoveCount, 3);
  ExpectSoundTree(rec);
  ASSERT_EQ(job.Lines.size(), 1u);
  EXPECT_EQ(job.Lines[0].Text, "第 4 步沒有找到上一步!;");
  EXPECT_EQ(job.Lines[0].Level, kLogError);
  EXPECT_TRUE(job.Lines[0].ForRecord);

  TTestJob first;
  rec = FromPlies(first, {0, 1});
  EXPECT_EQ(rec.MoveCount, 0);
  EXPECT_EQ(first.At(kLogError), std::vector<std::string>{"第 1 步沒有找到上一步!;"});
  ExpectSoundTree(rec);

  // On a GBK system the message comes in GBK.
  TTestJob gbk;
  Process().SystemCodePage = kCpGbk;
  rec = FromPlies(gbk, {0});
  Process().SystemCodePage = kCpUtf8;
  ASSERT_EQ(gbk.Lines.size(), 1u);
  std::string back = gbk.Lines[0].Text;
  ConvertCodePage(back, kCpGbk, 0, kCpUtf8);
  EXPECT_NE(gbk.Lines[0].Text, back);
  EXPECT_EQ(back, "第 1 步沒有找到上一步!;");
}

TEST(Record, PliesThatSkipNumbersStillGiveParentPlusOne) {
  TTestJob job;
  TChessRec rec = FromPlies(job, {1, 3, 7, 3, 9});
  ExpectSoundTree(rec);
  EXPECT_EQ(Parents(rec), (std::vector<int>{0, 1, 2, 1, 4}));
  EXPECT_EQ(rec.Moves[5].Ply, 3);
}

TEST(Record, PliesPickTheNearestSiblingAmongSeveral) {
  TTestJob job;
  // 1 2 3 | 3 (alt of 3) | 2 3 (alt of the first 2, found through the second line)
  TChessRec rec = FromPlies(job, {1, 2, 3, 3, 2, 3});
  ExpectSoundTree(rec);
  EXPECT_EQ(Parents(rec), (std::vector<int>{0, 1, 2, 2, 1, 5}));
  EXPECT_TRUE(rec.Moves[3].Flags & kFlagHasAlt);
  EXPECT_TRUE(rec.Moves[2].Flags & kFlagHasAlt);
  EXPECT_EQ(rec.LastLine, 2);
}

TEST(Record, FlagsBuildAlternativesInPreOrder) {
  // Node 1 continues and has an alternative; node 2 ends; node 3 is the
  // alternative to node 1 and continues to node 4.
  TChessRec rec = FromFlags({0xC0, 0, 0x80, 0});
  ExpectSoundTree(rec);
  EXPECT_EQ(Parents(rec), (std::vector<int>{0, 1, 0, 3}));
  EXPECT_EQ(rec.Moves[3].Ply, 1);
  ASSERT_EQ(rec.LastLine, 1);
  EXPECT_EQ(rec.Lines[1].First, 3);
}

TEST(Record, FlagsThatPromiseMoreMovesAreCutAndLeaveNoDanglingAlternative) {
  // Node 2 announces an alternative and node 3 a continuation; neither exists.
  TChessRec rec = FromFlags({0x80, 0xC0, 0x80});
  ExpectSoundTree(rec);
  EXPECT_EQ(rec.MoveCount, 3);
  EXPECT_EQ(rec.Moves[2].Flags, kFlagContinues);
  // Flags that end early leave the rest out.
  rec = FromFlags({0x80, 0, 0x80, 0});
  ExpectSoundTree(rec);
  EXPECT_EQ(rec.MoveCount, 2);
}

TEST(Record, FlagsWithDeepNestingGrowTheStackAndLines) {
  // 300 moves, each with an alternative that comes after the main line.
  const int n = 300;
  std::vector<uint32_t> flags;
  for (int i = 0; i < n; ++i) flags.push_back(i + 1 < n ? 0xC0 : 0x40);
  for (int i = 0; i < n; ++i) flags.push_back(0);
  TChessRec rec = FromFlags(flags);
  ExpectSoundTree(rec);
  EXPECT_EQ(rec.MoveCount, 2 * n);
  EXPECT_EQ(rec.LastLine, n);
  EXPECT_EQ(rec.Moves[n + 1].Parent, n - 1);  // alternatives come back deepest first
  EXPECT_EQ(rec.Moves[2 * n].Parent, 0);
}

TEST(Record, LinksBuildTheTreeAndRecordNodeIndices) {
  TChessRec rec;
  ResetRecord(rec, kFmtUbb, kFmtPgn);
  SetLinkCount(rec, 6);
  ASSERT_EQ(rec.Moves.size(), 6u);
  // 1 -> 2 -> 3, alternative of 2 is 4 -> 5.
  auto set = [&](int i, uint8_t from, int next, int alt) {
    rec.Links[i].Move[0] = from;
    rec.Links[i].Move[1] = from + 1;
    rec.Links[i].Next = next;
    rec.Links[i].Alt = alt;
  };
  set(1, 0x10, 2, 0);
  set(2, 0x20, 3, 4);
  set(3, 0x30, 0, 0);
  set(4, 0x40, 5, 0);
  set(5, 0x50, -1, 0);
  BuildTreeFromLinks(rec, 1);
  ExpectSoundTree(rec);
  EXPECT_EQ(rec.MoveCount, 5);
  EXPECT_EQ(Parents(rec), (std::vector<int>{0, 1, 2, 1, 4}));
  EXPECT_EQ(rec.Moves[4].From, 0x40);
  EXPECT_EQ(rec.Moves[4].Dest, 0x41);
  EXPECT_EQ(rec.Moves[2].Flags, kFlagContinues | kFlagHasAlt);
  EXPECT_EQ(rec.Links[4].MoveIndex, 4);
  EXPECT_EQ(rec.Links[5].MoveIndex, 5);
}

TEST(Record, LinksOutOfRangeOrInACycleEndTheTree) {
  TChessRec rec;
  ResetRecord(rec, kFmtUbb, kFmtPgn);
  SetLinkCount(rec, 4);
  rec.Links[1].Next = 2;
  rec.Links[2].Next = 99;  // beyond Links
  rec.Links[1].Alt = 3;    // never reached: the tree ends at the bad link
  BuildTreeFromLinks(rec, 1);
  ExpectSoundTree(rec);
  EXPECT_EQ(rec.MoveCount, 2);
  EXPECT_FALSE(rec.Moves[1].Flags & kFlagHasAlt);

  SetLinkCount(rec, 4);
  rec.Links[1].Next = -3;
  rec.Links[1].Alt = 1000;  // an alternative beyond Links
  BuildTreeFromLinks(rec, 1);
  ExpectSoundTree(rec);
  EXPECT_EQ(rec.MoveCount, 1);

  SetLinkCount(rec, 4);
  rec.Links[1].Next = 2;
  rec.Links[2].Next = 1;  // a cycle
  rec.Links[2].Alt = 2;   // and an alternative naming itself
  BuildTreeFromLinks(rec, 1);
  ExpectSoundTree(rec);
  EXPECT_EQ(rec.MoveCount, 2);

  BuildTreeFromLinks(rec, 7);  // first link beyond Links
  EXPECT_EQ(rec.MoveCount, 0);
}

TEST(Record, BuildersNeverWritePastTheMoveCapacity) {
  TTestJob job;
  TChessRec rec = FreshRecord(3);
  BuildLinearTree(rec, 10);
  EXPECT_EQ(rec.MoveCount, 2);
  ExpectSoundTree(rec);
  BuildTreeFromPlies(job, rec, 10);
  EXPECT_EQ(rec.Moves.size(), 3u);
  BuildTreeFromFlags(rec, 10);
  EXPECT_EQ(rec.Moves.size(), 3u);
  ExpectSoundTree(rec);
}

TEST(Record, TextSlots) {
  TChessRec rec = FreshRecord(4);
  EXPECT_EQ(TextSlotOf(rec, 0), 62);
  EXPECT_EQ(TextSlotOf(rec, 2), 63);
  EXPECT_EQ(TextSlotOf(rec, 2), 63);
  // A node beyond Moves gets a slot that nothing points to.
  EXPECT_EQ(TextSlotOf(rec, 4), 64);
  EXPECT_EQ(TextSlotOf(rec, -1), 65);
  EXPECT_EQ(GetMoveText(rec, 4) + GetMoveText(rec, -1), "");

  SetMoveText(rec, 2, std::string("abc"), 1, 50);  // cut at the end of the text
  EXPECT_EQ(GetMoveText(rec, 2), "bc");
  SetMoveText(rec, 1, std::string("abc"), 9, 2);  // start beyond the text
  EXPECT_EQ(GetMoveText(rec, 1), "");

  // Slots past the first 255 grow the array; those handed out stay valid.
  SetMoveCapacity(rec, 700);
  for (int i = 1; i < 700; ++i) SetMoveText(rec, i, std::to_string(i));
  EXPECT_GE(rec.Texts.size(), static_cast<size_t>(rec.TextTop) + 1);
  EXPECT_EQ(rec.Moves[2].TextIndex, 63);
  for (int i = 1; i < 700; ++i) ASSERT_EQ(GetMoveText(rec, i), std::to_string(i));
}

TEST(Record, CommentsByKeyGoThroughTheLinkIndex) {
  TChessRec rec;
  ResetRecord(rec, kFmtUbb, kFmtPgn);
  SetLinkCount(rec, 8);
  for (int i = 1; i < 8; ++i) rec.Links[i].MoveIndex = i;
  rec.Links[6].MoveIndex = 0;  // a link the tree never reached
  // Source rows {first, end, key, base, ...}: line 5 holds links 3..5 from step 10,
  // line 2 holds links 6..7 from step 4; equal keys keep their order.
  std::vector<TLinkSourceRow> source = {
      {3, 6, 5, 10, 0, 0, 0}, {6, 8, 2, 4, 0, 0, 0}, {1, 1, 5, 0, 0, 0, 0}};
  std::vector<TLinkIndexRow> index;
  BuildLinkIndex(source, index);
  ASSERT_EQ(index.size(), 3u);
  EXPECT_EQ(index[0].Key, 2);
  EXPECT_EQ(index[2].Base, 0);  // the later row with key 5 stays later

  SetMoveTextByKey(rec, "key0", 1, 0, index, 3);  // key 0: b is the node
  SetMoveTextByKey(rec, "in line 5", 11, 5, index, 3);
  SetMoveTextByKey(rec, "past the line", 13, 5, index, 3);
  SetMoveTextByKey(rec, "before the line", 9, 5, index, 3);
  SetMoveTextByKey(rec, "unreached", 4, 2, index, 3);
  SetMoveTextByKey(rec, "no such key", 1, 9, index, 3);
  SetMoveTextByKey(rec, "row not searched", 5, 2, index, 0);
  SetMoveTextByKey(rec, "rows beyond the index", 5, 2, index, 40);
  EXPECT_EQ(GetMoveText(rec, 1), "key0");
  EXPECT_EQ(GetMoveText(rec, 4), "in line 5");
  EXPECT_EQ(GetMoveText(rec, 7), "rows beyond the index");
  EXPECT_EQ(rec.TextTop, 65);
}

TEST(Record, CutTreeEndsTheLineAtTheCutAndDropsLostAlternatives) {
  TTestJob job;
  // 1 2 3 | 2' 3' | 1'': node 1 and node 2 have alternatives.
  TChessRec rec = FromPlies(job, {1, 2, 3, 2, 3, 1});
  for (int i = 1; i <= 6; ++i) rec.Moves[i].Flags |= kFlagBlack;
  ASSERT_TRUE(rec.Moves[1].Flags & kFlagHasAlt);
  CutTree(rec, 4);
  ExpectSoundTree(rec);
  EXPECT_EQ(rec.MoveCount, 4);
  EXPECT_EQ(rec.LastLine, 1);
  EXPECT_FALSE(rec.Moves[1].Flags & kFlagHasAlt);  // its alternative was node 6
  EXPECT_TRUE(rec.Moves[2].Flags & kFlagHasAlt);   // node 4 is still there
  EXPECT_EQ(rec.Moves[4].Flags, kFlagBlack);       // the move check's bit stays
  CutTree(rec, 9);                                 // not below MoveCount: nothing to do
  EXPECT_EQ(rec.MoveCount, 4);
  CutTree(rec, 0);
  ExpectSoundTree(rec);
  EXPECT_EQ(rec.LastLine, 0);
}
