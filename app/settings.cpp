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

void TIniFile::LoadFromText(const std::string& text) {
  sections_.clear();
  size_t pos = 0;
  // A UTF-8 byte-order mark left by an editor is not part of the first line.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  TSection* current = nullptr;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      std::string name = Trim(line.substr(1, line.size() - 2));
      current = FindSection(name);
      if (!current) {
        sections_.push_back({name, {}});
        current = &sections_.back();
      }
      continue;
    }
    // Lines before the first section belong to none and are dropped.
    if (current) current->Lines.push_back(line);
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
  for (const TSection& s : sections_)
    if (SameText(s.Name, name)) return &s;
  return nullptr;
}

TIniFile::TSection* TIniFile::FindSection(const std::string& name) {
  for (TSection& s : sections_)
    if (SameText(s.Name, name)) return &s;
  return nullptr;
}

const std::string* TIniFile::FindValue(const std::string& section, const std::string& key) const {
  const TSection* s = FindSection(section);
  if (!s) return nullptr;
  for (const std::string& line : s->Lines) {
    size_t eq = line.find('=');
    if (eq != std::string::npos && SameText(Trim(line.substr(0, eq)), key)) return &line;
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
  if (!s) {
    sections_.push_back({Trim(OneLine(section)), {}});
    s = &sections_.back();
  }
  for (std::string& old : s->Lines) {
    size_t eq = old.find('=');
    if (eq != std::string::npos && SameText(Trim(old.substr(0, eq)), key)) {
      old = line;
      return;
    }
  }
  s->Lines.push_back(line);
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
  const TSection* s = FindSection(section);
  return s ? s->Lines : std::vector<std::string>{};
}

void TIniFile::EraseSection(const std::string& section) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it)
    if (SameText(it->Name, section)) {
      sections_.erase(it);
      return;
    }
}

std::vector<std::string> TIniFile::GetLines() const {
  std::vector<std::string> lines;
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
  LoadFromText(text);
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

bool SaveFileReplacing(const std::string& path, const std::string& bytes, bool durable) {
  std::string tmp = path + ".XXXXXX";
  int fd = mkstemp(tmp.data());
  if (fd < 0) return false;
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      done += static_cast<size_t>(n);
  }
  // mkstemp creates the file private to the user; give it the usual mode.
  mode_t mask = umask(0);
  umask(mask);
  if (ok && fchmod(fd, 0666 & ~mask) != 0) ok = false;
  if (ok && durable && fsync(fd) != 0) ok = false;
  if (close(fd) != 0) ok = false;
  if (ok && std::rename(tmp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) std::remove(tmp.c_str());
  return ok;
}
