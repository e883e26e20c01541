// A game record from moves written as coordinates such as "h2e2" (files a..i
// from red's left, ranks 0..9 from red's side), as the labelled practice
// games give them. Shared by the accuracy test and the benchmark.
#pragma once

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/board.h"
#include "core/record.h"
#include "tests/support/test_job.h"

inline TChessRec RecordOfCoordinates(int srcFormat, int dstFormat, const std::string& moves) {
  std::vector<std::pair<uint8_t, uint8_t>> list;
  std::istringstream in(moves);
  for (std::string m; in >> m;)
    list.push_back(
        {SquareOf(m[0] - 'a', 9 - (m[1] - '0')), SquareOf(m[2] - 'a', 9 - (m[3] - '0'))});
  return LineRecord(srcFormat, dstFormat, list);
}
