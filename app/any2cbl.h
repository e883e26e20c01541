// The any-to-CBL window: creates empty CCBridge 2.x libraries and appends the
// records of any readable format to an existing library. The sources are a
// folder walk, a list of files or the clipboard; each record is read through
// the normal dispatch, may have some header fields replaced by values the
// user typed in, and is appended as a CBR record. The whole library is read
// into memory, extended and written back as one file.
#pragma once

#include <string>
#include <vector>

#include "app/baseform.h"
#include "app/controls.h"
#include "app/sourcepage.h"
#include "core/record.h"

// A sorted multi-select list of file names.
struct TFileNameList : TControl {
  std::vector<std::string> Items;
  std::vector<bool> Selected;
};

class TAnyFormat2CBLForm : public TBaseForm, public TSourceOptionsPage {
 public:
  static constexpr const char* kCaption = "已支持格式 To 象棋橋2.x棋庫";
  // Positions of rgSource.
  static constexpr int kSourceFolder = 0;
  static constexpr int kSourceFileList = 1;
  // Format-table rows offered by cbbSourceFormat, in list order: the rows
  // that say this job offers them.
  static const std::vector<int> kSourceRows;
  static const int kSourceRowCount;
  // The record text slots the overrides may replace.
  static constexpr int kOverrideFirstSlot = 48;
  static constexpr int kOverrideCount = 14;

  // Loads the controls from section AnyToCBL (and Source) and applies the rules.
  TAnyFormat2CBLForm();
  // Saves the paths, flags, source kind, compression and source format.
  ~TAnyFormat2CBLForm() override;

  // Page tsConvert (rgSource, the paths, chkSubDir and the four check boxes
  // come from TBaseForm).
  TFileNameList lstFileName;
  TControl btnAdd;
  TControl btnDelete;
  TControl btnClear;
  TComboBox cbbSourceFormat;
  TRadioGroup rgSourceCodePage;
  TRadioGroup rgMapType;
  TControl btnConvertFromClipboard;
  TControl btnCreateCBL;
  // Library header fields, used by the create action.
  TEdit edtH_Name;
  TEdit edtH_URL;
  TEdit edtH_Creator;
  TEdit edtH_CreatorEmail;
  TMemo mmoH_Explanation;
  TRadioGroup rgCompressLevel;
  // Page of the record overrides.
  TControl tsRecordInfo;
  TControl lblRecordInfoHint;
  TEdit edtR_URL;
  TEdit edtR_CommentatorEmail;
  TEdit edtR_AuthorEmail;
  TEdit edtR_Name;
  TEdit edtR_MatchName;
  TEdit edtR_MatchDate;
  TEdit edtR_MatchSite;
  TEdit edtR_Red;
  TEdit edtR_Black;
  TEdit edtR_Commentator;
  TEdit edtR_Author;
  TRadioGroup rgR_Result;

  // Texts for the record slots 48..61 (GBK); empty ones change nothing.
  std::string RecordOverrides[kOverrideCount];
  // The one record reused for every record of a job.
  TChessRec Rec;

  // Handlers.
  void btnCreateCBLClick();
  void btnConvertClick();
  void btnConvertFromClipboardClick();
  void rgSourceClick();
  void cbbSourceFormatChange();
  void rgSourceCodePageClick();
  void btnDeleteClick();
  void btnClearClick();
  // What "添加" does with the files the open dialog returned: each one goes to
  // its sorted place (case-insensitive); names already listed are skipped.
  void AddFilesToList(const std::vector<std::string>& files);

  // Creates an empty library at the destination; true when it was written.
  bool CreateLibrary();
  // Appends the source's records to the destination library; false when a
  // check refused the job or it failed before the library was written.
  bool AppendToLibrary();
  // Appends the records of one source file (the clipboard when FromClipboard)
  // to data; returns how many were appended.
  virtual int AppendFromSource(std::string& data, const std::string& fileName);
  // Applies the overrides to rec and appends it to data as a CBR record.
  bool AppendRecord(TChessRec& rec, std::string& data);
  // The per-file action of the folder walk.
  int ConvertFile(const std::string& sourceFile, const std::string& destFolder) override;

 private:
  std::string* appendData_ = nullptr;  // the library data while a walk appends
  void ErrorBox(const std::string& utf8Message, const std::string& suffix = std::string());
  void ApplyCodePageRule();
  bool RunAppendSteps();
};
