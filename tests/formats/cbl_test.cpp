#include "formats/ccbridge/cbl.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/baseform.h"
#include "app/dispatch.h"
#include "core/encoding.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/ccbridge/cbr.h"
#include "tests/formats/pgn_text_fixture.h"
#include "tests/support/files.h"

namespace fs = std::filesystem;

namespace {

const fs::path kCorpus = fs::path(TAVRIK_CORPUS_DIR) / "cbl";

void PutI32(std::string& out, int32_t v) {
  for (int b = 0; b < 4; ++b)
    out.push_back(static_cast<char>((static_cast<uint32_t>(v) >> (8 * b)) & 0xFF));
}

// Library data: the five header texts, the times, the count and the explanation.
std::string LibraryHeader(int32_t count, const std::string& name = "lib",
                          const std::string& explanation = "line||line") {
  std::string d;
  WriteCountedText(d, name);
  for (int t = 0; t < 4; ++t) WriteCountedText(d, "");
  d += "2024-01-02 03:04:05";
  d += "2024-01-02 03:04:05";
  PutI32(d, count);
  WriteCountedText(d, explanation);
  return d;
}

std::string Container(int32_t version, int32_t compression, int32_t dataSize,
                      const std::string& payload) {
  std::string f = "CCBridge";
  PutI32(f, version);
  PutI32(f, compression);
  PutI32(f, dataSize);
  return f + payload;
}

class TCblForm : public TBaseForm {
 public:
  TCblForm() {
    SrcFormat = kFmtCbl;
    DstFormat = kFmtCbl;
    SrcCodePage = kCpGbk;
    DstCodePage = kCpGbk;
  }
  bool Logged(const std::string& utf8) const {
    const std::string text = SystemText(utf8);
    for (const std::string& line : mmoLog.Lines)
      if (line.find(text) != std::string::npos) return true;
    return false;
  }
};

class Cbl : public ::testing::Test {
 protected:
  // Opens a library made of the given bytes; the log goes to form.
  bool OpenBytes(TCblForm& form, const std::string& bytes, TLibraryData& lib,
                 int which = kLibrarySource) {
    const fs::path p = dir_ / "t.CBL";
    Spit(p, bytes);
    return OpenLibrary(form, p.string(), which, lib);
  }
  // Reads every record of a library file; returns the titles read.
  std::vector<std::string> ReadAll(TCblForm& form, const fs::path& p, TLibraryData& lib,
                                   std::vector<TChessRec>* records = nullptr) {
    std::vector<std::string> titles;
    if (!ReadLibraryHeader(form, p.string(), lib)) return titles;
    TChessRec rec;
    WalkLibraryRecords(form, lib, [&](size_t start, size_t end, const std::string& label) {
      if (!ReadCbrRecord(form, rec, lib.Bytes, start, end, label)) return;
      titles.push_back(rec.Texts[kSlotTitle]);
      if (records) records->push_back(rec);
    });
    return titles;
  }
  TTempFolder temp_{"tavrik_cbl"};
  fs::path dir_ = temp_.Path();
};

TEST_F(Cbl, ReadsEveryCorpusLibrary) {
  if (!fs::exists(kCorpus)) GTEST_SKIP() << "corpus absent";
  const std::vector<std::pair<const char*, int>> files = {
      {"cbl21_best_lvqin_123games.CBL", 123}, {"cbl21_best_endgames_116.CBL", 116},
      {"cbl21_fast_35games.CBL", 35},         {"cbl21_fast_14_variations.CBL", 14},
      {"cbl21_fast_4_variations.CBL", 4},     {"cbl21_best_196endgames_blackfirst.CBL", 196}};
  for (const auto& [name, count] : files) {
    TCblForm form;
    TLibraryData lib;
    std::vector<TChessRec> records;
    const std::vector<std::string> titles = ReadAll(form, kCorpus / name, lib, &records);
    EXPECT_EQ(lib.Count, count) << name;
    EXPECT_EQ(static_cast<int>(titles.size()), count) << name;
    EXPECT_EQ(lib.Bytes.size(), static_cast<size_t>(lib.DataSize)) << name;
    EXPECT_FALSE(form.Logged("棋譜結束位置超出數據總長度")) << name;
    EXPECT_FALSE(form.Logged("未讀完棋譜數據")) << name;
    EXPECT_FALSE(form.Logged("已讀完棋譜數據")) << name;
    int withVariations = 0, blackFirst = 0, moves = 0;
    for (const TChessRec& rec : records) {
      withVariations += rec.LastLine > 0;
      blackFirst += rec.RedFirst == 0;
      moves += rec.MoveCount;
    }
    EXPECT_GT(moves, 0) << name;
    if (std::string(name).find("variations") != std::string::npos) {
      EXPECT_EQ(withVariations, count) << name;
    }
    if (std::string(name).find("blackfirst") != std::string::npos) {
      EXPECT_EQ(withVariations, 124);
      EXPECT_EQ(blackFirst, 4);
    }
  }
  // The 3.0 libraries share the magic's first eight bytes and are named as such.
  TCblForm form;
  TLibraryData lib;
  EXPECT_FALSE(ReadLibraryHeader(form, (kCorpus / "cbl30_13records.CBL").string(), lib));
  EXPECT_TRUE(form.Logged("源文件是象棋橋3.0棋庫"));
}

TEST_F(Cbl, RecordsWrittenIntoALibraryReadBack) {
  TTestJob job;
  job.SrcFormat = kFmtXqf;
  job.DstFormat = kFmtCbl;
  pgntext::SetDestination(job, kCpGbk, false);
  std::vector<TChessRec> written(3);
  std::string data = LibraryHeader(3);
  pgntext::BuildCanonicalGame(job, written[0], false);
  pgntext::BuildPawnEnding(job, written[1], false);
  ResetRecord(written[2], kFmtCbl, kFmtCbl);  // no moves at all
  written[2].Texts[kSlotTitle] = "empty";
  for (TChessRec& rec : written) ASSERT_TRUE(WriteCbrRecord(job, rec, data));

  const std::vector<std::string> expectedTitles = {written[0].Texts[kSlotTitle],
                                                   written[1].Texts[kSlotTitle], "empty"};
  for (int compression = 0; compression <= 3; ++compression) {
    const fs::path p = dir_ / ("lib" + std::to_string(compression) + ".CBL");
    // The buffer is larger than the data; only dataSize bytes are written.
    std::string buffer = data + std::string(100, '\0');
    WriteLibraryFile(job, buffer, compression, p.string(), static_cast<int32_t>(data.size()));
    const std::string file = Slurp(p);
    if (compression == 0) {
      EXPECT_EQ(file.substr(20), data);
    } else {
      // The zlib header names the level: fastest, default, best.
      const unsigned char levelByte[4] = {0, 0x01, 0x9C, 0xDA};
      EXPECT_EQ(static_cast<unsigned char>(file[21]), levelByte[compression]);
    }
    TCblForm form;
    TLibraryData lib;
    std::vector<TChessRec> back;
    EXPECT_EQ(ReadAll(form, p, lib, &back), expectedTitles) << compression;
    EXPECT_EQ(lib.Compression, compression);
    EXPECT_EQ(lib.Bytes, data);
    EXPECT_EQ(form.ErrorCount, 0) << form.LogText();
    EXPECT_TRUE(form.Logged("棋譜數量：3"));
    EXPECT_TRUE(form.Logged("讀取棋譜：[3]"));
    ASSERT_EQ(back.size(), 3u);
    for (size_t r = 0; r < 3; ++r) {
      ASSERT_EQ(back[r].MoveCount, written[r].MoveCount);
      for (int i = 1; i <= written[r].MoveCount; ++i) {
        EXPECT_EQ(back[r].Moves[i].From, written[r].Moves[i].From);
        EXPECT_EQ(back[r].Moves[i].Dest, written[r].Moves[i].Dest);
        EXPECT_EQ(back[r].Moves[i].Parent, written[r].Moves[i].Parent);
        EXPECT_EQ(GetMoveText(back[r], i), GetMoveText(written[r], i));
      }
    }
  }
  // Replacing an existing library leaves no temporary file behind.
  WriteLibraryFile(job, data, 2, (dir_ / "lib0.CBL").string(), static_cast<int32_t>(data.size()));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 4);
  EXPECT_THROW(WriteLibraryFile(job, data, 1, (dir_ / "no/such/x.CBL").string(),
                                static_cast<int32_t>(data.size())),
               std::runtime_error);
}

