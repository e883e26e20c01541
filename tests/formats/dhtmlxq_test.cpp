#include "formats/text/dhtmlxq.h"

#include <gtest/gtest.h>
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "app/baseany2any.h"
#include "app/baseform.h"
#include "app/dispatch.h"
#include "core/record.h"
#include "core/variants.h"
#include "formats/text/registry.h"
#include "tests/formats/pgn_text_fixture.h"
#include "tests/support/files.h"

using namespace pgntext;

namespace {

namespace fs = std::filesystem;

// (from, dest, ply, parent) of every node after the root.
using TNodes = std::vector<std::tuple<int, int, int, int>>;

TNodes Nodes(const TChessRec& rec) {
  TNodes out;
  for (int i = 1; i <= rec.MoveCount; ++i) {
    const TMoveNode& n = rec.Moves[i];
    out.emplace_back(n.From, n.Dest, n.Ply, n.Parent);
  }
  return out;
}

std::tuple<int, int, int, int> Node(const char* digits, int ply, int parent) {
  return {SquareOf(digits[0] - '0', digits[1] - '0'), SquareOf(digits[2] - '0', digits[3] - '0'),
          ply, parent};
}

// Reads pages through the dispatch, as the any-to-any job does for the
// UBBJava source row.
class DhtmlXQRead : public ::testing::Test {
 protected:
  void SetUp() override {
    job.SrcFormat = kFmtUbbJava;
    job.DstFormat = kFmtPgn;
    job.SrcCodePage = kCpUtf8;
    job.DstCodePage = kCpUtf8;
    job.DstCodePageIndex = 2;
  }
  // Reads the first block of the page; returns the number of blocks.
  int ReadFile(const std::string& path, bool expectRead = true) {
    items.clear();
    const int n = FindWebRecords(job, path, text, items);
    if (n >= 1) {
      const bool ok =
          ReadWebRecord(job, rec, path, items[0].Kind, items[0].StartPos, items[0].EndPos, text);
      EXPECT_EQ(ok, expectRead);
    }
    return n;
  }
  int Read(const std::string& bytes) {
    const std::string path = (dir / "page.htm").string();
    std::ofstream(path, std::ios::binary) << bytes;
    return ReadFile(path);
  }
  bool Logged(const std::string& line) const {
    return job.LogText().find(line) != std::string::npos;
  }

  TTempFolder temp_{"tavrik_dhtmlxq"};
  fs::path dir = temp_.Path();
  TBaseForm job;
  TChessRec rec;
  std::string text;
  TDynJavaArray items;
};

}  // namespace

