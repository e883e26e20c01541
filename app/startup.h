// Start-up and shut-down of the program, and the command-line run.
#pragma once

#include <string>
#include <vector>

#include "core/uglobal.h"

inline constexpr const char* kSettingsFileName = "tavrik.ini";
inline constexpr const char* kLogFileName = "tavrik.log";

// The two WebCchess 5 code bases offered on a fresh installation.
extern const char* const kDefaultCodeBases[2];

// The folder of the running executable, ending in '/'.
std::string ExecutableFolder();
// An executable installed by the install rules: its private library folder
// exists (they always create it).
bool IsInstalledCopy(const std::string& exeFolder);
// Where the settings and log files live: $TAVRIK_CONFIG_DIR when set, else the
// executable's folder when it is writable and not an installed copy, else
// $XDG_CONFIG_HOME/tavrik/ (default ~/.config/tavrik/). Ends in '/'.
std::string ChooseSettingsFolder(const std::string& exeFolder);
// The code page of the program's messages and file names, from the locale's
// character set name (nl_langinfo(CODESET)).
int CodePageOfCodeset(const std::string& codeset);
// Puts the section of the default code bases at the top of the settings when
// it has no line.
void InsertDefaultCodeBases();

// Start-up, in order: settings, size-check flag, opening library, unattended
// flag, system code page, format strings, default code bases.
void StartUp(const std::vector<std::string>& args);
// Start-up of the sub-command line: as StartUp, but the settings stay the
// defaults in memory and the file is neither read nor written.
void StartUpWithoutSettings();
void ShutDownWithoutSettings();
// Shut-down: writes the settings when they changed (a failure is ignored; a
// read-only settings file is left alone and said so on standard error) and
// unloads the opening library. Open forms must have been destroyed before.
void ShutDown();
// Saves a log text as tavrik.log beside the settings, replacing an earlier
// one; a failure is ignored.
void SaveLogFile(const std::string& text);

// The desktop window's program, beside tavrik.
inline constexpr const char* kDesktopProgram = "tavrik-gui";
// No argument: replaces the process with the desktop window. Returns only when
// that cannot be done (no display, program missing): exit status 2, after one
// line saying why and the usage.
int RunDesktop();

// The whole program without the desktop: returns the exit status.
int RunProgram(const std::vector<std::string>& args);
