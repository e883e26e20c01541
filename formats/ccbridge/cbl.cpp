// CCBridge 2.x game libraries: container, library header, record walk and
// library file writing.
#include "formats/ccbridge/cbl.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "core/bytereader.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/tempfiles.h"
#include "formats/ccbridge/cbr.h"

namespace {

constexpr size_t kInflateChunk = 65536;
constexpr int kCompressionLevels[4] = {0, 1, Z_DEFAULT_COMPRESSION, 9};

// What follows "CCBridge" in a 3.0 library.
constexpr std::string_view kCbl3Signature = "Library";

const char* Party(int which) { return which == kLibrarySource ? "源" : "目標"; }

std::string Damaged(int which) {
  return SystemText(std::string(Party(which)) + "象棋橋文件已損壞！");
}

// Inflates the zlib stream into lib.Bytes, never beyond the announced size:
// the output grows as it comes, so a false size cannot make a large buffer.
// Returns false with the zlib message when the stream is corrupt; sets
// shortData when it ends (or the file ends) before the announced size.
bool Inflate(std::string_view input, TLibraryData& lib, std::string& zlibMessage, bool& shortData) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) {
    zlibMessage = "inflateInit";
    return false;
  }
  const size_t want = static_cast<size_t>(lib.DataSize);
  lib.Bytes.clear();
  lib.Bytes.reserve(std::min(want, input.size() * 4 + kInflateChunk));
  size_t fed = 0;
  int rc = Z_OK;
  char chunk[kInflateChunk];
  while (lib.Bytes.size() < want) {
    if (zs.avail_in == 0 && fed < input.size()) {
      const size_t n = std::min<size_t>(input.size() - fed, UINT_MAX);
      zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data() + fed));
      zs.avail_in = static_cast<uInt>(n);
      fed += n;
    }
    const size_t room = std::min(sizeof chunk, want - lib.Bytes.size());
    zs.next_out = reinterpret_cast<Bytef*>(chunk);
    zs.avail_out = static_cast<uInt>(room);
    rc = inflate(&zs, Z_NO_FLUSH);
    lib.Bytes.append(chunk, room - zs.avail_out);
    if (rc == Z_STREAM_END) break;
    if (rc == Z_BUF_ERROR && zs.avail_in == 0 && fed >= input.size()) break;  // input ended
    if (rc != Z_OK && rc != Z_BUF_ERROR) {
      zlibMessage = zs.msg ? zs.msg : "inflate";
      inflateEnd(&zs);
      return false;
    }
  }
  inflateEnd(&zs);
  shortData = lib.Bytes.size() < want;
  return true;
}

}  // namespace

void ReportLibraryProblem(TJobState& job, int which, const std::string& message) {
  if (which == kLibrarySource)
    job.Log(message, kLogError);
  else
    job.Ask(message, TAskKind::Error, kBtnOk, kAnswerUnread);
}

size_t TLibraryData::End() const {
  return DataSize < 0 ? 0 : std::min(static_cast<size_t>(DataSize), Bytes.size());
}

bool UnpackLibrary(std::string_view file, int which, TLibraryData& lib, std::string& message,
                   bool& shortData) {
  shortData = false;
  lib.Bytes.clear();
  TByteReader in(file);
  std::string_view magic;
  if (!in.ReadBytes(8, magic) || magic != std::string_view(kCblMagic, 8)) {
    message = SystemText(std::string(Party(which)) + "文件不是象棋橋2.x棋庫文件。");
    return false;
  }
  // A 3.0 library starts with the same eight bytes; its layout is another one,
  // and the CBL 3.0 job cuts it into CBR records.
  if (file.substr(8).starts_with(kCbl3Signature)) {
    message = SystemText(
        std::string(Party(which)) +
        "文件是象棋橋3.0棋庫，請先用“象棋橋3.0棋庫 To 象棋橋CBR棋譜”把它拆分為CBR棋譜。");
    return false;
  }
  int32_t version = 0;
  if (!in.ReadI32Le(version)) {
    message = Damaged(which);
    return false;
  }
  if (version != kCblVersion) {
    char text[160];
    std::snprintf(text, sizeof text, "%s象棋橋文件的版本不支持：%d.%d", Party(which), version / 10,
                  version % 10);
    message = SystemText(text);
    return false;
  }
  int32_t compression = 0;
  int32_t dataSize = 0;
  if (file.size() <= kCblContainerSize || !in.ReadI32Le(compression) || !in.ReadI32Le(dataSize) ||
      dataSize < kCblMinDataSize || static_cast<uint32_t>(compression) > 3) {
    message = Damaged(which);
    return false;
  }
  lib.Compression = compression;
  lib.DataSize = dataSize;
  const std::string_view payload = file.substr(kCblContainerSize);
  if (compression == 0) {
    // A stored library uses the bytes present, whatever the size says.
    lib.Bytes.assign(payload);
    return true;
  }
  std::string zlibMessage;
  if (!Inflate(payload, lib, zlibMessage, shortData)) {
    message = Damaged(which) + " (zlib: " + zlibMessage + ")";
    lib.Bytes.clear();
    return false;
  }
  return true;
}

