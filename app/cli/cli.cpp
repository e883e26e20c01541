// The sub-command form of the command line, parsed with CLI11.
#include "app/cli/cli.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <thread>

#include "app/cli/commands.h"
#include "app/cli/convert.h"
#include "formats/text/registry.h"

namespace {

const char* const kWords[] = {"convert", "library", "info", "check"};

const char* const kFooter =
    "Without a sub-command, seven arguments run the any-to-any job with the\n"
    "settings of tavrik.ini (see tavrik(1)); a call whose first argument is one\n"
    "of the sub-command words always takes the sub-command form.";

int CoreCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(n);
}

// Options that every job writing records takes (convert, library export).
void AddDestinationOptions(CLI::App* cmd, TConvertOptions& o) {
  cmd->add_option("--to", o.To,
                  "Destination format: " + FormatIdList(kOfferAnyDestination, ", ", " or ", false) +
                      " (default: from the destination's extension; .htm is ubb)");
  cmd->add_option("--to-encoding", o.ToEncoding,
                  "gbk, big5, utf-8 or auto (gbk for xqf, utf-8 otherwise); big5 maps to "
                  "traditional characters, gbk from big5 to simplified ones")
      ->check(CLI::IsMember({"auto", "gbk", "big5", "utf-8"}, CLI::ignore_case));
  cmd->add_option("--notation", o.Notation, "PGN move notation")
      ->check(CLI::IsMember({"chinese", "wxf", "iccs"}, CLI::ignore_case));
  cmd->add_flag("--main-line", o.MainLine,
                "Write only the main line to PGN (variations are kept by default)");
  cmd->add_option("--standard", o.Standard,
                  "Chinese move-text standard: wxf, chinese, or recommended (wxf for PGN, "
                  "chinese for text)")
      ->check(CLI::IsMember({"recommended", "wxf", "chinese"}, CLI::ignore_case));
  cmd->add_option("--moves-per-line", o.MovesPerLine,
                  "Moves (red and black) per line, PGN and text")
      ->check(CLI::Range(1, 5));
  cmd->add_option("--xqf-version", o.XqfVersion, "XQF version written")
      ->check(CLI::IsMember({"1.0", "1.8"}));
  cmd->add_option("--page-template", o.PageTemplate,
                  "Head and foot of DhtmlXQ pages: ubb, html, java, frame, or a folder holding "
                  "DhtmlXQ_Head.txt and DhtmlXQ_Foot.txt (made there from the html pair when "
                  "missing)");
  cmd->add_option("--board-size", o.BoardSize, "Width,height of the DhtmlXQ board");
  cmd->add_option("--code-base", o.CodeBase,
                  "Code base of WebCchess 5 pages (default: the first built-in one)");
  cmd->add_option("--md5-names", o.Md5Names,
                  "Add the MD5 of the content to file names: never, when-exists (when the "
                  "name is taken; a destination file named with -o is replaced instead) or "
                  "always")
      ->check(CLI::IsMember({"never", "when-exists", "always"}, CLI::ignore_case));
  cmd->add_flag("--no-clobber", o.NoClobber, "Never replace an existing file");
}

// Options of every job reading records (convert, library build).
void AddSourceOptions(CLI::App* cmd, TConvertOptions& o) {
  cmd->add_option("--from", o.From,
                  "Source format: " + FormatIdList(kOfferLibrarySource, ", ", ", ", false) +
                      " (default: recognised from the content, then the extension; ubbjava "
                      "reads every kind of web page)");
  cmd->add_option("--from-encoding", o.FromEncoding,
                  "gbk, big5, utf-8, utf-16 or auto (a byte-order mark, else utf-8 text, else "
                  "gbk)")
      ->check(CLI::IsMember({"auto", "gbk", "big5", "utf-8", "utf-16"}, CLI::ignore_case));
}

void AddRecordOptions(CLI::App* cmd, TConvertOptions& o, bool withTitle) {
  cmd->add_flag("--mirror", o.Mirror, "Mirror every record left to right");
  if (withTitle)
    cmd->add_flag("--title-from-file-name", o.TitleFromFileName,
                  "Use the source file name as the record title");
  cmd->add_flag("--add-summary", o.AddSummary, "Add the record's summary at its end");
  cmd->add_flag("--add-errors", o.AddErrors, "Add the messages about a record to its comment");
}

// Options of the commands that describe records (info, check).
void AddReportOptions(CLI::App* cmd, TReportRun& run) {
  cmd->add_flag("--json", run.Json, "Write JSON");
  cmd->add_option("--from", run.From, "Source format (default: recognised)");
  cmd->add_option("--from-encoding", run.FromEncoding, "gbk, big5, utf-8, utf-16 or auto")
      ->check(CLI::IsMember({"auto", "gbk", "big5", "utf-8", "utf-16"}, CLI::ignore_case));
}

void AddQuiet(CLI::App* cmd, bool& quiet) { cmd->add_flag("-q,--quiet", quiet, "Log errors only"); }

