// Runs the sub-commands of the built tavrik program as a user would, on
// files copied into a temporary folder.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/app_fixture.h"

namespace fs = std::filesystem;

namespace {

// Just enough JSON to read back what the program writes.
struct TJson {
  std::string Text;
  double Number = 0;
  std::vector<TJson> Items;
  std::map<std::string, TJson> Fields;
  const TJson& operator[](const std::string& key) const { return Fields.at(key); }
  const TJson& operator[](size_t i) const { return Items.at(i); }
};

class TJsonParser {
 public:
  explicit TJsonParser(const std::string& s) : s_(s) {}
  bool Parse(TJson& out) {
    bool ok = Value(out);
    Blanks();
    return ok && p_ == s_.size();
  }

 private:
  void Blanks() {
    while (p_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[p_]))) ++p_;
  }
  bool Eat(char c) {
    Blanks();
    if (p_ < s_.size() && s_[p_] == c) return ++p_, true;
    return false;
  }
  bool String(std::string& out) {
    if (!Eat('"')) return false;
    while (p_ < s_.size() && s_[p_] != '"') {
      if (s_[p_] == '\\' && p_ + 1 < s_.size()) {
        const char e = s_[++p_];
        if (e == 'u') {
          out += static_cast<char>(std::stoi(s_.substr(p_ + 1, 4), nullptr, 16));
          p_ += 4;
        } else {
          out += e == 'n' ? '\n' : e;
        }
        ++p_;
      } else {
        out += s_[p_++];
      }
    }
    return Eat('"');
  }
  bool Value(TJson& v) {
    Blanks();
    if (p_ >= s_.size()) return false;
    const char c = s_[p_];
    if (c == '"') return String(v.Text);
    if (c == '[') {
      ++p_;
      if (Eat(']')) return true;
      do {
        v.Items.emplace_back();
        if (!Value(v.Items.back())) return false;
      } while (Eat(','));
      return Eat(']');
    }
    if (c == '{') {
      ++p_;
      if (Eat('}')) return true;
      do {
        std::string key;
        if (!String(key) || !Eat(':') || !Value(v.Fields[key])) return false;
      } while (Eat(','));
      return Eat('}');
    }
    size_t end = p_;
    while (end < s_.size() && std::string(",]} \n").find(s_[end]) == std::string::npos) ++end;
    v.Text = s_.substr(p_, end - p_);
    if (v.Text != "true" && v.Text != "false" && v.Text != "null") v.Number = std::stod(v.Text);
    p_ = end;
    return true;
  }
  const std::string& s_;
  size_t p_ = 0;
};

TJson ParseJson(const std::string& text) {
  TJson json;
  EXPECT_TRUE(TJsonParser(text).Parse(json)) << text;
  return json;
}

class SubCommandTest : public TProgramTest {
 protected:
  // Copies a file of the test data into the test folder under a new name.
  void Copy(const std::string& data, const std::string& name) {
    fs::create_directories(fs::path(dir_ + name).parent_path());
    fs::copy_file(std::string(TAVRIK_TEST_DATA) + "/" + data, dir_ + name,
                  fs::copy_options::overwrite_existing);
  }
};

}  // namespace

TEST_F(SubCommandTest, ConvertRecognisesEachFormatFromItsContentOrExtension) {
  // Files of the formats with a signature lose their extension.
  const struct {
    const char* Data;
    const char* Name;
  } kCases[] = {
      {"xqf/sample_v18.xqf", "a"},
      {"cbf/canonical_utf8.cbf", "b"},
      {"dhtmlxq/canonical_ubb_utf8.txt", "c"},
      {"webc5/gbk_simplified.htm", "d"},
      {"applet/kind3_javaxqb.htm", "e"},
      {"ourgame/new.xqi", "f"},
      {"cnc/opening_main_line.cnc", "g"},
      {"pgn/chinese_4_plies.pgn", "h"},
      {"mxq/initboard_undo.mxq", "i.mxq"},
      {"mxq/endgame.mcj", "j.mcj"},
      {"che/opening_4_moves.che", "k.che"},
      {"ccm/opening_4_moves.ccm", "l.ccm"},
      {"text/gbk_4_plies.txt", "m.txt"},
      {"fen/start_red.fen", "n.fen"},
  };
  for (const auto& c : kCases) Copy(c.Data, std::string("in/") + c.Name);
  EXPECT_EQ(Run("convert in -o out --to pgn"), 0) << err_;
  for (const auto& c : kCases) {
    const std::string base = fs::path(c.Name).stem().string();
    EXPECT_TRUE(fs::exists(dir_ + "out/" + base + ".PGN")) << c.Data << "\n" << err_;
  }
  // A file of no known format named on the command line is an error.
  std::ofstream(dir_ + "junk") << "nothing to see";
  EXPECT_EQ(Run("convert junk -o out2 --to pgn"), 1);
  // So is one that is not there and whose name tells no format.
  EXPECT_EQ(Run("convert no-such-file -o out2 --to pgn"), 1);
}

