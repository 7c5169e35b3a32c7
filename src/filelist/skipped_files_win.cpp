#include "filelist/skipped_files_win.h"

#include "filelist/skipped_list.h"
#include "filelist/thumbnail_win.h"
#include "format/program_info.h"
#include "ui/dpi.h"
#include "ui/fatal_error.h"
#include "ui/message_box.h"
#include "ui/save_dialog_win.h"
#include "ui/win_handles.h"
#include "ui/window_helpers.h"

namespace {

constexpr int kClientWidth = 330;
constexpr int kClientHeight = 100;
constexpr wchar_t kStateProperty[] = L"skippedState";

struct SkippedState {
  bool closeRequested = false;
  bool exportRequested = false;
};

LRESULT CALLBACK SkippedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = static_cast<SkippedState*>(::GetPropW(window, kStateProperty));
  switch (message) {
    case WM_COMMAND:
      if (!state) break;
      // Escape arrives as IDCANCEL from the dialog navigation of the loop.
      if (LOWORD(wParam) == kSkippedOkButton || LOWORD(wParam) == IDCANCEL) state->closeRequested = true;
      if (LOWORD(wParam) == kSkippedExportButton) state->exportRequested = true;
      return 0;
    case WM_CLOSE:
      if (state) state->closeRequested = true;
      return 0;  // the loop closes the window once the owners are enabled again
    case WM_NCDESTROY:
      ::RemovePropW(window, kStateProperty);
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

// Places and sizes are given at 96 DPI.
HWND AddControl(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int width,
                int height, int id) {
  const int dpi = WindowDpi(parent);
  const auto px = [dpi](int pixels) { return ScaleToDpi(pixels, dpi); };
  const HWND control = ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, px(x), px(y), px(width),
                                        px(height), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                        ::GetModuleHandleW(nullptr), nullptr);
  if (control) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFont(dpi)), FALSE);
  return control;
}

// The system's warning icon on a button-face square of 32 x 32 at 96 DPI.
win::UniqueBitmap WarningImage(int dpi) {
  const int edge = ScaleToDpi(32, dpi);
  const win::WindowDc screen(nullptr);
  win::UniqueBitmap image(::CreateCompatibleBitmap(screen.get(), edge, edge));
  const win::UniqueMemoryDc dc(::CreateCompatibleDC(screen.get()));
  if (!image || !dc) return {};
  const win::SavedDcState saved(dc.get());
  ::SelectObject(dc.get(), image.get());
  const RECT all{0, 0, edge, edge};
  ::FillRect(dc.get(), &all, ::GetSysColorBrush(COLOR_BTNFACE));
  ::DrawIconEx(dc.get(), 0, 0, ::LoadIconW(nullptr, IDI_WARNING), edge, edge, 0, nullptr, DI_NORMAL);
  return image;
}

// Waits for the user's next choice; false when the program is asked to end.
bool WaitForChoice(HWND window, const SkippedState& state) {
  MSG msg;
  while (!state.closeRequested && !state.exportRequested) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the main loop to see
      return false;
    }
    if (got < 0) return false;
    if (!::IsDialogMessageW(window, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  return true;
}


}  // namespace

std::wstring AskSkippedListFile() {
  return WithTextExtension(
      AskSaveFileName(DesktopFolderPath() + kSkippedFileDefaultName, L"text (*.txt)\0*.txt\0", nullptr).path);
}

std::int32_t ShowSkippedFiles(const std::vector<std::wstring>& skipped) {
  const HWND mainWindow = MainWindow();
  const HWND thumbnail = ThumbnailWindow();
  if (mainWindow) ::EnableWindow(mainWindow, FALSE);
  if (thumbnail) ::EnableWindow(thumbnail, FALSE);

  const std::wstring className =
      RegisterWindowClass(kWinSkippedFiles, SkippedProc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_POPUP;
  // Sized for the main window's monitor, where it is centred.
  const int dpi = WindowDpi(mainWindow);
  const SIZE frame = OuterSizeAtDpi(ScaleToDpi(kClientWidth, dpi), ScaleToDpi(kClientHeight, dpi), style,
                                    WS_EX_DLGMODALFRAME, dpi);
  SkippedState state;
  win::UniqueWindow skippedWindow(CheckCreated(
      ::CreateWindowExW(WS_EX_DLGMODALFRAME, className.c_str(), kProgramTitle, style, 0, 0, frame.cx, frame.cy,
                        mainWindow, nullptr, ::GetModuleHandleW(nullptr), nullptr),
      L"ShowSkippedFiles", L"Open window failed For #WIN_SKIPPED.", kLineSkippedWindow));
  const HWND window = skippedWindow.get();
  ::SetPropW(window, kStateProperty, &state);

  const win::UniqueBitmap image(
      CheckCreated(WarningImage(WindowDpi(window)).release(), L"ShowSkippedFiles", L"CreateImage failed.", kLineSkippedImage));
  const HWND icon = AddControl(window, L"STATIC", L"", SS_BITMAP, 10, 10, 32, 32, kSkippedIcon);
  ::SendMessageW(icon, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image.get()));
  AddControl(window, L"STATIC", SkippedFilesText(skipped.size()).c_str(), SS_LEFT | SS_NOPREFIX, 55, 25, 275, 20,
             kSkippedText);
  const HWND ok = AddControl(window, L"BUTTON", L" OK ", BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 70, 100, 25,
                             kSkippedOkButton);
  AddControl(window, L"BUTTON", L" Export the list ", BS_PUSHBUTTON | WS_TABSTOP, 220, 70, 100, 25,
             kSkippedExportButton);
  CentreWindow(window, mainWindow, true);
  ::SetFocus(ok);

  bool done = false;
  while (!done && WaitForChoice(window, state)) {
    if (state.closeRequested) break;
    state.exportRequested = false;
    ::ShowWindow(window, SW_HIDE);
    CentreNextDialog(mainWindow);
    const std::wstring path = AskSkippedListFile();
    if (!path.empty()) {
      if (SaveSkippedList(path, skipped)) {
        done = true;
      } else {
        ShowCentredMessage(window, kSkippedSaveFailedText, MB_OK | MB_ICONWARNING);
      }
    }
    if (!done) {
      ::ShowWindow(window, SW_SHOW);
      ::SetFocus(ok);
    }
  }

  // The owners are enabled before the window goes, so that the system hands
  // the activation back to the main window rather than to another program.
  if (thumbnail && ::IsWindow(thumbnail)) ::EnableWindow(thumbnail, TRUE);
  if (mainWindow && ::IsWindow(mainWindow)) ::EnableWindow(mainWindow, TRUE);
  skippedWindow.reset();
  return 0;
}
