#include "core/complete.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/ecco.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "tests/support/test_job.h"

namespace {

// A job writing UTF-8 in simplified script, with messages and file names in
// UTF-8 as well.
TTestJob MakeJob(int src, int dst) {
  Process().SystemCodePage = kCpUtf8;
  return Utf8Job(src, dst);
}

TChessRec MakeRecord(const TJobState& job, std::vector<std::pair<uint8_t, uint8_t>> moves = {}) {
  return LineRecord(static_cast<int>(job.SrcFormat), static_cast<int>(job.DstFormat), moves);
}

// 炮二平五 马８进７ 马二进三 车９平８
const std::vector<std::pair<uint8_t, uint8_t>> kOpening = {
    {0x77, 0x47}, {0x70, 0x62}, {0x79, 0x67}, {0x80, 0x70}};

std::string Gbk(std::string utf8) {
  ConvertCodePage(utf8, kCpUtf8, 0, kCpGbk);
  return utf8;
}

}  // namespace

TEST(CompleteRecord, GameTypeFollowsTheStartPosition) {
  TTestJob job = MakeJob(kFmtXqf, kFmtPgn);
  struct {
    int type;
    bool standard;
    int expected;
  } cases[] = {{3, true, 1},  {4, true, 1},  {2, true, 2},  {9, true, 1},
               {1, false, 3}, {2, false, 3}, {4, false, 4}, {0, false, 3}};
  for (const auto& c : cases) {
    TChessRec rec = MakeRecord(job);
    rec.GameType = c.type;
    if (!c.standard) rec.Pieces[15] = 0xFF;
    CompleteRecord(job, rec, "");
    EXPECT_EQ(rec.GameType, c.expected) << c.type << " " << c.standard;
  }

  // Like pieces in swapped slots go back to their own slots.
  TChessRec rec = MakeRecord(job);
  std::swap(rec.Pieces[0], rec.Pieces[8]);
  std::swap(rec.Pieces[11], rec.Pieces[15]);
  rec.GameType = 3;
  CompleteRecord(job, rec, "");
  EXPECT_EQ(std::memcmp(rec.Pieces, kStartSquares, 32), 0);
  EXPECT_EQ(rec.GameType, 1);
}

TEST(CompleteRecord, FirstSideAndMirrorComeBeforeTheCheck) {
  TTestJob job = MakeJob(kFmtXqf, kFmtPgn);
  job.LeftToRight = true;
  TChessRec rec = MakeRecord(job, kOpening);
  CompleteRecord(job, rec, "");
  EXPECT_EQ(rec.Moves[1].From, 0x17);  // mirrored, then checked without complaint
  for (int i = 1; i <= 4; ++i) EXPECT_NE(rec.Moves[i].NoteHead, 0xFF) << i;
  EXPECT_TRUE(job.At(kLogError).empty());

  job.LeftToRight = false;
  rec = MakeRecord(job, {{0x70, 0x62}});  // black moves first
  CompleteRecord(job, rec, "");
  EXPECT_EQ(rec.Texts[kSlotFen].substr(rec.Texts[kSlotFen].size() - 10), " b - - 0 1");
}

TEST(CompleteRecord, ResultMatchesTheDestination) {
  struct {
    int src, dst, variant, result, expected;
    const char* text;
    const char* connective;
  } cases[] = {
      {kFmtPgn, kFmtCbf, 3, 4, 0, "0", ""},         {kFmtCbf, kFmtCbf, 3, 4, 4, "4", ""},
      {kFmtCbf, kFmtCbf, 3, 7, 0, "0", ""},         {kFmtXqf, kFmtCbf, 3, 2, 2, "2", ""},
      {kFmtXqf, kFmtPgn, 3, 0, 4, "*", ""},         {kFmtXqf, kFmtPgn, 3, 3, 3, "1/2-1/2", ""},
      {kFmtXqf, kFmtPgn, 3, 2, 2, "0-1", ""},       {kFmtXqf, kFmtText, 3, 1, 1, "红胜", " 胜 "},
      {kFmtXqf, kFmtText, 4, 2, 2, "黑勝", " 負 "}, {kFmtXqf, kFmtUbb, 3, -1, 4, "未知", " 对 "},
  };
  for (const auto& c : cases) {
    TTestJob job = MakeJob(c.src, c.dst);
    job.TextVariant = c.variant;
    TChessRec rec = MakeRecord(job);
    rec.GameResult = c.result;
    CompleteRecord(job, rec, "");
    EXPECT_EQ(rec.GameResult, c.expected) << c.src << " " << c.dst << " " << c.result;
    EXPECT_EQ(rec.Texts[kSlotResult], c.text);
    EXPECT_EQ(rec.Texts[kSlotConnective], c.connective);
  }
}

