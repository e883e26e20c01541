// The any-to-any window: converts records from any readable single-record
// format into any writable one, from a file, a folder walk or the clipboard.
// It is also the whole of the command-line mode (seven arguments).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/baseany2any.h"
#include "app/sourcepage.h"
#include "core/record.h"

// Replaces the last extension of a file name (a.b.xqf with ".PGN" gives a.b.PGN);
// a name without extension gets ext appended.
std::string ChangeFileExt(const std::string& name, const std::string& ext);

class TAnyFormat2AnyFormatForm : public TBaseAny2AnyForm, public TSourceOptionsPage {
 public:
  static constexpr const char* kCaption = "已支持格式 To 已支持格式";
  // Format-table rows offered by the two format lists, in list order: the
  // rows that say this job offers them.
  static const std::vector<int> kSourceRows;
  static const std::vector<int> kDestinationRows;
  static const int kSourceRowCount;
  static const int kDestinationRowCount;

  // In command-line mode the source kind, the format lists and the paths are
  // not loaded from the settings: RunCommandLine sets them from the arguments.
  explicit TAnyFormat2AnyFormatForm(bool commandLine = false);
  // Saves the paths, flags, source kind and list positions (section AnyToAny).
  ~TAnyFormat2AnyFormatForm() override;

  // Page tsConvert (rgSource, the paths, chkSubDir and the four check boxes
  // come from TBaseForm).
  TComboBox cbbSourceFormat;
  TComboBox cbbDestinationFormat;
  TRadioGroup rgSourceCodePage;
  TRadioGroup rgDestinationCodePage;
  TRadioGroup rgMapType;
  TControl btnToClipboard;

  // The one record reused for every record of a job.
  TChessRec Rec;

  // Runs one job from the controls. Returns false when a check refused it or
  // it ended early; true when it ran to its summary.
  bool RunAnyToAnyJob();
  // Converts one source file, or the clipboard; returns the records written.
  int ConvertSourceFile(const std::string& sourcePath, const std::string& destPath);
  // The per-file action of the folder walk.
  int ConvertFile(const std::string& sourceFile, const std::string& destFolder) override;

  // Sets the controls from the seven command-line arguments and runs the job.
  // Returns the exit status: 0 no error or warning, 1 otherwise or refused.
  int RunCommandLine(const std::vector<std::string>& args);

  // Handlers.
  void btnConvertClick();
  void btnToClipboardClick();
  void rgSourceClick();
  void cbbSourceFormatChange();
  void cbbDestinationFormatChange();
  void rgSourceCodePageClick();
  void rgDestinationCodePageClick();
  // Recomputes rgMapType from the two code pages.
  void ApplyMapRule();

  // Outcome of the last job, for the command line's exit status.
  bool LastJobRan = false;

 private:
  bool commandLine_;
  // Program messages are UTF-8 here; paths are in the system code page.
  void ErrorBox(std::string_view message, const std::string& path = std::string());
  bool Confirm(std::string_view text);
  bool RunJobSteps();
};
