// Start-up and shut-down order, and the command-line run of the any-to-any
// job. The desktop window is not part of this file: a run with arguments never
// needs a display.
#include "app/startup.h"

#include <langinfo.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "app/any2any.h"
#include "app/cli/cli.h"
#include "app/settings.h"
#include "core/ecco.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "formats/text/registry.h"

namespace fs = std::filesystem;

const char* const kDefaultCodeBases[2] = {"https://webcchess.example.org/java/",
                                          "https://cchess.example.net/java/"};

namespace {

std::string WithDelimiter(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string NormalisedCodeset(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '-' || c == '_') continue;
    out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  }
  return out;
}

// Log lines hold CR LF inside some messages; the files and the terminal of a
// Linux user take LF alone.
std::string WithUnixLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (size_t cr = text.find("\r\n"); cr != std::string::npos; cr = text.find("\r\n", from)) {
    out.append(text, from, cr - from);
    from = cr + 1;
  }
  out.append(text, from, std::string::npos);
  return out;
}

void PrintUsage(std::FILE* to) {
  std::fputs(
      "usage: tavrik SOURCEKIND SRCCODEPAGE DSTCODEPAGE SRCFORMAT DSTFORMAT SOURCE DESTINATION\n"
      "  SOURCEKIND   0 folder, 1 folder with sub-folders, 2 one file\n"
      "  SRCCODEPAGE  GBK, BIG5, UTF-8 or UTF-16\n"
      "  DSTCODEPAGE  GBK, BIG5 or UTF-8\n",
      to);
  std::fprintf(to, "  SRCFORMAT    %s\n  DSTFORMAT    %s\n",
               FormatIdList(kOfferAnySource, " ", " ", true).c_str(),
               FormatIdList(kOfferAnyDestination, " ", " ", true).c_str());
  std::fputs(
      "  SOURCE       source file or folder\n"
      "  DESTINATION  destination file or folder\n"
      "Example: tavrik 2 GBK BIG5 XQF PGN a.xqf out\n"
      "Exit status: 0 converted without error or warning, 1 errors or warnings (see\n"
      "tavrik.log), 2 wrong number of arguments.\n"
      "The sub-commands convert, library, info and check take options instead:\n"
      "see tavrik --help.\n",
      to);
}

}  // namespace

std::string ExecutableFolder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return "./";
  return WithDelimiter(exe.parent_path().string());
}

bool IsInstalledCopy(const std::string& exeFolder) {
  std::error_code ec;
  return fs::is_directory(PrivateLibraryFolder(exeFolder), ec);
}

std::string ChooseSettingsFolder(const std::string& exeFolder) {
  if (const char* dir = std::getenv("TAVRIK_CONFIG_DIR"); dir && *dir) return WithDelimiter(dir);
  // An installed copy keeps its settings in the user's folder even when its
  // own folder is writable (root, or a prefix in the user's home): the files
  // beside it are shared by every user and belong to the package.
  if (!exeFolder.empty() && access(exeFolder.c_str(), W_OK) == 0 && !IsInstalledCopy(exeFolder))
    return WithDelimiter(exeFolder);
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.config";
  } else {
    base = ".config";
  }
  return WithDelimiter(base) + "tavrik/";
}

int CodePageOfCodeset(const std::string& codeset) {
  std::string cs = NormalisedCodeset(codeset);
  if (cs == "GBK" || cs == "GB2312" || cs == "GB18030" || cs == "CP936" || cs == "EUCCN")
    return kCpGbk;
  if (cs == "BIG5" || cs == "BIG5HKSCS" || cs == "CP950") return kCpBig5;
  return kCpUtf8;
}