TEST(CompleteRecord, RawHeaderTextOfBinarySourcesIsConverted) {
  for (int src : {kFmtXqf, kFmtOurGame, kFmtPgn}) {
    TTestJob job = MakeJob(src, kFmtPgn);
    job.SrcCodePage = kCpGbk;
    TChessRec rec = MakeRecord(job, kOpening);
    rec.Texts[kSlotTitle] = Gbk("许银川对吕钦");
    rec.Texts[TextSlotOf(rec, 2)] = Gbk("好棋");
    CompleteRecord(job, rec, "");
    bool raw = src != kFmtPgn;
    EXPECT_EQ(rec.Texts[kSlotTitle], raw ? "许银川对吕钦" : Gbk("许银川对吕钦")) << src;
    EXPECT_EQ(GetMoveText(rec, 2), raw ? "好棋" : Gbk("好棋")) << src;
  }
}

TEST(CompleteRecord, CommentLineBreaksFollowTheDestination) {
  TTestJob job = MakeJob(kFmtUbb, kFmtPgn);
  TChessRec rec = MakeRecord(job, kOpening);
  rec.Texts[kSlotStartComment] = "一||二||  ";
  SetMoveText(rec, 3, "三||四");
  CompleteRecord(job, rec, "");
  EXPECT_EQ(rec.Texts[kSlotStartComment], "一\r\n二");
  EXPECT_EQ(GetMoveText(rec, 3), "三\r\n四");

  // No comments at the destination: nothing is touched.
  job = MakeJob(kFmtPgn, kFmtFen);
  rec = MakeRecord(job);
  rec.Texts[kSlotStartComment] = "一\n";
  CompleteRecord(job, rec, "");
  EXPECT_EQ(rec.Texts[kSlotStartComment], "一\n");
}

TEST(CommentBreaks, ConversionBetweenKinds) {
  struct {
    const char* in;
    int from, to;
    const char* out;
  } cases[] = {
      {"a|b", 1, 3, "a\r\nb"},
      {"a<BR>b<br>c", 4, 2, "a||b||c"},
      {"a  b", 5, 1, "a|b"},
      {"a\rb\nc\r\n", 3, 5, "a  b  c"},
      {"a\n\rb", 3, 3, "a\r\n\r\nb"},
      {"a||b", 0, 3, "a||b"},
      {"a\r\nb", 3, 0, "a\r\nb"},
      // A question mark at a line's end stays.
      {"好吗?\n对", 3, 3, "好吗?\r\n对"},
  };
  for (const auto& c : cases) {
    std::string s = c.in;
    ConvertCommentBreaks(s, c.from, c.to, kCpUtf8);
    EXPECT_EQ(s, c.out) << c.in << " " << c.from << "->" << c.to;
  }

  // 倈 is 82 7C in GBK: its trail byte is no bar.
  std::string gbk = Gbk("倈||倈|x");
  ConvertCommentBreaks(gbk, 2, 3, kCpGbk);
  EXPECT_EQ(gbk, Gbk("倈\r\n倈|x"));
  gbk = Gbk("倈\r\n倈");
  ConvertCommentBreaks(gbk, 3, 1, kCpGbk);
  EXPECT_EQ(gbk, Gbk("倈|倈"));
}

