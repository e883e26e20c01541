#include "formats/text/webc5.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/baseform.h"
#include "app/dispatch.h"
#include "core/complete.h"
#include "formats/text/registry.h"
#include "tests/formats/pgn_text_fixture.h"
#include "tests/support/files.h"

using namespace pgntext;

namespace {

TTestJob WebC5Job(int cp, bool traditional) {
  TTestJob job;
  job.SrcFormat = kFmtPgn;
  job.DstFormat = kFmtWebC5;
  job.WxfStandard = false;
  job.CodeBase = "http://java.example.org/webcchess/";
  SetDestination(job, cp, traditional);
  return job;
}

// The canonical game with a two-line start comment, completed the way the
// dispatch completes it (result words, comment line breaks of the row).
void BuildGame(TTestJob& job, TChessRec& rec) {
  BuildCanonicalGame(job, rec, false);
  std::string comment = "第一行\r\n第二行 \"引號\"";
  ConvertCodePage(comment, kCpUtf8, job.MapFlags, static_cast<int>(job.DstCodePage));
  rec.Texts[kSlotStartComment] = comment;
  CompleteRecord(job, rec, "");
}

// The pawn ending (pieces off the board, a start from a position), completed.
void BuildEnding(TTestJob& job, TChessRec& rec) {
  BuildPawnEnding(job, rec, false);
  CompleteRecord(job, rec, "");
}

// Renders and checks that the length computed beforehand is the real one.
std::string Render(TTestJob& job, TChessRec& rec) {
  std::string out;
  const size_t length = RenderWebC5(job, rec, out);
  EXPECT_EQ(length, out.size());
  return out;
}

std::string ParamValue(const std::string& page, const std::string& name) {
  const std::string open = "<PARAM NAME=\"" + name + "\" VALUE=\"";
  const size_t at = page.find(open);
  if (at == std::string::npos) return "<missing>";
  const size_t start = at + open.size();
  return page.substr(start, page.find('"', start) - start);
}

}  // namespace

