// The conversion job framework shared by every conversion window.
#include "app/baseform.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/clipboard.h"
#include "core/ecco.h"
#include "core/encoding.h"
#include "core/files.h"
#include "core/record.h"
#include "core/sourcetext.h"
#include "core/tempfiles.h"
#include "core/uglobal.h"

namespace fs = std::filesystem;

namespace {

// Longest file name (UTF-16 code units) a new output file may have.
constexpr size_t kMaxPathUnits = 258;
// Most characters of a record title used as a file name.
constexpr int kTitleRoom = 256;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool IsDbcsCodePage(int cp) { return cp == kCpGbk || cp == kCpBig5; }
char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

const char* LevelPrefix(int level) { return level == kLogError ? "[錯誤] " : "[警告] "; }

// Control characters that come with file names (a newline, an escape) would
// split a log line or drive the terminal: they are shown as \xNN. The CR LF
// pairs of the program's own messages stay.
std::string PrintableText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += "\r\n";
      ++i;
    } else if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int NormalLevel(int level) {
  return level == kLogError || level == kLogWarning ? level : kLogPlain;
}

// Nothing at all under the name, not even a dangling link: then it is no file,
// no link to follow and nothing to replace, all known from one lstat.
bool NothingAt(const std::string& name) {
  struct stat st;
  return ::lstat(name.c_str(), &st) != 0 && errno == ENOENT;
}

// The folder part of a path: everything before the last '/', "/" for a name
// in the root and "." for a bare name.
std::string FolderOf(const std::string& name) {
  const size_t slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return name.substr(0, slash);
}

// Number of UTF-16 code units of a text in the system code page.
size_t Utf16Length(const std::string& systemText) {
  return BytesToWide(systemText, Process().SystemCodePage).size();
}

bool Md5Hex(const std::string& data, std::string& hex) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(data.data(), data.size(), digest, &length, EVP_md5(), nullptr) != 1 ||
      length != 16)
    return false;
  static const char kDigits[] = "0123456789ABCDEF";
  hex.clear();
  for (unsigned i = 0; i < length; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 0x0F];
  }
  return true;
}

// True when base ends in "{" + 32 hexadecimal digits + "}" whose opening brace
// is a character of its own (not the trail byte of a double-byte character).
bool EndsInMd5Suffix(const std::string& base) {
  if (base.size() < kMd5SuffixBytes) return false;
  const size_t start = base.size() - kMd5SuffixBytes;
  if (base[start] != '{' || base.back() != '}') return false;
  for (size_t i = start + 1; i + 1 < base.size(); ++i)
    if (!std::isxdigit(static_cast<unsigned char>(base[i]))) return false;
  return DbcsByteKind(Process().SystemCodePage, base, start + 1) == 0;
}

// Follows symbolic links so that a linked output file is rewritten in place
// of its target, not replaced by a plain file.
std::string ResolveLinks(const std::string& name) {
  std::string current = name;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st;
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::error_code ec;
    fs::path target = fs::read_symlink(current, ec);
    if (ec) return current;
    if (target.is_relative()) target = fs::path(current).parent_path() / target;
    current = target.string();
  }
  return current;
}

bool WriteAll(int fd, const std::string& data) {
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, p, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) {
      errno = EIO;
      return false;
    }
    p += written;
    left -= static_cast<size_t>(written);
  }
  return true;
}

// Writes data straight into an existing special file (a device, a pipe).
int WriteInPlace(const std::string& target, const std::string& data) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return errno;
  int err = WriteAll(fd, data) ? 0 : errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  return err;
}

// Writes data to a new file beside target and renames it over target, so that
// an existing file stays whole when the program fails or the disk is full.
// A new file is not flushed: outputs can be made again from their sources, and
// a flush per record would make converting a large folder several times
// slower. A file that replaces another is flushed before the rename, so that a
// crash cannot leave an empty file where the old one was. Returns 0 or an errno.
// A target known to be absent is not looked for again.
int WriteByRename(const std::string& target, const std::string& data, bool knownAbsent) {
  struct stat old;
  const bool replacing = !knownAbsent && ::stat(target.c_str(), &old) == 0;
  if (replacing && !S_ISREG(old.st_mode)) return WriteInPlace(target, data);
  // A file the user may not write to is not replaced behind their back.
  if (replacing && ::access(target.c_str(), W_OK) != 0) return errno;

  std::string temp;
  const int fd = CreateTemporaryBeside(target, temp);
  if (fd < 0) return errno;

  int err = 0;
  if (replacing) {
    // Keep the replaced file's permissions and, where allowed, its owner.
    if (::fchmod(fd, old.st_mode & 0777) != 0) err = errno;
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Not permitted for other users' files: the new file stays ours.
    }
  }
  if (err == 0 && !WriteAll(fd, data)) err = errno;
  if (err == 0 && replacing && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) ::unlink(temp.c_str());
  return err;
}

