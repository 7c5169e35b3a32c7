#pragma once
// Paths handed to the program from outside a drop (its command line, another
// start of the program, the open dialogs), as the one text the intake takes:
// the paths joined by line feeds.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Marks a WM_COPYDATA block as paths from another start of this program: the
// last (or only) piece of one hand-over, or a piece that more pieces follow.
inline constexpr std::uintptr_t kPathsCopyDataTag = 0x51504154;      // "QPAT"
inline constexpr std::uintptr_t kMorePathsCopyDataTag = 0x5150414D;  // "QPAM"
// What a command line can hold: no piece of a hand-over is longer.
inline constexpr std::size_t kMaxHandOffChars = 32767;

// Each path followed by a line feed; empty paths are left out.
std::wstring JoinPaths(const std::vector<std::wstring>& paths);

// A block's paths, and whether more pieces of the same hand-over follow.
struct HandedPaths {
  std::wstring text;
  bool more = false;
  bool operator==(const HandedPaths&) const = default;
};

// The text of a WM_COPYDATA block (UTF-16, no terminator needed), or nothing
// when it is not ours: another tag, an odd byte count or more than
// kMaxHandOffChars characters, no data.
std::optional<HandedPaths> PathsFromCopyData(std::uintptr_t tag, const void* data, std::size_t bytes);

// Joined paths cut into pieces of at most maxChars characters, each ending
// after a whole path: the paths made full may be longer than the command
// line they came from. A path longer than maxChars is a piece of its own.
std::vector<std::wstring> HandOffPieces(const std::wstring& pathsText, std::size_t maxChars = kMaxHandOffChars);

// What a second start says when the running copy did not take its paths:
// the files named (the first few), so that the user can add them again.
std::wstring HandOffFailedText(const std::wstring& pathsText);
