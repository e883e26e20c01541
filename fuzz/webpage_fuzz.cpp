// Feeds arbitrary bytes to the web-page search and the STQY and applet
// readers as a page file, the way the any-to-any job reads web sources: the
// bytes are written to a file, FindWebRecords lists the blocks and each block
// goes through ReadWebRecord. The first byte picks the code page, the STQY
// source options and an optional wrapper that puts the bytes inside a block of
// one page kind, so that the readers see block content often.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "app/baseform.h"
#include "app/dispatch.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/text/registry.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

// The page file lives in memory when the system offers a tmpfs.
const std::string& PagePath() {
  static const std::string path = [] {
    std::error_code ec;
    std::filesystem::path folder = "/dev/shm";
    if (!std::filesystem::is_directory(folder, ec)) folder = std::filesystem::temp_directory_path();
    return (folder / ("tavrik_webpage_fuzz_" + std::to_string(getpid()) + ".htm")).string();
  }();
  // Removed when the fuzzer exits.
  static const struct TRemoveAtExit {
    ~TRemoveAtExit() { std::remove(path.c_str()); }
  } remover;
  return path;
}

std::string Wrap(int wrapper, std::string_view body) {
  static const char* const kOpen[] = {"",
                                      "[dhjhtmlxq]",
                                      "[dhj01xqcchcodeflag]",
                                      "<applet code=javaxqb.class>",
                                      "<applet code=JavaXQ.class>",
                                      "<applet code=\"JavaXQ\">"};
  static const char* const kClose[] = {"",          "[/dhjhtmlxq]", "[/dhj01xqcchcodeflag]",
                                       "</applet>", "</applet>",    "</applet>"};
  return std::string(kOpen[wrapper]) + std::string(body) + kClose[wrapper];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t options = data[0];
  static const int kCodePages[] = {kCpUtf8, kCpGbk, kCpBig5, kCpUtf8};
  const int cp = kCodePages[options & 3];
  const std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);
  {
    std::ofstream out(PagePath(), std::ios::binary | std::ios::trunc);
    const std::string page = Wrap((options >> 5) % 6, body);
    out.write(page.data(), static_cast<std::streamsize>(page.size()));
  }

  TBaseForm job;
  job.SrcFormat = kFmtUbbJava;
  job.DstFormat = kFmtPgn;
  job.SrcCodePage = cp;
  job.DstCodePage = static_cast<uint32_t>(cp);
  job.MapFlags = 0;
  job.DelSpace = (options & 4) != 0;
  job.TitleIncludeRound = (options & 8) != 0;
  job.TitleType = (options >> 4) & 1 ? 2 : 5;

  std::string text;
  TDynJavaArray items;
  const int found = FindWebRecords(job, PagePath(), text, items);
  Require(found == static_cast<int>(items.size()));
  TChessRec rec;
  for (const TWebItemRec& item : items) {
    Require(item.StartPos >= 1 && item.StartPos <= item.EndPos &&
            item.EndPos <= static_cast<int32_t>(text.size()));
    ReadWebRecord(job, rec, PagePath(), item.Kind, item.StartPos, item.EndPos, text);
    Require(rec.MoveCount >= 0 && rec.MoveCount < static_cast<int>(rec.Moves.size()));
    Require(rec.TextTop >= 62 && rec.TextTop < static_cast<int>(rec.Texts.size()));
    Require(rec.LastLine >= 0 && rec.LastLine < static_cast<int>(rec.Lines.size()));
  }
  return 0;
}
