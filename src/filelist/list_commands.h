#pragma once
// The commands that act on the file list, shared by the main window's
// "Files" menu, the list's context menu and the Delete key.
#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::int32_t kCommandSortNow = 1;
inline constexpr std::int32_t kCommandClear = 2;
inline constexpr std::int32_t kCommandSelectAll = 3;
inline constexpr std::int32_t kCommandDeselectAll = 4;
inline constexpr std::int32_t kCommandMoveToTop = 13;
inline constexpr std::int32_t kCommandMoveToBottom = 14;
inline constexpr std::int32_t kCommandRemove = 15;  // also the Delete key
inline constexpr std::int32_t kCommandCloseMenu = 16;
// The current row one place up or down (Alt+Up, Alt+Down).
inline constexpr std::int32_t kCommandMoveRowUp = 20;
inline constexpr std::int32_t kCommandMoveRowDown = 21;
// The page of the checked rows, or else of the current row, turned a
// quarter clockwise (also Ctrl+R), a quarter back (Ctrl+L), or upside down.
inline constexpr std::int32_t kCommandRotateRight = 22;
inline constexpr std::int32_t kCommandRotateLeft = 23;
inline constexpr std::int32_t kCommandRotate180 = 24;

// The turn in degrees clockwise a rotate command gives; 0 for any other command.
std::int32_t RotateCommandDegrees(std::int32_t command);

// One entry of the context menu; command 0 is a separator.
struct MenuEntry {
  std::int32_t command = 0;
  std::wstring text;
  bool operator==(const MenuEntry&) const = default;
};

// The context menu over a row: about the checked rows when checkedCount is
// not 0, else about the clicked row's file (fileName). Texts are menu texts:
// each item's letter is marked with "&" (T, B, G, L, 1, R, C), and an "&" of a file
// name is doubled so that it shows as itself.
std::vector<MenuEntry> ContextMenuEntries(std::int32_t checkedCount, const std::wstring& fileName);
