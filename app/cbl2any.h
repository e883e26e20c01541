// The CBL-to-any window: converts the records of CCBridge 2.x libraries into
// single-record files of any writable format, or into the clipboard buffer.
// The source is one library, whose records are listed for picking, or a folder
// of libraries. Output files are named by record title, record number or both;
// equal titles are told apart by the record labels.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/baseany2any.h"
#include "core/record.h"
#include "formats/ccbridge/cbl.h"

// A multi-select list: one entry per record of the loaded library.
struct TRecordList : TControl {
  std::vector<std::string> Items;
  std::vector<bool> Selected;
};

class TCBL2AnyFormatForm : public TBaseAny2AnyForm {
 public:
  static constexpr const char* kCaption = "象棋橋2.x棋庫 To 已支持格式";
  // Positions of rgSource and rgDestinationFileName.
  static constexpr int kSourceFolder = 0;
  static constexpr int kSourceFile = 1;
  static constexpr int kNameTitle = 0;
  static constexpr int kNameTitleLabel = 1;
  static constexpr int kNameLabelTitle = 2;
  static constexpr int kNameLabel = 3;

  // Loads the controls from section CBLToAny and applies the window rules.
  TCBL2AnyFormatForm();
  // Saves the paths, flags, source kind, naming and destination format.
  ~TCBL2AnyFormatForm() override;

  // Page tsConvert (rgSource, the paths, chkSubDir and the check boxes come
  // from TBaseForm).
  TRecordList lstSource;
  TControl btnSelectAll;
  TControl btnNoSelect;
  TControl btnReverseSelect;
  TComboBox cbbDestinationFormat;
  TRadioGroup rgDestinationCodePage;
  TRadioGroup rgMapType;
  TRadioGroup rgDestinationFileName;
  TControl btnToClipboard;

  // The loaded library, replaced on every load.
  TLibraryData Library;
  int RecordCount = 0;
  int LabelWidth = 1;
  std::vector<size_t> RecordOffsets;  // RecordCount + 1 positions in Library.Bytes
  std::vector<std::string> RecordLabels;
  std::vector<std::string> RecordTitles;  // system code page; empty when not needed

  // The one record reused for every record of a job.
  TChessRec Rec;

  // Handlers.
  void btnConvertClick();
  void btnToClipboardClick();
  void rgSourceClick();
  void cbbDestinationFormatChange();
  void rgDestinationCodePageClick();
  void btnSelectAllClick();
  void btnNoSelectClick();
  void btnReverseSelectClick();
  // What the source browse button does with the path picked.
  void SourceChosen(const std::string& path);
  void ApplyMapRule();

  // Runs the job from the controls; false when a check refused it.
  bool RunCblToAnyJob();
  // Loads a library into the members (and, for display, the list). Returns
  // false when it could not be opened.
  bool LoadLibraryList(const std::string& path, bool forDisplay);
  // Converts the records of one library; returns the records written.
  int ConvertLibrary(const std::string& path, const std::string& folder, bool fromList,
                     const std::string& extension);
  // Reads record index and writes it to fileName; 0 or 1.
  int ConvertLibraryRecord(int index, const std::string& fileName);
  // The per-library action of the folder walk.
  int ConvertFile(const std::string& sourceFile, const std::string& destFolder) override;

 private:
  void ClearLibrary();
  void ErrorBox(const std::string& text);
  void CountsBox();
  bool RunJobSteps();
};