TEST_F(DhtmlXQRead, NewFormVariationsCommentsAndHeader) {
  ASSERT_EQ(Read("<div>[DhtmlXQ]\r\n"
                 "[DhtmlXQ_title]標題[/DhtmlXQ_title][DhtmlXQ_red]紅[/DhtmlXQ_red]"
                 "[DhtmlXQ_blackname]黑[/DhtmlXQ_blackname][DhtmlXQ_unknown]x[/DhtmlXQ_unknown]"
                 // 63 characters: too short, the standard start stays
                 "[DhtmlXQ_binit]"
                 "000000000000000000000000000000000000000000000000000000000000000"
                 "[/DhtmlXQ_binit]"
                 "[DhtmlXQ_MoveList]7747706279678070[/DhtmlXQ_MOVELIST]"
                 "[DhtmlXQ_move_0_3_1]19271022[/DhtmlXQ_move_0_3_1]"
                 "[DhtmlXQ_move_0_3_2]2625[/DhtmlXQ_move_0_3_2]"
                 "[DhtmlXQ_move_1_4_3]8070[/DhtmlXQ_move_1_4_3]"
                 "[DhtmlXQ_move_x_4_4]7242[/DhtmlXQ_move_x_4_4]"
                 "[DhtmlXQ_comment0]開局[/DhtmlXQ_comment0]"
                 "[DhtmlXQ_comment2]第二步[/DhtmlXQ_comment2]"
                 "[DhtmlXQ_j3]先寫[/DhtmlXQ_j3][DhtmlXQ_comment3]後寫[/DhtmlXQ_comment3]"
                 "[DhtmlXQ_comment1_4]變一[/DhtmlXQ_comment1_4]"
                 "[DhtmlXQ_comment3_4]變三[/DhtmlXQ_comment3_4]"
                 "[DhtmlXQ_comment1_x]壞[/DhtmlXQ_comment1_x]"
                 "[DhtmlXQ_comment99]無此步[/DhtmlXQ_comment99]"
                 "[DhtmlXQ_remark]no close"
                 "[/DhtmlXQ]</div>"),
            1);
  EXPECT_EQ(Nodes(rec), (TNodes{Node("7747", 1, 0), Node("7062", 2, 1), Node("7967", 3, 2),
                                Node("8070", 4, 3), Node("1927", 3, 2), Node("1022", 4, 5),
                                Node("8070", 4, 5), Node("2625", 3, 2)}));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec.Pieces), 32),
            std::string(reinterpret_cast<const char*>(kStartSquares), 32));
  EXPECT_EQ(rec.Texts[kSlotTitle], "標題");
  EXPECT_EQ(rec.Texts[kSlotRedName], "紅");  // copied from "red"
  EXPECT_EQ(rec.Texts[kSlotBlackName], "黑");
  EXPECT_EQ(GetMoveText(rec, 0), "開局");
  EXPECT_EQ(GetMoveText(rec, 2), "第二步");
  EXPECT_EQ(GetMoveText(rec, 3), "後寫");
  EXPECT_EQ(GetMoveText(rec, 6), "變一");
  EXPECT_EQ(GetMoveText(rec, 7), "變三");
  EXPECT_EQ(rec.TextTop, 66);  // five comments, the dropped ones took no slot
  EXPECT_TRUE(Logged("[錯誤] 不能識別注解：comment1_x"));
  EXPECT_TRUE(Logged("沒有找到字符串：[/dhtmlxq_remark]"));
  EXPECT_TRUE(Logged("源棋譜格式：東萍新格式"));
  EXPECT_EQ(job.ErrorCount, 1) << job.LogText();
}

TEST_F(DhtmlXQRead, StartPositionAndUnreachableVariation) {
  // Kings and one red rook only; "xx" and "90" put pieces off the board.
  std::string binit;
  for (int s = 0; s < 32; ++s) binit += s == 0 ? "09" : s == 4 ? "49" : s == 20 ? "30" : "xx";
  binit[2 * 31] = '9';
  binit[2 * 31 + 1] = '0';
  ASSERT_EQ(Read("[DhtmlXQ][DhtmlXQ_binit]" + binit + "[/DhtmlXQ_binit]" +
                 "[DhtmlXQ_movelist]09083031[/DhtmlXQ_movelist]"
                 "[DhtmlXQ_move_5_2_1]4030[/DhtmlXQ_move_5_2_1][/DhtmlXQ]"),
            1);
  EXPECT_EQ(rec.Pieces[0], SquareOf(0, 9));
  EXPECT_EQ(rec.Pieces[4], SquareOf(4, 9));
  EXPECT_EQ(rec.Pieces[20], SquareOf(3, 0));
  EXPECT_EQ(rec.Pieces[1], kNoSquare);
  EXPECT_EQ(rec.Pieces[31], kNoSquare);
  EXPECT_EQ(Nodes(rec), (TNodes{Node("0908", 1, 0), Node("3031", 2, 1)}));
  EXPECT_TRUE(Logged("第 3 步沒有找到上一步!;"));
}

TEST_F(DhtmlXQRead, UnclosedTagsNeverHideTheRecord) {
  // A page with more unclosed tags than the walk once allowed.
  ASSERT_EQ(ReadFile(std::string(TAVRIK_TEST_DATA) + "/dhtmlxq/unclosed_tags_before_block.htm"), 1);
  EXPECT_EQ(rec.Texts[kSlotEvent], "a");
  EXPECT_EQ(Nodes(rec).size(), 2u);
  // Many thousands, named alike and each differently: still read, in linear
  // time, each missing closing tag said once.
  std::string page = "[DhtmlXQ][DhtmlXQ_y]1[/DhtmlXQ_y]";
  for (int i = 0; i < 20000; ++i) page += "[DhtmlXQ_x" + std::to_string(i) + "][DhtmlXQ_y]";
  ASSERT_EQ(Read(page + "[DhtmlXQ_event]b[/DhtmlXQ_event][/DhtmlXQ]"), 1);
  EXPECT_EQ(rec.Texts[kSlotEvent], "b");
  EXPECT_EQ(
      std::count(job.mmoLog.Lines.begin(), job.mmoLog.Lines.end(), "沒有找到字符串：[/dhtmlxq_y]"),
      1);
}

