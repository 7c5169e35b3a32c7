#pragma once
// Paths handed to the program from outside a drop (its command line, another
// start of the program, the open dialogs), as the one text the intake takes:
// the paths joined by line feeds.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Marks a WM_COPYDATA block as paths from another start of this program.
inline constexpr std::uintptr_t kPathsCopyDataTag = 0x51504154;  // "QPAT"
// More than any list of paths a user hands over: a bigger block is refused.
inline constexpr std::size_t kMaxPathsCopyDataBytes = std::size_t{64} << 20;

// Each path followed by a line feed; empty paths are left out.
std::wstring JoinPaths(const std::vector<std::wstring>& paths);

// The text of a WM_COPYDATA block (UTF-16, no terminator needed), or nothing
// when it is not ours: another tag, an odd or oversized byte count, no data.
std::optional<std::wstring> PathsFromCopyData(std::uintptr_t tag, const void* data, std::size_t bytes);