TEST_F(SubCommandTest, ConvertReadsStandardInputAndWritesStandardOutput) {
  Copy("xqf/sample_v10.xqf", "a.xqf");
  ASSERT_EQ(Run("convert a.xqf -o a.pgn"), 0) << err_;
  EXPECT_EQ(Run("convert - --from xqf --to pgn -o -", dir_ + "a.xqf"), 0) << err_;
  // The same record, but titled after standard input instead of the file.
  std::string expected = Slurp(dir_ + "a.pgn");
  const std::string title = "[Event \"a\"]";
  const size_t at = expected.find(title);
  if (at != std::string::npos) expected.replace(at, title.size(), "[Event \"stdin\"]");
  EXPECT_EQ(out_, expected);
}

TEST_F(SubCommandTest, ConvertGivesTheSameFilesBytesAndLogForAnyNumberOfJobs) {
  // Names collide in source order: a.pgn and a.xqf both become a.PGN.
  Copy("xqf/sample_v10.xqf", "in/a.xqf");
  Copy("pgn/chinese_4_plies.pgn", "in/a.pgn");
  Copy("xqf/sample_v18.xqf", "in/sub/b.xqf");
  Copy("cbf/canonical_gbk.cbf", "in/sub/c.cbf");
  Copy("cnc/endgame_bad_third_move.cnc", "in/sub/d.cnc");
  Copy("webc5/big5.htm", "in/sub/e.htm");
  ASSERT_EQ(Run("convert in -r -o one --to pgn --jobs 1"), 1);
  std::string log1 = err_;
  ASSERT_EQ(Run("convert in -r -o two --to pgn --jobs 3"), 1);
  std::string log2 = err_;
  EXPECT_EQ(FolderFiles(dir_ + "one"), FolderFiles(dir_ + "two"));
  EXPECT_EQ(FolderFiles(dir_ + "one").size(), 6u);
  for (std::string* log : {&log1, &log2})
    for (size_t p; (p = log->find("/one/")) != std::string::npos ||
                   (p = log->find("/two/")) != std::string::npos;)
      log->replace(p, 5, "/out/");
  EXPECT_EQ(log1, log2);
}

TEST_F(SubCommandTest, MultiGamePgnAndLibraryExportedToOneDatabaseKeepTheGames) {
  // Three games in one PGN file are three records.
  const std::string games = Slurp(std::string(TAVRIK_TEST_DATA) + "/pgn/chinese_4_plies.pgn") +
                            "\n" + Slurp(std::string(TAVRIK_TEST_DATA) + "/pgn/wxf_6_plies.pgn") +
                            "\n" + Slurp(std::string(TAVRIK_TEST_DATA) + "/pgn/iccs_8_plies.pgn");
  std::ofstream(dir_ + "three.pgn", std::ios::binary) << games;
  ASSERT_EQ(Run("convert three.pgn -o each --to xqf"), 0) << err_;
  EXPECT_EQ(FolderFiles(dir_ + "each").size(), 3u);
  EXPECT_TRUE(fs::exists(dir_ + "each/three-1.XQF"));

  // A library of them and two more records, exported into one PGN file.
  Copy("xqf/sample_v10.xqf", "more/a.xqf");
  Copy("cbf/canonical_utf8.cbf", "more/b.cbf");
  ASSERT_EQ(Run("library build three.pgn more -o lib.CBL --compression best"), 0) << err_;
  ASSERT_EQ(Run("library list --json lib.CBL"), 0) << err_;
  const TJson list = ParseJson(out_);
  ASSERT_EQ(list[0]["records"].Items.size(), 5u);
  ASSERT_EQ(Run("library export lib.CBL -o all.pgn"), 0) << err_;
  ASSERT_EQ(Run("info --json all.pgn"), 0) << err_;
  const TJson info = ParseJson(out_);
  ASSERT_EQ(info[0]["format"].Text, "PGN");
  ASSERT_EQ(info[0]["records"].Items.size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    const TJson& a = list[0]["records"][i];
    const TJson& b = info[0]["records"][i];
    // PGN keeps no title of its own (it is read back from the file name).
    for (const char* key : {"red", "black", "result"})
      EXPECT_EQ(a[key].Text, b[key].Text) << i << " " << key;
    EXPECT_EQ(a["plies"].Number, b["plies"].Number) << i;
  }
  // Per-record files, numbered, only the records asked for.
  ASSERT_EQ(Run("library export lib.CBL -o files --names number --records 2-3,5 --to cbf"), 0);
  EXPECT_EQ(FolderFiles(dir_ + "files").size(), 3u);
}