TEST_F(DhtmlXQRead, ResultWordsOfChineseAndEnglishPages) {
  const std::vector<std::pair<std::string, int>> cases = {{"W", 1},    {"L", 2},    {"D", 3},
                                                          {" w ", 1},  {"紅勝", 1}, {"黑胜", 2},
                                                          {"和棋", 3}, {"未知", 4}, {"Win", 4}};
  for (const auto& [word, result] : cases) {
    ASSERT_EQ(Read("[DhtmlXQ][DhtmlXQ_result]" + word + "[/DhtmlXQ_result][/DhtmlXQ]"), 1);
    EXPECT_EQ(rec.GameResult, result) << word;
  }
}

TEST_F(DhtmlXQRead, OldFormCarriesParentNumbers) {
  // Move 4 has the parent of move 3: it is move 3's alternative; move 5
  // follows it. A 12-character list holding a capital letter is one move.
  ASSERT_EQ(Read("[DhtmlXQ][DhtmlXQ_movelist]"
                 "7747C2E50000"
                 "7062H8G70001"
                 "7967H2G30002"
                 "1927H2I30002"
                 "1022H8I70004"
                 "[/DhtmlXQ_movelist][DhtmlXQ_comment4]變[/DhtmlXQ_comment4][/DhtmlXQ]"),
            1);
  EXPECT_EQ(Nodes(rec), (TNodes{Node("7747", 1, 0), Node("7062", 2, 1), Node("7967", 3, 2),
                                Node("1927", 3, 2), Node("1022", 4, 4)}));
  EXPECT_EQ(GetMoveText(rec, 4), "變");
  EXPECT_TRUE(Logged("源棋譜格式：東萍舊格式"));

  ASSERT_EQ(Read("[DhtmlXQ][DhtmlXQ_movelist]7747C2E50000[/DhtmlXQ_movelist][/DhtmlXQ]"), 1);
  EXPECT_EQ(Nodes(rec), (TNodes{Node("7747", 1, 0)}));

  // A parent number that is not a number ends the line before it.
  ASSERT_EQ(Read("[DhtmlXQ][DhtmlXQ_movelist]7747C2E500007062H8G7xx01[/DhtmlXQ_movelist]"
                 "[/DhtmlXQ]"),
            1);
  EXPECT_EQ(Nodes(rec), (TNodes{Node("7747", 1, 0)}));
  EXPECT_TRUE(Logged("第 2 步沒有找到上一步!;"));

  // The writer's XXXX for a move with a square off the board keeps the list
  // in the new form: the other moves stay, only that move is reported.
  ASSERT_EQ(Read("[DhtmlXQ][DhtmlXQ_movelist]77477062XXXX8070[/DhtmlXQ_movelist][/DhtmlXQ]"), 1);
  EXPECT_EQ(rec.MoveCount, 4);
  EXPECT_EQ(std::get<0>(Nodes(rec)[3]), SquareOf(8, 0));
  EXPECT_TRUE(Logged("第 3 步棋的開始位置錯誤。"));
  EXPECT_TRUE(Logged("源棋譜格式：東萍新格式"));
}