TEST(TitleFromFileName, CheAndCcmNamePatterns) {
  TTestJob job = MakeJob(kFmtChe, kFmtPgn);
  TChessRec rec = MakeRecord(job);
  TitleFromFileName(job, rec, "/data/qq/[张三] - [李四] - 20080105_120000.che");
  EXPECT_EQ(rec.Texts[kSlotTitle], "[张三] - [李四]");
  EXPECT_EQ(rec.Texts[kSlotDate], "20080105_120000");
  EXPECT_EQ(rec.Texts[kSlotFrom], "[张三] - [李四] - 20080105_120000.che");

  rec = MakeRecord(job);
  TitleFromFileName(job, rec, "/data/qq/[张三] - [李四] - 2008010512000.che");
  EXPECT_EQ(rec.Texts[kSlotTitle], "[张三] - [李四] - 2008010512000");
  EXPECT_EQ(rec.Texts[kSlotDate], "");

  job = MakeJob(kFmtCcm, kFmtPgn);
  rec = MakeRecord(job);
  TitleFromFileName(job, rec, "/g/[2008-01-05 12.30]张三[红] - 李四[黑].ccm");
  EXPECT_EQ(rec.Texts[kSlotDate], "2008-01-05 12.30");
  EXPECT_EQ(rec.Texts[kSlotRedName], "张三");
  EXPECT_EQ(rec.Texts[kSlotBlackName], "李四");
  EXPECT_EQ(rec.Texts[kSlotTitle], "张三[红] - 李四[黑]");

  // Missing red name: the whole name is the title.
  rec = MakeRecord(job);
  TitleFromFileName(job, rec, "/g/[2008][红] - 李四[黑].ccm");
  EXPECT_EQ(rec.Texts[kSlotTitle], "[2008][红] - 李四[黑]");
  EXPECT_EQ(rec.Texts[kSlotRedName], "");

  // Traditional labels under the traditional variant.
  job.TextVariant = 4;
  rec = MakeRecord(job);
  TitleFromFileName(job, rec, "/g/[1999]甲[紅] - 乙[黑].CCM");
  EXPECT_EQ(rec.Texts[kSlotTitle], "甲[紅] - 乙[黑]");
  EXPECT_EQ(rec.Texts[kSlotBlackName], "乙");

  // A GBK destination: the UTF-8 file name is converted first.
  job = MakeJob(kFmtCcm, kFmtPgn);
  job.DstCodePage = kCpGbk;
  job.TextVariant = 0;
  rec = MakeRecord(job);
  TitleFromFileName(job, rec, "/g/[2008]张三[红] - 李四[黑].ccm");
  EXPECT_EQ(rec.Texts[kSlotTitle], Gbk("张三[红] - 李四[黑]"));
  EXPECT_EQ(rec.Texts[kSlotRedName], Gbk("张三"));
}

TEST(TitleFromFileName, OtherSourcesAndSkips) {
  TTestJob job = MakeJob(kFmtPgn, kFmtPgn);
  TChessRec rec = MakeRecord(job);
  rec.Texts[kSlotTitle] = "已有标题";
  TitleFromFileName(job, rec, "/a/b/名局.v2.pgn");
  EXPECT_EQ(rec.Texts[kSlotTitle], "已有标题");
  EXPECT_EQ(rec.Texts[kSlotFrom], "名局.v2.pgn");
  job.FileNameToTitle = true;
  TitleFromFileName(job, rec, "/a/b/名局.v2.pgn");
  EXPECT_EQ(rec.Texts[kSlotTitle], "名局.v2");

  job.FromClipboard = true;  // clipboard and library sources keep their names
  rec = MakeRecord(job);
  TitleFromFileName(job, rec, "/a/x.pgn");
  job = MakeJob(kFmtCbl, kFmtPgn);
  TitleFromFileName(job, rec, "/a/lib.cbl");
  EXPECT_EQ(rec.Texts[kSlotTitle] + rec.Texts[kSlotFrom], "");
}

TEST(CompleteRecord, TitleTypeOfStqyPages) {
  struct {
    int type;
    const char* title;
  } cases[] = {{0, "甲胜乙"}, {2, "第1轮 甲胜乙"}, {3, "甲胜乙"}, {4, ""}, {5, "第1轮 甲胜乙"}};
  for (const auto& c : cases) {
    TTestJob job = MakeJob(kFmtUbbJava, kFmtPgn);
    job.TitleType = c.type;
    TChessRec rec = MakeRecord(job);
    rec.PageKind = 5;
    rec.Texts[kSlotTitle] = "甲胜乙 ";
    rec.Texts[kSlotRound] = "第1轮";
    CompleteRecord(job, rec, "");
    EXPECT_EQ(rec.Texts[kSlotTitle], c.title) << c.type;
  }
}

