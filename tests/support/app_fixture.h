// Fixtures of the tests of the job windows and of the built program.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/files.h"

class TBaseForm;

// A job window's surroundings: empty settings kept in a temporary folder of
// their own, an unattended process with UTF-8 messages and the format names
// built. Everything is put back when the object goes.
class TAppSandbox {
 public:
  TAppSandbox();
  ~TAppSandbox();
  // The temporary folder, ending in '/'.
  const std::string& Dir() const { return folder_.Path(); }

 private:
  TTempFolder folder_;
};

// A test (or a parameterised test, through TBase) in a TAppSandbox; dir_ is
// its folder.
template <class TBase = ::testing::Test>
class TAppTestOf : public TBase {
 protected:
  TAppSandbox sandbox_;
  const std::string dir_ = sandbox_.Dir();
};
using TAppTest = TAppTestOf<>;

// Runs the built tavrik program in a temporary folder (dir_), with its
// settings in the folder's config/ (config_).
class TProgramTest : public ::testing::Test {
 protected:
  TProgramTest();
  // Runs tavrik with the arguments (shell words) and standard input from a
  // file; returns the exit status and keeps both output streams.
  int Run(const std::string& args, const std::string& input = "/dev/null");

  TTempFolder folder_{"tavrik_program"};
  const std::string dir_ = folder_.Path();
  const std::string config_ = dir_ + "config/";
  std::string out_, err_;
};

// Whether a line of a log holds the text, given in UTF-8 and looked for in the
// system's code page.
bool Logged(const std::vector<std::string>& lines, const std::string& utf8);
bool Logged(const TBaseForm& form, const std::string& utf8);