TEST_F(DhtmlXQRead, AppletPages) {
  ASSERT_EQ(Read("<applet code=\"webcchess.class\" codebase=\"x\">\r\n"
                 "<param name=\"movelist\" value=\"7747C2E500007062H8G70001\">\r\n"
                 "<PARAM VALUE=\"甲\" NAME=\"Red\">\r\n"
                 "<param name=\"title\">\r\n"
                 "<param name=\"j1\" value=\"一\">\r\n"
                 "</applet>"),
            1);
  EXPECT_EQ(items[0].Kind, kPageWebC5);
  EXPECT_EQ(Nodes(rec), (TNodes{Node("7747", 1, 0), Node("7062", 2, 1)}));
  EXPECT_EQ(rec.Texts[kSlotRedName], "甲");
  EXPECT_EQ(GetMoveText(rec, 1), "一");
  EXPECT_TRUE(Logged("源棋譜格式：[WebCchess 5]"));

  ASSERT_EQ(Read("<applet code=\"CCBJava.class\">"
                 "<param name=\"movelist\" value=\"77470000706200007967\">"
                 "<param name=\"winner\" value=\"2\">"
                 "<param name=\"j2\" value=\"上|下\">"
                 "</applet>"),
            1);
  EXPECT_EQ(items[0].Kind, kPageCcbJava);
  // 20 characters: two moves of eight; the rest is not a whole move.
  EXPECT_EQ(Nodes(rec), (TNodes{Node("7747", 1, 0), Node("7062", 2, 1)}));
  EXPECT_EQ(rec.GameResult, 2);
  EXPECT_EQ(GetMoveText(rec, 2), "上\r\n下");
  EXPECT_TRUE(Logged("源棋譜格式：象棋橋Java棋譜(CCBJava.class引擎、CCBJava2.class引擎)"));
}

TEST_F(DhtmlXQRead, SmallCorpusPages) {
  const fs::path corpus = fs::path(TAVRIK_CORPUS_DIR) / "dhtmlxq";
  if (!fs::exists(corpus)) GTEST_SKIP() << "no corpus";
  for (const char* name : {"ubb_block_result_D.ubb", "ubb_block_utf8_name_result_W.ubb",
                           "wxfca_page_44.html", "wxfca_page_116.html"}) {
    SCOPED_TRACE(name);
    job.ErrorCount = 0;
    ASSERT_EQ(ReadFile((corpus / name).string()), 1);
    // The main line is as long as the movelist value.
    const size_t at = text.find("[DhtmlXQ_movelist]") + 18;
    EXPECT_EQ(rec.MoveCount, static_cast<int>((text.find("[/DhtmlXQ_movelist]") - at) / 4));
    EXPECT_EQ(job.ErrorCount, 0) << job.LogText();
    EXPECT_FALSE(rec.Texts[kSlotTitle].empty());
  }
  // A bare digit string holds no block.
  EXPECT_EQ(ReadFile((corpus / "bare_movelist_digits.ubb").string()), 0);
}

namespace {

std::string RenderUtf8(TTestJob& job, TChessRec& rec, int choice, int random = 4711) {
  job.HeadText = UbbPageTemplates[choice].Head;
  job.FootText = UbbPageTemplates[choice].Foot;
  if (job.DstCodePage != kCpUtf8) {
    ConvertCodePage(job.HeadText, kCpUtf8, job.MapFlags, static_cast<int>(job.DstCodePage));
    ConvertCodePage(job.FootText, kCpUtf8, job.MapFlags, static_cast<int>(job.DstCodePage));
  }
  std::string out;
  const size_t size = RenderDhtmlXQ(job, rec, random, out);
  EXPECT_EQ(size, out.size());
  return out;
}

TTestJob UbbJob(int cp) {
  TTestJob job;
  job.SrcFormat = kFmtXqf;
  job.DstFormat = kFmtUbb;
  SetDestination(job, cp, cp == kCpBig5);
  return job;
}

}  // namespace

