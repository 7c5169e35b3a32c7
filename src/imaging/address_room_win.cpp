#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "imaging/address_room.h"

AddressRoom QueryAddressRoom() {
  AddressRoom room;
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!::GlobalMemoryStatusEx(&status)) return room;
  constexpr DWORDLONG kMost = std::numeric_limits<std::int64_t>::max();
  room.total = static_cast<std::int64_t>(std::min(status.ullTotalVirtual, kMost));
  room.available = static_cast<std::int64_t>(std::min(status.ullAvailVirtual, kMost));
  // Free regions, each cut to the allocation granularity a reservation
  // starts on: the largest is the biggest block one call could reserve.
  SYSTEM_INFO system{};
  ::GetSystemInfo(&system);
  const auto granularity = static_cast<std::uintptr_t>(system.dwAllocationGranularity);
  auto at = reinterpret_cast<std::uintptr_t>(system.lpMinimumApplicationAddress);
  const auto end = reinterpret_cast<std::uintptr_t>(system.lpMaximumApplicationAddress);
  MEMORY_BASIC_INFORMATION region{};
  while (at < end && ::VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) == sizeof region) {
    const auto base = reinterpret_cast<std::uintptr_t>(region.BaseAddress);
    const std::uintptr_t next = base + region.RegionSize;
    if (next <= at) break;
    if (region.State == MEM_FREE) {
      const std::uintptr_t start = (base + granularity - 1) / granularity * granularity;
      if (start < next) room.largestBlock = std::max(room.largestBlock, static_cast<std::int64_t>(next - start));
    }
    at = next;
  }
  room.known = true;
  return room;
}
