// tavrik convert: the any-to-any job from the command line, over many
// sources, into a folder, one file or standard output, on several processes.
#pragma once

#include <string>
#include <vector>

#include "app/baseany2any.h"
#include "app/cli/cliform.h"
#include "app/cli/options.h"
#include "core/record.h"

// The job of the sub-commands that convert: the destination options page
// with the log echo and the record collection of the command line.
class TCliJob : public TCliForm<TBaseAny2AnyForm> {
 public:
  TChessRec Rec;
};

struct TConvertRun {
  std::vector<std::string> Sources;  // files, folders, "-" for standard input
  std::string Destination;           // a file, a folder or "-"
  TConvertOptions Options;
  bool Recursive = false;
  int Jobs = 1;
  bool Quiet = false;
};

// Runs the conversion; returns the exit status (0, 1 errors or warnings,
// 2 usage).
int RunConvert(const TConvertRun& run);

// Reports a usage error of a sub-command on standard error; returns 2.
int UsageError(const std::string& command, const std::string& message);

// Sets up a job for records of any source into dstFormat with the options,
// as a window's job routine does before its first record.
void PrepareCliJob(TCliJob& job, const TConvertOptions& options, int dstFormat, int dstCodePage,
                   bool quiet);
