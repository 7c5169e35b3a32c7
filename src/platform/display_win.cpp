#include <windows.h>

#include "platform/display.h"

namespace platform {

DisplaySize PrimaryDisplaySize() {
  DISPLAY_DEVICEW device{};
  device.cb = sizeof device;
  for (DWORD i = 0; ::EnumDisplayDevicesW(nullptr, i, &device, 0); ++i) {
    const DWORD wanted = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP | DISPLAY_DEVICE_PRIMARY_DEVICE;
    if ((device.StateFlags & wanted) == wanted) {
      DEVMODEW mode{};
      mode.dmSize = sizeof mode;
      if (!::EnumDisplaySettingsW(device.DeviceName, ENUM_CURRENT_SETTINGS, &mode)) return {};
      return {static_cast<std::int32_t>(mode.dmPelsWidth), static_cast<std::int32_t>(mode.dmPelsHeight)};
    }
    device = DISPLAY_DEVICEW{};
    device.cb = sizeof device;
  }
  return {};
}

namespace {

BOOL CALLBACK AddMonitorArea(HMONITOR monitor, HDC, RECT*, LPARAM data) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (::GetMonitorInfoW(monitor, &info)) {
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<DisplayArea>*>(data)->push_back({r.left, r.top, r.right, r.bottom});
  }
  return TRUE;
}

}  // namespace

std::vector<DisplayArea> MonitorAreas() {
  std::vector<DisplayArea> areas;
  ::EnumDisplayMonitors(nullptr, nullptr, AddMonitorArea, reinterpret_cast<LPARAM>(&areas));
  return areas;
}

}  // namespace platform
