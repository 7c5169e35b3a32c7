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

std::vector<MenuEntry> ContextMenuEntries(std::int32_t checkedCount, const std::wstring& fileName) {
  std::vector<MenuEntry> entries;
  if (checkedCount != 0) {
    const std::wstring count = std::to_wstring(checkedCount);
    entries.push_back({kCommandMoveToTop, L"Move selected items (" + count + L") to &TOP"});
    entries.push_back({kCommandMoveToBottom, L"Move selected items (" + count + L") to &BOTTOM"});
    entries.push_back({0, L""});
    entries.push_back({kCommandRemove, L"&Remove selected items (" + count + L")\t[Del]"});
  } else {
    const std::wstring name = MenuText(fileName);
    entries.push_back({kCommandMoveToTop, L"Move " + name + L" to &TOP"});
    entries.push_back({kCommandMoveToBottom, L"Move " + name + L" to &BOTTOM"});
    entries.push_back({0, L""});
    entries.push_back({kCommandRemove, L"&Remove " + name + L"\t[Del]"});
  }
  entries.push_back({kCommandCloseMenu, L"&Close"});
  return entries;
}
