// Fuzzes source-text decoding (file and clipboard), code-page conversion with
// script mapping, and the double-byte aware searches and edits. The first two
// bytes choose the code pages, the flag, a search byte and a limit; the rest
// is the text.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/clipboard.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/sourcetext.h"
#include "core/variants.h"
#include "tests/support/test_job.h"

namespace {

const int kCodePages[4] = {kCpGbk, kCpBig5, kCpUtf8, kCpUtf16Le};
const int kFlags[3] = {0, kMapToSimplified, kMapToTraditional};

void Check(bool ok) {
  if (!ok) std::abort();
}

// Every hit of a search must start on a character boundary and match.
void CheckSearches(int cp, const std::string& text, const std::string& needle, char c,
                   size_t limit) {
  for (size_t start = 1; start <= text.size() + 1; start += 1 + text.size() / 8) {
    size_t p = PosDbcs(cp, needle, text, limit, start);
    if (p) {
      Check(p >= start && p + needle.size() - 1 <= std::min(limit, text.size()));
      Check(text.compare(p - 1, needle.size(), needle) == 0);
      Check(DbcsByteKind(cp, text, p) != 2);
    }
    p = PosTextDbcs(cp, needle, text, limit, start);
    if (p) Check(p >= start && DbcsByteKind(cp, text, p) != 2);
    p = PosCharDbcs(cp, c, text, limit, start);
    if (p) Check(text[p - 1] == c && DbcsByteKind(cp, text, p) == 0);
    p = LastPosCharDbcs(cp, c, text, start, 1);
    if (p) Check(p <= start && text[p - 1] == c && DbcsByteKind(cp, text, p) == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int src = kCodePages[data[0] & 3];
  const int dst =
      kCodePages[(data[0] >> 2) & 3] == kCpUtf16Le ? kCpUtf8 : kCodePages[(data[0] >> 2) & 3];
  const int flag = kFlags[((data[0] >> 4) & 3) % 3];
  const bool clip = (data[0] & 0x40) != 0;
  const char c = static_cast<char>(data[1] & 0x7F);
  const size_t limit = (data[1] & 0x80) ? kNoLimit : size / 2;
  std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);

  TQuietJob job;
  std::string out;
  if (clip) {
    TMemoryClipboard board;
    board.HasText = true;
    board.Bytes = text;
    board.Wide.assign(reinterpret_cast<const char16_t*>(text.data()), text.size() / 2);
    SetClipboard(&board);
    ReadSourceText(job, out, "", flag, dst, src, true);
    PutClipboardText(text.data(), text.size(), src == kCpUtf16Le ? kCpUtf8 : src);
    SetClipboard(nullptr);
  } else {
    static const std::string path =
        (access("/dev/shm", W_OK) == 0 ? "/dev/shm/tavrik_encoding_fuzz_"
                                       : "/tmp/tavrik_encoding_fuzz_") +
        std::to_string(getpid());
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
      std::fwrite(text.data(), 1, text.size(), f);
      std::fclose(f);
      ReadSourceText(job, out, path, flag, dst, src, false);
      unlink(path.c_str());
    }
  }
  Check(out.find('\0') == std::string::npos);

  const int cp = src == kCpUtf16Le ? kCpGbk : src;
  std::string converted = text;
  ConvertCodePage(converted, cp, flag, dst);
  std::string needle = text.substr(0, std::min<size_t>(text.size(), data[1] % 4));
  CheckSearches(cp, text, needle, c, limit);
  // Each call walks back over a run of lead bytes: sample long texts.
  for (size_t p = 0; p <= text.size() + 1; p += 1 + text.size() / 256) {
    int kind = DbcsByteKind(cp, text, p);
    Check(kind >= 0 && kind <= 2);
  }

  std::string edited = text;
  ReplaceAllDbcs(cp, edited, needle, (data[1] & 1) != 0, "<>");
  NormaliseLineBreaks(edited);
  TrimRightCtl(edited);
  CurlyQuotes(edited, data[1] % 3);
  std::string name = FitFileName(text, data[1] % 40);
  Check(name.size() <= text.size());
  return 0;
}
