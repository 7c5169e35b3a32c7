#pragma once
// Window helpers shared by every window of the program: the main window's
// handle, class names, the "oldWinProc" subclassing convention, per-window
// records, and the placement of dialogs and secondary windows. Windows-only.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

// Window numbers, as the rest of the program refers to its windows.
inline constexpr std::int32_t kWinMain = 0;
inline constexpr std::int32_t kWinSettings = 1;
inline constexpr std::int32_t kWinAbout = 2;
inline constexpr std::int32_t kWinIntakeProgress = 3;
inline constexpr std::int32_t kWinDragLabel = 5;
inline constexpr std::int32_t kWinThumbnail = 6;
inline constexpr std::int32_t kWinSkippedFiles = 7;

// The main window, or null before it exists and after it is gone. Owner of
// every message box and modal window of the program.
HWND MainWindow();
void SetMainWindow(HWND window);

// "WindowClass_<number>": a second instance finds the first by this pattern.
std::wstring WindowClassName(std::int32_t windowNumber);
// Registers the class of window number (once; later calls only return the name).
// The class has no background brush of its own when background is null.
std::wstring RegisterWindowClass(std::int32_t windowNumber, WNDPROC procedure,
                                 HBRUSH background = nullptr, HICON icon = nullptr);

// Subclassing: the previous procedure goes into the property "oldWinProc".
// Returns false when window is already subclassed by the program or the
// procedure cannot be replaced.
bool SubclassWindow(HWND window, WNDPROC procedure);
bool IsSubclassed(HWND window);
// Passes a message on to the previous procedure. At WM_NCDESTROY the property
// is removed after the message has been passed on.
LRESULT CallOldWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A record owned by a window through a window property: attached once, freed
// by DetachRecord (the window's WM_NCDESTROY handling calls it).
template <typename T>
T* AttachRecord(HWND window, const wchar_t* property, std::unique_ptr<T> record) {
  T* raw = record.get();
  if (!::SetPropW(window, property, raw)) return nullptr;
  record.release();  // the property owns it now
  return raw;
}
template <typename T>
T* FindRecord(HWND window, const wchar_t* property) {
  return static_cast<T*>(::GetPropW(window, property));
}
template <typename T>
std::unique_ptr<T> DetachRecord(HWND window, const wchar_t* property) {
  return std::unique_ptr<T>(static_cast<T*>(::RemovePropW(window, property)));
}

// Places the next dialog (message box, file dialog) that opens on this thread
// centred on owner. Arming again before a dialog appeared replaces the owner.
// A null owner disarms: the next dialog is placed by the system.
void CentreNextDialog(HWND owner);
// Centres window on owner at once (on the work area when owner is null),
// keeping its size and Z order; shows it when show is true.
void CentreWindow(HWND window, HWND owner, bool show);