void InsertDefaultCodeBases() {
  TIniFile& ini = Settings();
  if (!ini.ReadSectionLines(kSecCodeBase).empty()) return;
  ini.EraseSection(kSecCodeBase);
  std::vector<std::string> lines = ini.GetLines();
  // After the comments that open the file, which belong to no section.
  auto top = std::find_if(lines.begin(), lines.end(),
                          [](const std::string& line) { return line.empty() || line[0] != ';'; });
  lines.insert(top,
               {std::string("[") + kSecCodeBase + "]", kDefaultCodeBases[0], kDefaultCodeBases[1]});
  ini.SetLines(lines);
}

namespace {

// The steps of start-up that do not depend on the settings file.
void StartUpProcess(const std::string& exeFolder, bool unattended) {
  LoadEccoLibrary(exeFolder);
  Process().Unattended = unattended;
  const char* codeset = nl_langinfo(CODESET);
  Process().SystemCodePage = CodePageOfCodeset(codeset ? codeset : "");
  // The main window's part: the random numbers of the DhtmlXQ page templates
  // and the default code bases.
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  InsertDefaultCodeBases();
}

}  // namespace

void StartUp(const std::vector<std::string>& args) {
  std::string exeFolder = ExecutableFolder();
  std::string folder = ChooseSettingsFolder(exeFolder);
  std::error_code ec;
  fs::create_directories(folder, ec);
  SetSettingsFolder(folder);
  Settings().LoadFromFile(folder + kSettingsFileName);
  Process().MemorySizeDiff = Settings().ReadBool(kSecDestination, "MemorySizeDiff", false);
  StartUpProcess(exeFolder, !args.empty());
}

void StartUpWithoutSettings() {
  Settings().Clear();
  StartUpProcess(ExecutableFolder(), true);
}

void ShutDownWithoutSettings() { UnloadEccoLibrary(); }

void ShutDown() {
  const std::string path = SettingsFolder() + kSettingsFileName;
  if (SaveChangedSettings(Settings(), path) == TSettingsSave::ReadOnly) {
    const std::string text = SystemText("設置文件是只讀的，本次的設置更改沒有保存：") + path + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
  }
  UnloadEccoLibrary();
}

void SaveLogFile(const std::string& text) {
  std::string bytes = WithUnixLineEnds(text);
  if (!bytes.empty() && bytes.back() != '\n') bytes += '\n';
  // The log can be made again by running the job again: no flush to disk.
  SaveFileReplacing(SettingsFolder() + kLogFileName, bytes, false);
}

int RunDesktop() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const std::string gui = ExecutableFolder() + kDesktopProgram;
  std::string why;
  if ((x11 == nullptr || *x11 == '\0') && (wayland == nullptr || *wayland == '\0')) {
    why = "no display (neither DISPLAY nor WAYLAND_DISPLAY is set) to open the window on";
  } else if (access(gui.c_str(), X_OK) != 0) {
    why = "the desktop window " + gui + " is not installed";
  } else {
    char* const argv[] = {const_cast<char*>(gui.c_str()), nullptr};
    execv(gui.c_str(), argv);
    why = "cannot start " + gui + ": " + std::strerror(errno);
  }
  std::fprintf(stderr, "tavrik: %s.\n", why.c_str());
  PrintUsage(stderr);
  return 2;
}

int RunProgram(const std::vector<std::string>& args) {
  if (IsSubCommandCall(args))
    return RunSubCommand(args, TProcessHooks{StartUpWithoutSettings, ShutDownWithoutSettings});
  if (args.empty()) return RunDesktop();
  StartUp(args);
  int status = 2;
  {
    bool commandLine = args.size() == 7;
    TAnyFormat2AnyFormatForm form(commandLine);
    if (commandLine) {
      form.OnLog = [](const std::string& line) {
        std::string out = WithUnixLineEnds(line) + "\n";
        std::fwrite(out.data(), 1, out.size(), stdout);
      };
      status = form.RunCommandLine(args);
    } else {
      PrintUsage(stderr);
    }
    SaveLogFile(form.LogText());
  }  // the form saves its settings here
  ShutDown();
  return status;
}
