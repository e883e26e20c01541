#include "formats/text/stqy.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "app/any2any.h"
#include "app/settings.h"
#include "tests/formats/web_page_fixture.h"
#include "tests/support/files.h"

using namespace webpage;

namespace {

class Stqy : public WebPageTest {};

const std::string kStart =
    "rnbakabnr..........c.....c.p.p.p.p.p..................P.P.P.P.P.C.....C..........RNBAKABNR";

// A kind-5 block around the given tags.
std::string Block(const std::string& tags) {
  return "<p>[dhjhtmlxq]\n" + tags + "\n[/dhjhtmlxq]</p>\n";
}

std::string Tag(const std::string& name, const std::string& value) {
  return "[dhjhtmlxq_" + name + "]" + value + "[/dhjhtmlxq_" + name + "]";
}

}  // namespace

TEST_F(Stqy, Kind5PageWithHeaderVariationsAndComments) {
  auto recs = ReadPage((kData / "stqy" / "kind5_variations.htm").string());
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_TRUE(ok[0]);
  const TChessRec& r = recs[0];
  EXPECT_EQ(r.PageKind, 5);
  EXPECT_EQ(r.Texts[kSlotTitle], "第一局");
  // Entities become blanks before the header texts are trimmed; the round
  // is appended to the event.
  EXPECT_EQ(r.Texts[kSlotEvent], "全國象棋個人賽第 1 輪");
  EXPECT_EQ(r.Texts[kSlotRound], "第 1 輪");
  EXPECT_EQ(r.Texts[kSlotDate], "2008-05-01");
  EXPECT_EQ(r.Texts[kSlotRedName], "許銀川");
  EXPECT_EQ(r.Texts[kSlotBlackName], "呂欽");
  EXPECT_EQ(r.Texts[kSlotCommentator], "棋院 講評");
  EXPECT_EQ(r.GameResult, 1);

  // Variation 1 replaces main step 2, variation 2 leaves variation 1 at its
  // step 3, variation 3 shares variation 1's place and chains behind it.
  EXPECT_EQ(Nodes(r), (V{"H2-E2/1/0", "H9-G7/2/1", "H0-G2/3/2", "I9-H9/4/3", "B9-C7/2/1",
                         "H0-G2/3/5", "B0-C2/3/5", "C9-E7/2/1"}));
  EXPECT_EQ(GetMoveText(r, 0), "開局  說明\r\n第二行");
  EXPECT_EQ(GetMoveText(r, 1), "中炮");
  EXPECT_EQ(GetMoveText(r, 6), "跳馬");
  EXPECT_EQ(GetMoveText(r, 8), "飛象");

  EXPECT_TRUE(Logged("源棋譜格式：汕頭棋院網棋譜"));
  EXPECT_TRUE(Logged("不能識別注解：0_x"));
  EXPECT_EQ(job.ErrorCount, 1);
}

TEST_F(Stqy, Kind6ChoosesTheMainLineSquareOrderPerRecord) {
  auto recs = ReadPage((kData / "stqy" / "kind6_row_first.htm").string());
  ASSERT_EQ(recs.size(), 1u);
  const TChessRec& r = recs[0];
  EXPECT_EQ(r.PageKind, 6);
  // No "9" in the main line: the first two moves read row first start on a
  // red and a black piece. The variation stays column first.
  EXPECT_EQ(Nodes(r), (V{"H2-E2/1/0", "H9-G7/2/1", "B2-B6/3/2", "C9-E7/2/1"}));
  EXPECT_EQ(GetMoveText(r, 2), "屏風馬");
  EXPECT_EQ(r.GameResult, 3);
  EXPECT_EQ(r.SourceBreak, FileTypes[kFmtUbbJava].BreakKind) << "only kind 5 reads <br>";
  EXPECT_EQ(job.ErrorCount, 0);

  // A square written 79 can only be column first, one written 91 only row
  // first; variations are column first either way.
  const std::string branch = "[branch_1_2_0_1_]72421927[/branch_1_2_0_1_]";
  recs = ReadText("[dhj01xqcchcodeflag]" + Tag("34", "7242796770621927") + branch +
                  "[/dhj01xqcchcodeflag]\n[dhj01xqcchcodeflag]" + Tag("34", "91720726") + branch +
                  "[/dhj01xqcchcodeflag]");
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(MainLine(recs[0]), "H2-E2 H9-G7 H0-G2 B9-C7");
  EXPECT_EQ(Nodes(recs[0])[4], "B9-C7/2/1");
  EXPECT_EQ(MainLine(recs[1]), "B0-C2 H9-G7");
  EXPECT_EQ(Nodes(recs[1])[2], "B9-C7/2/1");
  EXPECT_EQ(job.ErrorCount, 0);
}

TEST_F(Stqy, VariationPlacesAndMalformedVariationTags) {
  auto recs =
      ReadText(Block(Tag("34", "72427967706289798070") +
                     // Value from step 3: its first two moves repeat the main line.
                     "[branch_1_5_0_3_x]706289791022[/branch_1_5_0_3_x]"
                     // Malformed names are skipped without a message.
                     "[branch_1_2_0_]1927[/branch_1_2_0_][branch_0_2_0_1_]1927[/branch_0_2_0_1_]"
                     "[branch_2_x_0_1_]1927[/branch_2_x_0_1_]"
                     // No line 7; and a step beyond the parent's run.
                     "[branch_3_2_7_1_]72421927[/branch_3_2_7_1_]"
                     "[branch_4_9_1_5_]10221022102210221022[/branch_4_9_1_5_]"));
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_TRUE(ok[0]);
  EXPECT_EQ(Nodes(recs[0]),
            (V{"H2-E2/1/0", "H9-G7/2/1", "H0-G2/3/2", "I9-H9/4/3", "I0-H0/5/4", "B0-C2/5/4"}));
  EXPECT_TRUE(Logged("第 7 步沒有找到上一步!;"));
  EXPECT_TRUE(Logged("第 8 步沒有找到上一步!;"));
  EXPECT_EQ(job.ErrorCount, 2);
}

