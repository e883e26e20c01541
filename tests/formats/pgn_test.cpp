#include "formats/text/pgn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/baseform.h"
#include "app/dispatch.h"
#include "core/board.h"
#include "core/encoding.h"
#include "core/movecheck.h"
#include "core/notation.h"
#include "core/sourcetext.h"
#include "formats/text/registry.h"
#include "formats/text/text.h"
#include "tests/formats/pgn_text_fixture.h"

using namespace pgntext;

namespace {

// Reads PGN text given as UTF-8 into a fresh record.
bool ReadUtf8(TTestJob& job, TChessRec& rec, const std::string& text) {
  ResetRecord(rec, kFmtPgn, static_cast<int>(job.DstFormat));
  return ReadPgnText(job, rec, text);
}

std::string Render(TTestJob& job, TChessRec& rec) {
  std::string out;
  RenderPgn(job, rec, out);
  return out;
}

TTestJob PgnJob() {
  TTestJob job;
  job.SrcFormat = kFmtPgn;
  job.DstFormat = kFmtPgn;
  SetDestination(job, kCpUtf8, false);
  return job;
}

// The game of the Part's example: 1. C2.5 N8+7 2. N2+3, red won.
void BuildThreePlies(TTestJob& job, TChessRec& rec) {
  BuildRecord(job, rec, {{1, "H2-E2"}, {2, "H9-G7"}, {3, "H0-G2"}});
  rec.GameResult = 1;
  rec.Texts[kSlotResult] = "1-0";
}

std::string MoveText(const std::string& pgn) {
  const size_t at = pgn.rfind("]\r\n");
  return at == std::string::npos ? pgn : pgn.substr(at + 3);
}

}  // namespace

TEST(PgnRead, TagsQuotesAndUnknownLines) {
  TTestJob job = PgnJob();
  TChessRec rec;
  ASSERT_TRUE(ReadUtf8(job, rec,
                       "[Event \"The \"Big\" Cup\"]\n"
                       "[Round 5]\n"
                       "[ Site  \"Open end\n"
                       "[Red \"A\"  ]  [Black \"B\"]\n"
                       "[Unknown \"x\"]\n"
                       "[result \"0-1\"]\n"));
  EXPECT_EQ(rec.Texts[kSlotEvent], "The \"Big\" Cup");
  EXPECT_EQ(rec.Texts[kSlotRound], "");         // no quote: ignored
  EXPECT_EQ(rec.Texts[kSlotSite], "Open end");  // no closing quote: rest of line
  EXPECT_EQ(rec.Texts[kSlotRedName], "A");
  EXPECT_EQ(rec.Texts[kSlotBlackName], "B");  // a second tag on the same line
  EXPECT_EQ(rec.GameResult, 2);
  EXPECT_EQ(rec.MoveCount, 0);  // tags without moves are a record
  EXPECT_TRUE(job.Lines.empty());
}

TEST(PgnRead, NeitherTagsNorMovesIsRejected) {
  TTestJob job = PgnJob();
  TChessRec rec;
  EXPECT_FALSE(ReadUtf8(job, rec, "just some words, nothing else\r\n"));
  EXPECT_TRUE(job.Logged("源棋譜不是便攜式棋譜或者源棋譜代碼頁不正確。"));
  TTestJob quiet = PgnJob();
  EXPECT_FALSE(ReadUtf8(quiet, rec, ""));
  EXPECT_TRUE(quiet.Lines.empty());
}

TEST(PgnRead, ChineseMovesCommentsVariationsAndResult) {
  TTestJob job = PgnJob();
  TChessRec rec;
  ASSERT_TRUE(ReadUtf8(job, rec,
                       "[Game \"Chinese Chess\"]\n{start}\n"
                       "1. 炮二平五 {first} {second} 馬８進７ (2... 马2进3 {x (y} 3. N2+3)\n"
                       "2. 马二进三 1-0 3. 车一平二\n"));
  ASSERT_EQ(rec.MoveCount, 3);
  EXPECT_EQ(GetMoveText(rec, 0), "start");
  EXPECT_EQ(GetMoveText(rec, 1), "first\r\nsecond");
  EXPECT_EQ(GetMoveText(rec, 2), "(2... 马2进3 {x (y} 3. N2+3)");
  EXPECT_EQ(rec.GameResult, 1);  // "1-0" ends the move text
  EXPECT_EQ(rec.Moves[3].From, Square("H0"));
  // The other result tokens end it too; a move number is no result.
  ASSERT_TRUE(ReadUtf8(job, rec, "10. 炮二平五 1/2-1/2 马８进７"));
  EXPECT_EQ(rec.MoveCount, 1);
  EXPECT_EQ(rec.GameResult, 3);
  ASSERT_TRUE(ReadUtf8(job, rec, "1. 炮二平五 0-1 马８进７"));
  EXPECT_EQ(rec.MoveCount, 1);
  EXPECT_EQ(rec.GameResult, 2);
}

