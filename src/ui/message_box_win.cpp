#include "ui/message_box.h"

#include "format/program_info.h"
#include "ui/window_helpers.h"

std::int32_t ShowMessage(HWND owner, const std::wstring& text, UINT flags) {
  if (owner && !::IsWindow(owner)) owner = nullptr;
  return ::MessageBoxW(owner, text.c_str(), kProgramTitle, flags);
}

std::int32_t ShowCentredMessage(HWND owner, const std::wstring& text, UINT flags) {
  if (owner && !::IsWindow(owner)) owner = nullptr;
  CentreNextDialog(owner);
  return ShowMessage(owner, text, flags);
}
