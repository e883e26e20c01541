// A bounds-checked cursor over untrusted bytes, used by every binary reader.
//
// Every read checks the bytes present first and fails (returns false, leaves
// the cursor where it was) instead of reading past the end. Sizes are compared
// as "n <= Remaining()", never as "offset + n <= size", so a huge length taken
// from a file cannot overflow the check. A length from a file is therefore
// known to fit in the buffer before anything is allocated for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Loads a whole file (a regular file only) into data. On failure `error`
// holds the message to log: "不能讀取文件：" with the path and the reason.
bool LoadFileBytes(const std::string& path, std::string& data, std::string& error);

class TByteReader {
 public:
  TByteReader() = default;
  TByteReader(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
  explicit TByteReader(std::string_view bytes)
      : data_(reinterpret_cast<const uint8_t*>(bytes.data())), size_(bytes.size()) {}

  size_t Size() const { return size_; }
  size_t Offset() const { return pos_; }
  size_t Remaining() const { return size_ - pos_; }
  bool AtEnd() const { return pos_ == size_; }
  // True when n more bytes can be read from the current offset.
  bool Has(size_t n) const { return n <= size_ - pos_; }
  const uint8_t* Data() const { return data_; }

  // Moves to an absolute offset; the end itself is a valid position.
  bool Seek(size_t offset) {
    if (offset > size_) return false;
    pos_ = offset;
    return true;
  }
  bool Skip(size_t n) {
    if (!Has(n)) return false;
    pos_ += n;
    return true;
  }

  bool ReadU8(uint8_t& v) {
    if (!Has(1)) return false;
    v = data_[pos_++];
    return true;
  }
  bool ReadU16Le(uint16_t& v) {
    if (!Has(2)) return false;
    v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool ReadU32Le(uint32_t& v) {
    if (!Has(4)) return false;
    v = static_cast<uint32_t>(data_[pos_]) | static_cast<uint32_t>(data_[pos_ + 1]) << 8 |
        static_cast<uint32_t>(data_[pos_ + 2]) << 16 | static_cast<uint32_t>(data_[pos_ + 3]) << 24;
    pos_ += 4;
    return true;
  }
  bool ReadI32Le(int32_t& v) {
    uint32_t u;
    if (!ReadU32Le(u)) return false;
    v = static_cast<int32_t>(u);
    return true;
  }

  // A view of the next n bytes; fails when fewer are present.
  bool ReadBytes(size_t n, std::string_view& out) {
    if (!Has(n)) return false;
    out = std::string_view(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return true;
  }
  // Copies the next n bytes; the size is checked before the string grows.
  bool ReadString(size_t n, std::string& out) {
    std::string_view view;
    if (!ReadBytes(n, view)) return false;
    out.assign(view.data(), view.size());
    return true;
  }
  // The next min(n, Remaining()) bytes: for data that may be cut short.
  std::string_view ReadAtMost(size_t n) {
    if (n > Remaining()) n = Remaining();
    std::string_view out(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return out;
  }

  // A reader over [offset, offset + n) of this one, starting at its offset 0.
  bool Slice(size_t offset, size_t n, TByteReader& out) const {
    if (offset > size_ || n > size_ - offset) return false;
    out = TByteReader(data_ + offset, n);
    return true;
  }

  // Random access without moving the cursor; `fallback` when out of range.
  uint8_t U8At(size_t offset, uint8_t fallback = 0) const {
    return offset < size_ ? data_[offset] : fallback;
  }
  bool U32LeAt(size_t offset, uint32_t& v) const {
    TByteReader r;
    return Slice(offset, 4, r) && r.ReadU32Le(v);
  }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t pos_ = 0;
};