// The words of the sub-commands that were given, for messages.
std::string CommandPath(CLI::App& app) {
  std::string path;
  CLI::App* current = &app;
  while (true) {
    auto selected = current->get_subcommands();
    if (selected.empty()) break;
    current = selected.front();
    path += (path.empty() ? "" : " ") + current->get_name();
  }
  return path;
}

}  // namespace

bool IsSubCommandCall(const std::vector<std::string>& args) {
  if (args.empty()) return false;
  if (std::find(std::begin(kWords), std::end(kWords), args[0]) != std::end(kWords)) return true;
  // Asking for help or the version is no seven-argument call.
  const std::string& first = args[0];
  return args.size() != 7 && (first == "--help" || first == "-h" || first == "--version" ||
                              first == "-V" || first == "help");
}

int RunSubCommand(const std::vector<std::string>& args, const TProcessHooks& process) {
  CLI::App app{"tavrik converts Chinese-chess (Xiangqi) game records between file formats.",
               "tavrik"};
  app.set_version_flag("-V,--version", std::string(kAppTitle));
  app.require_subcommand(1);
  app.footer(kFooter);
  app.option_defaults()->always_capture_default();

  TConvertRun convert;
  convert.Jobs = CoreCount();
  CLI::App* cmdConvert = app.add_subcommand(
      "convert",
      "Convert records between formats. Every record of every source is converted: each game "
      "of a PGN file, each block of a web page, each record of a CBL library. A PGN "
      "destination file receives them all; other destinations get one file per record, named "
      "after the source with the record number when a source holds several.");
  cmdConvert
      ->add_option("SOURCE", convert.Sources, "Source files, folders, or - for standard input")
      ->required()
      ->always_capture_default(false);
  cmdConvert
      ->add_option("-o,--output", convert.Destination,
                   "Destination file, folder (existing, ending in / or without "
                   "extension), or - for standard output")
      ->required();
  cmdConvert->add_flag("-r,--recursive", convert.Recursive, "Include sub-folders of folders");
  cmdConvert->add_option("-j,--jobs", convert.Jobs, "Sources converted in parallel")
      ->check(CLI::PositiveNumber);
  AddSourceOptions(cmdConvert, convert.Options);
  AddDestinationOptions(cmdConvert, convert.Options);
  AddRecordOptions(cmdConvert, convert.Options, true);
  AddQuiet(cmdConvert, convert.Quiet);

  CLI::App* cmdLibrary = app.add_subcommand("library", "List, export, build or split libraries");
  cmdLibrary->require_subcommand(1);

  TReportRun list;
  CLI::App* cmdList = cmdLibrary->add_subcommand(
      "list", "One line per record: number, title, red, black, result, plies, opening code");
  cmdList->add_option("LIB", list.Files, "CBL 2.x libraries")
      ->required()
      ->always_capture_default(false);
  cmdList->add_flag("--json", list.Json, "Write JSON");

  TExportRun exportRun;
  CLI::App* cmdExport = cmdLibrary->add_subcommand(
      "export",
      "Convert the records of CBL 2.x libraries, one file per record in DIR (a folder per "
      "library when there are several), or all into one PGN file or standard output");
  cmdExport->add_option("LIB", exportRun.Libraries, "CBL 2.x libraries")
      ->required()
      ->always_capture_default(false);
  cmdExport
      ->add_option("-o,--output", exportRun.Destination,
                   "Destination folder, a .pgn file or - for standard output")
      ->required();
  cmdExport->add_option("--records", exportRun.Records,
                        "Record numbers to export, such as 1-10,15 (default: all)");
  cmdExport
      ->add_option("--names", exportRun.Names,
                   "File names: title (equal titles get their record number), number, "
                   "or both")
      ->check(CLI::IsMember({"title", "number", "both"}, CLI::ignore_case));
  exportRun.Options.To = "pgn";
  AddDestinationOptions(cmdExport, exportRun.Options);
  AddRecordOptions(cmdExport, exportRun.Options, false);
  AddQuiet(cmdExport, exportRun.Quiet);

  TBuildRun build;
  CLI::App* cmdBuild = cmdLibrary->add_subcommand(
      "build", "Build a CBL 2.x library from records of any readable format");
  cmdBuild->add_option("SOURCE", build.Sources, "Source files, folders, or - for standard input")
      ->required()
      ->always_capture_default(false);
  cmdBuild->add_option("-o,--output", build.Library, "The library (.CBL)")->required();
  cmdBuild->add_flag("-r,--recursive", build.Recursive, "Include sub-folders of folders");
  cmdBuild->add_flag("--append", build.Append,
                     "Append to an existing library (default: make a new one, replacing any)");
  cmdBuild->add_flag("--no-clobber", build.Options.NoClobber, "Never replace an existing library");
  cmdBuild->add_option("--compression", build.Compression, "zlib compression of a new library")
      ->check(CLI::IsMember({"stored", "fast", "default", "best"}, CLI::ignore_case));
  cmdBuild->add_option("--name", build.Name, "Library name (default: the library's file name)");
  cmdBuild->add_option("--url", build.Url, "Library's related resources");
  cmdBuild->add_option("--creator", build.Creator, "Library's creator");
  cmdBuild->add_option("--email", build.Email, "Creator's e-mail");
  cmdBuild->add_option("--explanation", build.Explanation, "Library explanation");
  cmdBuild->add_option("--set-title", build.SetTitle, "Title of every record added");
  cmdBuild->add_option("--set-event", build.SetEvent, "Match name of every record added");
  cmdBuild->add_option("--set-date", build.SetDate, "Match date of every record added");
  cmdBuild->add_option("--set-site", build.SetSite, "Match site of every record added");
  cmdBuild->add_option("--set-red", build.SetRed, "Red player of every record added");
  cmdBuild->add_option("--set-black", build.SetBlack, "Black player of every record added");
  cmdBuild->add_option("--set-commentator", build.SetCommentator, "Commentator of every record");
  cmdBuild->add_option("--set-author", build.SetAuthor, "Author (typist) of every record");
  cmdBuild->add_option("--set-url", build.SetUrl, "Related resources of every record");
  cmdBuild->add_option("--set-commentator-email", build.SetCommentatorEmail,
                       "Commentator's e-mail of every record");
  cmdBuild->add_option("--set-author-email", build.SetAuthorEmail,
                       "Author's e-mail of every record");
  cmdBuild->add_option("--set-result", build.SetResult, "Result of every record added")
      ->check(CLI::IsMember({"keep", "red", "black", "draw", "unknown"}, CLI::ignore_case));
  AddSourceOptions(cmdBuild, build.Options);
  AddRecordOptions(cmdBuild, build.Options, true);
  AddQuiet(cmdBuild, build.Quiet);

  TSplitRun split;
  CLI::App* cmdSplit =
      cmdLibrary->add_subcommand("split", "Cut CBL 3.0 libraries into numbered .CBR record files");
  cmdSplit->add_option("LIB", split.Libraries, "CBL 3.0 libraries or folders of them")
      ->required()
      ->always_capture_default(false);
  cmdSplit
      ->add_option("-o,--output", split.Destination,
                   "Destination folder (a folder per library when there are several)")
      ->required();
  cmdSplit->add_flag("-r,--recursive", split.Recursive, "Include sub-folders of folders");
  cmdSplit->add_flag("--anywhere", split.Anywhere,
                     "Find records anywhere, not only at the starts of 4096-byte blocks");
  cmdSplit->add_flag("--no-clobber", split.NoClobber, "Never replace an existing file");
  AddQuiet(cmdSplit, split.Quiet);

  TReportRun info;
  CLI::App* cmdInfo = app.add_subcommand(
      "info",
      "Describe every record of files: format, code page, header, plies, variations, "
      "comments, start position, opening code and the move-check messages");
  cmdInfo->add_option("FILE", info.Files, "Record files")
      ->required()
      ->always_capture_default(false);
  AddReportOptions(cmdInfo, info);

  TReportRun check;
  CLI::App* cmdCheck = app.add_subcommand(
      "check",
      "Replay every move of every record and list the faults per record; exit status 1 when "
      "there is any");
  cmdCheck->add_option("FILE", check.Files, "Record files or folders")
      ->required()
      ->always_capture_default(false);
  cmdCheck->add_flag("-r,--recursive", check.Recursive, "Include sub-folders of folders");
  AddReportOptions(cmdCheck, check);

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  if (!args.empty() && args[0] == "help") reversed.back() = "--help";
  try {
    app.parse(reversed);
  } catch (const CLI::Success& e) {  // --help, --help-all, --version
    return app.exit(e, std::cout, std::cerr);
  } catch (const CLI::ParseError& e) {
    const std::string command = CommandPath(app);
    std::cerr << "tavrik" << (command.empty() ? "" : " " + command) << ": " << e.what()
              << "\nRun 'tavrik" << (command.empty() ? "" : " " + command)
              << " --help' for more information.\n";
    return 2;
  }

  // Log lines go out a line at a time on a terminal, in large writes to a
  // file or pipe (thousands of files make thousands of lines).
  static char logBuffer[1 << 16];
  std::setvbuf(stderr, logBuffer, ::isatty(STDERR_FILENO) ? _IOLBF : _IOFBF, sizeof logBuffer);
  process.StartUp();
  int status = 2;
  if (cmdConvert->parsed()) status = RunConvert(convert);
  if (cmdList->parsed()) status = RunLibraryList(list);
  if (cmdExport->parsed()) status = RunLibraryExport(exportRun);
  if (cmdBuild->parsed()) status = RunLibraryBuild(build);
  if (cmdSplit->parsed()) status = RunLibrarySplit(split);
  if (cmdInfo->parsed()) status = RunInfo(info);
  if (cmdCheck->parsed()) status = RunCheck(check);
  process.ShutDown();
  std::fflush(stdout);
  std::fflush(stderr);
  return status;
}
