#include "ui/open_dialogs_win.h"

#include <commdlg.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <utility>

#include "ui/file_selection.h"
#include "ui/save_dialog_win.h"
#include "ui/win_handles.h"
#include "ui/window_helpers.h"

std::wstring ImageFilesFilter(const std::wstring& patterns) {
  std::wstring filter = L"Images (" + patterns + L")";
  filter += L'\0';
  filter += patterns;
  filter += L'\0';
  filter += L"All files (*.*)";
  filter += L'\0';
  filter += L"*.*";
  filter += L'\0';  // the list's end is the string's own terminator after this one
  return filter;
}

namespace {

using win::ComRef;

// Room for tens of thousands of chosen names: the dialog refuses a choice
// that does not fit rather than cutting it.
constexpr std::size_t kSelectionRoom = std::size_t{1} << 20;

class CoTaskText {
 public:
  CoTaskText() = default;
  ~CoTaskText() { ::CoTaskMemFree(text_); }
  CoTaskText(const CoTaskText&) = delete;
  CoTaskText& operator=(const CoTaskText&) = delete;
  PWSTR* put() { return &text_; }
  std::wstring str() const { return text_ ? std::wstring(text_) : std::wstring(); }

 private:
  PWSTR text_ = nullptr;
};

// The folder picker with the Explorer view: first false when the system
// has none, so that the older one is shown instead.
std::pair<bool, std::wstring> AskFolderExplorerStyle(const std::wstring& startFolder) {
  ComRef<IFileOpenDialog> dialog;
  if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(dialog.put())))) {
    return {false, {}};
  }
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  if (FAILED(dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST))) {
    return {false, {}};
  }
  if (!startFolder.empty()) {
    ComRef<IShellItem> start;
    if (SUCCEEDED(::SHCreateItemFromParsingName(startFolder.c_str(), nullptr, IID_PPV_ARGS(start.put())))) {
      dialog->SetFolder(start.get());
    }
  }
  CentreNextDialog(MainWindow());
  if (FAILED(dialog->Show(MainWindow()))) return {true, {}};
  ComRef<IShellItem> chosen;
  if (FAILED(dialog->GetResult(chosen.put()))) return {true, {}};
  CoTaskText path;
  if (FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, path.put()))) return {true, {}};
  return {true, path.str()};
}

int CALLBACK SelectStartFolder(HWND dialog, UINT message, LPARAM, LPARAM startFolder) {
  if (message == BFFM_INITIALIZED && startFolder) ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, startFolder);
  return 0;
}

std::wstring AskFolderTreeStyle(const std::wstring& startFolder) {
  BROWSEINFOW info{};
  info.hwndOwner = MainWindow();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = SelectStartFolder;
  info.lParam = startFolder.empty() ? 0 : reinterpret_cast<LPARAM>(startFolder.c_str());
  CentreNextDialog(MainWindow());
  const PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
  if (!chosen) return {};
  // Paths past MAX_PATH do not come back from this older dialog at all.
  wchar_t path[MAX_PATH] = {};
  const bool ok = ::SHGetPathFromIDListW(chosen, path) != FALSE;
  ::CoTaskMemFree(chosen);
  return ok ? std::wstring(path) : std::wstring();
}

}  // namespace

std::vector<std::wstring> AskOpenFileNames(const std::wstring& startFolder, const wchar_t* filter) {
  std::vector<wchar_t> buffer(kSelectionRoom, L'\0');
  OPENFILENAMEW ofn = FileDialogRecord(buffer, filter);
  ofn.lpstrInitialDir = startFolder.empty() ? nullptr : startFolder.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
              OFN_NOCHANGEDIR;
  CentreNextDialog(MainWindow());
  if (!::GetOpenFileNameW(&ofn)) return {};
  return SplitFileSelection(std::wstring_view(buffer.data(), buffer.size()));
}

std::wstring AskFolder(const std::wstring& startFolder) {
  // The program has COM already; a test may not.
  const win::ComApartment com;
  const auto [shown, path] = AskFolderExplorerStyle(startFolder);
  return shown ? path : AskFolderTreeStyle(startFolder);
}
