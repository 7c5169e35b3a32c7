#pragma once
// Steps shared by the file list's window tests: thumbnail bitmaps as the
// intake makes them, and dragging with the real mouse.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "filelist/file_list.h"
#include "filelist/list_view_win.h"
#include "support/gui_harness_win.h"

namespace gui_steps {

inline std::wstring CellText(HWND list, int row, int column) {
  wchar_t buffer[512] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 512;
  ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return buffer;
}

// The rows' Ids, with a check that record i is the record of row i and that
// the row shows its name.
inline std::vector<int> RowIds(const FileList& records, HWND list) {
  std::vector<int> ids;
  EXPECT_EQ(static_cast<std::size_t>(RowCount()), records.Items.size());
  for (int row = 0; row < RowCount(); ++row) {
    ids.push_back(RowId(row));
    if (static_cast<std::size_t>(row) < records.Items.size()) {
      EXPECT_EQ(records.Items[static_cast<std::size_t>(row)].Id, RowId(row)) << "row " << row;
      EXPECT_EQ(records.Items[static_cast<std::size_t>(row)].Name, CellText(list, row, 0)) << "row " << row;
    }
  }
  return ids;
}

// A 24-bit bitmap of one colour (0xRRGGBB).
inline HBITMAP Solid(int width, int height, std::uint32_t colour) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  const HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  auto* bytes = static_cast<unsigned char*>(bits);
  const int stride = (width * 3 + 3) & ~3;
  for (int y = 0; bitmap && y < height; ++y) {
    for (int x = 0; x < width * 3; ++x) bytes[y * stride + x] = static_cast<unsigned char>(colour >> (x % 3 * 8));
  }
  return bitmap;
}

// Handles messages until done() holds (true) or timeoutMs pass (false):
// input from the mouse may take its time on a busy display.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 3000) {
  const DWORD deadline = ::GetTickCount() + static_cast<DWORD>(timeoutMs);
  while (!done()) {
    if (static_cast<LONG>(::GetTickCount() - deadline) > 0) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    testsupport::PumpMessages();
  }
  return true;
}

// Dragging with the real mouse (SetCursorPos and SendInput), one small step
// per timer tick: the list's drag detection, the system's drag loop and the
// caption's move loop each run their own message loop, and the steps must
// reach them one by one, as a hand would.

// Presses the left button at from, moves through path (a few pixels per
// step), stays holdTicks ticks at each of its points, and releases the
// button at the last. While the button is down, atStep runs before every
// step with the pointer's position: what it sees is the programs' answer to
// the steps before. Returns false when the drag did not finish within timeoutMs.
inline bool DragWithMouse(POINT from, const std::vector<POINT>& path,
                          const std::function<void(POINT)>& atStep = nullptr, int holdTicks = 5,
                          int timeoutMs = 15000) {
  std::vector<std::function<void()>> steps;
  auto button = [](DWORD flag) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    ::SendInput(1, &input, sizeof input);
  };
  // The mouse goes to the foreground window's thread and its capture only:
  // a message box another test program opens meanwhile must not take the
  // button's release away from the drag.
  const HWND owner = ::GetAncestor(::WindowFromPoint(from), GA_ROOT);
  auto keepForeground = [owner] {
    const HWND foreground = ::GetForegroundWindow();
    if (owner && (!foreground || ::GetWindowThreadProcessId(foreground, nullptr) != ::GetCurrentThreadId())) {
      ::SetForegroundWindow(owner);
    }
  };
  auto moveTo = [&steps, &atStep, keepForeground](POINT p) {
    steps.push_back([p, &atStep, keepForeground] {
      POINT now{};
      ::GetCursorPos(&now);
      if (atStep) atStep(now);
      keepForeground();
      ::SetCursorPos(p.x, p.y);
    });
  };
  steps.push_back([from] { ::SetCursorPos(from.x, from.y); });
  steps.push_back([button] { button(MOUSEEVENTF_LEFTDOWN); });
  POINT at = from;
  for (const POINT to : path) {
    const int distance = std::max(std::abs(to.x - at.x), std::abs(to.y - at.y));
    const int count = std::max(1, distance / 4);
    for (int i = 1; i <= count; ++i) {
      moveTo({at.x + (to.x - at.x) * i / count, at.y + (to.y - at.y) * i / count});
    }
    at = to;
    for (int i = 0; i < holdTicks; ++i) moveTo(at);
  }
  steps.push_back([button, keepForeground] {
    keepForeground();
    button(MOUSEEVENTF_LEFTUP);
  });

  std::size_t next = 0;
  int ticksSinceRelease = 0;
  testsupport::TimerTask script(
      [&] {
        if (next < steps.size()) {
          steps[next++]();
        } else if (++ticksSinceRelease % 50 == 0) {
          // Still inside a loop of the program: the release went astray
          // (another program took the foreground at that moment). Again.
          keepForeground();
          button(MOUSEEVENTF_LEFTUP);
        }
        return false;  // runs until the loops are left and this returns
      },
      0);
  const DWORD deadline = ::GetTickCount() + static_cast<DWORD>(timeoutMs);
  while (next < steps.size() && static_cast<LONG>(::GetTickCount() - deadline) < 0) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    testsupport::PumpMessages();
  }
  testsupport::PumpMessages();
  return next >= steps.size();
}

}  // namespace gui_steps
