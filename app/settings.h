// The settings file: an INI file read whole at start-up, changed in memory
// during the run and written back once at exit. Besides key=value sections it
// keeps plain-line sections (the WebCchess 5 code bases are one value a line).
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "core/tempfiles.h"

// Section and key names used by more than one module.
inline constexpr const char* kSecDestination = "Destination";
inline constexpr const char* kSecSource = "Source";
inline constexpr const char* kSecAnyToAny = "AnyToAny";
inline constexpr const char* kSecCodeBase = "WebCchess 5 CodeBase";

class TIniFile {
 public:
  // Replaces the content with the file's; a missing or unreadable file gives
  // empty settings. Returns false when the file could not be read.
  bool LoadFromFile(const std::string& path);
  // Writes the content to a temporary file beside the target and renames it
  // over the target, so the file is never half-written. Returns false on any
  // failure (the old file then stays as it was).
  bool SaveToFile(const std::string& path) const;

  void LoadFromText(const std::string& text);
  std::string SaveToText() const;

  // Section and key names compare without regard to ASCII case.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  // Decimal integers; anything else gives the default.
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  // Stored as 1/0; any non-zero integer, "true" or "yes" reads as true.
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);

  bool SectionExists(const std::string& section) const;
  // Every line of a section as it stands (plain lines and key=value pairs),
  // comment lines left out.
  std::vector<std::string> ReadSectionLines(const std::string& section) const;
  void EraseSection(const std::string& section);

  // The whole file as lines: the comments before the first section, then per
  // section "[Section]", its lines, an empty line.
  std::vector<std::string> GetLines() const;
  void SetLines(const std::vector<std::string>& lines);

  void Clear();
  // True when a write or an erase changed the content since the last load or
  // save (writing a value that is already there changes nothing).
  bool Changed() const { return changed_; }
  void MarkSaved() { changed_ = false; }

 private:
  struct TSection {
    std::string Name;
    std::vector<std::string> Lines;  // comment lines (";") included
  };
  std::vector<std::string> preamble_;  // comment lines before the first section
  std::vector<TSection> sections_;
  // Position in sections_ by upper-cased name, so that loading stays linear.
  std::unordered_map<std::string, size_t> index_;
  bool changed_ = false;

  TSection& AddSection(const std::string& name);

  const TSection* FindSection(const std::string& name) const;
  TSection* FindSection(const std::string& name);
  const std::string* FindValue(const std::string& section, const std::string& key) const;
};

// The process's settings and the folder they live in (ending in '/'), set up
// at start-up. Tests may point the folder elsewhere.
TIniFile& Settings();
const std::string& SettingsFolder();
void SetSettingsFolder(const std::string& folder);

// What happened to the settings file at the end of a run.
enum class TSettingsSave { Unchanged, Saved, ReadOnly, Failed };
// Writes ini to path when its content changed or the file does not exist yet.
// A file the user made read-only is left as it is.
TSettingsSave SaveChangedSettings(TIniFile& ini, const std::string& path);
