// The window that cuts CCBridge 3.0 libraries, one file or a folder tree of
// them, into numbered .CBR record files. It keeps its own log and settings
// and has no error counters or summary.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/baseform.h"
#include "app/cbl3split.h"
#include "app/controls.h"

inline constexpr const char* kSecCbl3ToCbr = "CBL3ToCBR";

// A file or folder dialog the view is asked to show.
struct TPathDialog {
  bool Folder = false;      // folder browser, else an open-file dialog
  std::string Title;        // folder browser title
  std::string DefaultExt;   // open-file dialog: default extension
  std::string InitialPath;  // file to pre-select or folder to start in
};

class TCBL3ToCBRForm : public TCbl3SplitJob {
 public:
  static constexpr const char* kCaption = "象棋橋3.0棋庫 To 象棋橋CBR棋譜";
  static constexpr int kSourceFolder = 0;
  static constexpr int kSourceFile = 1;

  // Loads the controls from the settings (section CBL3ToCBR).
  TCBL3ToCBRForm();
  // Saves them.
  ~TCBL3ToCBRForm() override;

  TRadioGroup rgSource;
  TControl lblSource;
  TEdit edtSource;
  TControl btnSource;
  TControl lblDestination;
  TEdit edtDestination;
  TControl btnDestination;
  TCheckBox chkSubDir;
  TRadioGroup rgCBRFlag;
  TMemo mmoLog;
  TControl btnConvert;
  TControl btnClose;
  bool Maximised = true;
  bool Closed = false;

  // Optional interactive asker (not owned); without one every question gets
  // its unattended answer and is logged.
  TAsker* Asker = nullptr;
  // Shows a dialog and returns the chosen path ("" when cancelled).
  std::function<std::string(const TPathDialog&)> ShowDialog;
  // Called with every log line after it was added.
  std::function<void(const std::string& line)> OnLog;

  void btnConvertClick();
  void btnSourceClick();
  void btnDestinationClick();
  void btnCloseClick();

  // The dialogs the two "打開..." buttons show for the current controls.
  TPathDialog SourceDialog() const;
  TPathDialog DestinationDialog() const;

  void Log(const std::string& text, int level = kLogPlain) override;
  int AskReplace(const std::string& text) override;
  std::string LogText() const;

 private:
  int Box(std::string_view message, TAskKind kind);
  void RunJob();
};