TEST(PgnRead, ChineseSideOfTheFirstMoveAndWrongSides) {
  TTestJob job = PgnJob();
  TChessRec rec;
  // Black begins (full-width digits); a red move in black's turn is skipped;
  // an ASCII last digit marks black.
  ASSERT_TRUE(ReadUtf8(job, rec,
                       "[FEN \"rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR b - - 0 "
                       "1\"]\n1... 炮８平５ 炮二平五 马二进三 马8进7 *"));
  EXPECT_EQ(rec.RedFirst, 0);
  ASSERT_EQ(rec.MoveCount, 3);
  EXPECT_EQ(rec.Moves[1].From, Square("H7"));
  EXPECT_EQ(rec.Moves[2].From, Square("H2"));  // 马二进三 skipped, not 炮二平五
  EXPECT_EQ(rec.Moves[3].From, Square("H9"));
  EXPECT_EQ(rec.GameResult, 4);
}

TEST(PgnRead, NotationChosenByFormatTag) {
  TTestJob job = PgnJob();
  TChessRec rec;
  ASSERT_TRUE(ReadUtf8(job, rec, "[Format \"Wxf\"]\n1. C2.5 H8+7 2. R1+1 炮８平５ *"));
  EXPECT_EQ(rec.MoveCount, 3);
  ASSERT_TRUE(ReadUtf8(job, rec, "[Format \"ICCS\"]\n1. H2-E2 h9g7 H9-G7 *"));
  EXPECT_EQ(rec.MoveCount, 2);  // lower case is not a move here
  ASSERT_TRUE(ReadUtf8(job, rec, "[Format \"Other\"]\n1. 炮二平五 C8.5 *"));
  EXPECT_EQ(rec.MoveCount, 1);  // an unknown name reads Chinese
  EXPECT_TRUE(job.Lines.empty());
}

TEST(PgnRead, IccsSquareErrorsEndTheMoveText) {
  TTestJob job = PgnJob();
  TChessRec rec;
  ASSERT_TRUE(ReadUtf8(job, rec, "[Format \"ICCS\"]\n1. H2-E2 J9-G7 H9-G7"));
  EXPECT_EQ(rec.MoveCount, 1);
  EXPECT_TRUE(job.Logged("第 2 步棋的開始位置錯誤。"));
  ASSERT_TRUE(ReadUtf8(job, rec, "[Format \"ICCS\"]\n1. H2-Z2"));
  EXPECT_EQ(rec.MoveCount, 0);
  EXPECT_TRUE(job.Logged("第 1 步棋的到達位置錯誤。"));
}

TEST(PgnRead, WithoutFormatTagFallsBackToWxfThenCoordinates) {
  TTestJob job = PgnJob();
  TChessRec rec;
  // Full-width WXF with "=" for sideways and the sign before the piece.
  ASSERT_TRUE(ReadUtf8(job, rec, "[Event \"e\"]\n1. Ｃ２＝５ Ｈ８＋７ 2. Ｐ７＋１ ｃ８＝９ *"));
  EXPECT_EQ(rec.MoveCount, 4);
  EXPECT_EQ(rec.Moves[4].From, Square("H7"));
  // Coordinates in lower case without the dash.
  ASSERT_TRUE(ReadUtf8(job, rec, "1. h2e2 h9g7 2. h0g2 {c} *"));
  EXPECT_EQ(rec.MoveCount, 3);
  EXPECT_EQ(GetMoveText(rec, 3), "c");
  // With Chinese moves present the file reads as Chinese only.
  ASSERT_TRUE(ReadUtf8(job, rec, "1. 炮二平五 C8.5 h0g2 *"));
  EXPECT_EQ(rec.MoveCount, 1);
  // WXF written with the sign first, as many files do.
  ASSERT_TRUE(ReadUtf8(job, rec,
                       "[Format \"WXF\"][FEN \"4k4/9/9/9/9/4P4/4P4/9/9/5K3 w - - 0 1\"]\n"
                       "1. +P+1 K5.4 2. P-+1 *"));
  EXPECT_EQ(rec.MoveCount, 3);
  EXPECT_EQ(rec.Moves[1].From, Square("E4"));
  EXPECT_EQ(rec.Moves[3].From, Square("E3"));
  EXPECT_TRUE(job.Lines.empty());
}