TEST_F(SubCommandTest, LibraryBuildAppendsWithOverridesAndReplacesOnlyWhole) {
  Copy("xqf/sample_v10.xqf", "a.xqf");
  Copy("pgn/chinese_4_plies.pgn", "b.pgn");
  ASSERT_EQ(Run("library build a.xqf -o lib.CBL --compression stored"), 0) << err_;
  ASSERT_EQ(Run("library build b.pgn -o lib.CBL --append --set-red Someone --set-result draw"), 0)
      << err_;
  ASSERT_EQ(Run("library list --json lib.CBL"), 0);
  TJson list = ParseJson(out_);
  ASSERT_EQ(list[0]["records"].Items.size(), 2u);
  EXPECT_NE(list[0]["records"][0]["red"].Text, "Someone");
  EXPECT_EQ(list[0]["records"][1]["red"].Text, "Someone");
  EXPECT_EQ(list[0]["records"][1]["result"].Text, "draw");
  // Without --append the library is made anew; with --no-clobber it is kept.
  const std::string before = Slurp(dir_ + "lib.CBL");
  EXPECT_EQ(Run("library build b.pgn -o lib.CBL --no-clobber"), 1);
  EXPECT_EQ(Slurp(dir_ + "lib.CBL"), before);
  ASSERT_EQ(Run("library build b.pgn -o lib.CBL"), 0) << err_;
  ASSERT_EQ(Run("library list lib.CBL"), 0);
  EXPECT_EQ(std::count(out_.begin(), out_.end(), '\n'), 1) << out_;
  EXPECT_FALSE(fs::exists(dir_ + "missing.CBL"));
  EXPECT_EQ(Run("library build b.pgn -o missing.CBL --append"), 1);
}

TEST_F(SubCommandTest, ConvertNamesFollowTheMd5AndClobberChoices) {
  Copy("xqf/sample_v10.xqf", "a.xqf");
  Copy("pgn/chinese_10_plies.pgn", "in/a.pgn");
  ASSERT_EQ(Run("convert a.xqf -o out --to pgn"), 0) << err_;
  const std::string first = Slurp(dir_ + "out/a.PGN");
  // Another record under a taken name gets the MD5 of its content.
  ASSERT_EQ(Run("convert in/a.pgn -o out --to pgn"), 0) << err_;
  EXPECT_EQ(Slurp(dir_ + "out/a.PGN"), first);
  EXPECT_EQ(FolderFiles(dir_ + "out").size(), 2u);
  // never replaces; --no-clobber keeps.
  ASSERT_EQ(Run("convert in/a.pgn -o out --to pgn --md5-names never --no-clobber"), 0);
  EXPECT_EQ(Slurp(dir_ + "out/a.PGN"), first);
  ASSERT_EQ(Run("convert in/a.pgn -o out --to pgn --md5-names never"), 0);
  EXPECT_NE(Slurp(dir_ + "out/a.PGN"), first);
  // A file named with -o is replaced, not suffixed.
  ASSERT_EQ(Run("convert a.xqf -o named.pgn"), 0);
  ASSERT_EQ(Run("convert in/a.pgn -o named.pgn"), 0);
  EXPECT_EQ(Slurp(dir_ + "named.pgn"), Slurp(dir_ + "out/a.PGN"));
}