TEST_F(Cbl, RefusesFilesThatAreNotLibraries) {
  const std::string empty = LibraryHeader(0, "", "");
  ASSERT_EQ(empty.size(), 66u);
  struct TCase {
    std::string Bytes;
    const char* Message;
  };
  const std::vector<TCase> cases = {
      {"CCBridgx" + std::string(66, '\0'), "源文件不是象棋橋2.x棋庫文件。"},
      {"CCBr", "源文件不是象棋橋2.x棋庫文件。"},
      {"CCBridgeLibrary" + std::string(66, '\0'),
       "源文件是象棋橋3.0棋庫，請先用“象棋橋3.0棋庫 To 象棋橋CBR棋譜”把它拆分為CBR棋譜。"},
      {Container(20, 0, 66, empty), "源象棋橋文件的版本不支持：2.0"},
      {Container(22, 0, 66, empty), "源象棋橋文件的版本不支持：2.2"},
      {Container(21, 4, 66, empty), "源象棋橋文件已損壞！"},
      {Container(21, -1, 66, empty), "源象棋橋文件已損壞！"},
      {Container(21, 0, 65, empty), "源象棋橋文件已損壞！"},
      {Container(21, 0, 66, ""), "源象棋橋文件已損壞！"},
      {Container(21, 1, 70, "not a zlib stream"), "源象棋橋文件已損壞！ (zlib:"},
  };
  for (const TCase& c : cases) {
    TCblForm form;
    TLibraryData lib;
    EXPECT_FALSE(OpenBytes(form, c.Bytes, lib)) << c.Message;
    EXPECT_TRUE(form.Logged(c.Message)) << c.Message << "\n" << form.LogText();
    EXPECT_EQ(form.ErrorCount, 1);
  }
  TCblForm form;
  TLibraryData lib;
  EXPECT_TRUE(OpenBytes(form, Container(21, 0, 66, empty), lib));  // 66 is enough
  EXPECT_FALSE(OpenLibrary(form, (dir_ / "none.CBL").string(), kLibrarySource, lib));
  EXPECT_TRUE(form.Logged("源文件不存在。" + (dir_ / "none.CBL").string()));
  // A destination speaks of 目標 and asks (logged when nobody is asked).
  EXPECT_FALSE(OpenBytes(form, Container(22, 0, 66, empty), lib, kLibraryDestination));
  EXPECT_TRUE(form.Logged("目標象棋橋文件的版本不支持：2.2"));
  EXPECT_FALSE(OpenLibrary(form, dir_.string(), kLibraryDestination, lib));
  EXPECT_TRUE(form.Logged("目標文件不存在。"));
}