TEST(AddRecordNotes, ErrorMessageGoesAheadOfTheStartComment) {
  TTestJob job = MakeJob(kFmtXqf, kFmtPgn);
  job.AddErrorInfo = true;
  job.SrcCodePage = kCpUtf8;
  TChessRec rec = MakeRecord(job, {{0x44, 0x43}, {0x70, 0x62}});  // nothing on 0x44
  rec.Texts[kSlotTitle] = "对局";
  rec.Texts[kSlotStartComment] = "开局";
  CompleteRecord(job, rec, "");
  ASSERT_FALSE(rec.ErrorText.empty());
  const std::string errors = rec.ErrorText;
  AddRecordNotes(job, rec);
  const std::string& start = rec.Texts[kSlotStartComment];
  EXPECT_EQ(start, errors + "开局");
  EXPECT_NE(start.find("第 1 步"), std::string::npos);
  EXPECT_EQ(rec.Texts[kSlotTitle], "[Error]对局");

  // A "||" destination without a start comment: trailing break dropped, the
  // others turned into the destination's break.
  job = MakeJob(kFmtXqf, kFmtUbb);
  job.AddErrorInfo = true;
  rec = MakeRecord(job, kOpening);
  rec.ErrorText = "第一\r\n第二\r\n";
  AddRecordNotes(job, rec);
  EXPECT_EQ(rec.Texts[kSlotStartComment], "第一||第二");

  // Destinations without comments get nothing.
  job = MakeJob(kFmtXqf, kFmtFen);
  job.AddErrorInfo = job.AddBaseInfo = true;
  rec = MakeRecord(job);
  rec.ErrorText = "x\r\n";
  rec.Texts[kSlotTitle] = "t";
  AddRecordNotes(job, rec);
  EXPECT_EQ(rec.Texts[kSlotTitle], "t");
  EXPECT_EQ(rec.Texts[kSlotStartComment], "");
}

TEST(AddRecordNotes, SummaryGoesToTheLastMainLineComment) {
  TTestJob job = MakeJob(kFmtXqf, kFmtPgn);
  job.AddBaseInfo = true;
  TChessRec rec;
  ResetRecord(rec, kFmtXqf, kFmtPgn);
  SetMoveCapacity(rec, 5);
  const int plies[] = {1, 2, 3, 2};
  for (int i = 1; i <= 4; ++i) {
    rec.Moves[i].From = kOpening[i - 1].first;
    rec.Moves[i].Dest = kOpening[i - 1].second;
    rec.Moves[i].Ply = plies[i - 1];
  }
  BuildTreeFromPlies(job, rec, 4);
  ASSERT_EQ(rec.Lines[0].Last, 3);
  rec.Texts[kSlotDate] = "2008-1-5";
  rec.Texts[kSlotEvent] = "全国赛";
  rec.Texts[kSlotTitle] = "甲胜乙";
  SetMoveText(rec, 3, "好棋");
  AddRecordNotes(job, rec);
  EXPECT_EQ(GetMoveText(rec, 3), "2008-1-5 全国赛 甲胜乙\r\n好棋");
  EXPECT_EQ(GetMoveText(rec, 4), "");

  job = MakeJob(kFmtXqf, kFmtUbb);
  job.AddBaseInfo = true;
  rec = MakeRecord(job);
  rec.Texts[kSlotStartComment] = "注";
  AddRecordNotes(job, rec);
  EXPECT_EQ(rec.Texts[kSlotStartComment], "  ||注");
}

TEST(ResultFromText, WordsAndColours) {
  struct {
    const char* text;
    int expected;
  } cases[] = {
      {"红胜", 1},  {"黑胜", 2}, {"红负", 2},   {"黑负", 1},   {"和棋", 3},
      {"紅勝", 1},  {"黑負", 1}, {"紅方負", 2}, {"黑胜红", 2}, {"黑负红", 1},
      {"胜 和", 3}, {"未知", 0}, {"", 0},
  };
  for (const auto& c : cases) {
    TChessRec rec;
    rec.GameResult = 0;
    ResultFromText(rec, c.text, kCpUtf8);
    EXPECT_EQ(rec.GameResult, c.expected) << c.text;
  }
  TChessRec rec;
  ResultFromText(rec, Gbk("黑方胜"), kCpGbk);
  EXPECT_EQ(rec.GameResult, 2);
}

