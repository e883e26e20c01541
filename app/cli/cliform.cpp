// Log echo, progress line and the collected results of the sub-command line.
#include "app/cli/cliform.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutU64(std::string& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutText(std::string& out, std::string_view text) {
  PutU64(out, text.size());
  out.append(text);
}

// Reads the fields written by the Put functions, refusing to read past the end.
class TCursor {
 public:
  explicit TCursor(std::string_view in) : in_(in) {}
  bool U32(uint32_t& v) {
    uint64_t w = 0;
    if (!Bytes(4, w)) return false;
    v = static_cast<uint32_t>(w);
    return true;
  }
  bool U64(uint64_t& v) { return Bytes(8, v); }
  bool Text(std::string& text) {
    uint64_t size = 0;
    if (!U64(size) || size > in_.size() - pos_) return false;
    text.assign(in_.substr(pos_, size));
    pos_ += size;
    return true;
  }
  bool AtEnd() const { return pos_ == in_.size(); }

 private:
  bool Bytes(size_t n, uint64_t& v) {
    if (in_.size() - pos_ < n) return false;
    v = 0;
    for (size_t i = 0; i < n; ++i)
      v |= static_cast<uint64_t>(static_cast<uint8_t>(in_[pos_ + i])) << (8 * i);
    pos_ += n;
    return true;
  }
  std::string_view in_;
  size_t pos_ = 0;
};

struct TProgress {
  bool Enabled = false;
  bool Shown = false;
  std::string Line;
  std::chrono::steady_clock::time_point Start;
  std::chrono::steady_clock::time_point LastDraw;
};

TProgress& Progress() {
  static TProgress progress;
  return progress;
}

std::atomic<TJobControl*> followed{nullptr};
std::atomic<bool> interrupted{false};

void OnInterrupt(int) {
  interrupted.store(true);
  if (TJobControl* job = followed.load()) job->RequestStop();
  std::signal(SIGINT, SIG_DFL);
}

void ClearProgressLine() {
  if (Progress().Shown) std::fputs("\r\033[K", stderr);
}

void DrawProgressLine() {
  if (Progress().Shown) {
    std::fputs(Progress().Line.c_str(), stderr);
    std::fflush(stderr);
  }
}

void ShowProgress(const TJobProgress& done) {
  TProgress& p = Progress();
  if (!p.Enabled) return;
  const auto now = std::chrono::steady_clock::now();
  const double elapsed = std::chrono::duration<double>(now - p.Start).count();
  // Short runs show nothing; long ones redraw a few times a second.
  if (elapsed < 1.0 || (p.Shown && now - p.LastDraw < std::chrono::milliseconds(200))) return;
  p.LastDraw = now;
  const char* unit = done.Records ? "records" : "files";
  char line[160];
  if (done.Total > 0 && done.Done > 0) {
    const double left = elapsed * static_cast<double>(done.Total - done.Done) / done.Done;
    std::snprintf(line, sizeof line, "\r%lld/%lld %s  %.0f %s/s  %d:%02d left",
                  static_cast<long long>(done.Done), static_cast<long long>(done.Total), unit,
                  done.Done / elapsed, unit, static_cast<int>(left) / 60,
                  static_cast<int>(left) % 60);
  } else {
    std::snprintf(line, sizeof line, "\r%lld %s  %.0f %s/s", static_cast<long long>(done.Done),
                  unit, done.Done / elapsed, unit);
  }
  ClearProgressLine();
  p.Line = line;
  p.Shown = true;
  DrawProgressLine();
}

}  // namespace

void TSourceResult::AppendTo(std::string& out) const {
  PutU32(out, static_cast<uint32_t>(Events.size()));
  for (const TLogEvent& e : Events) {
    PutU32(out, static_cast<uint32_t>(e.Level));
    PutU32(out, e.AddPrefix ? 1 : 0);
    PutU32(out, static_cast<uint32_t>(e.Output));
    PutText(out, e.Text);
  }
  PutU32(out, static_cast<uint32_t>(Outputs.size()));
  for (const TRenderedRecord& r : Outputs) {
    PutText(out, r.Name);
    PutU64(out, r.Preset);
    PutText(out, r.Bytes);
  }
}

bool TSourceResult::ReadFrom(std::string_view in) {
  Events.clear();
  Outputs.clear();
  TCursor cursor(in);
  uint32_t count = 0;
  if (!cursor.U32(count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    TLogEvent e;
    uint32_t level = 0, prefix = 0, output = 0;
    if (!cursor.U32(level) || !cursor.U32(prefix) || !cursor.U32(output) || !cursor.Text(e.Text))
      return false;
    e.Level = static_cast<int>(level);
    e.AddPrefix = prefix != 0;
    e.Output = static_cast<int>(output);
    Events.push_back(std::move(e));
  }
  if (!cursor.U32(count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    TRenderedRecord r;
    if (!cursor.Text(r.Name) || !cursor.U64(r.Preset) || !cursor.Text(r.Bytes)) return false;
    Outputs.push_back(std::move(r));
  }
  for (const TLogEvent& e : Events)
    if (e.Output >= static_cast<int>(Outputs.size())) return false;
  return cursor.AtEnd();
}

void AppendToDatabase(std::string& database, std::string_view rendered) {
  if (!database.empty() && rendered.starts_with(kUtf8Bom)) rendered.remove_prefix(kUtf8Bom.size());
  database.append(rendered);
}

void EchoLogLine(const std::string& line) {
  std::string out;
  out.reserve(line.size() + 1);
  for (size_t i = 0; i < line.size(); ++i)
    if (!(line[i] == '\r' && i + 1 < line.size() && line[i + 1] == '\n')) out += line[i];
  out += '\n';
  ClearProgressLine();
  std::fwrite(out.data(), 1, out.size(), stderr);
  DrawProgressLine();
}

void FollowJob(TJobControl& job) {
  TProgress& p = Progress();
  p = TProgress{};
  p.Enabled = ::isatty(STDERR_FILENO) == 1;
  p.Start = std::chrono::steady_clock::now();
  job.OnProgress = ShowProgress;
  followed.store(&job);
  std::signal(SIGINT, OnInterrupt);
}

void EndFollowing() {
  ClearProgressLine();
  Progress().Shown = false;
  Progress().Enabled = false;
  followed.store(nullptr);
}

bool Interrupted() { return interrupted.load(); }
