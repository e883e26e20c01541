#include "core/sourcetext.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "core/bytereader.h"
#include "core/clipboard.h"
#include "core/encoding.h"
#include "core/jobstate.h"

int ReadSourceText(TJobState& job, std::string& text, const std::string& name, int flag, int dst,
                   int src, bool clip) {
  text.clear();
  std::u16string wide;
  bool haveWide = false;
  if (clip) {
    TClipboard* board = Clipboard();
    if (src != 0) {
      if (board && !board->GetAnsiText(text)) text.clear();
    } else {
      if (board) wide = board->GetWideText();
      haveWide = true;
    }
  } else {
    std::error_code ec;
    if (!std::filesystem::exists(name, ec)) {
      job.Log(SystemText("源文件不存在。") + name, kLogError);
      return src;
    }
    // An unreadable file, a folder or a pipe: the reason is in the message.
    std::string bytes, error;
    if (!LoadFileBytes(name, bytes, error)) {
      job.Log(error, kLogError);
      return src;
    }
    if (bytes.empty()) {
      job.Log(SystemText("此文件的大小是零字節!"), kLogError);
      return src;
    }
    bool swap = false;
    if (bytes.size() >= 2) {
      unsigned char b0 = static_cast<unsigned char>(bytes[0]);
      unsigned char b1 = static_cast<unsigned char>(bytes[1]);
      if (b0 == 0xFF && b1 == 0xFE) src = 0;
      if (b0 == 0xFE && b1 == 0xFF) src = 0, swap = true;
    }
    if (src != 0) {
      text = std::move(bytes);
    } else {
      wide = Utf16LeToWide(bytes, swap);
      haveWide = true;
    }
  }

  if (!haveWide) {
    if (text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0) {
      text.erase(0, 3);
      src = kCpUtf8;
    }
    ConvertCodePage(text, src, flag, dst);
  } else {
    std::u16string_view w(wide);
    if (!w.empty() && w[0] == 0xFEFF) w.remove_prefix(1);
    WideToCodePage(text, std::u16string(w), 0, flag, dst);
  }
  std::replace(text.begin(), text.end(), '\0', ' ');
  return src;
}

void PutClipboardText(const char* bytes, size_t n, int cp) {
  TClipboard* board = Clipboard();
  if (!board) return;
  if (n == 0 || !bytes) {
    board->SetText(std::string(), std::u16string());
    return;
  }
  // A terminating zero byte added for C-string readers is not part of the text.
  std::string_view raw(bytes, n);
  if (raw.back() == '\0') raw.remove_suffix(1);
  std::u16string wide = BytesToWide(raw, cp);
  std::u16string_view w(wide);
  if (!w.empty() && w[0] == 0xFEFF) w.remove_prefix(1);
  board->SetText(std::string(raw), std::u16string(w));
}

std::u16string GetClipboardWide() {
  TClipboard* board = Clipboard();
  return board ? board->GetWideText() : std::u16string();
}