TEST(DhtmlXQWrite, GoldenFiles) {
  {
    TTestJob job = UbbJob(kCpUtf8);
    TChessRec rec;
    BuildCanonicalGame(job, rec, false);
    const std::string out = RenderUtf8(job, rec, 0);
    EXPECT_TRUE(out.starts_with("\xEF\xBB\xBF[DhtmlXQ]\r\n"));
    EXPECT_TRUE(out.ends_with("[/DhtmlXQ]\r\n"));
    // Two alternatives to black's first reply leave the main line at the same step.
    EXPECT_NE(out.find("[DhtmlXQ_move_0_2_3]"), std::string::npos);
    EXPECT_NE(out.find("[DhtmlXQ_move_0_2_4]"), std::string::npos);
    ExpectGolden("dhtmlxq/canonical_ubb_utf8.txt", out);
  }
  {
    // The HTML page with its placeholders, in GBK.
    TTestJob job = UbbJob(kCpGbk);
    TChessRec rec;
    BuildCanonicalGame(job, rec, false);
    job.UbbSize = "600,400";
    ExpectGolden("dhtmlxq/canonical_html_gbk.htm", RenderUtf8(job, rec, 1, 123));
  }
  {
    // Placeholders take the record's texts, letters in any case.
    TTestJob job = UbbJob(kCpUtf8);
    TChessRec rec;
    BuildCanonicalGame(job, rec, false);
    job.HeadText = "<%title%|%REDVSBLACK%|%random%>";
    job.FootText = "<%Random%>";
    std::string out;
    RenderDhtmlXQ(job, rec, 7, out);
    EXPECT_TRUE(out.starts_with("\xEF\xBB\xBF<中炮對屏風馬|紅方棋手" + rec.Texts[kSlotConnective] +
                                "黑方棋手|7>[DhtmlXQ_ver]"))
        << out.substr(0, 80);
    EXPECT_TRUE(out.ends_with("<7>"));
  }
}

TEST_F(DhtmlXQRead, WrittenRecordReadsBackWhole) {
  for (int cp : {kCpUtf8, kCpGbk, kCpBig5}) {
    SCOPED_TRACE(cp);
    TTestJob writer = UbbJob(cp);
    TChessRec built;
    BuildCanonicalGame(writer, built, false);
    job.SrcCodePage = cp;
    job.DstCodePage = static_cast<uint32_t>(cp);
    job.DstCodePageIndex = writer.DstCodePageIndex;
    job.MapFlags = writer.MapFlags;
    job.TextVariant = writer.TextVariant;
    job.DstFormat = kFmtUbb;
    job.ErrorCount = 0;
    ASSERT_EQ(Read(RenderUtf8(writer, built, 2)), 1);
    EXPECT_EQ(job.ErrorCount, 0) << job.LogText();
    EXPECT_EQ(Nodes(rec), Nodes(built));
    EXPECT_EQ(rec.LastLine, built.LastLine);
    for (int i = 0; i <= built.MoveCount; ++i)
      EXPECT_EQ(GetMoveText(rec, i), GetMoveText(built, i)) << i;
    for (int slot : {kSlotTitle, kSlotEvent, kSlotDate, kSlotSite, kSlotRedName, kSlotBlackName,
                     kSlotRedTeam, kSlotRound}) {
      // The JAVA page holds the record in a quoted attribute: its quotes turn.
      std::string want = built.Texts[slot];
      CurlyQuotes(want, writer.DstCodePageIndex);
      EXPECT_EQ(rec.Texts[slot], want) << slot;
    }
    EXPECT_EQ(rec.GameResult, 1);
  }
}

