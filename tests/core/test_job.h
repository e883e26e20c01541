// A job state for tests of core code: it keeps every log line with its level
// instead of showing or saving it.
#pragma once

#include <string>
#include <vector>

#include "core/jobstate.h"
#include "core/record.h"

class TTestJob : public TJobState {
 public:
  struct TLine {
    std::string Text;
    int Level;
    bool ForRecord;
  };
  std::vector<TLine> Lines;

  void Log(const std::string& text, int level = kLogPlain, bool /*addPrefix*/ = true) override {
    Lines.push_back({text, level, false});
    CountLevel(level);
  }
  void LogRecord(TChessRec& rec, const std::string& text, int level) override {
    Lines.push_back({text, level, true});
    CountLevel(level);
    if (AddErrorInfo && level != kLogPlain) rec.ErrorText += text + "\r\n";
  }

  // Lines logged at the given level, in order.
  std::vector<std::string> At(int level) const {
    std::vector<std::string> out;
    for (const TLine& l : Lines)
      if (l.Level == level) out.push_back(l.Text);
    return out;
  }
  bool Logged(const std::string& text) const {
    for (const TLine& l : Lines)
      if (l.Text == text) return true;
    return false;
  }

 private:
  void CountLevel(int level) {
    if (level == kLogError) ++ErrorCount;
    if (level == kLogWarning) ++WarningCount;
  }
};
