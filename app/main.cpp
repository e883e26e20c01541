// tavrik: with seven arguments converts unattended and exits; see RunProgram.
#include <clocale>
#include <csignal>
#include <string>
#include <vector>

#include "app/startup.h"

int main(int argc, char** argv) {
  // The character set of the locale decides the code page of file names and
  // messages; nothing else of the locale is used.
  std::setlocale(LC_CTYPE, "");
  // A reader of the echoed log that goes away (tavrik ... | head) must not end
  // the job half-way: the conversion, the log file and the settings matter more
  // than the echo, whose failed writes are simply ignored.
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  return RunProgram(args);
}
