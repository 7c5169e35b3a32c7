#include "app/main_loop_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <utility>
#include <vector>

#include "app/about_window.h"
#include "app/help_win.h"
#include "app/main_keys_win.h"
#include "app/main_window_win.h"
#include "app/path_handoff.h"
#include "app/settings_window_win.h"
#include "filelist/files_drop_win.h"
#include "filelist/list_view_win.h"
#include "filelist/thumbnail_win.h"
#include "imaging/image_extensions.h"
#include "imaging/wic_decode_win.h"
#include "pipeline/build_log.h"
#include "pipeline/build_window_win.h"
#include "pipeline/pdf_title.h"
#include "platform/file.h"
#include "platform/path.h"
#include "settings/settings_file.h"
#include "ui/message_box.h"
#include "ui/open_dialogs_win.h"
#include "ui/status_bar.h"
#include "ui/win_handles.h"
#include "ui/window_helpers.h"

namespace {

struct AcceleratorTraits {
  static void Close(HACCEL h) { ::DestroyAcceleratorTable(h); }
};

// The working state of one run of Main.
struct MainContext {
  Settings settings;
  std::vector<std::wstring> skipped;  // the latest drop's refused files
  BuildLog log;
  MainState state;
  // A drop or a build is running: the events they handle meanwhile must not
  // start another one on the list they work on.
  bool busy = false;
  // Paths from the command line or another start, in the order they came;
  // taken in by the event loop, where no drop, build or modal window can be
  // running. A hand-over in pieces gathers in arriving until its last piece.
  std::vector<std::wstring> arrivedPaths;
  std::wstring arriving;
};

class BusyScope {
 public:
  explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
  ~BusyScope() { busy_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& busy_;
};
MainContext* g_main = nullptr;

bool DefaultSettingsPanel(Settings& settings, const FileList& list) {
  return ShowSettingsPanel(MainWindow(), settings, list);
}

SettingsPanel& Panel() {
  static SettingsPanel panel = DefaultSettingsPanel;
  return panel;
}

void OpenWithShell(const std::wstring& target) {
  ::ShellExecuteW(MainWindow(), L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

ShellOpener& Opener() {
  static ShellOpener opener = OpenWithShell;
  return opener;
}

HMENU MainMenu() { return MainWindow() ? ::GetMenu(MainWindow()) : nullptr; }

void SetCheckMark(std::int32_t command, bool checked) {
  if (const HMENU menu = MainMenu()) {
    ::CheckMenuItem(menu, static_cast<UINT>(command), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
  }
}

void ApplyTopmost(const Settings& settings) {
  if (const HWND window = MainWindow()) {
    ::SetWindowPos(window, settings.StayOnTop == 1 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void FocusList() {
  if (const HWND list = FileListView()) ::SetFocus(list);
}

// The settings window, then what it may have changed: the list's cells and
// the status bar.
void SettingsThenRefresh() {
  RunSettingsPanel();
  if (const HWND list = FileListView()) ::InvalidateRect(list, nullptr, TRUE);
  UpdateStatusBar();
}

void OnStatusClick(UINT message, std::int32_t, std::int32_t, std::int32_t) {
  if (message == WM_LBUTTONDBLCLK) SettingsThenRefresh();
}

void ToggleFlag(std::int32_t& flag) { flag = flag == 1 ? 0 : 1; }

// Every way in (a drop, the open dialogs, the command line, another start)
// ends here: one intake.
void TakePaths(const std::wstring& text) {
  if (!g_main || g_main->busy) return;
  const BusyScope busy(g_main->busy);
  const FilesDropOwner owner{LayoutMainWindow, UpdateStatusBar};
  HandleFilesDrop(text, *g_main->state.list, g_main->settings, g_main->skipped, g_main->state.suggestedName, owner);
}

void OnFilesDropped(HDROP drop) {
  const std::wstring text = DroppedText(drop);
  ::DragFinish(drop);
  TakePaths(text);
}

bool OnPathsArrived(const std::wstring& text, bool more) {
  if (!g_main || g_main->state.quit) return false;
  if (more) {
    g_main->arriving += text;
    return true;
  }
  // A hand-over refused half way (memory short) leaves nothing behind.
  g_main->arrivedPaths.push_back(std::exchange(g_main->arriving, {}) + text);
  // Wakes the event loop, which takes them in.
  if (const HWND window = MainWindow()) ::PostMessageW(window, WM_NULL, 0, 0);
  return true;
}

void TakeArrivedPaths() {
  while (g_main && !g_main->arrivedPaths.empty() && !g_main->state.quit && MainWindow()) {
    const std::wstring text = std::move(g_main->arrivedPaths.front());
    g_main->arrivedPaths.erase(g_main->arrivedPaths.begin());
    TakePaths(text);
  }
}

// The open dialogs start where the user last took files from: the folder
// of the last files or folder added this way, else the last PDF's folder.
std::wstring AddStartFolder() {
  if (!g_main->state.addFolder.empty()) return g_main->state.addFolder;
  const std::wstring& last = g_main->settings.LastDirectory;
  return !last.empty() && platform::IsDirectory(last) ? last : std::wstring();
}

void AddFilesFromDialog() {
  // Every kind of image file this machine's decoders read, GDI+'s and WIC's.
  const std::wstring filter = ImageFilesFilter(ExtensionPatterns(MachineImageExtensions()));
  const std::vector<std::wstring> paths = AskOpenFileNames(AddStartFolder(), filter.c_str());
  if (paths.empty()) return;
  g_main->state.addFolder = FolderPart(paths.front());
  TakePaths(JoinPaths(paths));
}

void AddFolderFromDialog() {
  const std::wstring folder = AskFolder(AddStartFolder());
  if (folder.empty()) return;
  g_main->state.addFolder = folder;
  TakePaths(JoinPaths({folder}));
}

bool OnCommand(std::int32_t command, HWND control) {
  if (!g_main) return false;
  Settings& settings = g_main->settings;
  if (control) {
    if (control != MainControls().buildButton) return false;
    RunBuildCommand();
    return true;
  }
  switch (command) {
    case kCommandQuit:
      g_main->state.quit = ConfirmQuit(settings);
      // Files handed over while the question was open were taken (their
      // sender was told so): they go into the list rather than being lost
      // with the program, and the user may quit again.
      if (!g_main->arrivedPaths.empty() || !g_main->arriving.empty()) g_main->state.quit = false;
      return true;
    case kCommandStayOnTop:
      ToggleFlag(settings.StayOnTop);
      SetCheckMark(kCommandStayOnTop, settings.StayOnTop == 1);
      ApplyTopmost(settings);
      return true;
    case kCommandRememberPosition:
      ToggleFlag(settings.RememberWinPos);
      SetCheckMark(kCommandRememberPosition, settings.RememberWinPos == 1);
      return true;
    case kCommandShowThumbnail: {
      ToggleFlag(settings.ShowThumbs);
      SetCheckMark(kCommandShowThumbnail, settings.ShowThumbs == 1);
      if (settings.ShowThumbs == 1) {
        const std::int32_t row = CurrentRow();
        if (row >= 0) {
          ::PostMessageW(MainWindow(), kMessageShowThumbnail, static_cast<WPARAM>(row), 0);
          FocusList();
        }
      } else if (GetThumbnailHooks().closeThumbnail) {
        GetThumbnailHooks().closeThumbnail();
      }
      return true;
    }
    case kCommandMoreOptions:
      SettingsThenRefresh();
      ApplyTopmost(settings);
      FocusList();
      return true;
    case kCommandAbout:
      ShowAbout();
      FocusList();
      ApplyTopmost(settings);
      return true;
    case kCommandHelp:
      ShowHelp(MainWindow(), L"");
      return true;
    case kCommandAddFiles:
      AddFilesFromDialog();
      return true;
    case kCommandAddFolder:
      AddFolderFromDialog();
      return true;
    case kCommandBuildPdf:
      RunBuildCommand();
      return true;
  }
  return false;
}

void RunEventLoop(HWND window, HACCEL keys) {
  MSG msg;
  while (!g_main->state.quit) {
    TakeArrivedPaths();
    if (g_main->state.quit) break;
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) break;  // asked to end from outside, or the window is gone
    if (keys && ::IsWindow(window) && ::TranslateAcceleratorW(window, keys, &msg)) continue;
    if (::IsWindow(window) && RouteMainWindowKey(window, MainControls().buildButton, msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// The orderly end, in this order: settings saved while the window still
// tells its place, the status font, the list and its images, the window.
void EndMain(HWND window, const SettingsFiles& settingsFiles) {
  Settings& settings = g_main->settings;
  if (::IsWindow(window)) {
    const MainWindowGeometry place = GeometryToRemember(window);
    settings.X = place.x;
    settings.Y = place.y;
    settings.W = place.width;
    settings.H = place.height;
    settings.Maximized = MaximizedToRemember(window) ? 1 : 0;
  }
  if (!SaveSettingsToFiles(settingsFiles, settings)) {
    ShowCentredMessage(MainWindow(), kSaveSettingsFailed, MB_OK | MB_ICONWARNING);
  }
  ReleaseStatusFont();
  ClearFileList(*g_main->state.list);
  if (GetThumbnailHooks().closeThumbnail) GetThumbnailHooks().closeThumbnail();
  // Its worker may still be making pictures through GDI+, which ends next.
  ReleaseThumbnailCache();
  if (::IsWindow(window)) ::DestroyWindow(window);
  // The window's own quit message has no one left to read it.
  MSG quit;
  while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  g_main->skipped.clear();
}

}  // namespace

bool ConfirmQuit(const Settings& settings) {
  if (settings.Confirmations == 0) return true;
  return ShowCentredMessage(MainWindow(), kQuitQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool ConfirmOverwrite(const std::wstring& path) {
  if (platform::FileSize(path) < 0 || platform::IsDirectory(path)) return true;
  return ShowCentredMessage(MainWindow(), kOverwriteQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool RunSettingsPanel() {
  if (!g_main) return true;
  return Panel()(g_main->settings, *g_main->state.list);
}

SettingsPanel SetSettingsPanel(SettingsPanel panel) {
  return std::exchange(Panel(), panel ? std::move(panel) : SettingsPanel(DefaultSettingsPanel));
}

ShellOpener SetShellOpener(ShellOpener opener) {
  return std::exchange(Opener(), opener ? std::move(opener) : ShellOpener(OpenWithShell));
}

const MainState& CurrentMainState() {
  static const MainState none;
  return g_main ? g_main->state : none;
}

void RunBuildCommand() {
  if (!g_main || g_main->busy) return;
  const BusyScope busy(g_main->busy);
  Settings& settings = g_main->settings;
  const FileList& list = *g_main->state.list;
  if (list.Items.empty()) return;
  if (settings.ShowOptions == 1 && !RunSettingsPanel()) return;
  UpdateStatusBar();
  const std::vector<BuildItem> items = BuildItemsOf(list);
  std::wstring path;
  for (;;) {
    CentreNextDialog(MainWindow());
    path = ChoosePdfFileName(g_main->state.suggestedName, settings, items);
    if (path.empty()) return;
    if (settings.Confirmations != 1 || ConfirmOverwrite(path)) break;
  }
  if (settings.DocTitleFromFileName == 1) settings.DocTitle = PdfTitleFromFileName(path);
  if (BuildPdfWithWindow(path, g_main->log, items, settings) != 1) return;
  // After Cancel, or when no page was placed, the file at path (if any) is
  // an older one: it is not shown as if it were the result.
  if (!g_main->log.PdfWritten || platform::FileSize(path) <= 0) return;
  if (settings.OpenPdf == 1) Opener()(path);
  if (settings.OpenDir == 1) Opener()(FolderPart(path));
}

int Main(const std::wstring& settingsPath, const std::wstring& startPaths) {
  return Main(SettingsFiles{settingsPath, settingsPath}, startPaths);
}

int Main(const SettingsFiles& settingsFiles, const std::wstring& startPaths) {
  MainContext context;
  g_main = &context;
  LoadSettingsFromFile(settingsFiles.load, context.settings);
  FileList& list = ProgramFileList();
  ClearFileList(list);
  context.state.settings = &context.settings;
  context.state.list = &list;

  SetMainCommandHandler(OnCommand);
  SetMainDropHandler(OnFilesDropped);
  SetMainPathsHandler(OnPathsArrived);
  const HWND window = CreateMainWindow(context.settings, list);
  ::UpdateWindow(window);
  if (!startPaths.empty()) context.arrivedPaths.push_back(startPaths);
  SetStatusClickHandler(MainControls().statusBar, OnStatusClick);
  const win::UniqueHandle<HACCEL, AcceleratorTraits> keys(CreateMainAccelerators());

  RunEventLoop(window, keys.get());
  EndMain(window, settingsFiles);

  SetMainPathsHandler(nullptr);
  SetMainDropHandler(nullptr);
  SetMainCommandHandler(nullptr);
  g_main = nullptr;
  return 0;
}