bool OpenLibraryBytes(TJobState& job, std::string_view file, int which, TLibraryData& lib) {
  std::string message;
  bool shortData = false;
  if (!UnpackLibrary(file, which, lib, message, shortData)) {
    ReportLibraryProblem(job, which, message);
    return false;
  }
  if (shortData) {
    // The records inside the bytes that came out can still be read; a library
    // that is to be rewritten must be whole.
    const std::string text = Damaged(which) + " " + std::to_string(lib.Bytes.size()) + " / " +
                             std::to_string(lib.DataSize);
    ReportLibraryProblem(job, which, text);
    if (which != kLibrarySource) return false;
  }
  return true;
}

bool RecogniseCbl(std::string_view head) {
  return head.size() >= kCblContainerSize && head.substr(0, 8) == std::string_view(kCblMagic, 8) &&
         static_cast<uint8_t>(head[8]) == kCblVersion && head[9] == 0 && head[10] == 0 &&
         head[11] == 0;
}

bool ParseLibraryHeader(TJobState& job, TLibraryData& lib) {
  TByteReader in(reinterpret_cast<const uint8_t*>(lib.Bytes.data()), lib.End());
  bool ok = true;
  for (int t = 0; t < 5 && ok; ++t) ok = SkipCountedText(in);
  int32_t count = 0;
  ok = ok && in.Skip(2 * kCbrTimeLength) && in.ReadI32Le(count) && count >= 0;
  if (ok) {
    char text[64];
    std::snprintf(text, sizeof text, "棋譜數量：%d", count);
    job.Log(SystemText(text), kLogPlain);
    ok = SkipCountedText(in);
  }
  if (!ok) {
    job.Log(SystemText("象棋橋文件已損壞！"), kLogError);
    return false;
  }
  lib.Count = count;
  lib.Precision = DigitCount(count);
  lib.Position = in.Offset();
  return true;
}

std::string RecordLabel(int precision, int number) {
  char text[48];
  std::snprintf(text, sizeof text, "[%.*d]", precision, number);
  return text;
}

int WalkLibraryRecords(TJobState& job, const TLibraryData& lib, const TRecordVisitor& onRecord) {
  const size_t limit = lib.End();
  TByteReader in(reinterpret_cast<const uint8_t*>(lib.Bytes.data()), limit);
  size_t start = lib.Position;
  int visited = 0;
  for (int i = 1; i <= lib.Count; ++i) {
    const std::string label = RecordLabel(lib.Precision, i);
    int32_t size = 0;
    // A size below 4 cannot even hold itself; taking it would step backwards
    // or stay on the same record.
    if (!in.Seek(start) || !in.ReadI32Le(size) || size < 4 ||
        static_cast<size_t>(size) > limit - start) {
      job.Log(SystemText("棋譜結束位置超出數據總長度：") + label, kLogError);
      break;
    }
    const size_t end = start + static_cast<size_t>(size);
    onRecord(start, end, label);
    ++visited;
    start = end;
  }
  return visited;
}

std::string RenderLibraryFile(std::string_view data, int32_t compression, int32_t dataSize) {
  if (compression < 0 || compression > 3)
    throw std::runtime_error("compression " + std::to_string(compression));
  if (dataSize < 0 || static_cast<size_t>(dataSize) > data.size())
    throw std::runtime_error("data size " + std::to_string(dataSize));
  const size_t n = static_cast<size_t>(dataSize);
  std::string out(kCblMagic, 8);
  for (int32_t value : {kCblVersion, compression, dataSize}) {
    const uint32_t u = static_cast<uint32_t>(value);
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<char>((u >> (8 * b)) & 0xFF));
  }
  if (compression == 0) {
    out.append(data.substr(0, n));
    return out;
  }
  uLongf packed = compressBound(static_cast<uLong>(n));
  out.resize(kCblContainerSize + packed);
  const int rc = compress2(reinterpret_cast<Bytef*>(out.data() + kCblContainerSize), &packed,
                           reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(n),
                           kCompressionLevels[compression]);
  if (rc != Z_OK) throw std::runtime_error(std::string("zlib: ") + zError(rc));
  out.resize(kCblContainerSize + packed);
  return out;
}
