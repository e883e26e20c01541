#include "formats/text/diagram.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/baseform.h"
#include "app/dispatch.h"
#include "core/encoding.h"
#include "core/position.h"
#include "core/record.h"
#include "core/sourcetext.h"
#include "formats/text/registry.h"
#include "formats/text/text.h"
#include "tests/formats/pgn_text_fixture.h"
#include "tests/support/files.h"

namespace {

namespace fs = std::filesystem;

// A middle-game position with pieces on both edge columns, red to move.
constexpr const char* kMiddleGame =
    "r1bakab1r/9/1cn3nc1/p1p1p1p1p/9/6P2/P1P1P3P/1C2B1NC1/9/RN1AKAB1R w - - 0 1";
constexpr const char* kNotFound = "源棋譜不是文本棋圖或者源棋譜代碼頁不正確。";

std::string Gbk(const std::string& utf8) { return WideToBytes(BytesToWide(utf8, kCpUtf8), kCpGbk); }

void MiddleGame(TChessRec& rec, const char* fen = kMiddleGame) {
  ResetRecord(rec, kFmtText, kFmtText);
  ASSERT_TRUE(ParseFen(rec, fen));
  rec.GameType = 3;
}

std::string FenOf(TChessRec& rec) {
  MakeFen(rec);
  return rec.Texts[kSlotFen];
}

// The diagram of the middle game in GBK simplified script.
std::string GbkDiagram() {
  TTestJob job;
  pgntext::SetDestination(job, kCpGbk, false);
  TChessRec rec;
  MiddleGame(rec);
  std::string text;
  MakeBoardDiagram(job, rec, text);
  return text;
}

// Reads GBK text; returns the FEN of what was read, or "" when nothing was.
std::string ReadGbk(const std::string& text, TTestJob* log = nullptr) {
  TTestJob job;
  TChessRec rec;
  ResetRecord(rec, kFmtTextLayout, kFmtFen);
  const bool ok = ReadDiagramText(job, rec, text);
  if (log) *log = job;
  return ok ? FenOf(rec) : std::string();
}

class DiagramFile : public ::testing::Test {
 protected:
  // Writes bytes to a file and reads it as a diagram of code page cp.
  std::string ReadFile(const std::string& bytes, int cp) {
    const std::string path = (dir_ / "board.txt").string();
    std::ofstream(path, std::ios::binary) << bytes;
    TBaseForm job;
    job.SrcFormat = kFmtTextLayout;
    job.DstFormat = kFmtFen;
    job.SrcCodePage = cp;
    TChessRec rec;
    ResetRecord(rec, kFmtTextLayout, kFmtFen);
    std::string text;
    ReadSourceText(job, text, path, 0, kCpGbk, cp, false);
    if (!ReadDiagramText(job, rec, text)) return "";
    EXPECT_EQ(rec.RedFirst, 1);
    EXPECT_EQ(rec.MoveCount, 0);
    return FenOf(rec);
  }

  TTempFolder temp_{"tavrik_diagram"};
  fs::path dir_ = temp_.Path();
};

}  // namespace

// A diagram the program drew, alone or inside a whole text record, reads back
// to the same position in every code page and script the writer produces.
TEST_F(DiagramFile, ReadsBackWhatTheProgramDrew) {
  for (int cp : {kCpGbk, kCpBig5, kCpUtf8}) {
    for (bool traditional : {false, true}) {
      SCOPED_TRACE(cp * 10 + traditional);
      TTestJob writer;
      writer.SrcFormat = kFmtText;
      writer.DstFormat = kFmtText;
      pgntext::SetDestination(writer, cp, traditional);
      TChessRec rec;
      MiddleGame(rec);
      std::string diagram;
      MakeBoardDiagram(writer, rec, diagram);
      ASSERT_FALSE(diagram.empty());
      EXPECT_EQ(ReadFile(diagram, cp), kMiddleGame);

      TChessRec game;
      pgntext::BuildRecord(writer, game, {{1, "B2-B6"}, {2, "A9-A8"}}, kMiddleGame);
      game.GameType = 3;
      std::string text;
      RenderText(writer, game, text);
      EXPECT_EQ(ReadFile(text, cp), kMiddleGame);
    }
  }
}