namespace {

// The value of the first attribute `name` of an element `tag`, as an HTML
// parser (libxml2's) sees the page.
std::string HtmlAttribute(const std::string& page, const char* tag, const char* name) {
  htmlDocPtr doc = htmlReadMemory(page.data(), static_cast<int>(page.size()), nullptr, "UTF-8",
                                  HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
  std::string value;
  std::vector<xmlNodePtr> todo = {xmlDocGetRootElement(doc)};
  while (!todo.empty() && value.empty()) {
    xmlNodePtr node = todo.back();
    todo.pop_back();
    for (; node; node = node->next) {
      if (node->type == XML_ELEMENT_NODE && xmlStrcasecmp(node->name, BAD_CAST tag) == 0) {
        if (xmlChar* v = xmlGetProp(node, BAD_CAST name)) {
          value = reinterpret_cast<const char*>(v);
          xmlFree(v);
          break;
        }
      }
      if (node->children) todo.push_back(node->children);
    }
  }
  xmlFreeDoc(doc);
  return value;
}

}  // namespace

TEST_F(DhtmlXQRead, AttributePagesSurviveQuotesInTheData) {
  struct TCase {
    int Choice;
    const char* Tag;
    const char* Attribute;
    const char* Event;  // read back: only the enclosing quote is changed
    const char* Time;
  };
  for (const TCase& c : {TCase{2, "param", "value", "“中立杯”", "114'"},
                         TCase{3, "iframe", "name", "\"中立杯\"", "114’"}}) {
    SCOPED_TRACE(c.Choice);
    TTestJob writer = UbbJob(kCpUtf8);
    TChessRec built;
    BuildCanonicalGame(writer, built, false);
    built.Texts[kSlotEvent] = "\"中立杯\"";
    built.Texts[kSlotRedTime] = "114'";
    const std::string page = RenderUtf8(writer, built, c.Choice);
    const std::string value = HtmlAttribute(page, c.Tag, c.Attribute);
    EXPECT_NE(value.find("[DhtmlXQ_movelist]"), std::string::npos) << value;
    EXPECT_NE(value.find("[DhtmlXQ_generator]"), std::string::npos) << value;
    job.ErrorCount = 0;
    ASSERT_EQ(Read(page), 1);
    EXPECT_EQ(Nodes(rec), Nodes(built));
    EXPECT_EQ(rec.Texts[kSlotEvent], c.Event);
    EXPECT_EQ(rec.Texts[kSlotRedTime], c.Time);
  }
}

TEST(DhtmlXQWrite, PiecesOffTheBoardAndBadSquares) {
  TTestJob job = UbbJob(kCpUtf8);
  TChessRec rec;
  BuildPawnEnding(job, rec, false);
  rec.Moves[2].Dest = 0x9A;
  const std::string out = RenderUtf8(job, rec, 0);
  // The red rook to advisor slots are empty; the king stands on 49.
  EXPECT_NE(out.find("[DhtmlXQ_binit]9999999949"), std::string::npos);
  EXPECT_NE(out.find("[DhtmlXQ_movelist]6362XXXX"), std::string::npos);
}

TEST_F(DhtmlXQRead, LargestCorpusTreeMatchesXqfAndSurvivesRoundTrip) {
  const fs::path corpus(TAVRIK_CORPUS_DIR);
  const fs::path page = corpus / "dhtmlxq" / "dpxq_xianrenzhilu_variations_utf8bom.txt";
  const fs::path xqf = corpus / "xqf" / "v18_xianrenzhilu_107001nodes.xqf";
  if (!fs::exists(page) || !fs::exists(xqf)) GTEST_SKIP() << "no corpus";
  ASSERT_EQ(ReadFile(page.string()), 1);
  EXPECT_EQ(rec.MoveCount, 107001);
  EXPECT_EQ(rec.LastLine, 1446);
  EXPECT_TRUE(GetMoveText(rec, 0).starts_with("　　本文介绍20世纪90年代"));
  const TNodes nodes = Nodes(rec);
  std::vector<std::string> comments;
  for (int i = 0; i <= rec.MoveCount; ++i) comments.push_back(GetMoveText(rec, i));

  // The same opening tree as an XQF file gives the same nodes.
  job.SrcFormat = kFmtXqf;
  job.SrcCodePage = kCpGbk;
  TChessRec fromXqf;
  ASSERT_TRUE(ReadRecordFile(job, fromXqf, xqf.string()));
  EXPECT_TRUE(Nodes(fromXqf) == nodes);
  // So do the move comments (the start comment was edited apart in the two files).
  int differ = 0;
  for (int i = 1; i <= rec.MoveCount; ++i) differ += GetMoveText(fromXqf, i) != comments[i];
  EXPECT_EQ(differ, 0);
  EXPECT_EQ(fromXqf.Texts[kSlotTitle], rec.Texts[kSlotTitle]);

  // Written and read back: the same nodes and comments.
  job.SrcFormat = kFmtUbbJava;
  job.SrcCodePage = kCpUtf8;
  job.HeadText = UbbPageTemplates[0].Head;
  job.FootText = UbbPageTemplates[0].Foot;
  std::string out;
  RenderDhtmlXQ(job, rec, 1, out);
  const std::string path = (dir / "back.htm").string();
  std::ofstream(path, std::ios::binary) << out;
  job.ErrorCount = 0;
  ASSERT_EQ(ReadFile(path), 1);
  EXPECT_EQ(job.ErrorCount, 0);
  EXPECT_TRUE(Nodes(rec) == nodes);
  int differing = 0;
  for (int i = 0; i <= rec.MoveCount; ++i) differing += GetMoveText(rec, i) != comments[i];
  EXPECT_EQ(differing, 0);
}
