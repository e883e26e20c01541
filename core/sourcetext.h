// Source text as the jobs read it, from a file or the clipboard, in the code
// page they work in; and text put on the clipboard.
#pragma once

#include <cstddef>
#include <string>

class TJobState;

// Reads source text from a file (or the clipboard) into code page dst: a
// UTF-16 mark (FF FE, or FE FF for big-endian) or a UTF-8 mark overrides src,
// and zero bytes of the result become blanks. A missing or empty file is
// logged as an error and leaves the text empty; an empty or absent clipboard
// gives an empty text. Returns the effective source code page (0 for UTF-16,
// 65001 for a UTF-8 mark).
int ReadSourceText(TJobState& job, std::string& text, const std::string& name, int flag, int dst,
                   int src, bool clip);

// Replaces the clipboard's content with the bytes (code page cp) and their
// UTF-16 form without a leading U+FEFF. A final zero byte, added for readers
// of C strings, is not placed. Without a clipboard nothing happens.
void PutClipboardText(const char* bytes, size_t n, int cp);
std::u16string GetClipboardWide();
