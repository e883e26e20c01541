#include "app/dispatch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/baseform.h"
#include "core/record.h"
#include "formats/text/registry.h"
#include "tests/support/files.h"

namespace {

namespace fs = std::filesystem;

class Dispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    job.SrcFormat = kFmtUbbJava;
    job.DstFormat = kFmtPgn;
    job.SrcCodePage = kCpUtf8;
    job.DstCodePage = kCpUtf8;
    job.MapFlags = 0;
  }
  std::string Page(const std::string& name, const std::string& bytes) {
    std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // Finds the blocks of a page and returns them as "kind:content" texts.
  std::vector<std::string> Blocks(const std::string& bytes) {
    std::string path = Page("page.htm", bytes);
    items.clear();
    int n = FindWebRecords(job, path, text, items);
    EXPECT_EQ(n, static_cast<int>(items.size()));
    std::vector<std::string> out;
    for (const TWebItemRec& item : items)
      out.push_back(std::to_string(item.Kind) + ":" +
                    text.substr(item.StartPos - 1, item.EndPos - item.StartPos + 1));
    return out;
  }

  TTempFolder temp_{"tavrik_dispatch"};
  fs::path dir = temp_.Path();
  TBaseForm job;
  std::string text;
  TDynJavaArray items;
};

using V = std::vector<std::string>;

}  // namespace

TEST(FormatRegistry, DerivedStringsAndLookup) {
  BuildFormatStrings();
  EXPECT_EQ(FormatNames[kFmtXqf], "象棋演播室棋譜 (*.XQF)");
  EXPECT_EQ(FormatIds[kFmtUbbJava], "UBBJAVA");
  EXPECT_EQ(DialogFilters[kFmtOurGame], "聯眾棋譜 (*.CHN;*.XQI)|*.CHN;*.XQI");
  // Command-line identifiers are upper-cased by the caller; the match itself is exact.
  EXPECT_EQ(FormatIndexOf("PGN", 1), kFmtPgn);
  EXPECT_EQ(FormatIndexOf("pgn", 1), kFmtXqf);
  EXPECT_EQ(FormatIndexOf("TEXTLAYOUT", 1), kFmtTextLayout);
  EXPECT_EQ(FormatIndexOf("CBL3", 1), kFmtCbl3);
  EXPECT_EQ(FormatIndexOf("NOSUCH", 1), kFmtXqf);
  EXPECT_EQ(FormatIndexOf("FEN局面 (*.FEN)", 0), kFmtFen);
  EXPECT_EQ(FormatIndexOf("FEN", 0), kFmtXqf);
  EXPECT_EQ(FormatIndexOf("FEN", 7), kFmtXqf);
}

TEST_F(Dispatch, AppletsComeFirstAndClassTextsAreCaseSensitive) {
  V got = Blocks(
      "<p>[DhtmlXQ]ab[/DHTMLXQ]</p>\n"
      "<APPLET code=\"CCBJava.class\" width=1>\r\n <param name=a>\r\n</Applet>\n"
      "<applet code=\"ccbjava.class\">lower</applet>\n"
      "<applet code=\"Other.class\">other</applet>\n"
      "<applet code=\"JavaXQ\">quoted</applet>\n");
  EXPECT_EQ(got, (V{"2:<param name=a>", "7:quoted", "0:ab"}));
  EXPECT_NE(job.LogText().find("棋譜數量：3"), std::string::npos);
}

TEST_F(Dispatch, BlockContentIsTrimmedAndTinyBlocksDoNotCount) {
  EXPECT_EQ(Blocks("[dhtmlxq]x[/dhtmlxq][dhtmlxqhtml] \r\n\t [/dhtmlxqhtml][dhtmlxq][/dhtmlxq]"),
            V{});
  EXPECT_NE(
      job.LogText().find("源棋譜不是東萍棋譜、汕頭棋院網棋譜、Java棋譜或者源棋譜代碼頁不正確。"),
      std::string::npos);
  EXPECT_EQ(job.ErrorCount, 1);
  // An opening tag without its closing tag ends that row's scan only.
  EXPECT_EQ(Blocks("[dhjhtmlxq] s1 [/dhjhtmlxq][dhtmlxq]ab"), V{"5:s1"});
}

TEST_F(Dispatch, ALoneDhtmlXQBlockIsWidenedToThePage) {
  std::string page =
      "[DhtmlXQ_title]t[/DhtmlXQ_title]\n[DhtmlXQ]\n[DhtmlXQ_movelist]7747[/DhtmlXQ_movelist]\n[/"
      "DhtmlXQ]";
  Blocks(page);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].Kind, 0);
  EXPECT_EQ(items[0].StartPos, 1);
  EXPECT_EQ(items[0].EndPos, static_cast<int>(page.size()));
  EXPECT_EQ(text, page);

  // Two blocks are two records, each limited to its own content; a lone block
  // of another kind is never widened.
  EXPECT_EQ(Blocks("[dhtmlxq]one[/dhtmlxq] and [dhtmlxq]two[/dhtmlxq]"), (V{"0:one", "0:two"}));
  EXPECT_EQ(Blocks("<applet code=webcchess.class>ww</applet> tail"), V{"1:ww"});
}

