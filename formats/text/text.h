// Plain-text records: labelled header lines, an optional board diagram, the
// start comment, the main line in numbered rows of Chinese move text, every
// variation as a labelled section, and a closing line naming the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TJobState;
class TJobState;
struct TChessRec;

// The reader after loading: scans UTF-8 text for Chinese moves and keeps the
// run that can be played from the start position.
bool ReadTextContent(TJobState& job, TChessRec& rec, std::string_view text);

// The writer before output: renders a completed record; returns the length
// handed to WriteOutput (the output's length).
size_t RenderText(const TJobState& job, const TChessRec& rec, std::string& out);

// Output sections of the text writer: section 0 is the main line, section s
// the variation labelled [Bs]. Labels[node] holds the labels of the variations
// that begin as alternatives to that node's move, such as "[B1][B2]".
struct TTextSection {
  int32_t First = 0;
  int32_t Last = -1;
};
struct TBranchNumbers {
  std::vector<TTextSection> Sections;
  std::vector<std::string> Labels;
};
void NumberBranches(const TChessRec& rec, TBranchNumbers& branches);