// Converts text to UTF-16; false when it is not valid UTF-8.
bool StrictUtf16(const std::string& utf8, icu::UnicodeString& out) {
  out.remove();
  if (utf8.empty()) return true;
  UErrorCode err = U_ZERO_ERROR;
  int32_t units = 0;
  u_strFromUTF8(nullptr, 0, &units, utf8.data(), static_cast<int32_t>(utf8.size()), &err);
  if (err != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(err)) return false;
  err = U_ZERO_ERROR;
  UChar* buffer = out.getBuffer(units);
  u_strFromUTF8(buffer, units, nullptr, utf8.data(), static_cast<int32_t>(utf8.size()), &err);
  out.releaseBuffer(U_SUCCESS(err) ? units : 0);
  return U_SUCCESS(err);
}

}  // namespace

TBaseForm::TBaseForm() {
  tsConvert.Caption = "轉換";
  rgSource.Caption = "來源";
  rgSource.Items = {"文件夾", "文件"};
  rgSource.ItemIndex = 1;
  lblSource.Caption = "來源";
  lblDestination.Caption = "目標";
  btnSource.Caption = "打開...";
  btnDestination.Caption = "打開...";
  chkSubDir.Caption = "包含子文件夾";
  chkFileNameToTitle.Caption = "文件名作為棋譜標題";
  chkLeftToRight.Caption = "左右調換";
  chkAddBaseInfo.Caption = "添加摘要信息到棋譜最后";
  chkAddError.Caption = "添加錯誤信息到棋譜注解";
  lblLog.Caption = "轉換\r\nLOG";
  btnConvert.Caption = "轉換";
  btnClose.Caption = "關閉";
}

TBaseForm::~TBaseForm() = default;

void TBaseForm::Log(const std::string& message, int level, bool addPrefix) {
  level = NormalLevel(level);
  if (level == kLogError) ++ErrorCount;
  if (level == kLogWarning) ++WarningCount;
  const std::string text = PrintableText(message);
  if (addPrefix && level != kLogPlain && !text.empty())
    mmoLog.Lines.push_back(SystemText(LevelPrefix(level)) + text);
  else
    mmoLog.Lines.push_back(text);
  if (OnLog) OnLog(mmoLog.Lines.back());
}

void TBaseForm::LogRecord(TChessRec& rec, const std::string& text, int level) {
  level = NormalLevel(level);
  if (level == kLogPlain || text.empty()) {
    Log(text, level);
    return;
  }
  if (rec.LoggedMessages >= kRecordMessageLimit) {
    // Held back, but counted as if it had been logged.
    ++rec.HiddenMessages;
    ++(level == kLogError ? ErrorCount : WarningCount);
    return;
  }
  ++rec.LoggedMessages;
  const std::string line = SystemText(LevelPrefix(level)) + text;
  if (AddErrorInfo) {
    rec.ErrorText += line;
    rec.ErrorText += "\r\n";
  }
  Log(line, level, false);
}

void TBaseForm::EndRecordLog(TChessRec& rec) {
  if (rec.HiddenMessages == 0) return;
  Log(SystemText("此棋譜另有 " + std::to_string(rec.HiddenMessages) +
                 " 條錯誤或警告信息沒有寫入LOG。"));
  rec.HiddenMessages = 0;
}

int TBaseForm::Ask(const std::string& text, TAskKind kind, unsigned buttons, int unattendedAnswer) {
  if (Process().Unattended || Asker == nullptr) {
    Log(text);
    return unattendedAnswer;
  }
  if (unattendedAnswer == kAnswerSummary) Log(text);
  return Asker->Show(text, kind, buttons);
}