TEST_F(Dispatch, AnAppletWithoutItsEndStopsTheAppletScan) {
  EXPECT_EQ(Blocks("<applet code=javaxq.class>aa</applet><applet code=JavaXQ.class>bb"
                   "[dhj01xqcchcodeflag]cc[/dhj01xqcchcodeflag]"),
            (V{"3:aa", "6:cc"}));
  // A class text after the applet's end does not count for it.
  EXPECT_EQ(
      Blocks("<applet code=x>aa</applet> javaxqb.class <applet code=javaxqb.class>bb</applet>"),
      V{"3:bb"});
}

TEST_F(Dispatch, TagsNeverMatchInsideADoubleByteCharacter) {
  job.SrcCodePage = kCpGbk;
  job.DstCodePage = kCpGbk;
  // 0x81 0x5B is one GBK character whose second byte is "[".
  EXPECT_EQ(Blocks("\x81[dhtmlxq]ab[/dhtmlxq]"), V{});
  EXPECT_EQ(Blocks("\x81[dhtmlxq]ab[/dhtmlxq]\x81\x40[dhtmlxq]cd[/dhtmlxq][dhtmlxq]ef[/dhtmlxq]"),
            (V{"0:cd", "0:ef"}));
}

TEST_F(Dispatch, MissingSourceFileAndRowsWithoutAFileReader) {
  TChessRec rec;
  std::string missing = (dir / "none.xqf").string();
  job.SrcFormat = kFmtXqf;
  EXPECT_FALSE(ReadRecordFile(job, rec, missing));
  EXPECT_NE(job.LogText().find("源文件不存在。" + missing), std::string::npos);
  EXPECT_EQ(job.ErrorCount, 1);

  // Web pages and libraries are not read through ReadRecordFile.
  std::string page = Page("p.htm", "[dhtmlxq]ab[/dhtmlxq]");
  for (uint32_t row :
       std::vector<uint32_t>{kFmtUbbJava, kFmtWebC5, kFmtUbb, kFmtCbl, kFmtCbl3, 40}) {
    job.SrcFormat = row;
    rec.PageKind = 3;
    EXPECT_FALSE(ReadRecordFile(job, rec, page)) << row;
    EXPECT_EQ(rec.PageKind, -1) << "the record was reset";
  }
  EXPECT_EQ(job.ErrorCount, 1);
}

TEST_F(Dispatch, WebRecordKindsOutsideTheTableReadNothing) {
  TChessRec rec;
  EXPECT_FALSE(ReadWebRecord(job, rec, "p.htm", 8, 1, 2, "ab"));
  EXPECT_EQ(rec.PageKind, 8);
  EXPECT_FALSE(ReadWebRecord(job, rec, "p.htm", -1, 1, 2, "ab"));
  EXPECT_EQ(rec.MoveCount, 0);
}

TEST_F(Dispatch, WebCchess5OutputIsCutAtTenThousandMoves) {
  TChessRec rec;
  job.DstFormat = kFmtWebC5;
  ResetRecord(rec, kFmtPgn, kFmtWebC5);
  SetMoveCapacity(rec, 10002);
  BuildLinearTree(rec, 10001);
  WriteRecord(job, rec, (dir / "out.htm").string());
  EXPECT_EQ(rec.MoveCount, 10000);
  EXPECT_EQ(rec.Moves[10000].Flags & kFlagContinues, 0u);
  EXPECT_EQ(job.WarningCount, 1);
  EXPECT_NE(job.LogText().find("總步數：10001，由于[WebCchess 5]棋譜格式的限制，只能轉換一萬步。"),
            std::string::npos);

  job.DstFormat = kFmtPgn;  // other destinations keep every move
  BuildLinearTree(rec, 10001);
  WriteRecord(job, rec, (dir / "out.pgn").string());
  EXPECT_EQ(rec.MoveCount, 10001);
  EXPECT_EQ(job.WarningCount, 1);
}

TEST_F(Dispatch, DestinationWithoutWriterIsAnErrorNotASilentSkip) {
  TChessRec rec;
  ResetRecord(rec, kFmtXqf, kFmtTextLayout);
  job.DstFormat = kFmtTextLayout;  // a row that is never written
  EXPECT_EQ(WriteRecord(job, rec, (dir / "out.txt").string()), 0);
  EXPECT_EQ(job.ErrorCount, 1);
  EXPECT_NE(job.LogText().find("TextLayout"), std::string::npos);
}
