#include "app/help_win.h"

#include <utility>

#include "platform/file.h"
#include "platform/path.h"
#include "ui/message_box.h"

namespace {

constexpr UINT kHhDisplayTopic = 0;  // HH_DISPLAY_TOPIC

// The viewer draws its pages with the system's browser engine. Without one
// (Wine without Gecko, for one) it would open with its contents tree beside
// an empty page, so the user is told instead.
bool BrowserEngineAvailable() {
  static const bool available = [] {
    const HMODULE engine = ::LoadLibraryW(L"mshtml.dll");
    if (engine) ::FreeLibrary(engine);
    return engine != nullptr;
  }();
  return available;
}

// hhctrl.ocx stays loaded once it has been: the viewer's window lives on
// after the call returns.
bool OpenWithHtmlHelp(HWND owner, const std::wstring& fileAndTopic) {
  if (!BrowserEngineAvailable()) return false;
  static const HMODULE library = ::LoadLibraryW(L"hhctrl.ocx");
  if (!library) return false;
  using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
  const auto htmlHelp = reinterpret_cast<HtmlHelpFunction>(
      reinterpret_cast<void (*)()>(::GetProcAddress(library, "HtmlHelpW")));
  if (!htmlHelp) return false;
  return htmlHelp(owner, fileAndTopic.c_str(), kHhDisplayTopic, 0) != nullptr;
}

HelpViewer& Viewer() {
  static HelpViewer viewer = OpenWithHtmlHelp;
  return viewer;
}

}  // namespace

std::wstring HelpFilePath() { return FolderPart(platform::ExecutablePath()) + kHelpFileName; }

void ShowHelp(HWND owner, const std::wstring& topic) {
  const std::wstring file = HelpFilePath();
  if (platform::FileSize(file) <= 0) {
    ShowCentredMessage(owner, kHelpMissingText, MB_OK | MB_ICONWARNING);
    return;
  }
  const std::wstring target = topic.empty() ? file : file + L"::/" + topic;
  if (!Viewer()(owner, target)) ShowCentredMessage(owner, kHelpFailedText, MB_OK | MB_ICONWARNING);
}

HelpViewer SetHelpViewer(HelpViewer viewer) {
  HelpViewer previous = std::exchange(Viewer(), viewer ? std::move(viewer) : HelpViewer(OpenWithHtmlHelp));
  return previous;
}
