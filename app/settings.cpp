// The in-memory INI file. Lines are kept as they were read (trimmed), so
// plain-line sections survive a read and a write unchanged; key=value lines are
// parsed when a key is looked up.
#include "app/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "core/encoding.h"
#include "core/tempfiles.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// A line break inside a value would split it into two lines of the file.
std::string OneLine(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

bool ParseInt(const std::string& text, int& value) {
  std::string t = Trim(text);
  const char* b = t.data();
  const char* e = t.data() + t.size();
  if (b != e && *b == '+') ++b;
  if (b == e) return false;
  auto [p, ec] = std::from_chars(b, e, value);
  return ec == std::errc() && p == e;
}

std::string& FolderStorage() {
  static std::string folder;
  return folder;
}

}  // namespace

bool TIniFile::LoadFromFile(const std::string& path) {
  sections_.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) return false;
  LoadFromText(ss.str());
  return true;
}

bool TIniFile::SaveToFile(const std::string& path) const {
  return SaveFileReplacing(path, SaveToText());
}

void TIniFile::Clear() {
  preamble_.clear();
  sections_.clear();
  index_.clear();
  changed_ = false;
}

TIniFile::TSection& TIniFile::AddSection(const std::string& name) {
  index_.emplace(UpperAscii(name), sections_.size());
  sections_.push_back({name, {}});
  return sections_.back();
}

void TIniFile::LoadFromText(const std::string& text) {
  Clear();
  size_t pos = 0;
  // A UTF-8 byte-order mark left by an editor is not part of the first line.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  TSection* current = nullptr;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty()) continue;
    if (line.front() == '[' && line.back() == ']') {
      std::string name = Trim(line.substr(1, line.size() - 2));
      current = FindSection(name);
      if (!current) current = &AddSection(name);
      continue;
    }
    if (current)
      current->Lines.push_back(line);
    else if (line[0] == ';')
      preamble_.push_back(line);
    // Other lines before the first section belong to none and are dropped.
  }
}

std::string TIniFile::SaveToText() const {
  std::string out;
  for (const std::string& line : GetLines()) {
    out += line;
    out += '\n';
  }
  return out;
}

const TIniFile::TSection* TIniFile::FindSection(const std::string& name) const {
  auto it = index_.find(UpperAscii(name));
  return it == index_.end() ? nullptr : &sections_[it->second];
}

TIniFile::TSection* TIniFile::FindSection(const std::string& name) {
  auto it = index_.find(UpperAscii(name));
  return it == index_.end() ? nullptr : &sections_[it->second];
}

const std::string* TIniFile::FindValue(const std::string& section, const std::string& key) const {
  const TSection* s = FindSection(section);
  if (!s) return nullptr;
  for (const std::string& line : s->Lines) {
    size_t eq = line.find('=');
    if (eq != std::string::npos && line[0] != ';' && SameText(Trim(line.substr(0, eq)), key))
      return &line;
  }
  return nullptr;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
  const std::string* line = FindValue(section, key);
  if (!line) return def;
  return Trim(line->substr(line->find('=') + 1));
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  const std::string* line = FindValue(section, key);
  if (!line) return def;
  int value = 0;
  return ParseInt(line->substr(line->find('=') + 1), value) ? value : def;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  const std::string* line = FindValue(section, key);
  if (!line) return def;
  std::string text = Trim(line->substr(line->find('=') + 1));
  int value = 0;
  if (ParseInt(text, value)) return value != 0;
  if (SameText(text, "true") || SameText(text, "yes")) return true;
  if (SameText(text, "false") || SameText(text, "no")) return false;
  return def;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  std::string line = Trim(OneLine(key)) + "=" + OneLine(value);
  TSection* s = FindSection(section);
  if (!s) s = &AddSection(Trim(OneLine(section)));
  for (std::string& old : s->Lines) {
    size_t eq = old.find('=');
    if (eq != std::string::npos && old[0] != ';' && SameText(Trim(old.substr(0, eq)), key)) {
      // The same value leaves the line (and the user's spacing) as it was.
      if (Trim(old.substr(eq + 1)) == Trim(OneLine(value))) return;
      old = line;
      changed_ = true;
      return;
    }
  }
  s->Lines.push_back(line);
  changed_ = true;
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::SectionExists(const std::string& section) const {
  return FindSection(section) != nullptr;
}

std::vector<std::string> TIniFile::ReadSectionLines(const std::string& section) const {
  std::vector<std::string> lines;
  if (const TSection* s = FindSection(section))
    for (const std::string& line : s->Lines)
      if (line[0] != ';') lines.push_back(line);
  return lines;
}

void TIniFile::EraseSection(const std::string& section) {
  auto it = index_.find(UpperAscii(section));
  if (it == index_.end()) return;
  sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(it->second));
  index_.clear();
  for (size_t i = 0; i < sections_.size(); ++i) index_.emplace(UpperAscii(sections_[i].Name), i);
  changed_ = true;
}

std::vector<std::string> TIniFile::GetLines() const {
  std::vector<std::string> lines = preamble_;
  for (const TSection& s : sections_) {
    lines.push_back("[" + s.Name + "]");
    lines.insert(lines.end(), s.Lines.begin(), s.Lines.end());
    lines.push_back("");
  }
  return lines;
}

void TIniFile::SetLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += '\n';
  }
  const std::string before = SaveToText();
  LoadFromText(text);
  changed_ = SaveToText() != before;
}

TIniFile& Settings() {
  static TIniFile settings;
  return settings;
}

const std::string& SettingsFolder() { return FolderStorage(); }

void SetSettingsFolder(const std::string& folder) {
  std::string f = folder;
  if (!f.empty() && f.back() != '/') f += '/';
  FolderStorage() = f;
}

TSettingsSave SaveChangedSettings(TIniFile& ini, const std::string& path) {
  struct stat st;
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && !ini.Changed()) return TSettingsSave::Unchanged;
  // A file without write permission is read-only even to a user (root) whom
  // the system would let write it.
  if (exists && ((st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0))
    return TSettingsSave::ReadOnly;
  if (!ini.SaveToFile(path)) return TSettingsSave::Failed;
  ini.MarkSaved();
  return TSettingsSave::Saved;
}
