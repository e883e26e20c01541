#include "tests/support/app_fixture.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "app/baseform.h"
#include "app/settings.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "formats/text/registry.h"

TAppSandbox::TAppSandbox() : folder_("tavrik_app") {
  Settings().Clear();
  SetSettingsFolder(Dir());
  Process().Unattended = true;
  Process().SystemCodePage = kCpUtf8;
  BuildFormatStrings();
}

TAppSandbox::~TAppSandbox() {
  Settings().Clear();
  SetSettingsFolder("");
  Process() = TProcessState{};
}

TProgramTest::TProgramTest() { std::filesystem::create_directories(config_); }

int TProgramTest::Run(const std::string& args, const std::string& input) {
  const std::string cmd = "cd '" + dir_ + "' && TAVRIK_CONFIG_DIR='" + config_ + "' '" +
                          TAVRIK_BINARY_DIR + "/tavrik' " + args + " <'" + input + "' >'" + dir_ +
                          "out.txt' 2>'" + dir_ + "err.txt'";
  const int rc = std::system(cmd.c_str());
  out_ = Slurp(dir_ + "out.txt");
  err_ = Slurp(dir_ + "err.txt");
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

bool Logged(const std::vector<std::string>& lines, const std::string& utf8) {
  const std::string text = SystemText(utf8);
  for (const std::string& line : lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

bool Logged(const TBaseForm& form, const std::string& utf8) {
  return Logged(form.mmoLog.Lines, utf8);
}
