// The record and destination options of the sub-command line and how they
// set the controls of a job window, so that the job reads them as it reads a
// user's choices.
#pragma once

#include <string>

class TBaseAny2AnyForm;

struct TConvertOptions {
  std::string From;  // format identifier; empty: recognise every source
  std::string To;    // format identifier; empty: from the destination's extension
  std::string FromEncoding = "auto";
  std::string ToEncoding = "auto";
  std::string Notation = "chinese";
  std::string Standard = "recommended";
  std::string XqfVersion = "1.0";
  std::string PageTemplate = "ubb";
  std::string Md5Names = "when-exists";
  int MovesPerLine = 1;
  std::string CodeBase;
  std::string BoardSize = "500,350";
  bool MainLine = false;
  bool Mirror = false;
  bool TitleFromFileName = false;
  bool AddSummary = false;
  bool AddErrors = false;
  bool NoClobber = false;
};

// Row of a format identifier (any case); -1 when there is none.
int FormatOfId(const std::string& id);
// Row of a writable destination format: from an identifier, or from a file
// name's extension; -1 when there is none.
int DestinationFormatOfId(const std::string& id);
int DestinationFormatOfName(const std::string& fileName);
// Source code page of an encoding name (-1 for auto); -2 when unknown.
int SourceEncoding(const std::string& name);
// Destination code page of an encoding name for a destination format: auto
// gives GBK (Big5 on a Big5 system) for XQF and UTF-8 otherwise; -2 when the
// name is unknown or the format cannot take it.
int DestinationEncoding(const std::string& name, int dstFormat);
// Position of a destination code page in the windows' choice (0 GBK, 1 Big5, 2 UTF-8).
int DestinationCodePageIndex(int codePage);

// Sets the record option boxes and the destination-options page of a window.
void ApplyConvertOptions(TBaseAny2AnyForm& form, const TConvertOptions& options);
