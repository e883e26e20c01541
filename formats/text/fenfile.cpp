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

size_t RenderFenRecord(TJobState&, TChessRec& rec, std::string& out) {
  out = rec.Texts.size() > kSlotFen ? rec.Texts[kSlotFen] : std::string();
  return out.size();
}
