#include "tests/support/golden.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/files.h"

bool Accepting() {
  const char* accept = std::getenv("TAVRIK_ACCEPT");
  return accept != nullptr && std::string(accept) == "1";
}

void ExpectGolden(const std::string& relative, const std::string& bytes) {
  const std::filesystem::path path = std::filesystem::path(TAVRIK_TEST_DATA) / relative;
  if (Accepting()) {
    Spit(path, bytes);
    return;
  }
  ASSERT_TRUE(std::filesystem::exists(path)) << path << " is missing; run with TAVRIK_ACCEPT=1";
  const std::string expected = Slurp(path);
  if (expected == bytes) return;
  size_t at = 0;
  while (at < expected.size() && at < bytes.size() && expected[at] == bytes[at]) ++at;
  ADD_FAILURE() << relative << " differs at byte " << at << " (expected " << expected.size()
                << " bytes, got " << bytes.size() << ")\n--- got from there:\n"
                << bytes.substr(at, 200) << "\n--- expected from there:\n"
                << expected.substr(at, 200);
}
