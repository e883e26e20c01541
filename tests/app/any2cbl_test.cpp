#include "app/any2cbl.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>

#include "app/dispatch.h"
#include "app/settings.h"
#include "core/clipboard.h"
#include "core/encoding.h"
#include "formats/ccbridge/cbl.h"
#include "formats/ccbridge/cbr.h"
#include "formats/text/registry.h"
#include "tests/support/app_fixture.h"

namespace fs = std::filesystem;

namespace {

const std::string kExamples = std::string(TAVRIK_TEST_DATA) + "/../../examples";
const std::string kCorpus = TAVRIK_CORPUS_DIR;

std::string Gbk(const std::string& utf8) {
  std::string s = utf8;
  ConvertCodePage(s, kCpUtf8, 0, kCpGbk);
  return s;
}

int32_t I32At(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (size_t b = 0; b < 4; ++b)
    v |= static_cast<uint32_t>(static_cast<uint8_t>(s[at + b])) << (8 * b);
  return static_cast<int32_t>(v);
}

// What a test compares of a record: the moves and the main header fields.
struct TRecordDigest {
  std::vector<std::array<int, 3>> Moves;
  std::string Title, Red, Black, Match;
  int Result = 0;
  bool operator==(const TRecordDigest&) const = default;
};

TRecordDigest DigestOf(const TChessRec& rec) {
  TRecordDigest d;
  for (int i = 1; i <= rec.MoveCount && static_cast<size_t>(i) < rec.Moves.size(); ++i)
    d.Moves.push_back({rec.Moves[i].From, rec.Moves[i].Dest, static_cast<int>(rec.Moves[i].Ply)});
  auto slot = [&](int s) {
    return static_cast<size_t>(s) < rec.Texts.size() ? rec.Texts[s] : std::string();
  };
  d.Title = slot(51);
  d.Match = slot(52);
  d.Red = slot(55);
  d.Black = slot(56);
  d.Result = rec.GameResult;
  return d;
}

// A job that reads records the way the library builder does (GBK library text).
class TReaderJob : public TBaseForm {
 public:
  explicit TReaderJob(uint32_t format, int codePage = kCpGbk) {
    SrcFormat = format;
    SrcCodePage = codePage;
    DstFormat = kFmtCbl;
    DstCodePage = kCpGbk;
    DstCodePageIndex = 0;
    PrepareJob();
  }
  TChessRec Rec;
};

// Every record of a library, read back through the library reader.
std::vector<TRecordDigest> LibraryRecords(const std::string& path, int32_t* count = nullptr) {
  TReaderJob job(kFmtCbl);
  TLibraryData lib;
  std::vector<TRecordDigest> out;
  if (!ReadLibraryHeader(job, path, lib)) return out;
  if (count != nullptr) *count = lib.Count;
  WalkLibraryRecords(job, lib, [&](size_t start, size_t end, const std::string& label) {
    if (ReadCbrRecord(job, job.Rec, lib.Bytes, start, end, label)) out.push_back(DigestOf(job.Rec));
  });
  return out;
}

// The records of the files read one by one, in the given order.
std::vector<TRecordDigest> DirectRecords(const std::vector<std::string>& files, uint32_t format,
                                         int codePage = kCpGbk) {
  TReaderJob job(format, codePage);
  std::vector<TRecordDigest> out;
  for (const std::string& f : files)
    if (ReadRecordFile(job, job.Rec, f)) out.push_back(DigestOf(job.Rec));
  return out;
}

int PositionOf(uint32_t format) {
  for (int i = 0; i < TAnyFormat2CBLForm::kSourceRowCount; ++i)
    if (TAnyFormat2CBLForm::kSourceRows[i] == static_cast<int>(format)) return i;
  return -1;
}

class AnyToCbl : public TAppTest {
 protected:
  void TearDown() override { SetClipboard(nullptr); }
  // Creates an empty library at dir_ + name.
  std::string Create(const std::string& name, int compression = 2) {
    TAnyFormat2CBLForm f;
    f.edtDestination.Text = dir_ + name;
    f.rgCompressLevel.ItemIndex = compression;
    EXPECT_TRUE(f.CreateLibrary());
    return dir_ + name;
  }
  static void SetSource(TAnyFormat2CBLForm& f, uint32_t format, int codePage = 0) {
    f.cbbSourceFormat.ItemIndex = PositionOf(format);
    f.cbbSourceFormatChange();
    if (f.rgSourceCodePage.Enabled) {
      f.rgSourceCodePage.ItemIndex = codePage;
      f.rgSourceCodePageClick();
    }
  }
};

TEST_F(AnyToCbl, CreatesEmptyLibrariesAtEveryCompression) {
  for (int level = 0; level < 4; ++level) {
    TAnyFormat2CBLForm f;
    const std::string path = dir_ + "lib" + std::to_string(level) + ".CBL";
    f.edtDestination.Text = path;
    f.rgCompressLevel.ItemIndex = level;
    f.edtH_URL.Text = "  http://x  ";
    f.edtH_Creator.Text = "張三";
    f.mmoH_Explanation.Lines = {"第一行", "second"};
    ASSERT_TRUE(f.CreateLibrary());
    EXPECT_TRUE(Logged(f, "創建成功!"));
    const std::string file = Slurp(path);
    ASSERT_GT(file.size(), 20u);
    EXPECT_EQ(file.substr(0, 8), "CCBridge");
    EXPECT_EQ(I32At(file, 8), 21);
    EXPECT_EQ(I32At(file, 12), level);
    // Stored data follows the header unchanged; the other levels are zlib streams.
    if (level == 0)
      EXPECT_EQ(file.substr(20, 8), std::string("\x04\0\0\0", 4) + "lib0");
    else
      EXPECT_EQ(static_cast<uint8_t>(file[20]), 0x78);

    TReaderJob job(kFmtCbl);
    TLibraryData lib;
    ASSERT_TRUE(ReadLibraryHeader(job, path, lib));
    EXPECT_EQ(lib.Count, 0);
    TByteReader in(reinterpret_cast<const uint8_t*>(lib.Bytes.data()), lib.End());
    std::string name, url, reserved, creator, email, explanation;
    ReadCountedText(in, name, lib.End());
    ReadCountedText(in, url, lib.End());
    ReadCountedText(in, reserved, lib.End());
    ReadCountedText(in, creator, lib.End());
    ReadCountedText(in, email, lib.End());
    EXPECT_EQ(name, "lib" + std::to_string(level));  // the file name stands in
    EXPECT_EQ(url, "http://x");
    EXPECT_TRUE(reserved.empty());
    EXPECT_EQ(creator, Gbk("张三"));  // GBK, simplified
    in.Skip(38 + 4);
    ReadCountedText(in, explanation, lib.End());
    EXPECT_EQ(explanation, Gbk("第一行||second"));
    EXPECT_EQ(lib.Position, lib.End());
  }
}

TEST_F(AnyToCbl, CreateRefusesBadDestinations) {
  TAnyFormat2CBLForm f;
  f.edtDestination.Text = dir_ + "noext";
  ASSERT_TRUE(f.CreateLibrary());
  {
    TReaderJob job(kFmtCbl);
    TLibraryData lib;
    ASSERT_TRUE(ReadLibraryHeader(job, dir_ + "noext", lib));
    EXPECT_EQ(lib.Bytes.substr(4, 5), "noext");
  }
  const std::string before = Slurp(dir_ + "noext");
  EXPECT_FALSE(f.CreateLibrary());
  EXPECT_TRUE(Logged(f, "文件已存在！"));
  EXPECT_EQ(Slurp(dir_ + "noext"), before);

  f.edtDestination.Text = dir_;
  EXPECT_FALSE(f.CreateLibrary());
  EXPECT_TRUE(Logged(f, "目標不能為文件夾，請輸入文件名。"));

  f.edtDestination.Text = dir_ + "missing/x.CBL";
  EXPECT_FALSE(f.CreateLibrary());
  EXPECT_TRUE(Logged(f, "目標文件所在的文件夾不存在。"));

  f.edtDestination.Text = dir_ + std::string(260, 'a') + ".CBL";
  EXPECT_FALSE(f.CreateLibrary());
  EXPECT_TRUE(Logged(f, "路徑和文件名總長度超過最大長度。"));
}

TEST_F(AnyToCbl, AppendsTheXqfExamplesAndReadsThemBack) {
  const std::string lib = Create("ex.CBL");
  const std::string before = Slurp(lib);
  {
    TAnyFormat2CBLForm f;
    SetSource(f, kFmtXqf);
    f.rgSource.ItemIndex = TAnyFormat2CBLForm::kSourceFolder;
    f.edtSource.Text = kExamples;
    f.edtDestination.Text = lib;
    f.btnConvertClick();
    EXPECT_EQ(f.ErrorCount, 0) << f.LogText();
    EXPECT_TRUE(Logged(f, "成功轉換 3 個棋譜。"));
    EXPECT_TRUE(Logged(f, "\r\n已寫緩存數據到棋庫文件："));
    EXPECT_TRUE(Logged(f, "\r\n讀取文件夾："));
  }
  int32_t count = -1;
  const auto records = LibraryRecords(lib, &count);
  EXPECT_EQ(count, 3);
  const auto direct = DirectRecords(FilesMatching(kExamples, FileTypes[kFmtXqf].Filter), kFmtXqf);
  ASSERT_EQ(direct.size(), 3u);
  EXPECT_EQ(records, direct);
  for (const TRecordDigest& d : records) EXPECT_FALSE(d.Moves.empty());
  // The library's own header stays; the compression level is kept.
  const std::string after = Slurp(lib);
  EXPECT_EQ(I32At(after, 12), I32At(before, 12));

  // A second append goes after the records already there.
  {
    TAnyFormat2CBLForm f;
    SetSource(f, kFmtXqf);
    f.rgSource.ItemIndex = TAnyFormat2CBLForm::kSourceFileList;
    f.rgSourceClick();
    f.AddFilesToList(FilesMatching(kExamples, FileTypes[kFmtXqf].Filter));
    f.edtDestination.Text = lib;
    f.btnConvertClick();
  }
  const auto twice = LibraryRecords(lib, &count);
  EXPECT_EQ(count, 6);
  ASSERT_EQ(twice.size(), 6u);
  EXPECT_TRUE(std::equal(direct.begin(), direct.end(), twice.begin() + 3));
}

TEST_F(AnyToCbl, OverridesReplaceFieldsOfEveryAppendedRecord) {
  const std::string lib = Create("o.CBL", 0);
  TAnyFormat2CBLForm f;
  SetSource(f, kFmtXqf);
  f.edtSource.Text = kExamples;
  f.edtDestination.Text = lib;
  f.edtR_Name.Text = " 新標題 ";
  f.edtR_Red.Text = "";
  f.rgR_Result.ItemIndex = 3;
  f.btnConvertClick();
  const auto records = LibraryRecords(lib);
  const auto direct = DirectRecords(FilesMatching(kExamples, FileTypes[kFmtXqf].Filter), kFmtXqf);
  ASSERT_EQ(records.size(), direct.size());
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].Title, Gbk("新标题"));
    EXPECT_EQ(records[i].Result, 3);
    EXPECT_EQ(records[i].Red, direct[i].Red);  // empty override: unchanged
    EXPECT_EQ(records[i].Moves, direct[i].Moves);
  }

  // A library source is copied record by record through the overrides.
  const std::string copy = Create("copy.CBL");
  TAnyFormat2CBLForm g;
  SetSource(g, kFmtCbl);
  EXPECT_FALSE(g.rgSourceCodePage.Enabled);
  EXPECT_FALSE(g.rgMapType.Enabled);
  EXPECT_FALSE(g.chkFileNameToTitle.Enabled);
  EXPECT_FALSE(g.btnConvertFromClipboard.Enabled);
  g.rgSource.ItemIndex = TAnyFormat2CBLForm::kSourceFileList;
  g.AddFilesToList({lib, dir_ + "gone.CBL"});
  g.edtDestination.Text = copy;
  g.edtR_Black.Text = "黑";
  g.btnConvertClick();
  EXPECT_TRUE(Logged(g, "\r\n讀取象棋橋2.x棋庫："));
  EXPECT_TRUE(Logged(g, "源文件不存在。"));
  EXPECT_EQ(g.ErrorCount, 1);
  const auto copied = LibraryRecords(copy);
  ASSERT_EQ(copied.size(), records.size());
  for (size_t i = 0; i < copied.size(); ++i) {
    EXPECT_EQ(copied[i].Title, records[i].Title);
    EXPECT_EQ(copied[i].Black, Gbk("黑"));
    EXPECT_EQ(copied[i].Moves, records[i].Moves);
  }
}

