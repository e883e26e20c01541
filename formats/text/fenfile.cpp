// FEN files. The reader takes the position and side from the FEN string; the
// writer's output is the record's FEN slot alone, with no byte-order mark and
// no line end, so that other programs can read it as it stands.
#include "formats/text/fenfile.h"

#include <exception>

#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/position.h"
#include "core/record.h"

bool ReadFenText(TJobState& job, TChessRec& rec, std::string_view text) {
  if (!ParseFen(rec, text)) {
    job.LogRecord(rec, SystemText("源棋譜不是FEN局面或者源棋譜代碼頁不正確。"), kLogError);
    return false;
  }
  return true;
}

bool ReadFenFile(TJobState& job, TChessRec& rec, const std::string& path) {
  try {
    std::string text;
    ReadSourceText(job, text, path, 0, kCpUtf8, job.SrcCodePage, job.FromClipboard);
    return ReadFenText(job, rec, text);
  } catch (const std::exception& e) {
    job.LogRecord(rec, e.what(), kLogError);
    return false;
  }
}

int WriteFenFile(TJobState& job, TChessRec& rec, const std::string& path) {
  try {
    std::string& out = job.RenderBuffer;
    out = rec.Texts.size() > kSlotFen ? rec.Texts[kSlotFen] : std::string();
    return job.WriteOutput(rec, path, out.size(), out) ? 1 : 0;
  } catch (const std::exception& e) {
    job.LogRecord(rec, e.what(), kLogError);
    return 0;
  }
}