TEST_F(SubCommandTest, InfoJsonDescribesEveryRecord) {
  Copy("xqf/sample_v18.xqf", "a.xqf");
  Copy("webc5/big5.htm", "b.htm");
  ASSERT_EQ(Run("info --json a.xqf b.htm"), 0) << err_;
  const TJson info = ParseJson(out_);
  ASSERT_EQ(info.Items.size(), 2u);
  EXPECT_EQ(info[0]["format"].Text, "XQF");
  EXPECT_EQ(info[0]["encoding"].Text, "gbk");
  EXPECT_EQ(info[1]["format"].Text, "UBBJava");
  EXPECT_EQ(info[1]["encoding"].Text, "gbk");
  const TJson& r = info[0]["records"][0];
  EXPECT_GT(r["plies"].Number, 0);
  EXPECT_FALSE(r["start"].Text.empty());
  EXPECT_TRUE(r["messages"].Items.empty());
}

TEST_F(SubCommandTest, CheckExitsOneOnARecordWithABadMove) {
  Copy("cnc/opening_main_line.cnc", "good/a.cnc");
  EXPECT_EQ(Run("check good"), 0) << out_ << err_;
  EXPECT_TRUE(out_.empty());
  Copy("cnc/endgame_bad_third_move.cnc", "good/sub/b.cnc");
  EXPECT_EQ(Run("check good"), 0) << "sub-folders only with -r";
  EXPECT_EQ(Run("check -r good"), 1);
  EXPECT_NE(out_.find("b.cnc #1: "), std::string::npos) << out_;
  ASSERT_EQ(Run("check --json -r good"), 1);
  const TJson faults = ParseJson(out_);
  ASSERT_EQ(faults.Items.size(), 1u);
  EXPECT_FALSE(faults[0]["messages"].Items.empty());
}

TEST_F(SubCommandTest, LibrarySplitCutsAtTheRecordMarks) {
  // A 3.0 library: a header block and three record blocks of 4096 bytes.
  std::string library = "CCBridgeLibrary";
  library.resize(4096, '\0');
  for (char c : {'x', 'y', 'z'}) {
    std::string block = "CCBridge Record";
    block.resize(4096, c);
    library += block;
  }
  std::ofstream(dir_ + "lib3.CBL", std::ios::binary) << library;
  ASSERT_EQ(Run("library split lib3.CBL -o cut"), 0) << err_;
  const auto files = FolderFiles(dir_ + "cut");
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files.at("2.CBR"), library.substr(8192, 4096));
  // Existing files are kept on request.
  std::ofstream(dir_ + "cut/1.CBR") << "mine";
  ASSERT_EQ(Run("library split lib3.CBL -o cut --no-clobber"), 0) << err_;
  EXPECT_EQ(Slurp(dir_ + "cut/1.CBR"), "mine");
}

TEST_F(SubCommandTest, UsageErrorsExitTwoAndNameTheOption) {
  Copy("xqf/sample_v10.xqf", "a.xqf");
  const struct {
    const char* Args;
    const char* Named;
  } kCases[] = {
      {"convert a.xqf", "--output"},
      {"convert a.xqf -o x.pgn --notation roman", "--notation"},
      {"convert a.xqf -o x.pgn --bogus", "--bogus"},
      {"convert a.xqf -o -", "--to"},
      {"convert a.xqf -o x.xqf --to-encoding utf-8", "--to-encoding"},
      {"library export a.xqf -o d --records 3-1", "--records"},
      {"library", "subcommand"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Run(c.Args), 2) << c.Args;
    EXPECT_NE(err_.find(c.Named), std::string::npos) << c.Args << ": " << err_;
  }
  EXPECT_EQ(Run("--help"), 0);
  EXPECT_NE(out_.find("convert"), std::string::npos);
  EXPECT_EQ(Run("convert --help"), 0);
  EXPECT_NE(out_.find("--jobs"), std::string::npos);
  EXPECT_EQ(Run("--version"), 0);
  EXPECT_FALSE(out_.empty());
}