TEST_F(Stqy, PositionsCommentsAndBadSquares) {
  auto recs = ReadText(
      // A short position fills only the first squares.
      Block(Tag("31", "rnbakabnr") + "[comment_0_0]a&nbsp;&NBSP;b[/comment_0_0]") +
      // Two main lines: no moves are read.
      Block(Tag("31", kStart) + Tag("34", "7242") + Tag("34", "7967")) +
      // A malformed square is reported with its link; a comment past the
      // main line or without "_" is not stored.
      Block(Tag("34", "7242a967") + "[comment_0_9]x[/comment_0_9][comment_5]y[/comment_5]"));
  ASSERT_EQ(recs.size(), 3u);
  for (int slot = 0; slot < 16; ++slot) EXPECT_EQ(recs[0].Pieces[slot], kNoSquare) << slot;
  for (int slot = 16; slot < 25; ++slot)
    EXPECT_EQ(recs[0].Pieces[slot], kStartSquares[slot]) << slot;
  EXPECT_EQ(GetMoveText(recs[0], 0), "a  b");

  EXPECT_EQ(recs[1].MoveCount, 0);
  EXPECT_EQ(std::vector<uint8_t>(recs[1].Pieces, recs[1].Pieces + 32),
            std::vector<uint8_t>(kStartSquares, kStartSquares + 32));

  EXPECT_TRUE(Logged("第 2 步棋的開始位置錯誤。"));
  EXPECT_TRUE(Logged("不能識別注解：0_9"));
  EXPECT_FALSE(Logged("不能識別注解：5"));
  EXPECT_EQ(recs[2].Moves[2].From, kNoSquare);
}

TEST_F(Stqy, ManyVariationsAtOneMoveStayLinear) {
  // 10000 alternatives of one move, then a chain of 10000 variations each
  // leaving the previous one: both must read in about linear time.
  constexpr int kCount = 10000;
  std::string tags = Tag("34", "72427967");
  for (int i = 1; i <= kCount; ++i) {
    const std::string name = std::to_string(i) + "_2_0_1_";
    tags += "[branch_" + name + "]72421927[/branch_" + name + "]";
  }
  for (int i = kCount + 1, base = 2; i <= 2 * kCount; ++i, ++base) {
    // Line i leaves line i - 1 at its second move; its value begins where
    // line i - 1 begins, so its first move repeats that line.
    const bool first = i == kCount + 1;
    const std::string name = first
                                 ? std::to_string(i) + "_2_0_1_"
                                 : std::to_string(i) + "_" + std::to_string(base) + "_" +
                                       std::to_string(i - 1) + "_" + std::to_string(base - 1) + "_";
    tags += "[branch_" + name + "]" + (first ? "724219270000" : "000000000000") + "[/branch_" +
            name + "]";
  }
  const auto start = std::chrono::steady_clock::now();
  auto recs = ReadText(Block(tags));
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0].MoveCount, 2 + kCount + 2 * kCount);
  EXPECT_LT(seconds, 20.0);
  std::printf("%d variations read in %.2f s\n", 2 * kCount, seconds);
}

TEST(StqyJob, PageConvertedToPgnWithTheSourceOptions) {
  const TTempFolder temp("tavrik_stqy_job");
  const fs::path dir = temp.Path();
  Settings().Clear();
  SetSettingsFolder(dir.string() + "/");
  Process().Unattended = true;
  Process().SystemCodePage = kCpUtf8;
  BuildFormatStrings();
  {
    TAnyFormat2AnyFormatForm f;
    f.rgSource.ItemIndex = 1;
    for (int i = 0; i < TAnyFormat2AnyFormatForm::kSourceRowCount; ++i)
      if (TAnyFormat2AnyFormatForm::kSourceRows[i] == kFmtUbbJava) f.cbbSourceFormat.ItemIndex = i;
    f.cbbSourceFormatChange();
    for (int i = 0; i < TAnyFormat2AnyFormatForm::kDestinationRowCount; ++i)
      if (TAnyFormat2AnyFormatForm::kDestinationRows[i] == kFmtPgn)
        f.cbbDestinationFormat.ItemIndex = i;
    f.cbbDestinationFormatChange();
    f.rgSourceCodePage.ItemIndex = 2;
    f.rgDestinationCodePage.ItemIndex = 2;
    f.chkDelSpace.Checked = true;
    f.chkRound.Checked = false;
    f.edtSource.Text = (kData / "stqy" / "kind5_variations.htm").string();
    f.edtDestination.Text = dir.string() + "/";
    f.RunAnyToAnyJob();

    const std::string pgn = Slurp(dir / "kind5_variations.PGN");
    EXPECT_NE(pgn.find("[Red \"許銀川\"]"), std::string::npos) << pgn;
    EXPECT_NE(pgn.find("[Round \"第1輪\"]"), std::string::npos) << pgn;
    EXPECT_NE(pgn.find("[Event \"全國象棋個人賽\"]"), std::string::npos) << pgn;
    EXPECT_NE(pgn.find("炮二平五"), std::string::npos) << pgn;
  }
  Settings().Clear();
  SetSettingsFolder("");
  Process() = TProcessState{};
}