TEST_F(AnyToCbl, RefusesJobsBeforeTouchingTheLibrary) {
  const std::string lib = Create("r.CBL");
  TAnyFormat2CBLForm f;
  SetSource(f, kFmtXqf);
  f.edtDestination.Text = lib;

  f.rgSource.ItemIndex = TAnyFormat2CBLForm::kSourceFileList;
  EXPECT_FALSE(f.AppendToLibrary());
  EXPECT_TRUE(Logged(f, "源文件不存在。"));

  f.rgSource.ItemIndex = TAnyFormat2CBLForm::kSourceFolder;
  f.edtSource.Text = dir_ + "nowhere";
  EXPECT_FALSE(f.AppendToLibrary());
  EXPECT_TRUE(Logged(f, "源文件夾不存在。"));

  f.edtSource.Text = kExamples;
  f.edtDestination.Text = dir_ + "none.CBL";
  EXPECT_FALSE(f.AppendToLibrary());
  EXPECT_TRUE(Logged(f, "目標文件不存在。"));

  Spit(dir_ + "bad.CBL", "not a library at all");
  f.edtDestination.Text = dir_ + "bad.CBL";
  EXPECT_FALSE(f.AppendToLibrary());
  EXPECT_TRUE(Logged(f, "目標文件不是象棋橋2.x棋庫文件。"));

  // Stored library with a negative count.
  std::string file = Slurp(lib);
  TLibraryData data;
  {
    TReaderJob job(kFmtCbl);
    ASSERT_TRUE(OpenLibrary(job, lib, kLibrarySource, data));
  }
  std::string bytes = data.Bytes;
  const size_t countAt = bytes.size() - 8;  // count, then the empty explanation
  bytes[countAt + 3] = '\x80';
  {
    TReaderJob job(kFmtCbl);
    WriteLibraryFile(job, bytes, 0, dir_ + "neg.CBL", static_cast<int32_t>(bytes.size()));
  }
  f.edtDestination.Text = dir_ + "neg.CBL";
  EXPECT_FALSE(f.AppendToLibrary());
  EXPECT_TRUE(Logged(f, "象棋橋文件已損壞！"));

  // Data size disagreeing with the records: both numbers, nothing written.
  bytes = data.Bytes;
  bytes[countAt] = 1;  // one record announced, none present
  {
    TReaderJob job(kFmtCbl);
    WriteLibraryFile(job, bytes, 0, dir_ + "size.CBL", static_cast<int32_t>(bytes.size()));
  }
  const std::string sizeBefore = Slurp(dir_ + "size.CBL");
  f.edtDestination.Text = dir_ + "size.CBL";
  EXPECT_FALSE(f.AppendToLibrary());
  EXPECT_TRUE(
      Logged(f, "目標文件數據大小不一致!\r\n67 實際大小：67"));  // one record announced, none there
  EXPECT_EQ(Slurp(dir_ + "size.CBL"), sizeBefore);

  // A record size that overshoots the data.
  bytes = data.Bytes;
  bytes[countAt] = 1;
  bytes += std::string("\x40\0\0\0", 4) + std::string(8, 'x');
  {
    TReaderJob job(kFmtCbl);
    WriteLibraryFile(job, bytes, 0, dir_ + "over.CBL", static_cast<int32_t>(bytes.size()));
  }
  f.edtDestination.Text = dir_ + "over.CBL";
  EXPECT_FALSE(f.AppendToLibrary());
  EXPECT_TRUE(Logged(f, "目標文件數據大小不一致!\r\n79 實際大小：131"));
  EXPECT_EQ(file, Slurp(lib));
}