void TBaseForm::PrepareJob() {
  mmoLog.Lines.clear();
  ErrorCount = 0;
  WarningCount = 0;
  OutBuffer.clear();
  BeginProgress();
  ReplaceAnswer = kAnswerYes;
  FileNameToTitle = chkFileNameToTitle.Checked;
  LeftToRight = chkLeftToRight.Checked;
  // Formats without comment text never receive summaries or error notes.
  const bool carriesComments =
      DstFormat < static_cast<uint32_t>(kFormatCount) && FileTypes[DstFormat].BreakKind != 0;
  AddBaseInfo = chkAddBaseInfo.Checked && carriesComments;
  AddErrorInfo = chkAddError.Checked && carriesComments;

  const bool toTraditional = (MapFlags & kMapToTraditional) != 0;
  int index = DstCodePageIndex;
  if (index < 0 || index > 2) index = DstCodePage == kCpBig5 ? 1 : DstCodePage == kCpUtf8 ? 2 : 0;
  switch (index) {
    case 0:
      TextVariant = toTraditional ? 1 : 0;
      break;
    case 1:
      TextVariant = 2;
      break;
    default:
      TextVariant = toTraditional ? 4 : 3;
      break;
  }
  ScriptCodePage = DstCodePage == kCpBig5 || toTraditional ? kCpBig5 : kCpGbk;
  if (EccoLoaded()) EccoInitOpenVar(ScriptCodePage == kCpBig5);
  WxfStandard = !(DstFormat == kFmtWebC5 || DstFormat == kFmtText || DstFormat == kFmtCbl);
}

bool TBaseForm::CheckJobSettings() {
  auto refuse = [this](const char* message) {
    Ask(SystemText(message), TAskKind::Error, kBtnOk, kAnswerUnread);
    return false;
  };
  // The formats come from the windows' lists or the recognised source; a
  // number outside the table is a fault of the caller, not a job to run.
  if (SrcFormat >= static_cast<uint32_t>(kFormatCount) ||
      DstFormat >= static_cast<uint32_t>(kFormatCount))
    return false;
  const bool dbcsSource = SrcCodePage == kCpGbk || SrcCodePage == kCpBig5;
  if (!dbcsSource && FileTypes[SrcFormat].CodePages == TCodePageRule::DoubleByte)
    return refuse("“源棋譜代碼頁”請選中“國標碼”或“大五碼”。");
  if (DstCodePage != kCpGbk && DstCodePage != kCpBig5 &&
      FileTypes[DstFormat].CodePages == TCodePageRule::DoubleByte)
    return refuse("“目標棋譜代碼頁”請選中“國標碼”或“大五碼”。");
  if (FromClipboard) {
    if (!FileTypes[SrcFormat].Text) return refuse("來源不能是剪貼板！");
    std::string text;
    TClipboard* clipboard = Clipboard();
    if (clipboard == nullptr || !clipboard->GetAnsiText(text) || text.empty())
      return refuse("剪貼板中沒有文本！");
  }
  if (!FileTypes[SrcFormat].Text) return true;
  const char* question = nullptr;
  if (FromClipboard) {
    if (SrcCodePage != Process().SystemCodePage && SrcFormat != kFmtFen &&
        SrcCodePage != kCpUtf16Le) {
      if (SrcCodePage == kCpGbk)
        question = "“源棋譜代碼頁”為“國標碼(GBK)”，請確認是否正確？";
      else if (SrcCodePage == kCpBig5)
        question = "“源棋譜代碼頁”為“大五碼(Big5)”，請確認是否正確？";
      else if (SrcCodePage == kCpUtf8)
        question = "“源棋譜代碼頁”為“UTF-8”，請確認是否正確？";
    }
  } else if (SrcCodePage == kCpUtf16Le) {
    question = "“源棋譜代碼頁”為“UTF-16 Little Endian”，請確認是否正確？";
  }
  if (question != nullptr &&
      Ask(SystemText(question), TAskKind::Confirmation, kBtnYes | kBtnNo, kAnswerYes) == kAnswerNo)
    return false;
  return true;
}

