// Feeds arbitrary bytes as a web page through the block search and the
// DhtmlXQ / applet-page reader, the way the any-to-any job reads the UBBJava
// source row, then writes every record read back as DhtmlXQ. The first byte
// picks the code page of the page; the rest is the page.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/baseform.h"
#include "app/dispatch.h"
#include "core/jobstate.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "formats/text/dhtmlxq.h"
#include "formats/text/registry.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

const std::string& PagePath() {
  static const std::string path = (std::filesystem::temp_directory_path() /
                                   ("tavrik_dhtmlxq_fuzz_" + std::to_string(getpid()) + ".htm"))
                                      .string();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static TBaseForm job;
  static TChessRec rec;
  const int cps[3] = {kCpUtf8, kCpGbk, kCpBig5};
  const int cp = cps[data[0] % 3];
  job.SrcFormat = kFmtUbbJava;
  job.DstFormat = kFmtUbb;
  job.SrcCodePage = cp;
  job.DstCodePage = static_cast<uint32_t>(cp);
  job.DstCodePageIndex = data[0] % 3 == 0 ? 2 : data[0] % 3 == 1 ? 0 : 1;
  job.HeadText = "[DhtmlXQ]\r\n";
  job.FootText = "[/DhtmlXQ]\r\n";
  job.PrepareJob();
  {
    std::ofstream out(PagePath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data) + 1, static_cast<std::streamsize>(size - 1));
  }
  std::string text;
  TDynJavaArray items;
  const int n = FindWebRecords(job, PagePath(), text, items);
  Require(n == static_cast<int>(items.size()));
  std::string out;
  for (int i = 0; i < n && i < 4; ++i) {
    const TWebItemRec& item = items[static_cast<size_t>(i)];
    Require(item.StartPos >= 1 && item.EndPos <= static_cast<int>(text.size()));
    ReadWebRecord(job, rec, PagePath(), item.Kind, item.StartPos, item.EndPos, text);
    Require(rec.MoveCount >= 0 && rec.MoveCount < static_cast<int>(rec.Moves.size()));
    const size_t expected = RenderDhtmlXQ(job, rec, 1, out);
    Require(expected == out.size());
  }
  return 0;
}