TEST_F(Cbl, WalkStopsWhereTheRecordsEnd) {
  TTestJob job;
  job.SrcFormat = kFmtCbl;
  job.DstFormat = kFmtCbl;
  TChessRec rec;
  ResetRecord(rec, kFmtCbl, kFmtCbl);
  std::string records;
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(WriteCbrRecord(job, rec, records));

  // A count above the records present: both are visited, the third is missing.
  {
    TCblForm form;
    TLibraryData lib;
    const std::string data = LibraryHeader(250) + records;
    ASSERT_TRUE(OpenBytes(form, Container(21, 0, static_cast<int32_t>(data.size()), data), lib));
    ASSERT_TRUE(ParseLibraryHeader(form, lib));
    EXPECT_EQ(lib.Precision, 3);
    std::vector<std::string> labels;
    EXPECT_EQ(
        WalkLibraryRecords(
            form, lib, [&](size_t, size_t, const std::string& label) { labels.push_back(label); }),
        2);
    EXPECT_EQ(labels, (std::vector<std::string>{"[001]", "[002]"}));
    EXPECT_TRUE(form.Logged("棋譜結束位置超出數據總長度：[003]"));
  }
  // A record size below 4, or past the announced data size, stops the walk.
  for (int32_t badSize : {0, -8, 3, 1000}) {
    TCblForm form;
    TLibraryData lib;
    std::string data = LibraryHeader(2) + records;
    const size_t second = LibraryHeader(2).size() + records.size() / 2;
    std::string size;
    PutI32(size, badSize);
    data.replace(second, 4, size);
    ASSERT_TRUE(OpenBytes(form, Container(21, 0, static_cast<int32_t>(data.size()), data), lib));
    ASSERT_TRUE(ParseLibraryHeader(form, lib));
    EXPECT_EQ(WalkLibraryRecords(form, lib, [](size_t, size_t, const std::string&) {}), 1);
    EXPECT_TRUE(form.Logged("棋譜結束位置超出數據總長度：[2]")) << badSize;
  }
  // Count 0: precision 1 and nothing to walk.
  {
    TCblForm form;
    TLibraryData lib;
    const std::string data = LibraryHeader(0, "", "");
    ASSERT_TRUE(OpenBytes(form, Container(21, 0, 66, data), lib));
    ASSERT_TRUE(ParseLibraryHeader(form, lib));
    EXPECT_TRUE(form.Logged("棋譜數量：0"));
    EXPECT_EQ(lib.Precision, 1);
    EXPECT_EQ(WalkLibraryRecords(form, lib, [](size_t, size_t, const std::string&) {}), 0);
    EXPECT_EQ(form.ErrorCount, 0);
  }
  // A negative count, or a header running past the data, is a damaged library.
  for (const std::string& data :
       {LibraryHeader(-1), LibraryHeader(1).substr(0, 60) + std::string(10, '\x7F')}) {
    TCblForm form;
    TLibraryData lib;
    ASSERT_TRUE(OpenBytes(form, Container(21, 0, 70, data), lib));
    EXPECT_FALSE(ParseLibraryHeader(form, lib));
    EXPECT_TRUE(form.Logged("象棋橋文件已損壞！"));
  }
  EXPECT_EQ(RecordLabel(3, 7), "[007]");
  EXPECT_EQ(RecordLabel(1, 12), "[12]");
}