TEST(DiagramText, PastedAndPartialDiagrams) {
  const std::string drawn = GbkDiagram();
  const std::string fullWidth = Gbk("　");

  // Connector lines pasted with full-width spaces are still found, and the
  // board moved right by a margin and down by extra lines reads the same.
  std::string pasted = drawn;
  ReplaceAllDbcs(kCpGbk, pasted, "  " + Gbk("│"), true, fullWidth + Gbk("│"));
  EXPECT_NE(pasted, drawn);
  EXPECT_EQ(ReadGbk(pasted), kMiddleGame);
  std::string indented = "title\n\n";
  size_t start = 0;
  while (start < drawn.size()) {
    size_t end = drawn.find("\r\n", start);
    if (end == std::string::npos) end = drawn.size();
    indented += "    " + drawn.substr(start, end - start) + "\n";
    start = end + 2;
  }
  EXPECT_EQ(ReadGbk(indented), kMiddleGame);

  // Only the first five row lines: the rest of the board stays empty. The
  // last row line has no line end.
  size_t cut = 0;
  for (int line = 0; line < 11; ++line) cut = drawn.find("\r\n", cut) + 2;
  EXPECT_EQ(ReadGbk(drawn.substr(0, cut - 2)),
            "r1bakab1r/9/1cn3nc1/p1p1p1p1p/9/9/9/9/9/9 w - - 0 1");

  // A row cut in the middle of a glyph keeps the whole glyphs before it.
  std::string shortRow = drawn;
  const size_t row9 = shortRow.rfind(Gbk("(车)"));
  shortRow.erase(row9 + 2, shortRow.find("\r\n", row9) - row9 - 2);
  EXPECT_EQ(ReadGbk(shortRow),
            "r1bakab1r/9/1cn3nc1/p1p1p1p1p/9/6P2/P1P1P3P/1C2B1NC1/9/RN1AKAB2 w - - 0 1");

  // The anchor alone on the first line is not looked at; no anchor at all is
  // logged.
  TTestJob log;
  EXPECT_EQ(ReadGbk(" " + Gbk("│  │  │  │＼│／│  │  │  │") + " \r\nmoves\r\n", &log), "");
  EXPECT_TRUE(log.Logged(kNotFound));
  EXPECT_EQ(ReadGbk("", &log), "");
}

// Glyphs outside the table (a wrong bracket, a piece character of the other
// side) are empty squares; surplus pieces are dropped.
TEST(DiagramText, UnknownGlyphsAndSurplusPieces) {
  std::string drawn = GbkDiagram();
  auto replaceFirst = [&](const char* from, const char* to) {
    const size_t p = drawn.find(Gbk(from));
    ASSERT_NE(p, std::string::npos) << from;
    drawn.replace(p, 4, Gbk(to));
  };
  replaceFirst("[车]", "(象)");  // red elephant glyph does not exist
  replaceFirst("[将]", "[帅]");  // black bracket, red character
  replaceFirst("(仕)", "[仕]");
  EXPECT_EQ(ReadGbk(drawn),
            "2ba1ab1r/9/1cn3nc1/p1p1p1p1p/9/6P2/P1P1P3P/1C2B1NC1/9/RN2KAB1R w - - 0 1");

  // Traditional glyphs read like simplified ones; a third red rook is
  // dropped (the last one in board order).
  drawn = GbkDiagram();
  replaceFirst("[马]", "[馬]");
  replaceFirst("[车]", "[車]");
  replaceFirst("(马)", "(馬)");
  EXPECT_EQ(ReadGbk(drawn), kMiddleGame);
  replaceFirst("(兵)", "(車)");
  EXPECT_EQ(ReadGbk(drawn),
            "r1bakab1r/9/1cn3nc1/p1p1p1p1p/9/6R2/P1P1P3P/1C2B1NC1/9/RN1AKAB2 w - - 0 1");
}
