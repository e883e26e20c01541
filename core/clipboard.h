// The clipboard seam. The desktop puts Qt's clipboard behind it, tests an
// in-memory one; the command line has none (an empty clipboard).
#pragma once

#include <string>

class TClipboard {
 public:
  virtual ~TClipboard() = default;
  // Text as bytes of the system code page; false when the clipboard holds no text.
  virtual bool GetAnsiText(std::string& text) = 0;
  // Text as UTF-16; empty when none.
  virtual std::u16string GetWideText() = 0;
  // Replaces the content with the raw bytes and their UTF-16 form.
  virtual void SetText(const std::string& bytes, const std::u16string& wide) = 0;
};

// In-memory clipboard for tests.
class TMemoryClipboard : public TClipboard {
 public:
  bool HasText = false;
  std::string Bytes;
  std::u16string Wide;

  bool GetAnsiText(std::string& text) override;
  std::u16string GetWideText() override;
  void SetText(const std::string& bytes, const std::u16string& wide) override;
};

// The process's clipboard; null means there is none (command line).
TClipboard* Clipboard();
void SetClipboard(TClipboard* clipboard);