TEST_F(AnyToCbl, EmptyAppendRewritesOnlyTheModificationTime) {
  const std::string lib = Create("t.CBL", 0);
  std::string file = Slurp(lib);
  const size_t created = 20 + 5 * 4 + 1;  // after the five counted texts ("t")
  file.replace(created, 38, "2001-01-01 00:00:002001-01-01 00:00:00");
  // Bytes of a stored library beyond its data size are not library data:
  // appending drops them instead of burying them between the records.
  Spit(lib, file + "junk");
  fs::create_directories(dir_ + "empty");
  TAnyFormat2CBLForm f;
  SetSource(f, kFmtPgn);
  f.edtSource.Text = dir_ + "empty";
  f.edtDestination.Text = lib;
  ASSERT_TRUE(f.AppendToLibrary());
  EXPECT_TRUE(Logged(f, "成功轉換 0 個棋譜。"));
  const std::string after = Slurp(lib);
  ASSERT_EQ(after.size(), file.size());
  EXPECT_EQ(after.substr(created, 19), "2001-01-01 00:00:00");
  EXPECT_NE(after.substr(created + 19, 19), "2001-01-01 00:00:00");
  EXPECT_EQ(I32At(after, created + 38), 0);
}

TEST_F(AnyToCbl, AppendsFromTheClipboard) {
  TMemoryClipboard clip;
  SetClipboard(&clip);
  const std::string pgn =
      "[Game \"Chinese Chess\"]\r\n[Event \"剪貼板\"]\r\n[Red \"紅\"]\r\n[Black \"黑\"]\r\n"
      "1. 炮二平五 馬８進７\r\n2. 馬二進三 車９平８\r\n";
  clip.HasText = true;
  clip.Bytes = pgn;
  clip.Wide = BytesToWide(pgn, kCpUtf8);
  const std::string lib = Create("c.CBL");
  TAnyFormat2CBLForm f;
  SetSource(f, kFmtPgn, 2);
  EXPECT_TRUE(f.btnConvertFromClipboard.Enabled);
  f.edtDestination.Text = lib;
  f.btnConvertFromClipboardClick();
  EXPECT_TRUE(Logged(f, "\r\n讀取棋譜：<<從剪貼板輸入>>"));
  const auto records = LibraryRecords(lib);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Moves.size(), 4u);
  EXPECT_EQ(records[0].Red, Gbk("紅"));  // UTF-16 text: no script mapping

  // Binary formats cannot come from the clipboard.
  SetSource(f, kFmtCbl);
  EXPECT_FALSE(f.btnConvertFromClipboard.Enabled);
  f.FromClipboard = true;
  EXPECT_FALSE(f.AppendToLibrary());
  EXPECT_TRUE(Logged(f, "來源不能是剪貼板！"));
}