TEST_F(Cbl, ShortZlibStreamKeepsTheRecordsThatCameOut) {
  TTestJob job;
  job.SrcFormat = kFmtCbl;
  job.DstFormat = kFmtCbl;
  TChessRec rec;
  ResetRecord(rec, kFmtCbl, kFmtCbl);
  std::string data = LibraryHeader(3);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(WriteCbrRecord(job, rec, data));
  const std::string whole = RenderLibraryFile(data, 3, static_cast<int32_t>(data.size()));
  // A stream that announces more than it holds: the size field is not trusted
  // for the buffer, and only the records present are walked.
  std::string bigger = whole;
  bigger[16] = '\xFF';
  bigger[17] = '\xFF';
  bigger[18] = '\xFF';
  bigger[19] = '\x7F';
  TCblForm form;
  TLibraryData lib;
  ASSERT_TRUE(OpenBytes(form, bigger, lib));
  EXPECT_TRUE(form.Logged("源象棋橋文件已損壞！"));
  EXPECT_EQ(lib.Bytes, data);
  ASSERT_TRUE(ParseLibraryHeader(form, lib));
  EXPECT_EQ(WalkLibraryRecords(form, lib, [](size_t, size_t, const std::string&) {}), 3);
  // As a destination the same library is refused: it would be rewritten short.
  TCblForm dest;
  EXPECT_FALSE(OpenBytes(dest, bigger, lib, kLibraryDestination));
  // A stream cut in the middle keeps what inflated.
  TCblForm cut;
  ASSERT_TRUE(OpenBytes(cut, whole.substr(0, whole.size() / 2), lib));
  EXPECT_LT(lib.Bytes.size(), data.size());
  EXPECT_EQ(lib.Bytes, data.substr(0, lib.Bytes.size()));
}

}  // namespace
