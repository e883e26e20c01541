// The sub-command form of the command line: tavrik convert, library, info
// and check. It neither reads nor writes the settings file; every option has
// a default shown by --help.
#pragma once

#include <string>
#include <vector>

// True when the arguments take the sub-command form: the first one is a
// sub-command word (whatever the count), or asks for help or the version.
bool IsSubCommandCall(const std::vector<std::string>& args);
// What the process does around a job once the arguments are understood: set up
// (without the settings file) and clean up.
struct TProcessHooks {
  void (*StartUp)();
  void (*ShutDown)();
};
// Parses and runs a sub-command; returns the exit status.
int RunSubCommand(const std::vector<std::string>& args, const TProcessHooks& process);
