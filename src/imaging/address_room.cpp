#include "imaging/address_room.h"

#include <algorithm>

namespace {
// Whatever else runs beside the image (encoders, the writer's blocks, other
// threads) needs some room too.
constexpr std::int64_t kSpare = std::int64_t{64} << 20;
}  // namespace

bool MemoryReallyShort(std::int64_t needBytes, const AddressRoom& room) {
  if (!room.known) return true;
  const std::int64_t need = std::max<std::int64_t>(needBytes, 0) + kSpare;
  if (need > room.total) return false;
  return need > room.available || need > room.largestBlock;
}