int TBaseForm::WalkSourceFolder(const std::string& sourceFolder, const std::string& destFolder) {
  std::string ensured;  // the destination folder last found or made
  TFolderWalk walk{
      *this, [this](const std::string& text, int level) { Log(text, level); },
      SrcFormat < static_cast<uint32_t>(kFormatCount) ? FileTypes[SrcFormat].Filter : "",
      chkSubDir.Checked,
      [&](const std::string& folder, const std::string& name, const std::string& dest) {
        if (!dest.empty() && dest != ensured) {
          if (!EnsureFolder(dest)) {
            Log(SystemText("不能建立文件夾：") + dest, kLogError);
            return -1;
          }
          ensured = dest;
        }
        return ConvertFile(folder + name, dest);
      }};
  return WalkJobFolder(walk, sourceFolder, destFolder);
}

int TBaseForm::ConvertFile(const std::string&, const std::string&) { return 0; }

std::string TBaseForm::SystemTitle(const TChessRec& rec) const {
  std::string title = rec.Texts.size() > kSlotTitle ? rec.Texts[kSlotTitle] : std::string();
  if (!title.empty() && static_cast<int>(DstCodePage) != Process().SystemCodePage)
    ConvertCodePage(title, static_cast<int>(DstCodePage), 0, Process().SystemCodePage);
  return title;
}

