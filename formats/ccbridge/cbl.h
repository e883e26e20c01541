// CCBridge 2.x game libraries (象棋橋2.x棋庫): opening and checking a library,
// walking its records, and writing a whole library file.
//
// The file is a 20-byte container header ("CCBridge", version 21, compression
// 0..3, data size) followed by the library data, stored plain or as one zlib
// stream. The data holds five counted texts, two 19-character times, the
// record count, the counted explanation and then the CBR records one after
// another, each starting with its own size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TJobState;
class TJobState;

constexpr char kCblMagic[] = "CCBridge";
constexpr int32_t kCblVersion = 21;
constexpr size_t kCblContainerSize = 20;
// An empty library: five empty texts, two times, the count, an empty explanation.
constexpr int32_t kCblMinDataSize = 66;

// Which library OpenLibrary opens: its messages say 源 or 目標, and go to the
// log or to an error box.
constexpr int kLibrarySource = 0;
constexpr int kLibraryDestination = 1;

// A library's data in memory.
struct TLibraryData {
  std::string Bytes;        // the data as far as it is present (stored or inflated)
  int32_t Compression = 0;  // 0 stored, 1 fastest, 2 default, 3 best
  int32_t DataSize = 0;     // the data size the container announces
  size_t Position = 0;      // read position; the first record after ReadLibraryHeader
  int32_t Count = 0;        // record count of the library header
  int Precision = 1;        // digits of the record labels

  // End of the usable data: the announced size, or the bytes present when fewer.
  size_t End() const;
};

// Checks a library file's bytes and unpacks its data. On failure returns false
// with the message to report (system code page); which selects its 源/目標
// wording. A zlib stream that ends before the announced size leaves the bytes
// that came out and sets `shortData`.
bool UnpackLibrary(std::string_view file, int which, TLibraryData& lib, std::string& message,
                   bool& shortData);

// A library problem goes to the log (source) or an error box (destination).
void ReportLibraryProblem(TJobState& job, int which, const std::string& message);
// Checks a loaded library file and fills lib.Bytes, Compression and DataSize,
// reporting what is wrong.
bool OpenLibraryBytes(TJobState& job, std::string_view file, int which, TLibraryData& lib);

// Reads the library header of lib.Bytes: the count (logged as "棋譜數量：%d"),
// the label precision, and Position at the first record.
bool ParseLibraryHeader(TJobState& job, TLibraryData& lib);
// Recognises the format from the first bytes of a file (registry row).
// The container header: "CCBridge" and version 21.
bool RecogniseCbl(std::string_view head);

// "[%.*d]" of the record number with the precision.
std::string RecordLabel(int precision, int number);

// Steps through the records from lib.Position: for each one, its start and end
// offset in lib.Bytes and its label. Stops with "棋譜結束位置超出數據總長度："
// and the label at the first record whose size cannot be read or whose end
// lies beyond the data. Returns the number of records handed to onRecord.
using TRecordVisitor =
    std::function<void(size_t startOffset, size_t endOffset, const std::string& label)>;
int WalkLibraryRecords(TJobState& job, const TLibraryData& lib, const TRecordVisitor& onRecord);

// The whole library file for the first dataSize bytes of data: the container
// header, then the data stored (compression 0) or as one zlib stream at level
// 1, the default level or 9. Throws std::runtime_error when zlib fails.
std::string RenderLibraryFile(std::string_view data, int32_t compression, int32_t dataSize);
