// The process's clipboard seam and the in-memory clipboard of tests.
#include "core/clipboard.h"

#include "core/encoding.h"
#include "core/jobstate.h"

namespace {
TClipboard* currentClipboard = nullptr;
}  // namespace

TClipboard* Clipboard() { return currentClipboard; }

void SetClipboard(TClipboard* clipboard) { currentClipboard = clipboard; }

bool TMemoryClipboard::GetAnsiText(std::string& text) {
  text.clear();
  if (!HasText) return false;
  if (!Bytes.empty()) {
    // Clipboard text ends at its first zero byte.
    text.assign(Bytes, 0, Bytes.find('\0'));
    return true;
  }
  // Like a desktop clipboard, offer the Unicode text in the system code page.
  const std::u16string wide = GetWideText();
  if (wide.empty()) return false;
  text = WideToBytes(wide, Process().SystemCodePage);
  return true;
}

std::u16string TMemoryClipboard::GetWideText() {
  if (!HasText) return std::u16string();
  return Wide.substr(0, Wide.find(u'\0'));
}

void TMemoryClipboard::SetText(const std::string& bytes, const std::u16string& wide) {
  HasText = !bytes.empty() || !wide.empty();
  Bytes = bytes;
  Wide = wide;
}
