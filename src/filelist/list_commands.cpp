#include "filelist/list_commands.h"

namespace {

// A single "&" in a menu text underlines the next character instead of showing.
std::wstring MenuText(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (const wchar_t c : text) {
    if (c == L'&') out.push_back(L'&');
    out.push_back(c);
  }
  return out;
}

}  // namespace

std::int32_t RotateCommandDegrees(std::int32_t command) {
  switch (command) {
    case kCommandRotateRight: return 90;
    case kCommandRotateLeft: return -90;
    case kCommandRotate180: return 180;
  }
  return 0;
}

std::vector<MenuEntry> ContextMenuEntries(std::int32_t checkedCount, const std::wstring& fileName) {
  std::vector<MenuEntry> entries;
  // R is Remove's: the turns take letters of their own.
  const auto rotations = [&] {
    entries.push_back({0, L""});
    entries.push_back({kCommandRotateRight, L"Rotate ri&ght\tCtrl+R"});
    entries.push_back({kCommandRotateLeft, L"Rotate &left\tCtrl+L"});
    entries.push_back({kCommandRotate180, L"Rotate &180\u00B0"});
    entries.push_back({0, L""});
  };
  if (checkedCount != 0) {
    const std::wstring count = std::to_wstring(checkedCount);
    entries.push_back({kCommandMoveToTop, L"Move selected items (" + count + L") to &TOP"});
    entries.push_back({kCommandMoveToBottom, L"Move selected items (" + count + L") to &BOTTOM"});
    rotations();
    entries.push_back({kCommandRemove, L"&Remove selected items (" + count + L")\t[Del]"});
  } else {
    const std::wstring name = MenuText(fileName);
    entries.push_back({kCommandMoveToTop, L"Move " + name + L" to &TOP"});
    entries.push_back({kCommandMoveToBottom, L"Move " + name + L" to &BOTTOM"});
    rotations();
    entries.push_back({kCommandRemove, L"&Remove " + name + L"\t[Del]"});
  }
  entries.push_back({kCommandCloseMenu, L"&Close"});
  return entries;
}