TEST(DateFromName, EnglishDatesBecomeNumeric) {
  EXPECT_EQ(DateFromName("Jan 05 09:08:07 2008"), "2008-1-5 9:08");
  EXPECT_EQ(DateFromName("Dec 31 23:59:59 1999"), "1999-12-31 23:59");
  EXPECT_EQ(DateFromName("Oct 10 10:00:00 2010"), "2010-10-10 10:00");
  for (const char* same : {"Jan 05 09:08:07 08", "Xyz 05 09:08:07 2008", "2008-01-05 09:08:07 ",
                           "Jan 0x 09:08:07 2008", ""})
    EXPECT_EQ(DateFromName(same), same);
}

TEST(ReadParamTag, WalksParameters) {
  const std::string page =
      "<applet code=\"x\"> <PARAM NAME=\"MoveList\" VALUE=\"7747\">"
      "<param value=\"on\"  name = \"Sound\"><param name=\"j0\" value=\"\">"
      "<param id=\"1\" value=\"2\"><param name=\"title\" value=\"对局\"></applet>";
  struct {
    int result;
    const char* name;
    const char* value;
  } expected[] = {{kParamRead, "movelist", "7747"},
                  {kParamRead, "sound", "on"},
                  {kParamSkip, "", ""},
                  {kParamSkip, "", ""},
                  {kParamRead, "title", "对局"},
                  {kParamEnd, "", ""}};
  size_t position = 1;
  for (const auto& e : expected) {
    std::string name;
    size_t start = 0, length = 0;
    int r = ReadParamTag(kCpUtf8, page, name, start, length, page.size(), position);
    ASSERT_EQ(r, e.result) << e.name;
    if (r == kParamRead) {
      EXPECT_EQ(name, e.name);
      EXPECT_EQ(page.substr(start - 1, length), e.value);
    }
  }

  struct {
    const char* text;
    int result;
  } single[] = {
      {"<param name=\"a\" value=\"b", kParamEnd},     // no closing quote
      {"<param name", kParamEnd},                     // no "="
      {"<param name=\"a\" name=\"b\">", kParamSkip},  // the same attribute twice
      {"<param name=a value=\"b\">", kParamSkip},     // no opening quote
      {"<p name=\"a\" value=\"b\">", kParamEnd},      // no "<param"
  };
  for (const auto& s : single) {
    std::string name;
    size_t start = 0, length = 0, position = 1;
    std::string_view text = s.text;
    EXPECT_EQ(ReadParamTag(kCpUtf8, text, name, start, length, text.size(), position), s.result)
        << s.text;
  }

  // A parameter beyond the limit is not read.
  std::string name;
  size_t start = 0, length = 0;
  position = 1;
  EXPECT_EQ(ReadParamTag(kCpUtf8, page, name, start, length, 20, position), kParamEnd);
}

TEST(ComputeOpening, WithoutLibrarySlotsStayEmpty) {
  UnloadEccoLibrary();
  TTestJob job = MakeJob(kFmtXqf, kFmtPgn);
  TChessRec rec = MakeRecord(job, kOpening);
  for (int s = kSlotOpenLine; s <= kSlotVariation; ++s) rec.Texts[s] = "old";
  CompleteRecord(job, rec, "");
  for (int s = kSlotOpenLine; s <= kSlotVariation; ++s) EXPECT_EQ(rec.Texts[s], "") << s;
}