TEST_F(AnyToCbl, WindowRulesAndSettings) {
  {
    TAnyFormat2CBLForm f;
    EXPECT_EQ(f.cbbSourceFormat.Items.size(), 14u);
    SetSource(f, kFmtOurGame);
    EXPECT_EQ(f.rgSourceCodePage.ItemIndex, 0);
    EXPECT_FALSE(f.rgSourceCodePage.Enabled);
    SetSource(f, kFmtPgn, 1);
    EXPECT_EQ(f.rgMapType.ItemIndex, 0);  // Big5: to simplified
    EXPECT_TRUE(f.rgMapType.Enabled);
    SetSource(f, kFmtText, 2);
    EXPECT_EQ(f.rgMapType.ItemIndex, 1);
    f.cbbSourceFormat.ItemIndex = PositionOf(kFmtPgn);
    f.cbbSourceFormatChange();
    EXPECT_EQ(f.rgSourceCodePage.ItemIndex, 1);  // stored per format
    f.rgSource.ItemIndex = TAnyFormat2CBLForm::kSourceFileList;
    f.rgSourceClick();
    EXPECT_FALSE(f.edtSource.Enabled);
    EXPECT_FALSE(f.chkSubDir.Enabled);
    EXPECT_TRUE(f.btnAdd.Enabled);
    f.AddFilesToList({"/b/B.xqf", "/a/x.xqf", "/b/b.XQF", "/a/y.xqf"});
    EXPECT_EQ(f.lstFileName.Items, (std::vector<std::string>{"/a/x.xqf", "/a/y.xqf", "/b/B.xqf"}));
    f.lstFileName.Selected = {false, true, false};
    f.btnDeleteClick();
    EXPECT_EQ(f.lstFileName.Items, (std::vector<std::string>{"/a/x.xqf", "/b/B.xqf"}));
    f.btnClearClick();
    EXPECT_TRUE(f.lstFileName.Items.empty());
    f.rgCompressLevel.ItemIndex = 3;
    f.chkSubDir.Checked = false;
    f.edtDestination.Text = " /tmp/x.CBL ";
    f.chkDelSpace.Checked = true;
    f.chkDelSpaceClick();
  }
  EXPECT_EQ(Settings().ReadInteger("AnyToCBL", "CompressLevel", -1), 3);
  EXPECT_EQ(Settings().ReadString("AnyToCBL", "Destination", ""), "/tmp/x.CBL");
  EXPECT_EQ(Settings().ReadInteger("AnyToCBL", "SourceType", -1), 1);
  EXPECT_TRUE(Settings().ReadBool("Source", "DelSpace", false));
  Settings().WriteInteger("AnyToCBL", "SourceFormat", 99);
  TAnyFormat2CBLForm g;
  EXPECT_EQ(g.cbbSourceFormat.ItemIndex, 0);
  EXPECT_EQ(g.rgCompressLevel.ItemIndex, 3);
  EXPECT_FALSE(g.chkSubDir.Checked);
  EXPECT_TRUE(g.chkDelSpace.Checked);
}

