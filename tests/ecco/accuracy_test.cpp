// The built opening classifier against labelled games, through the program's
// own record completion: the 20 championship games whose tags the
// classification's authors wrote (exact), and 5,000 practice games whose
// labels are compared as an agreement rate. Prints its figures and the
// disagreements left; skips when the labelled games are not present.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/board.h"
#include "core/complete.h"
#include "core/ecco.h"
#include "core/encoding.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/text/pgn.h"
#include "tests/ecco/coordinates.h"
#include "tests/support/files.h"
#include "tests/support/test_job.h"

namespace fs = std::filesystem;

namespace {

const std::string kData = TAVRIK_ECCO_DATA_DIR;

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string f; std::getline(in, f, '\t');) out.push_back(f);
  return out;
}

TTestJob MakeJob(int srcCodePage) { return Utf8Job(kFmtPgn, kFmtPgn, srcCodePage); }

class Accuracy : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kData + "/ccpd-sample.tsv") || !fs::exists(kData + "/ccgc/labels.tsv"))
      GTEST_SKIP() << "labelled games not present in " << kData;
    Process().SystemCodePage = kCpUtf8;
    LoadEccoLibrary(TAVRIK_BINARY_DIR);
    ASSERT_TRUE(EccoLoaded());
    EccoInitOpenVar(false);
  }
  void TearDown() override { UnloadEccoLibrary(); }
};

}  // namespace

TEST_F(Accuracy, ChampionshipGamesGetExactlyTheirTags) {
  std::ifstream labels(kData + "/ccgc/labels.tsv");
  std::string line;
  std::getline(labels, line);
  int games = 0, exact = 0;
  while (std::getline(labels, line)) {
    std::vector<std::string> f = Fields(line);
    ASSERT_GE(f.size(), 3u) << line;
    f.resize(4);
    TTestJob job = MakeJob(kCpGbk);
    std::string text = Slurp(kData + "/ccgc/" + f[0]);
    ConvertCodePage(text, kCpGbk, 0, kCpUtf8);
    TChessRec rec;
    ResetRecord(rec, job.SrcFormat, job.DstFormat);
    ASSERT_TRUE(ReadPgnText(job, rec, text)) << f[0];
    CompleteRecord(job, rec, "");
    std::string got =
        rec.Texts[kSlotEcco] + "|" + rec.Texts[kSlotOpening] + "|" + rec.Texts[kSlotVariation];
    std::string want = f[1] + "|" + f[2] + "|" + f[3];
    EXPECT_EQ(got, want) << f[0];
    ++games;
    exact += got == want;
  }
  std::printf("championship games: %d of %d exact\n", exact, games);
  EXPECT_EQ(games, 20);
}

TEST_F(Accuracy, AgreementWithPracticeGameLabels) {
  std::ifstream in(kData + "/ccpd-sample.tsv");
  std::string line;
  std::getline(in, line);
  int games = 0, raw = 0, adjusted = 0;
  std::map<std::string, int> pairs;
  while (std::getline(in, line)) {
    std::vector<std::string> f = Fields(line);
    ASSERT_EQ(f.size(), 4u) << line;
    TTestJob job = MakeJob(kCpUtf8);
    TChessRec rec = RecordOfCoordinates(job.SrcFormat, job.DstFormat, f[3]);
    CompleteRecord(job, rec, "");
    const std::string& label = f[1];
    std::string ours = rec.Texts[kSlotEcco];
    ++games;
    raw += ours == label;
    // The labels never use C46, B56 or C25: those games carry C45, B55 and C23/C24.
    bool agrees = ours == label || (ours == "C46" && label == "C45") ||
                  (ours == "B56" && label == "B55") ||
                  (ours == "C25" && (label == "C23" || label == "C24"));
    adjusted += agrees;
    if (!agrees) ++pairs["label " + label + ", ours " + ours];
  }
  ASSERT_EQ(games, 5000);
  std::printf(
      "practice games: %d of %d agree (%.2f%%); %.2f%% counting C46/B56/C25 as C45/B55/C23-C24\n",
      raw, games, 100.0 * raw / games, 100.0 * adjusted / games);
  std::vector<std::pair<int, std::string>> sorted;
  for (const auto& [pair, count] : pairs) sorted.push_back({-count, pair});
  std::sort(sorted.begin(), sorted.end());
  for (const auto& [count, pair] : sorted) std::printf("  %4d  %s\n", -count, pair.c_str());
  EXPECT_GE(raw * 100, 94 * games);
  EXPECT_GE(adjusted * 1000, 965 * games);
}

// A championship game converted by the program to PGN in each destination code
// page carries the code and both names in that code page.
TEST_F(Accuracy, ProgramWritesTheTagsInEveryCodePage) {
  const std::string game = "11.相眼竞技(先胜)象棋ABC(D2-E3).PGN";
  std::string tmpl = (fs::temp_directory_path() / "tavrik_ecco_XXXXXX").string();
  const std::string dir = std::string(mkdtemp(tmpl.data())) + "/";
  fs::copy_file(kData + "/ccgc/" + game, dir + "a.pgn");
  struct {
    const char* Arg;
    int CodePage;
    int Map;
  } pages[] = {{"GBK", kCpGbk, 0}, {"BIG5", kCpBig5, kMapToTraditional}, {"UTF-8", kCpUtf8, 0}};
  for (const auto& p : pages) {
    fs::remove_all(dir + "out");
    fs::create_directories(dir + "out");
    std::string cmd = "cd '" + dir + "' && TAVRIK_CONFIG_DIR='" + dir +
                      "' '" TAVRIK_BINARY_DIR "/tavrik' 2 GBK " + p.Arg +
                      " PGN PGN a.pgn out >/dev/null 2>&1";
    std::system(cmd.c_str());
    std::string pgn = Slurp(dir + "out/a.PGN");
    for (std::string tag :
         {"[ECCO \"C93\"]", "[Opening \"五八炮互进三兵对屏风马\"]", "[Variation \"红左边马\"]"}) {
      ConvertCodePage(tag, kCpUtf8, p.Map, p.CodePage);
      EXPECT_NE(pgn.find(tag), std::string::npos) << p.Arg << "\n" << pgn.substr(0, 600);
    }
  }
  fs::remove_all(dir);
}
