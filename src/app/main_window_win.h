#pragma once
// Window 0: the file list, the "Build PDF" button, the note label and the
// status bar with its eight fields, and the layout that keeps them in place.
// Windows-only.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <string>

#include "filelist/file_list.h"
#include "filelist/list_view_win.h"
#include "settings/settings.h"

// Control numbers of window 0 (the list, kControlFileList, is 0).
inline constexpr int kControlBuildButton = 1;
inline constexpr int kControlStatusBar = 2;
inline constexpr int kControlNoteLabel = 3;

// Menu commands of window 0 besides the list's (filelist/list_commands.h).
inline constexpr std::int32_t kCommandQuit = 5;
inline constexpr std::int32_t kCommandStayOnTop = 6;
inline constexpr std::int32_t kCommandRememberPosition = 7;
inline constexpr std::int32_t kCommandShowThumbnail = 8;
inline constexpr std::int32_t kCommandMoreOptions = 9;
inline constexpr std::int32_t kCommandAbout = 10;
inline constexpr std::int32_t kCommandHelp = 11;
// Files > "Add files..." (Ctrl+O), "Add folder..." (Ctrl+Shift+O) and
// "Build PDF..." (Ctrl+B, F5: the same as the button).
inline constexpr std::int32_t kCommandAddFiles = 17;
inline constexpr std::int32_t kCommandAddFolder = 18;
inline constexpr std::int32_t kCommandBuildPdf = 19;

// Messages window 0 sends itself: show the thumbnail of the row in wParam,
// and let a docked thumbnail window follow a move.
inline constexpr UINT kMessageShowThumbnail = WM_USER;
inline constexpr UINT kMessagePlaceThumbnail = WM_USER + 1;
// Records the current row's state once the list has finished handling a click.
inline constexpr UINT kMessageRecordRowState = WM_USER + 2;

struct MainWindowControls {
  HWND window = nullptr;
  HWND list = nullptr;
  HWND buildButton = nullptr;
  HWND statusBar = nullptr;
  HWND noteLabel = nullptr;
};

// Message 1 (WM_CREATE) with both parameters 0: a second start of the
// program asks the running one to come to the front.
inline constexpr UINT kMessageActivate = WM_CREATE;

// The controls of the main window, or null handles when it has none.
const MainWindowControls& MainControls();
// The status bar's font (its own face at 8 points), kept until the window goes.
HFONT StatusFont();
// Frees the status font at shutdown (after the last paint of the status bar).
void ReleaseStatusFont();

// Window 0 with its controls, at (X, Y) with client size W x H when
// RememberWinPos is 1, else at (100, 100) with 600 x 400. The client height
// counts the menu bar in, as the settings file keeps it. Becomes
// MainWindow(). A failure is the fatal report from "Main".
HWND CreateMainWindow(Settings& settings, FileList& list);

// Puts list 0, button 1, status bar 2 and note label 3 on window (any
// top-level window; tests use their own) and makes them the main window's
// controls. The list shows `list` with `settings`; both must outlive window.
void CreateMainWindowControls(HWND window, Settings& settings, FileList& list);

// The menu bar of window 0 ("&Files", "&Options", "&Help"): every menu and
// item has its Alt letter, none twice in one menu.
HMENU BuildMainMenu();
// F1 gives command 11, Delete command 15, and the shortcuts the menus name
// (Ctrl+O, Ctrl+Shift+O, Ctrl+B and F5); Alt+Up and Alt+Down move the current row.
HACCEL CreateMainAccelerators();

// Places list, button and note label for the window's current client size.
void LayoutMainWindow();
// True while LayoutMainWindow runs: only then may the list's columns change width.
bool IsLayoutRunning();

// Rewrites the status fields from the settings and the list.
void UpdateStatusBar();

// The window's place as the settings keep it: outer left and top edges,
// client width, and client height with the menu bar.
struct MainWindowGeometry {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const MainWindowGeometry&) const = default;
};
// window's place now.
MainWindowGeometry WindowGeometryOf(HWND window);
// The place to remember at exit: the live one, or while the window is
// minimised the one it had just before it was minimised.
MainWindowGeometry GeometryToRemember(HWND window);
// Whether the window is maximised, or minimised from maximised: the state
// the next start opens it in, over the place GeometryToRemember gives.
bool MaximizedToRemember(HWND window);

// Commands of window 0 that are not the list's (menus, shortcuts, and the
// "Build PDF" button with its handle as control). True when handled. The
// close box arrives as command 5 ("Quit") without a control; when no
// handler takes it, the window closes at once.
using MainCommandHandler = std::function<bool(std::int32_t command, HWND control)>;
void SetMainCommandHandler(MainCommandHandler handler);

// Files dropped on the list. The handler owns drop (DragFinish); without
// one the drop is released unread.
using MainDropHandler = std::function<void(HDROP drop)>;
void SetMainDropHandler(MainDropHandler handler);

// Paths another start of the program handed over (WM_COPYDATA), joined by
// line feeds; more when further pieces of the same hand-over follow. The
// handler is called from inside the sender's SendMessage, whatever window
// of the program is in front: it must only take note and return, true when
// it did. Without a handler the paths are refused. The window comes to the front.
using MainPathsHandler = std::function<bool(const std::wstring& pathsText, bool more)>;
void SetMainPathsHandler(MainPathsHandler handler);

// The messages of window 0 that concern its controls: sizing, the minimum
// size, the mouse wheel, the list's notifications and commands, thumbnail
// requests. True when handled, with the result in result.
bool HandleMainWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