TEST_F(AnyToCbl, BuildsLibrariesFromCorpusFiles) {
  if (!fs::exists(kCorpus + "/xqf")) GTEST_SKIP() << "corpus absent";
  struct TCase {
    std::string Folder;
    uint32_t Format;
    std::string Prefix;
  };
  const TCase cases[] = {{"xqf", kFmtXqf, ""}, {"pgn", kFmtPgn, "gbk_"}};
  for (const TCase& c : cases) {
    std::vector<std::string> files;
    for (const std::string& f : FilesMatching(kCorpus + "/" + c.Folder, FileTypes[c.Format].Filter))
      if (fs::path(f).filename().string().rfind(c.Prefix, 0) == 0) files.push_back(f);
    ASSERT_FALSE(files.empty());
    const std::string lib = Create(c.Folder + ".CBL", 3);
    TAnyFormat2CBLForm f;
    SetSource(f, c.Format, 0);
    f.rgSource.ItemIndex = TAnyFormat2CBLForm::kSourceFileList;
    f.AddFilesToList(files);
    f.edtDestination.Text = lib;
    ASSERT_TRUE(f.AppendToLibrary());
    // The list is sorted without regard to case; read the files in that order.
    const auto direct = DirectRecords(f.lstFileName.Items, c.Format);
    int32_t count = -1;
    const auto records = LibraryRecords(lib, &count);
    EXPECT_EQ(count, static_cast<int32_t>(direct.size()));
    EXPECT_GT(direct.size(), files.size() / 2) << c.Folder;
    ASSERT_EQ(records.size(), direct.size()) << c.Folder;
    for (size_t i = 0; i < records.size(); ++i) EXPECT_EQ(records[i], direct[i]) << c.Folder << i;
  }
}

