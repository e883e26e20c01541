// Cutting CCBridge 3.0 libraries into single record files. The library layout
// is not decoded: every record begins with the text "CCBridge Record", and the
// library is cut at those markers, each piece written unchanged to its own
// numbered .CBR file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/jobcontrol.h"
#include "core/jobstate.h"

// The text every record of a 3.0 library begins with.
constexpr std::string_view kCbrMarker = "CCBridge Record";
// Records of a 3.0 library lie in blocks of this size, counted back from the
// end of the file.
constexpr size_t kCbl3BlockSize = 4096;

// Where markers are looked for.
constexpr int kCbrFlagBlocks = 0;    // only at block starts (the normal layout)
constexpr int kCbrFlagAnywhere = 1;  // everywhere in the file

// Offsets of the record starts in a library, in increasing order. A marker
// found by the search ends the search's step, so markers never overlap.
void FindCbrStarts(std::string_view library, int cbrFlag, std::vector<size_t>& starts);

// Recognises the format from the first bytes of a file (registry row).
// A 3.0 library begins with "CCBridgeLibrary".
bool RecogniseCbl3(std::string_view head);

// prefix + number, zero-padded to the digits of count, + ".CBR".
std::string CbrFileName(const std::string& prefix, int number, int count);

// What the cutting needs from its job: the log, the replace question and the
// options. A stop request ends the cutting between two records.
class TCbl3SplitJob : public TJobControl {
 public:
  virtual ~TCbl3SplitJob() = default;
  // Appends one log line (text in the system code page).
  virtual void Log(const std::string& text, int level = kLogPlain) = 0;
  // Asks whether an existing file may be replaced; returns Yes, No, Yes to
  // all or No to all (the answer values of the job framework).
  virtual int AskReplace(const std::string& text) = 0;

  // The remembered answer to the replace question; No means "ask".
  int ReplaceAnswer = kAnswerNo;
  int CbrFlag = kCbrFlagBlocks;
  bool SubDirs = true;

 protected:
  void LogStop(const std::string& text) override { Log(text); }
};

// Cuts one library into prefix + number + ".CBR" files. Problems are logged;
// the rest of the library is then skipped.
void SplitLibrary(TCbl3SplitJob& job, const std::string& fileName, const std::string& prefix);
// Cuts every *.CBL file of a folder into dest + its name + "/", and with
// SubDirs the sub-folders into the mirrored tree. Both folders end in '/'.
void SplitFolder(TCbl3SplitJob& job, const std::string& folder, const std::string& dest);
