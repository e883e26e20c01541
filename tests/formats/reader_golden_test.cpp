// Every sample file of tests/data whose folder names a readable format, read
// as a job converting it into UTF-8 PGN reads it, and compared with its
// golden <file>.dump: per record the reader's result, the lines logged and
// the record (TAVRIK_ACCEPT=1 writes the goldens).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/encoding.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "tests/support/golden.h"
#include "tests/support/read_sample.h"
#include "tests/support/record_dump.h"
#include "tests/support/test_job.h"

namespace fs = std::filesystem;

namespace {

// The folders of tests/data and the ids of the format rows their files are
// read as: the first row whose mask takes a file's name, else the first row.
struct TFolder {
  const char* Name;
  std::vector<std::string> Ids;
};
const TFolder kFolders[] = {
    {"applet", {"UBBJava"}},  {"cbf", {"CBF"}},       {"cbr", {"CBL"}},
    {"ccm", {"CCM"}},         {"che", {"CHE"}},       {"cnc", {"CNC"}},
    {"dhtmlxq", {"UBBJava"}}, {"fen", {"FEN"}},       {"mxq", {"MXQ", "MCJ"}},
    {"ourgame", {"OurGame"}}, {"pgn", {"PGN"}},       {"stqy", {"UBBJava"}},
    {"text", {"Text"}},       {"webc5", {"UBBJava"}}, {"xqf", {"XQF"}},
};

int RowOfId(const std::string& id) {
  for (int row = 0; row < kFormatCount; ++row)
    if (id == FileTypes[row].Id) return row;
  ADD_FAILURE() << "no format row " << id;
  return 0;
}

int RowOf(const TFolder& folder, const std::string& name) {
  for (const std::string& id : folder.Ids)
    if (MatchesMask(name, FileTypes[RowOfId(id)].Filter)) return RowOfId(id);
  return RowOfId(folder.Ids.front());
}

// Files named for Big5 are read as Big5, as a user would say on the command
// line; the code page of the others is chosen from their bytes.
int CodePageOf(const std::string& name) {
  return name.find("big5") != std::string::npos ? kCpBig5 : -1;
}

bool IsSample(const fs::directory_entry& entry) {
  const std::string ext = entry.path().extension().string();
  return entry.is_regular_file() && ext != ".dump" && ext != ".py" && ext != ".md";
}

// The records of one file, each after the lines logged since the one before.
std::string ReadAndDump(const fs::path& file, int row) {
  TTestJob job;
  std::string out;
  const int count = ReadSample(job, row, file.string(), CodePageOf(file.filename().string()),
                               [&](TChessRec& rec, bool ok) {
                                 out += DumpReading(ok, job, rec);
                                 job.Lines.clear();
                               });
  for (const TTestJob::TLine& line : job.Lines) out += "after " + line.Text + "\n";
  out = "records " + std::to_string(count) + "\n" + out;
  // Paths in messages are the test machine's.
  const std::string data = TAVRIK_TEST_DATA;
  for (size_t at; (at = out.find(data)) != std::string::npos;) out.replace(at, data.size(), "DATA");
  return out;
}

}  // namespace

TEST(ReaderGolden, EverySampleFileReadsToItsDump) {
  for (const TFolder& folder : kFolders) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(TAVRIK_TEST_DATA) / folder.Name))
      if (IsSample(entry)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_FALSE(names.empty()) << folder.Name;
    for (const std::string& name : names) {
      const std::string relative = std::string(folder.Name) + "/" + name;
      SCOPED_TRACE(relative);
      ExpectGolden(relative + ".dump",
                   ReadAndDump(fs::path(TAVRIK_TEST_DATA) / relative, RowOf(folder, name)));
    }
  }
}
