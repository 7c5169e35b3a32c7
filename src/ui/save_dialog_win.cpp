#include "ui/save_dialog_win.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "ui/window_helpers.h"

std::wstring DesktopFolderPath() {
  wchar_t desktop[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop))) return {};
  return std::wstring(desktop) + L"\\";
}

OPENFILENAMEW FileDialogRecord(std::vector<wchar_t>& buffer, const wchar_t* filter) {
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = MainWindow();
  ofn.lpstrFilter = filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  return ofn;
}

SaveDialogAnswer AskSaveFileName(const std::wstring& initial, const wchar_t* filter, const wchar_t* title) {
  std::vector<wchar_t> buffer(std::max<std::size_t>(initial.size() + 1, 32768), L'\0');
  std::copy(initial.begin(), initial.end(), buffer.begin());
  OPENFILENAMEW ofn = FileDialogRecord(buffer, filter);
  ofn.lpstrTitle = title;
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  if (!::GetSaveFileNameW(&ofn)) return {};
  return {buffer.data(), ofn.nFilterIndex};
}
