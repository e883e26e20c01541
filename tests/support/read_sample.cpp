#include "tests/support/read_sample.h"

#include "app/cli/records.h"
#include "app/dispatch.h"
#include "core/encoding.h"
#include "core/record.h"
#include "core/uglobal.h"
#include "core/variants.h"
#include "formats/ccbridge/cbl.h"
#include "formats/ccbridge/cbr.h"
#include "formats/text/registry.h"
#include "tests/support/files.h"
#include "tests/support/test_job.h"

int ReadSample(TTestJob& job, int format, const std::string& path, int srcCodePage,
               const TSampleHandler& onRecord) {
  std::string head;
  ReadFileHead(path, head);
  const bool page = format == kFmtUbbJava || format == kFmtWebC5 || format == kFmtUbb;
  job.SrcFormat = static_cast<uint32_t>(page ? kFmtUbbJava : format);
  job.DstFormat = kFmtPgn;
  job.SrcCodePage = ChooseSourceCodePage(static_cast<int>(job.SrcFormat), head, srcCodePage);
  job.DstCodePage = kCpUtf8;
  job.DstCodePageIndex = 2;
  job.MapFlags = MapFlagsFor(job.SrcCodePage, kCpUtf8);
  job.TextVariant = TextVariantFor(kCpUtf8, job.MapFlags);
  TChessRec rec;
  if (page) {
    std::string text;
    TDynJavaArray items;
    FindWebRecords(job, path, text, items);
    for (const TWebItemRec& item : items)
      onRecord(rec, ReadWebRecord(job, rec, path, item.Kind, item.StartPos, item.EndPos, text));
    return static_cast<int>(items.size());
  }
  if (format == kFmtCbl && MatchesMask(path, "*.CBR")) {
    const std::string bytes = Slurp(path);
    onRecord(rec, ReadCbrRecord(job, rec, bytes, 0, bytes.size(), "[1]"));
    return 1;
  }
  if (format == kFmtCbl) {
    TLibraryData lib;
    if (!ReadLibraryHeader(job, path, lib)) return 0;
    return WalkLibraryRecords(job, lib, [&](size_t start, size_t end, const std::string& label) {
      onRecord(rec, ReadCbrRecord(job, rec, lib.Bytes, start, end, label));
    });
  }
  onRecord(rec, ReadRecordFile(job, rec, path));
  return 1;
}