#ifdef TAVRIK_FAKE_ECCO_DIR
TEST(ComputeOpening, AtMostTwentyMainLineMovesReachTheLibrary) {
  LoadEccoLibrary(TAVRIK_FAKE_ECCO_DIR);
  ASSERT_TRUE(EccoLoaded());
  void* handle = dlopen(TAVRIK_FAKE_ECCO_DIR "/libecco.so", RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(handle, nullptr);
  auto lastMoves = reinterpret_cast<const char* (*)()>(dlsym(handle, "FakeEccoLastMoves"));
  auto indexCalls = reinterpret_cast<int (*)()>(dlsym(handle, "FakeEccoIndexCalls"));
  ASSERT_TRUE(lastMoves && indexCalls);

  // Horses out and back, 24 plies.
  std::vector<std::pair<uint8_t, uint8_t>> moves;
  for (int i = 0; i < 6; ++i) {
    moves.insert(moves.end(), {{0x79, 0x67}, {0x10, 0x22}, {0x67, 0x79}, {0x22, 0x10}});
  }
  // The stand-in answers in UTF-8: take that as the script code page.
  TTestJob job = MakeJob(kFmtXqf, kFmtPgn);
  job.ScriptCodePage = kCpUtf8;
  EccoInitOpenVar(false);
  TChessRec rec = MakeRecord(job, moves);
  CompleteRecord(job, rec, "");
  std::string sent = lastMoves();
  EXPECT_EQ(sent.size(), 80u);
  EXPECT_EQ(sent.substr(0, 16), "N2+3N2+3N3-2N3-2");
  EXPECT_EQ(rec.Texts[kSlotEcco], "B31");
  EXPECT_EQ(rec.Texts[kSlotOpening], "中炮对屏风马");
  EXPECT_EQ(rec.Texts[kSlotOpenLine], "B31 中炮对屏风马(红进七兵)");

  // Names come in the script code page and go out in the destination's.
  job.DstCodePage = kCpGbk;
  job.TextVariant = 0;
  rec = MakeRecord(job, moves);
  CompleteRecord(job, rec, "");
  EXPECT_EQ(rec.Texts[kSlotOpening], Gbk("中炮对屏风马"));
  EXPECT_EQ(rec.Texts[kSlotVariation], Gbk("红进七兵"));

  // Title types put the opening line on the side they name.
  job.DstCodePage = kCpUtf8;
  job.TextVariant = 3;
  job.SrcFormat = kFmtUbbJava;
  for (auto [type, title] : {std::pair{0, "甲胜乙 B31 中炮对屏风马(红进七兵)"},
                             {1, "B31 中炮对屏风马(红进七兵) 甲胜乙"},
                             {4, "B31 中炮对屏风马(红进七兵)"},
                             {5, "第1轮 甲胜乙 B31 中炮对屏风马(红进七兵)"}}) {
    job.TitleType = type;
    rec = MakeRecord(job, moves);
    rec.PageKind = 6;
    rec.Texts[kSlotTitle] = "甲胜乙";
    rec.Texts[kSlotRound] = "第1轮";
    CompleteRecord(job, rec, "");
    EXPECT_EQ(rec.Texts[kSlotTitle], title) << type;
  }

  // Endgames never reach the library.
  job.DstCodePage = kCpGbk;
  int calls = indexCalls();
  rec = MakeRecord(job, {{0x79, 0x67}});
  rec.Pieces[15] = 0xFF;
  CompleteRecord(job, rec, "");
  EXPECT_EQ(indexCalls(), calls);
  EXPECT_EQ(rec.Texts[kSlotOpenLine], "");

  // Nor does a record in which black moves first: its moves would read as red's.
  rec = MakeRecord(job, {{0x70, 0x62}});
  CompleteRecord(job, rec, "");
  EXPECT_EQ(rec.RedFirst, 0);
  EXPECT_EQ(indexCalls(), calls);
  EXPECT_EQ(rec.Texts[kSlotEcco], "");
  dlclose(handle);
  UnloadEccoLibrary();
}
#endif

TEST(LogRecordWritten, TitleOrEmptyTitleMessage) {
  TTestJob job = MakeJob(kFmtXqf, kFmtPgn);
  job.DstCodePage = kCpGbk;
  TChessRec rec = MakeRecord(job);
  rec.Texts[kSlotTitle] = Gbk("对局");
  LogRecordWritten(job, rec);
  rec.Texts[kSlotTitle].clear();
  LogRecordWritten(job, rec);
  ASSERT_EQ(job.Lines.size(), 2u);
  EXPECT_EQ(job.Lines[0].Text, "已寫一個棋譜到緩存：对局");
  EXPECT_EQ(job.Lines[1].Text, "已寫一個棋譜到緩存(棋譜標題為空)！");
  EXPECT_EQ(job.Lines[0].Level, kLogPlain);
}
