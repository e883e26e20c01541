// The format rows: what a row promises holds, and the format lists of the
// documents are the ones the rows give (TAVRIK_ACCEPT=1 rewrites them).
#include "formats/text/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/uglobal.h"

TEST(FormatRows, EveryRowKeepsWhatItOffers) {
  for (int row = 0; row < kFormatCount; ++row) {
    const TFileTypeRec& r = FileTypes[row];
    SCOPED_TRACE(r.Id);
    const bool readsLoaded = r.Source == TSourceKind::Bytes || r.Source == TSourceKind::Text;
    EXPECT_EQ(readsLoaded, r.Reader != nullptr);
    // A text reader takes UTF-8 or GBK; what a job offers it can read or write;
    // every source of the any-format job is a source of building a library.
    EXPECT_TRUE(r.Source != TSourceKind::Text || r.TextCodePage == kCpUtf8 ||
                r.TextCodePage == kCpGbk);
    EXPECT_TRUE(!(r.Offers & (kOfferAnySource | kOfferLibrarySource)) ||
                r.Source != TSourceKind::None);
    EXPECT_TRUE(!(r.Offers & kOfferAnyDestination) || r.Writer != nullptr);
    EXPECT_TRUE(!(r.Offers & kOfferAnySource) || (r.Offers & kOfferLibrarySource));
    EXPECT_EQ(r.Filter[0], '*');
  }
}

namespace {

// The man page's list of format names: sources, then destinations.
std::string ManPageList() {
  std::string list;
  for (const uint8_t offer : {kOfferLibrarySource, kOfferAnyDestination}) {
    const std::vector<int> rows = RowsOffering(offer);
    for (size_t i = 0; i < rows.size(); ++i) {
      const TFileTypeRec& r = FileTypes[rows[i]];
      const std::string id = LowerAscii(r.Id);
      const bool last = i + 1 == rows.size();
      const bool beforeLast = i + 2 == rows.size();
      const char* note = r.Source == TSourceKind::Page ? "(web pages of every kind)" : nullptr;
      if (last || beforeLast || note)
        list += ".B " + id + "\n" +
                (note ? std::string(note) + (last || beforeLast ? "\n" : ",\n") : "");
      else
        list += ".BR " + id + " ,\n";
      if (beforeLast) list += "and\n";
    }
    list += offer == kOfferLibrarySource ? "as sources;\n" : "as destinations.\n";
  }
  return list;
}

std::string CompletionLists() {
  return "    local formats_in=\"" + FormatIdList(kOfferLibrarySource, " ", " ", false) +
         "\"\n    local formats_out=\"" + FormatIdList(kOfferAnyDestination, " ", " ", false) +
         "\"\n";
}

}  // namespace

// The format lists of the README, the man page and the shell completion are
// made from the rows: the text between each file's two marker lines.
TEST(FormatRows, DocumentsListTheRows) {
  struct TBlock {
    const char* File;
    const char* Open;
    const char* Close;
    std::string Text;
  };
  const TBlock blocks[] = {
      {"README.md", "<!-- format table: made from the format rows -->\n",
       "<!-- end of format table -->\n", FormatTable()},
      {"data/tavrik.1", ".\\\" format list: made from the format rows\n",
       ".\\\" end of format list\n", ManPageList()},
      {"data/tavrik.bash", "    # format lists: made from the format rows\n",
       "    # end of format lists\n", CompletionLists()},
  };
  const char* accept = std::getenv("TAVRIK_ACCEPT");
  for (const TBlock& b : blocks) {
    SCOPED_TRACE(b.File);
    const std::string path = std::string(TAVRIK_TEST_DATA) + "/../../" + b.File;
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    const size_t from = text.find(b.Open);
    const size_t to = text.find(b.Close);
    ASSERT_NE(from, std::string::npos);
    ASSERT_NE(to, std::string::npos);
    const size_t start = from + std::string_view(b.Open).size();
    if (accept && std::string(accept) == "1") {
      text.replace(start, to - start, b.Text);
      std::ofstream(path, std::ios::binary) << text;
    }
    EXPECT_EQ(text.substr(start, to - start), b.Text);
  }
}