// Hostile text costs one pass: tag lines without quotes, and long runs of
// characters that start no move in the letter notations.
TEST(PgnRead, LongHostileRunsAreReadInOnePass) {
  const size_t n = 1 << 18;
  std::string quoteless;
  while (quoteless.size() < 16 * n) quoteless += "[x\n";
  const std::string texts[] = {
      quoteless + "\"",                         // tag lines
      "[Event \"e\"]\n" + std::string(n, 'x'),  // WXF retry
      "[Event \"e\"]\n" + std::string(n, '@'),  // coordinate retry
      "[Format \"ICCS\"]\n" + std::string(n, 'z'),
  };
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& text : texts) {
    TTestJob job = PgnJob();
    TChessRec rec;
    EXPECT_TRUE(ReadUtf8(job, rec, text));
    EXPECT_EQ(rec.MoveCount, 0);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(PgnRead, ShortFenIsCompleted) {
  TTestJob job = PgnJob();
  TChessRec rec;
  ASSERT_TRUE(ReadUtf8(job, rec, "[FEN \"3aka3/2c1n4/4bP3/9/4N4/9/9/9/9/4K4 w\"]\n1. 马五进六 *"));
  EXPECT_EQ(rec.MoveCount, 1);
  ASSERT_TRUE(ReadUtf8(job, rec, "[FEN \"3aka3/2c1n4/4bP3/9/4N4/9/9/9/9/4K4\"]\n1. 马五进六 *"));
  EXPECT_EQ(rec.MoveCount, 1);
}

TEST(PgnRead, HeaderAndCommentsGoToTheDestinationCodePage) {
  TTestJob job = PgnJob();
  SetDestination(job, kCpBig5, false);
  TChessRec rec;
  ASSERT_TRUE(ReadUtf8(job, rec, "[Event \"国际\"][Opening \"中炮\"]\n{注}1. 炮二平五 {评} *"));
  std::string event = "國際", comment = "注", opening = "中炮";
  ConvertCodePage(event, kCpUtf8, 0, kCpBig5);
  ConvertCodePage(comment, kCpUtf8, 0, kCpBig5);
  EXPECT_EQ(rec.Texts[kSlotEvent], event);      // slot 52: converted and mapped
  EXPECT_EQ(rec.Texts[kSlotOpening], opening);  // slot 9: kept as read
  EXPECT_EQ(GetMoveText(rec, 0), comment);
}

// The corpus files, each read with all moves of its (first) game; every move
// must also pass the move check.
TEST(PgnRead, CorpusFilesGiveTheirWholeMainLine) {
  const std::filesystem::path dir = std::filesystem::path(TAVRIK_CORPUS_DIR) / "pgn";
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no corpus";
  struct TCase {
    const char* Name;
    int CodePage;
    int Moves;
  };
  const TCase cases[] = {
      {"gbk_handicap_comments.pgn", kCpGbk, 75},
      {"gbk_ccgc2006_ecco_tags.pgn", kCpGbk, 26},
      {"gbk_one_move_per_line.pgn", kCpGbk, 102},
      {"gbk_short_fen_endgame.pgn", kCpGbk, 25},
      {"gbk_front_cannon_notation.pgn", kCpGbk, 23},
      {"gbk_trailing_text_after_game.pgn", kCpGbk, 25},
      {"gbk_comments_between_moves.pgn", kCpGbk, 25},
      {"gbk_online_game.pgn", kCpGbk, 74},
      {"gbk_two_moves_per_line.pgn", kCpGbk, 97},
      {"big5_midgame_blackfirst.pgn", kCpBig5, 31},
      {"big5_opening_fragment.pgn", kCpBig5, 22},
      {"big5_fullgame_guid_in_event.pgn", kCpBig5, 92},
      {"big5_header_only_no_moves.pgn", kCpBig5, 0},
      {"utf8_wxf_fullwidth_15games.pgn", kCpUtf8, 127},
      {"utf8_chinese_15games.pgn", kCpUtf8, 127},
      {"ascii_coords_15games.pgn", kCpUtf8, 127},
      {"iccs_format_tag_short.txt", kCpUtf8, 17},
      {"iccs_format_tag_2.txt", kCpUtf8, 29},
      {"winboard_san_engine_game.pgn", kCpUtf8, 0},
  };
  std::vector<std::vector<std::pair<int, int>>> sameGame;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TBaseForm job;
    job.SrcFormat = kFmtPgn;
    job.DstFormat = kFmtPgn;
    job.SrcCodePage = c.CodePage;
    SetDestination(job, kCpUtf8, false);
    TChessRec rec;
    ResetRecord(rec, kFmtPgn, kFmtPgn);
    std::string text;
    ReadSourceText(job, text, (dir / c.Name).string(), 0, kCpUtf8, c.CodePage, false);
    ASSERT_TRUE(ReadPgnText(job, rec, text));
    EXPECT_EQ(rec.MoveCount, c.Moves);
    FixFirstSide(rec);
    CheckMoves(job, rec);
    EXPECT_EQ(job.ErrorCount, 0) << job.LogText();
    for (int i = 1; i <= rec.MoveCount; ++i)
      EXPECT_TRUE(IsValidNoteCode(rec.Moves[i].NoteHead, rec.Moves[i].NoteTail)) << i;
    if (std::string(c.Name).find("15games") != std::string::npos) sameGame.push_back(MainLine(rec));
  }
  // Three files hold the same first game in three notations.
  ASSERT_EQ(sameGame.size(), 3u);
  EXPECT_EQ(sameGame[0], sameGame[1]);
  EXPECT_EQ(sameGame[1], sameGame[2]);
}

