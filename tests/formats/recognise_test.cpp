// Telling a file's format from its content (the registry rows' recognition
// functions), and splitting PGN text into its games.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/uglobal.h"
#include "formats/text/pgn.h"
#include "tests/support/files.h"

namespace {

std::string DataFile(const std::string& name) {
  return Slurp(std::string(TAVRIK_TEST_DATA) + "/" + name);
}

// The first row whose recognition function takes the bytes, or -1.
int FirstRecognising(const std::string& bytes) {
  for (int row = 0; row < kFormatCount; ++row)
    if (FileTypes[row].Recognise != nullptr && FileTypes[row].Recognise(bytes)) return row;
  return -1;
}

}  // namespace

TEST(RecogniseTest, EachFormatWithASignatureIsToldByItAndNoOtherIs) {
  const struct {
    const char* File;
    int Row;
  } kCases[] = {
      {"xqf/sample_v10.xqf", kFmtXqf},
      {"xqf/sample_v18.xqf", kFmtXqf},
      {"cbf/canonical_gbk.cbf", kFmtCbf},
      {"cbf/big5_declared.cbf", kFmtCbf},
      {"dhtmlxq/canonical_html_gbk.htm", kFmtUbbJava},
      {"dhtmlxq/canonical_ubb_utf8.txt", kFmtUbbJava},
      {"webc5/gbk_simplified.htm", kFmtUbbJava},
      {"applet/kind4_kind7.htm", kFmtUbbJava},
      {"stqy/kind6_row_first.htm", kFmtUbbJava},
      {"ourgame/old_red.chn", kFmtOurGame},
      {"ourgame/new.xqi", kFmtOurGame},
      {"cnc/endgame_long_trailer.cnc", kFmtCnc},
      {"pgn/chinese_big5.pgn", kFmtPgn},
      {"pgn/braces_utf8.pgn", kFmtPgn},
      {"pgn/iccs_gbk.pgn", kFmtPgn},
      // Known by their extensions only.
      {"mxq/initboard_undo.mxq", -1},
      {"mxq/endgame.mcj", -1},
      {"che/opening_4_moves.che", -1},
      {"ccm/opening_4_moves.ccm", -1},
      {"text/gbk_6_plies.txt", -1},
      {"fen/middle_black.fen", -1},
  };
  for (const auto& c : kCases) {
    const std::string bytes = DataFile(c.File);
    ASSERT_FALSE(bytes.empty()) << c.File;
    EXPECT_EQ(FirstRecognising(bytes), c.Row) << c.File;
  }
  // The two library generations share their first eight bytes.
  std::string cbl("CCBridge\x15\0\0\0\0\0\0\0\0\0\0\0", 20);
  EXPECT_EQ(FirstRecognising(cbl), kFmtCbl);
  cbl[8] = 0x16;
  EXPECT_EQ(FirstRecognising(cbl), -1);
  EXPECT_EQ(FirstRecognising(std::string("CCBridgeLibrary\0", 16)), kFmtCbl3);
  // XML of another root, and bracketed text that is no tag pair.
  EXPECT_EQ(FirstRecognising("<?xml version=\"1.0\"?>\n<html><ChineseChessRecord/></html>"), -1);
  EXPECT_EQ(FirstRecognising("[1] a list, not PGN"), -1);
}

TEST(SplitPgnGamesTest, ATagSectionAfterMovesOpensTheNextGame) {
  const struct {
    const char* Text;
    size_t Games;
  } kCases[] = {
      {"", 1},
      {"[Event \"a\"]\n1. h2e2 h9g7\n", 1},
      {"[Event \"a\"]\n1. h2e2\n\n[Event \"b\"]\n1. b2e2\n[Event \"c\"]\n1. c3c4 *\n", 3},
      // Tags without moves stay with the next game's tags.
      {"[Event \"a\"]\n[Red \"x\"]\n\n[Black \"y\"]\n1. h2e2\n", 1},
      // A bracket inside a comment, or after a line comment, is no tag.
      {"[Event \"a\"]\n1. h2e2 {see\n[the note]\n} h9g7\n[Event \"b\"]\n1. b2e2\n", 2},
      {"[Event \"a\"]\n; [Event \"not\"]\n1. h2e2\n", 1},
      // Moves without tags before the first tag section form a game.
      {"1. h2e2 h9g7\n[Event \"b\"]\n1. b2e2\n", 2},
  };
  for (const auto& c : kCases) {
    const std::string text = c.Text;
    const std::vector<std::string_view> games = SplitPgnGames(text);
    EXPECT_EQ(games.size(), c.Games) << text;
    // The games cover the text, in order, without a gap.
    std::string joined;
    for (std::string_view g : games) joined += g;
    EXPECT_EQ(joined, text);
  }
}