TEST_F(AnyToCbl, CopiesCorpusLibrariesFromAFolderWalk) {
  if (!fs::exists(kCorpus + "/cbl")) GTEST_SKIP() << "corpus absent";
  const std::string lib = Create("all.CBL", 1);
  TAnyFormat2CBLForm f;
  SetSource(f, kFmtCbl);
  f.edtSource.Text = kCorpus + "/cbl";
  f.edtDestination.Text = lib;
  ASSERT_TRUE(f.AppendToLibrary());
  // CBL 3.0 files share the extension; they are refused and skipped.
  std::vector<TRecordDigest> expected;
  for (const std::string& file : FilesMatching(kCorpus + "/cbl", "*.CBL")) {
    const auto records = LibraryRecords(file);
    expected.insert(expected.end(), records.begin(), records.end());
  }
  int32_t count = -1;
  const auto copied = LibraryRecords(lib, &count);
  EXPECT_GT(expected.size(), 100u);
  EXPECT_EQ(count, static_cast<int32_t>(expected.size()));
  EXPECT_EQ(copied, expected);
}

TEST_F(AnyToCbl, AppendsEveryRecordOfWebPages) {
  if (!fs::exists(kCorpus + "/dhtmlxq")) GTEST_SKIP() << "corpus absent";
  fs::create_directories(dir_ + "pages");
  for (const std::string& page : FilesMatching(kCorpus + "/dhtmlxq", "*.HTML"))
    fs::copy_file(page, dir_ + "pages/" + fs::path(page).filename().string());
  // Two blocks in one page: both become records.
  const std::string block = Slurp(kCorpus + "/dhtmlxq/ubb_block_result_D.ubb");
  Spit(dir_ + "pages/two.htm", "<p>" + block + "</p><p>" + block + "</p>");
  const std::vector<std::string> pages = FilesMatching(dir_ + "pages", "*.HTM;*.HTML");

  TReaderJob job(kFmtUbbJava, kCpUtf8);
  std::vector<TRecordDigest> expected;
  for (const std::string& page : pages) {
    std::string text;
    TDynJavaArray items;
    const int found = FindWebRecords(job, page, text, items);
    for (int i = 0; i < found && i < static_cast<int>(items.size()); ++i)
      if (ReadWebRecord(job, job.Rec, page, items[i].Kind, items[i].StartPos, items[i].EndPos,
                        text))
        expected.push_back(DigestOf(job.Rec));
  }
  ASSERT_GE(expected.size(), pages.size() + 1);

  const std::string lib = Create("web.CBL");
  TAnyFormat2CBLForm f;
  SetSource(f, kFmtUbbJava, 2);
  f.edtSource.Text = dir_ + "pages";
  f.edtDestination.Text = lib;
  ASSERT_TRUE(f.AppendToLibrary());
  EXPECT_EQ(LibraryRecords(lib), expected);
}

}  // namespace