// One golden file per option that changes the written bytes.
TEST(WebC5Write, GoldenFiles) {
  struct TCase {
    const char* Name;
    int CodePage;
    bool Traditional;
    bool Html;
    bool Ubb;
    const char* Sound;
    const char* ShowMove;
    const char* CodeBase;
  };
  const char* const base = "http://java.example.org/webcchess/";
  const TCase cases[] = {
      {"gbk_simplified", kCpGbk, false, false, false, "on", "on", base},
      {"gbk_traditional", kCpGbk, true, false, false, "on", "on", base},
      {"big5", kCpBig5, false, false, false, "on", "on", base},
      {"utf8_simplified", kCpUtf8, false, false, false, "on", "on", base},
      {"utf8_traditional", kCpUtf8, true, false, false, "on", "on", base},
      {"html_big5", kCpBig5, false, true, false, "on", "on", base},
      {"ubb_gbk", kCpGbk, false, false, true, "on", "on", base},
      {"sound_off_show_move_off", kCpGbk, false, false, false, "off", "off", base},
      {"other_code_base", kCpGbk, false, false, false, "on", "on", "../applets/"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTestJob job = WebC5Job(c.CodePage, c.Traditional);
    job.Html = c.Html;
    job.UBB = c.Ubb;
    job.Sound = c.Sound;
    job.ShowMove = c.ShowMove;
    job.CodeBase = c.CodeBase;
    TChessRec rec;
    BuildGame(job, rec);
    ExpectGolden(std::string("webc5/") + c.Name + ".htm", Render(job, rec));
  }
  // Pieces off the board and a game that starts from a position.
  TTestJob job = WebC5Job(kCpGbk, false);
  TChessRec rec;
  BuildEnding(job, rec);
  ExpectGolden("webc5/pawn_ending.htm", Render(job, rec));
}

TEST(WebC5Write, PageContent) {
  TTestJob job = WebC5Job(kCpUtf8, true);
  TChessRec rec;
  BuildGame(job, rec);
  const std::string page = Render(job, rec);
  ASSERT_EQ(page.rfind("\xEF\xBB\xBF<APPLET code=\"webcchess.class\" codebase=\"", 0), 0u);
  EXPECT_TRUE(page.ends_with("\">\r\n</APPLET>\r\n"));

  // Every move is 12 characters: squares, code, parent. C2.5 for red, then
  // N8+7 for black, each following its parent.
  const std::string moves = ParamValue(page, "movelist");
  ASSERT_EQ(moves.size(), static_cast<size_t>(rec.MoveCount) * 12);
  EXPECT_EQ(moves.substr(0, 24), "77479EZK000070622RXP0001");
  EXPECT_EQ(ParamValue(page, "binit"),
            "0919293949596979891777062646668600102030405060708012720323436383");

  // Quotes inside values became curly quotes; the comment's line break is the
  // row's "||"; the result and the options are written as parameters.
  EXPECT_EQ(ParamValue(page, "game"), "全國賽 “甲組” 第一輪");
  EXPECT_EQ(ParamValue(page, "j0"), "第一行||第二行 “引號”");
  EXPECT_EQ(ParamValue(page, "j1"), "中炮開局。");
  EXPECT_EQ(ParamValue(page, "winner"), rec.Texts[kSlotResult]);
  EXPECT_EQ(ParamValue(page, "sound"), "on");
  EXPECT_EQ(ParamValue(page, "show_move"), "on");
  EXPECT_EQ(ParamValue(page, "cn"), "<missing>");  // empty slots are left out

  // The HTML page wins when both wrappers are asked for.
  TTestJob both = WebC5Job(kCpUtf8, true);
  both.Html = true;
  both.UBB = true;
  TChessRec again;
  BuildGame(both, again);
  const std::string html = Render(both, again);
  EXPECT_EQ(html.rfind("\xEF\xBB\xBF<HTML>\r\n<TITLE>WebCchess - [中炮對屏風馬]</TITLE>", 0), 0u);
  EXPECT_EQ(html.find("[webc]"), std::string::npos);
}

TEST(WebC5Write, NoteCodes) {
  EXPECT_EQ(WebC5NoteCode(0x51, 0x24, 0), "9EZK");  // 炮二平五
  EXPECT_EQ(WebC5NoteCode(0x17, 0x06, 1), "2RXP");  // 馬8進7
  EXPECT_EQ(WebC5NoteCode(0x23, 0x14, 0), "3IYK");  // 相: the side picks 3
  EXPECT_EQ(WebC5NoteCode(0x23, 0x14, 1), "4JYL");  // 象: and 4
  EXPECT_EQ(WebC5NoteCode(0xEF, 0x00, 1), "KBXD");  // 五 of several pawns
  EXPECT_EQ(WebC5NoteCode(0xFF, 0xFF, 0), "0000");
  EXPECT_EQ(WebC5NoteCode(0x00, 0x30, 0), "0000");
  EXPECT_EQ(WebC5NoteCode(0x00, 0x09, 0), "0000");
}

TEST(WebC5Write, OddRecordsStayWellFormed) {
  TTestJob job = WebC5Job(kCpGbk, false);
  // A quote typed into the codebase cannot end the attribute early.
  job.CodeBase = "http://x/\"y";
  TChessRec rec;
  ResetRecord(rec, kFmtPgn, kFmtWebC5);
  std::string page = Render(job, rec);
  EXPECT_NE(page.find("codebase=\"http://x/%22y\" height=340"), std::string::npos);
  EXPECT_EQ(page.find("movelist"), std::string::npos);  // no moves, no move list

  // Squares that are not on the board are written as XXXX; parents past four
  // digits keep all their digits.
  SetMoveCapacity(rec, 3);
  BuildLinearTree(rec, 2);
  rec.Moves[1].From = 0x90;
  rec.Moves[2].Dest = 0x0A;
  rec.Moves[2].Parent = 12345;
  page = Render(job, rec);
  EXPECT_EQ(ParamValue(page, "movelist"), "XXXX00000000XXXX000012345");
}

TEST(WebC5Write, WrittenThroughTheDispatch) {
  namespace fs = std::filesystem;
  const TTempFolder temp("tavrik_webc5");
  const fs::path dir = temp.Path();
  TBaseForm form;
  form.SrcFormat = kFmtPgn;
  form.DstFormat = kFmtWebC5;
  form.DstCodePage = kCpBig5;
  form.DstCodePageIndex = 1;
  form.CodeBase = "http://java.example.org/";
  form.UBB = true;
  TChessRec rec;
  ResetRecord(rec, kFmtPgn, kFmtWebC5);
  SetMoveCapacity(rec, 2);
  rec.Moves[1].From = 0x77;
  rec.Moves[1].Dest = 0x47;
  BuildLinearTree(rec, 1);
  CompleteRecord(form, rec, "");
  const std::string path = (dir / "game.htm").string();
  EXPECT_EQ(WriteRecord(form, rec, path), 1) << form.LogText();
  EXPECT_EQ(form.ErrorCount, 0) << form.LogText();
  const std::string bytes = Slurp(path);
  EXPECT_EQ(bytes.rfind("[webc]\r\n<APPLET", 0), 0u);
  EXPECT_NE(bytes.find("VALUE=\"77479EZK0000\">\r\n</APPLET>\r\n[/webc]\r\n"), std::string::npos);
}

// Written pages read back through the page search give the same record: same
// position, tree (the parent numbers carry the variations), header values and
// comments, so that writing the read record again gives the same bytes.
TEST(WebC5Write, ReadBackThroughThePageSearch) {
  namespace fs = std::filesystem;
  const TTempFolder temp("tavrik_webc5_rt");
  const fs::path dir = temp.Path();
  struct TCase {
    const char* Name;
    int CodePage;
    bool Html;
    bool Ubb;
    bool Ending;
  };
  const TCase cases[] = {
      {"bare_utf8", kCpUtf8, false, false, false},
      {"html_gbk", kCpGbk, true, false, false},
      {"ubb_big5", kCpBig5, false, true, false},
      {"ending_gbk", kCpGbk, false, false, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTestJob writer = WebC5Job(c.CodePage, false);
    writer.Html = c.Html;
    writer.UBB = c.Ubb;
    TChessRec written;
    if (c.Ending)
      BuildEnding(writer, written);
    else
      BuildGame(writer, written);
    const std::string page = Render(writer, written);
    const std::string path = (dir / (std::string(c.Name) + ".htm")).string();
    std::ofstream(path, std::ios::binary) << page;

    TBaseForm reader;
    reader.SrcFormat = kFmtUbbJava;
    reader.DstFormat = kFmtWebC5;
    reader.SrcCodePage = c.CodePage;
    SetDestination(reader, c.CodePage, false);
    reader.WxfStandard = false;
    reader.CodeBase = writer.CodeBase;
    reader.Html = c.Html;
    reader.UBB = c.Ubb;
    std::string text;
    TDynJavaArray items;
    ASSERT_EQ(FindWebRecords(reader, path, text, items), 1) << reader.LogText();
    EXPECT_EQ(items[0].Kind, 1);
    TChessRec read;
    const bool ok =
        ReadWebRecord(reader, read, path, items[0].Kind, items[0].StartPos, items[0].EndPos, text);
    ASSERT_TRUE(ok) << reader.LogText();
    EXPECT_EQ(reader.ErrorCount, 0) << reader.LogText();

    EXPECT_TRUE(
        std::equal(std::begin(read.Pieces), std::end(read.Pieces), std::begin(written.Pieces)));
    ASSERT_EQ(read.MoveCount, written.MoveCount);
    for (int node = 0; node <= read.MoveCount; ++node) {
      const TMoveNode& a = read.Moves[node];
      const TMoveNode& b = written.Moves[node];
      EXPECT_EQ(a.From, b.From) << node;
      EXPECT_EQ(a.Dest, b.Dest) << node;
      EXPECT_EQ(a.Parent, b.Parent) << node;
      EXPECT_EQ(a.Flags, b.Flags) << node;
      EXPECT_EQ(GetMoveText(read, node), GetMoveText(written, node)) << node;
    }
    for (int slot :
         {kSlotTitle, kSlotEvent, kSlotSite, kSlotDate, kSlotRedName, kSlotBlackName, kSlotResult})
      EXPECT_EQ(read.Texts[slot], written.Texts[slot]) << slot;
    std::string again;
    RenderWebC5(reader, read, again);
    EXPECT_EQ(again, page);
  }
}

// Every XQF game of the corpus (the largest cut at the row's 10000 moves, as
// the dispatch cuts it) keeps its tree and comments through a written page.
TEST(WebC5Write, CorpusGamesReadBack) {
  namespace fs = std::filesystem;
  const fs::path corpus = fs::path(TAVRIK_CORPUS_DIR) / "xqf";
  if (!fs::exists(corpus)) GTEST_SKIP() << "no corpus";
  const TTempFolder temp("tavrik_webc5_xqf");
  const fs::path dir = temp.Path();
  const std::string page = (dir / "page.htm").string();
  int games = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(corpus)) {
    if (entry.path().filename().string().starts_with("bad_")) continue;
    SCOPED_TRACE(entry.path().filename().string());
    TBaseForm job;
    job.SrcFormat = kFmtXqf;
    job.DstFormat = kFmtWebC5;
    job.SrcCodePage = kCpGbk;
    job.WxfStandard = false;
    SetDestination(job, kCpGbk, false);
    TChessRec written;
    if (!ReadRecordFile(job, written, entry.path().string())) continue;
    CutTree(written, 10000);
    std::string bytes;
    RenderWebC5(job, written, bytes);
    std::ofstream(page, std::ios::binary | std::ios::trunc) << bytes;

    job.SrcFormat = kFmtUbbJava;
    std::string text;
    TDynJavaArray items;
    ASSERT_EQ(FindWebRecords(job, page, text, items), 1);
    TChessRec read;
    const int errors = job.ErrorCount;
    ASSERT_TRUE(
        ReadWebRecord(job, read, page, items[0].Kind, items[0].StartPos, items[0].EndPos, text));
    // A move the source could not play is logged again, nothing else.
    EXPECT_LE(job.ErrorCount - errors, errors) << job.LogText();
    ASSERT_EQ(read.MoveCount, written.MoveCount);
    for (int node = 0; node <= read.MoveCount; ++node) {
      ASSERT_EQ(read.Moves[node].From, written.Moves[node].From) << node;
      ASSERT_EQ(read.Moves[node].Dest, written.Moves[node].Dest) << node;
      ASSERT_EQ(read.Moves[node].Parent, written.Moves[node].Parent) << node;
      ASSERT_EQ(GetMoveText(read, node), GetMoveText(written, node)) << node;
    }
    ++games;
  }
  EXPECT_GT(games, 20);
}
