// tavrik: with seven arguments converts unattended and exits; see RunProgram.
#include <clocale>
#include <string>
#include <vector>

#include "app/startup.h"

int main(int argc, char** argv) {
  // The character set of the locale decides the code page of file names and
  // messages; nothing else of the locale is used.
  std::setlocale(LC_CTYPE, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  return RunProgram(args);
}
