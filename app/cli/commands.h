// The sub-commands besides convert: what each one was asked, and its run.
// Every run returns the exit status: 0, 1 (errors, warnings or faults), 2 (usage).
#pragma once

#include <string>
#include <vector>

#include "app/cli/options.h"

// tavrik info, tavrik check and tavrik library list.
struct TReportRun {
  std::vector<std::string> Files;
  std::string From;
  std::string FromEncoding = "auto";
  bool Json = false;
  bool Recursive = false;
};
int RunInfo(const TReportRun& run);
int RunCheck(const TReportRun& run);
int RunLibraryList(const TReportRun& run);

// tavrik library export: the CBL-to-any job.
struct TExportRun {
  std::vector<std::string> Libraries;
  std::string Destination;
  TConvertOptions Options;
  std::string Records;  // "1-10,15"; empty: every record
  std::string Names = "title";
  bool Quiet = false;
};
int RunLibraryExport(const TExportRun& run);

// tavrik library build: the any-to-CBL job.
struct TBuildRun {
  std::vector<std::string> Sources;
  std::string Library;
  TConvertOptions Options;  // From, FromEncoding and the record option boxes
  bool Recursive = false;
  bool Append = false;
  bool Quiet = false;
  std::string Compression = "default";
  // Library header fields.
  std::string Name, Url, Creator, Email, Explanation;
  // Record overrides, by the slots 48..61 they replace (empty: keep).
  std::string SetUrl, SetCommentatorEmail, SetAuthorEmail, SetTitle, SetEvent, SetDate, SetSite,
      SetRed, SetBlack, SetCommentator, SetAuthor;
  std::string SetResult = "keep";
};
int RunLibraryBuild(const TBuildRun& run);

// tavrik library split: cutting CBL 3.0 libraries into CBR files.
struct TSplitRun {
  std::vector<std::string> Libraries;
  std::string Destination;
  bool Anywhere = false;
  bool Recursive = false;
  bool NoClobber = false;
  bool Quiet = false;
};
int RunLibrarySplit(const TSplitRun& run);