TEST(PgnWrite, ThreePlyWxfExample) {
  TTestJob job = PgnJob();
  job.PGNFormat = kPgnWxf;
  job.PgnPliesPerLine = 2;
  SetDestination(job, kCpGbk, false);
  TChessRec rec;
  BuildThreePlies(job, rec);
  const std::string out = Render(job, rec);
  EXPECT_EQ(MoveText(out), "1. C2.5  N8+7\r\n2. N2+3  1-0\r\n");
  ExpectGolden("pgn/three_plies_wxf.pgn", out);
}

// One golden file per option that changes the written bytes.
TEST(PgnWrite, GoldenFiles) {
  struct TCase {
    const char* Name;
    int CodePage;
    bool Traditional;
    int Format;
    int PliesPerLine;
    bool Variations;
    bool Braces;
  };
  const TCase cases[] = {
      {"chinese_gbk_simplified", kCpGbk, false, kPgnChinese, 2, true, false},
      {"chinese_gbk_traditional", kCpGbk, true, kPgnChinese, 2, true, false},
      {"chinese_big5", kCpBig5, false, kPgnChinese, 2, true, false},
      {"chinese_utf8_simplified", kCpUtf8, false, kPgnChinese, 2, true, false},
      {"chinese_utf8_traditional", kCpUtf8, true, kPgnChinese, 2, true, false},
      {"wxf_gbk", kCpGbk, false, kPgnWxf, 2, true, false},
      {"iccs_gbk", kCpGbk, false, kPgnIccs, 2, true, false},
      {"chinese_4_plies", kCpGbk, false, kPgnChinese, 4, true, false},
      {"wxf_6_plies", kCpGbk, false, kPgnWxf, 6, true, false},
      {"iccs_8_plies", kCpGbk, false, kPgnIccs, 8, true, false},
      {"chinese_10_plies", kCpGbk, false, kPgnChinese, 10, true, false},
      {"chinese_main_line_only", kCpGbk, false, kPgnChinese, 2, false, false},
      {"wxf_main_line_only_4_plies", kCpGbk, false, kPgnWxf, 4, false, false},
      {"braces_gbk", kCpGbk, false, kPgnChinese, 2, true, true},
      {"braces_big5", kCpBig5, false, kPgnChinese, 2, true, true},
      {"braces_utf8", kCpUtf8, false, kPgnChinese, 2, true, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTestJob job = PgnJob();
    SetDestination(job, c.CodePage, c.Traditional);
    job.PGNFormat = c.Format;
    job.PgnPliesPerLine = c.PliesPerLine;
    job.IncludeChange = c.Variations;
    job.PGNBrace = c.Braces;
    TChessRec rec;
    BuildCanonicalGame(job, rec, true);
    ExpectGolden(std::string("pgn/") + c.Name + ".pgn", Render(job, rec));
  }
  for (bool federation : {true, false}) {
    TTestJob job = PgnJob();
    SetDestination(job, kCpGbk, false);
    job.WxfStandard = federation;
    TChessRec rec;
    BuildPawnEnding(job, rec, true);
    ExpectGolden(federation ? "pgn/pawns_federation.pgn" : "pgn/pawns_chinese_standard.pgn",
                 Render(job, rec));
  }
}

TEST(PgnWrite, LayoutRules) {
  TTestJob job = PgnJob();
  SetDestination(job, kCpGbk, false);
  job.PGNFormat = kPgnWxf;
  job.PgnPliesPerLine = 4;
  TChessRec rec;
  BuildRecord(job, rec,
              {{1, "H2-E2", "c"},
               {2, "H9-G7"},
               {3, "H0-G2"},
               {4, "I9-H9"},
               {5, "I0-H0"},
               {6, "B9-C7"},
               {7, "C3-C4"},
               {8, "G6-G5"},
               {9, "B0-C2"},
               {10, "C9-E7"}});
  rec.Texts[kSlotResult] = "*";
  // A comment after red's first move: black's reply starts a new line with
  // the move number and the blank fill; ten plies number in two columns.
  EXPECT_EQ(MoveText(Render(job, rec)),
            " 1. C2.5\r\n{c}\r\n"
            " 1.       N8+7     2. N2+3  R9.8\r\n"
            " 3. R1.2  N2+3     4. P7+1  P7+1\r\n"
            " 5. N8+7  B3+5    *\r\n");
  // Nothing written to the Event slot stays empty: the title fills it.
  EXPECT_NE(Render(job, rec).find("[Format \"WXF\"]"), std::string::npos);
  rec.Texts[kSlotTitle] = "T";
  EXPECT_NE(Render(job, rec).find("[Event \"T\"]"), std::string::npos);
}

// A game written in each notation and read back gives the same main line.
TEST(PgnWrite, RoundTripInEveryNotation) {
  for (int format : {kPgnChinese, kPgnWxf, kPgnIccs}) {
    for (int cp : {kCpGbk, kCpBig5, kCpUtf8}) {
      SCOPED_TRACE(format * 100000 + cp);
      TTestJob job = PgnJob();
      SetDestination(job, cp, false);
      job.PGNFormat = format;
      job.IncludeChange = true;
      TChessRec rec;
      BuildCanonicalGame(job, rec, true);
      std::string out = Render(job, rec);
      ConvertCodePage(out, cp, 0, kCpUtf8);
      if (out.starts_with("\xEF\xBB\xBF")) out.erase(0, 3);
      TTestJob reader = PgnJob();
      TChessRec back;
      ASSERT_TRUE(ReadUtf8(reader, back, out));
      EXPECT_EQ(MainLine(back), MainLine(rec));
      EXPECT_EQ(back.GameResult, 1);
    }
  }
  // The pawn ending, with tandem pawns, under both standards (WXF letters
  // only have the federation's names for them).
  for (bool federation : {true, false}) {
    for (int format : {kPgnChinese, kPgnWxf, kPgnIccs}) {
      if (format == kPgnWxf && !federation) continue;
      TTestJob job = PgnJob();
      job.WxfStandard = federation;
      job.PGNFormat = format;
      TChessRec rec;
      BuildPawnEnding(job, rec, true);
      const std::string out = Render(job, rec);
      TTestJob reader = PgnJob();
      TChessRec back;
      ASSERT_TRUE(ReadUtf8(reader, back, out.substr(3)));
      EXPECT_EQ(MainLine(back), MainLine(rec)) << federation << format << "\n" << out;
    }
  }
}

namespace {

// Trees far deeper than any call stack would allow: variations nested one
// inside the next, and a long main line where every move has an alternative.
void BuildNestedTree(TTestJob& job, TChessRec& rec, int depth) {
  ResetRecord(rec, kFmtXqf, static_cast<int>(job.DstFormat));
  std::vector<int> plies = {1, 2};
  for (int k = 2; k <= depth; ++k) {
    plies.push_back(k);
    plies.push_back(k + 1);
  }
  SetMoveCapacity(rec, static_cast<int>(plies.size()) + 1);
  for (size_t i = 0; i < plies.size(); ++i) rec.Moves[i + 1].Ply = plies[i];
  BuildTreeFromPlies(job, rec, static_cast<int>(plies.size()));
}

void BuildWideTree(TChessRec& rec, int length) {
  ResetRecord(rec, kFmtXqf, kFmtPgn);
  SetMoveCapacity(rec, 2 * length + 1);
  for (int i = 1; i <= length; ++i)
    rec.Moves[i].Flags = kFlagHasAlt | (i < length ? kFlagContinues : 0);
  BuildTreeFromFlags(rec, 2 * length);
}

size_t Count(const std::string& s, char c) {
  return static_cast<size_t>(std::count(s.begin(), s.end(), c));
}

}  // namespace

TEST(PgnWrite, DeepTreesDoNotRecurse) {
  TTestJob job = PgnJob();
  job.PGNFormat = kPgnWxf;
  job.IncludeChange = true;
  TChessRec rec;
  BuildNestedTree(job, rec, 100000);
  ASSERT_EQ(rec.LastLine, 99999);
  std::string out = Render(job, rec);
  EXPECT_EQ(Count(out, '('), 99999u);
  EXPECT_EQ(Count(out, ')'), 99999u);
  EXPECT_EQ(Count(out, 'X'), 4u * 200000 + 1);  // every node once, and the "WXF" tag

  BuildWideTree(rec, 100000);
  ASSERT_EQ(rec.LastLine, 100000);
  out = Render(job, rec);
  EXPECT_EQ(Count(out, '('), 100000u);
  EXPECT_EQ(Count(out, 'X'), 4u * 200000 + 1);
}

// The largest tree of the corpus, read through the format table, written as
// PGN with every variation and as text.
TEST(PgnWrite, LargestCorpusTree) {
  const std::filesystem::path file =
      std::filesystem::path(TAVRIK_CORPUS_DIR) / "xqf" / "v18_zhongpao_215980nodes_1MB.xqf";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "no corpus";
  if (FileTypes[kFmtXqf].Reader == nullptr) GTEST_SKIP() << "no XQF reader";
  TBaseForm job;
  job.SrcFormat = kFmtXqf;
  job.DstFormat = kFmtPgn;
  job.SrcCodePage = kCpGbk;
  job.IncludeChange = true;
  SetDestination(job, kCpUtf8, false);
  TChessRec rec;
  ASSERT_TRUE(ReadRecordFile(job, rec, file.string()));
  ASSERT_EQ(rec.MoveCount, 215980);
  std::string out;
  RenderPgn(job, rec, out);
  // Each variation opens and closes on a line of its own.
  int opened = 0, closed = 0;
  for (size_t at = out.find("\n(\r\n"); at != std::string::npos; at = out.find("\n(\r\n", at + 1))
    ++opened;
  for (size_t at = out.find("\n)\r\n"); at != std::string::npos; at = out.find("\n)\r\n", at + 1))
    ++closed;
  EXPECT_EQ(opened, rec.LastLine);
  EXPECT_EQ(closed, rec.LastLine);
  TBranchNumbers branches;
  NumberBranches(rec, branches);
  EXPECT_EQ(static_cast<int>(branches.Sections.size()), rec.LastLine + 1);
  job.DstFormat = kFmtText;
  RenderText(job, rec, out);
  EXPECT_NE(out.find("****[B" + std::to_string(rec.LastLine) + "]\r\n"), std::string::npos);
}
