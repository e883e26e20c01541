// The format rows: what a row promises holds, and the README's format table is
// the one the rows give (TAVRIK_ACCEPT=1 rewrites it).
#include "formats/text/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/jobstate.h"
#include "core/uglobal.h"

TEST(FormatRows, EveryRowKeepsWhatItOffers) {
  for (int row = 0; row < kFormatCount; ++row) {
    const TFileTypeRec& r = FileTypes[row];
    SCOPED_TRACE(r.Id);
    const bool readsLoaded = r.Source == TSourceKind::Bytes || r.Source == TSourceKind::Text;
    EXPECT_EQ(readsLoaded, r.Reader != nullptr);
    if (r.Source == TSourceKind::Text)
      EXPECT_TRUE(r.TextCodePage == kCpUtf8 || r.TextCodePage == kCpGbk);
    if (r.Offers & (kOfferAnySource | kOfferLibrarySource)) EXPECT_NE(r.Source, TSourceKind::None);
    if (r.Offers & kOfferAnyDestination) EXPECT_NE(r.Writer, nullptr);
    // Every source of the any-format job is a source of building a library.
    if (r.Offers & kOfferAnySource) EXPECT_TRUE(r.Offers & kOfferLibrarySource);
    EXPECT_EQ(r.Filter[0], '*');
  }
}

TEST(FormatRows, ReadmeTableIsTheRows) {
  const std::string path = std::string(TAVRIK_TEST_DATA) + "/../../README.md";
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path;
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::string readme = buffer.str();
  const std::string open = "<!-- format table: made from the format rows -->\n";
  const std::string close = "<!-- end of format table -->\n";
  const size_t from = readme.find(open);
  const size_t to = readme.find(close);
  ASSERT_NE(from, std::string::npos);
  ASSERT_NE(to, std::string::npos);
  const size_t start = from + open.size();
  const std::string table = FormatTable();
  if (const char* accept = std::getenv("TAVRIK_ACCEPT"); accept && std::string(accept) == "1") {
    readme.replace(start, to - start, table);
    std::ofstream(path, std::ios::binary) << readme;
  }
  EXPECT_EQ(readme.substr(start, to - start), table);
}