bool TBaseForm::WriteOutput(TChessRec& rec, const std::string& fileName, size_t presetSize,
                            const std::string& rendered) {
  const size_t n = rendered.size();
  if (Process().MemorySizeDiff && n != presetSize) {
    const bool above = n > presetSize;
    char numbers[48];
    std::snprintf(numbers, sizeof numbers, "%10zu %10zu", presetSize, n);
    const std::string text =
        std::string("內部使用，請忽略！預置大小 ") + (above ? '<' : '>') + " 實際大小！" + numbers;
    LogRecord(rec, SystemText(text), above || DstFormat != kFmtPgn ? kLogWarning : kLogPlain);
  }

  if (ToClipboard) {
    std::string_view bytes(rendered);
    // Only the first record in the buffer keeps its byte-order mark.
    if (!OutBuffer.empty() && bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
    if (!bytes.empty()) {
      // Grow in 1 MiB steps so that thousands of small records reallocate rarely.
      const size_t room = (OutBuffer.size() + n + 0x100000) & ~static_cast<size_t>(0xFFFFF);
      if (room > OutBuffer.capacity()) OutBuffer.reserve(room);
      OutBuffer.append(bytes);
      const std::string title = SystemTitle(rec);
      LogRecord(rec,
                title.empty() ? SystemText("已寫一個棋譜到緩存(棋譜標題為空)！")
                              : SystemText("已寫一個棋譜到緩存：") + title,
                kLogPlain);
    }
    return true;
  }

  std::string name = fileName;
  if (FromClipboard && FolderExists(name)) {
    // Clipboard text into a folder: each record is named after its title. The
    // title is cleaned so that it cannot reach outside the folder.
    const std::string ext =
        DstFormat < static_cast<uint32_t>(kFormatCount) ? FileTypes[DstFormat].Ext : "";
    // Room in the name for the dot, the extension and an MD5 suffix.
    std::string title =
        FitFileName(SystemTitle(rec), kTitleRoom, kMaxNameBytes - 1 - ext.size() - kMd5SuffixBytes);
    if (title.empty()) title = "NoName";
    if (name.back() != '/') name += '/';
    name += title + "." + ext;
  }

  // Most names are new: one lstat then stands for the existence checks below.
  std::string probed;
  bool probedAbsent = false;
  auto absent = [&](const std::string& n) {
    if (n != probed) {
      probed = n;
      probedAbsent = NothingAt(n);
    }
    return probedAbsent;
  };

  if (AddMD5 == 1 || AddMD5 == 2) {
    const size_t split = name.find_last_of("./");
    std::string base = name;
    std::string ext;
    if (split != std::string::npos && name[split] == '.') {
      base = name.substr(0, split);
      ext = name.substr(split);
    }
    // An earlier suffix is replaced, never doubled.
    if (EndsInMd5Suffix(base)) {
      base.resize(base.size() - kMd5SuffixBytes);
      name = base + ext;
    }
    if (AddMD5 == 2 || (!absent(name) && FileExists(name))) {
      std::string digest;
      if (!Md5Hex(rendered, digest)) {
        LogRecord(rec, SystemText("不能計算MD5：") + name, kLogError);
        return false;
      }
      name = base + "{" + digest + "}" + ext;
    }
  }

  const bool knownAbsent = absent(name);
  if (!knownAbsent && FileExists(name)) {
    if (ReplaceAnswer == kAnswerYes || ReplaceAnswer == kAnswerNo) {
      int answer = Ask(SystemText("文件“") + name + SystemText("”已存在，是否替換？"),
                       TAskKind::Confirmation, kBtnYes | kBtnNo | kBtnYesToAll | kBtnNoToAll,
                       kAnswerYesToAll);
      // A closed box replaces nothing and asks again next time.
      if (answer != kAnswerYes && answer != kAnswerYesToAll && answer != kAnswerNoToAll)
        answer = kAnswerNo;
      ReplaceAnswer = static_cast<uint16_t>(answer);
    }
    if (ReplaceAnswer == kAnswerNo || ReplaceAnswer == kAnswerNoToAll) return false;
  } else {
    if (!FolderExists(FolderOf(name))) {
      LogRecord(rec, SystemText("目標文件所在的文件夾不存在。") + name, kLogError);
      return false;
    }
    if (Utf16Length(name) > kMaxPathUnits) {
      LogRecord(rec, SystemText("路徑和文件名總長度超過最大長度。") + name, kLogError);
      return false;
    }
  }

  const int err = knownAbsent ? WriteByRename(name, rendered, true)
                              : WriteByRename(ResolveLinks(name), rendered, false);
  if (err != 0) {
    LogRecord(rec, SystemText("不能寫入文件：") + name + " (" + std::strerror(err) + ")",
              kLogError);
    return false;
  }
  LogRecord(rec, SystemText("已寫棋譜到：") + name, kLogPlain);
  return true;
}

void TBaseForm::FinishJob(int convertedCount) {
  if (ToClipboard && !OutBuffer.empty()) {
    OutBuffer.push_back('\0');
    PutClipboardText(OutBuffer.data(), OutBuffer.size(), static_cast<int>(DstCodePage));
    Log(SystemText("\r\n已復制緩存數據到剪貼板"));
  }
  OutBuffer.clear();
  OutBuffer.shrink_to_fit();

  const std::string count = std::to_string(convertedCount);
  if (ErrorCount > 0 || WarningCount > 0) {
    Ask(SystemText("\r\n已轉換 " + count +
                   " 個棋譜\r\n有錯誤或警告產生，請檢查LOG！\r\n錯誤個數：" +
                   std::to_string(ErrorCount) + "\r\n警告個數：" + std::to_string(WarningCount)),
        TAskKind::Error, kBtnOk, kAnswerSummary);
  } else {
    Ask(SystemText("\r\n成功轉換 " + count + " 個棋譜。"), TAskKind::Information, kBtnOk,
        kAnswerSummary);
  }
}

std::string TBaseForm::LogText() const {
  std::string text;
  for (size_t i = 0; i < mmoLog.Lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += mmoLog.Lines[i];
  }
  return text;
}

bool SamePath(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  if (a == b) return true;
  const int cp = Process().SystemCodePage;
  if (cp == kCpUtf8) {
    icu::UnicodeString wideA;
    icu::UnicodeString wideB;
    if (StrictUtf16(a, wideA) && StrictUtf16(b, wideB))
      return wideA.caseCompare(wideB, U_FOLD_CASE_DEFAULT) == 0;
  }
  // ASCII letters compare without case; double-byte characters byte for byte.
  const bool dbcs = IsDbcsCodePage(cp);
  for (size_t i = 0; i < a.size(); ++i) {
    if (dbcs && IsLeadByte(static_cast<unsigned char>(a[i]))) {
      if (a[i] != b[i] || (i + 1 < a.size() && a[i + 1] != b[i + 1])) return false;
      ++i;
      continue;
    }
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

bool SameLocation(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (fs::exists(a, ec) && fs::exists(b, ec)) {
    const bool same = fs::equivalent(a, b, ec);
    if (!ec) return same;
  }
  std::error_code ecA;
  std::error_code ecB;
  fs::path pathA = fs::weakly_canonical(a, ecA);
  fs::path pathB = fs::weakly_canonical(b, ecB);
  if (ecA || ecB) return a == b;
  std::string textA = pathA.string();
  std::string textB = pathB.string();
  while (textA.size() > 1 && textA.back() == '/') textA.pop_back();
  while (textB.size() > 1 && textB.back() == '/') textB.pop_back();
  return textA == textB;
}
