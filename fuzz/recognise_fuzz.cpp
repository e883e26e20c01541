// Feeds arbitrary bytes to every format row's recognition function and to the
// PGN game split. Recognition must never read past the bytes it is given; the
// games of a split must cover the text exactly, in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/uglobal.h"
#include "formats/text/pgn.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the given size, so that a read past it is caught.
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string_view head(bytes);
  for (int row = 0; row < kFormatCount; ++row)
    if (FileTypes[row].Recognise != nullptr) FileTypes[row].Recognise(head);

  const std::vector<std::string_view> games = SplitPgnGames(head);
  if (games.empty()) std::abort();
  size_t at = 0;
  for (std::string_view game : games) {
    if (game.data() != head.data() + at) std::abort();
    at += game.size();
  }
  if (at != size) std::abort();
  return 0;
}
