#pragma once
// In-process GUI testing under Wine + Xvfb: real windows, real messages, real
// message boxes and file dialogs answered from the test.
//
// Modal code (MessageBoxW, GetSaveFileNameW, the program's own modal windows)
// runs its own message loop, so the test cannot act between the call and its
// return. The helpers here run from a thread timer instead: its WM_TIMER is
// dispatched by whichever loop is running, nested modal loops included.
//
// A typical test (tests/<folder>/*_wintest.cpp):
//
//   TestWindow mainWindow{{100, 100, 700, 500}};
//   ScopedMainWindow scope(mainWindow.get());
//   DialogAnswerer answers;
//   answers.Press(IDNO).SaveScreenshots(L"quit_question");
//   EXPECT_FALSE(ConfirmQuit());                    // shows a real message box
//   ASSERT_EQ(answers.seen().size(), 1u);
//   EXPECT_EQ(answers.seen()[0].text, L"Do you really want to quit ?");
//
// For the program's own modal windows, a TimerTask waits for the window
// (FindThreadWindow(WindowClassName(n).c_str())), looks at it and closes it.
// Tests that read screen pixels or send mouse input hold a ScreenLock.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// Registers the common controls (status bar, list view, ...) once.
void InitCommonControlsForTests();

// Processes every message already queued for this thread.
void PumpMessages();

// A plain visible top-level window of its own class ("QuillonTestWindow",
// not matching the program's "WindowClass_%d"), destroyed with the object.
// handler, when given, sees every message first; returning true consumes it.
class TestWindow {
 public:
  using Handler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)>;
  explicit TestWindow(RECT outer, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                      Handler handler = nullptr);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_ = nullptr;
  Handler handler_;
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
};

// Makes window the program's main window for one scope.
class ScopedMainWindow {
 public:
  explicit ScopedMainWindow(HWND window);
  ~ScopedMainWindow();
  ScopedMainWindow(const ScopedMainWindow&) = delete;
  ScopedMainWindow& operator=(const ScopedMainWindow&) = delete;

 private:
  HWND previous_;
};

// Runs step at every tick of a thread timer (every 10 ms, from any message
// loop) until it returns true. Give up after timeoutMs: done() stays false,
// so a test that waited for a window that never came fails instead of hanging.
class TimerTask {
 public:
  explicit TimerTask(std::function<bool()> step, int timeoutMs = 10000);
  ~TimerTask();
  TimerTask(const TimerTask&) = delete;
  TimerTask& operator=(const TimerTask&) = delete;
  bool done() const { return done_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  std::function<bool()> step_;
  UINT_PTR timer_ = 0;
  DWORD deadline_ = 0;
  bool done_ = false;
};

// What a dialog showed when the answerer found it.
struct SeenDialog {
  HWND window = nullptr;
  std::wstring caption;
  std::wstring text;  // a message box's text (static 0xFFFF); empty otherwise
  RECT rect{};        // outer rectangle, screen coordinates
  HWND owner = nullptr;
  bool ownerEnabled = true;  // false while a modal dialog disables its owner
  HICON icon = nullptr;      // a message box's icon (static 0x440)
  std::vector<int> buttons;  // command ids of its push buttons
};

// Answers the dialogs (class "#32770": message boxes, file dialogs, prompts)
// that open on this thread, in order. A dialog with no answer left is
// cancelled and still recorded, so an unexpected box shows up in seen().
class DialogAnswerer {
 public:
  DialogAnswerer();
  ~DialogAnswerer();
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  // The next dialog gets this button (IDOK, IDCANCEL, IDYES, IDNO, ...).
  DialogAnswerer& Press(int button);
  // The next dialog is a file dialog: type fileName into its name box, then press button.
  DialogAnswerer& TypeFileName(const std::wstring& fileName, int button = IDOK);

  // Saves every dialog it answers as a screenshot named prefix + "_" + its number.
  DialogAnswerer& SaveScreenshots(const std::wstring& prefix);

  const std::vector<SeenDialog>& seen() const { return seen_; }

 private:
  struct Answer {
    int button;
    std::wstring fileName;
    bool typeName;
  };
  bool Step();
  std::vector<Answer> answers_;
  std::vector<SeenDialog> seen_;
  std::wstring screenshotPrefix_;
  TimerTask task_;
};

// The first visible window of this thread with the given class, or null.
HWND FindThreadWindow(const wchar_t* className);
std::wstring WindowText(HWND window);
std::wstring ClassNameOf(HWND window);
RECT WindowRect(HWND window);
// Texts of window's direct children of the given class, in Z order.
std::vector<std::wstring> ChildTexts(HWND window, const wchar_t* className);

// Records the messages sent to one window (through a WH_CALLWNDPROC hook of
// this thread). One spy at a time.
class MessageSpy {
 public:
  explicit MessageSpy(HWND window);
  ~MessageSpy();
  MessageSpy(const MessageSpy&) = delete;
  MessageSpy& operator=(const MessageSpy&) = delete;
  int Count(UINT message) const;
  void Clear() { messages_.clear(); }

 private:
  static LRESULT CALLBACK Hook(int, WPARAM, LPARAM);
  HWND window_;
  HHOOK hook_ = nullptr;
  std::vector<UINT> messages_;
};

// ctest runs test programs side by side on one display. A test that reads
// pixels off the screen or sends mouse input holds this lock (one named mutex
// for all test processes of the Wine server) and keeps its window on top, so
// another test's window cannot cover its own.
class ScreenLock {
 public:
  explicit ScreenLock(HWND window = nullptr);
  ~ScreenLock();
  ScreenLock(const ScreenLock&) = delete;
  ScreenLock& operator=(const ScreenLock&) = delete;

 private:
  HANDLE mutex_ = nullptr;
  bool held_ = false;
};

// Mouse input as the user makes it (SendInput), at screen point p.
void ClickAt(POINT p, bool right = false);
void DoubleClickAt(POINT p);
// Keyboard input as the user makes it (SendInput), to whatever has the
// keyboard: the keys of chord pressed in order and released in reverse
// (PressKeys({VK_CONTROL, 'O'})); text typed as characters. The keys wait
// in the queue for whichever message loop runs next (accelerators included).
void PressKeys(const std::vector<WORD>& chord);
void TypeText(const std::wstring& text);

// A 32-bit top-down copy of pixels, for checks and screenshots.
struct Capture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
// What the screen shows in area (screen coordinates).
Capture CaptureScreen(const RECT& area);
// What a top-level window has drawn (its frame included), read from its own
// surface: under Wine the screen may lag behind what a window just painted.
Capture CaptureWindow(HWND window);
// Saves what window shows (the whole screen when null) as a BMP file in
// the folder named by QUILLON_SCREENSHOTS, else "screenshots" in the current
// folder; returns the file's path.
std::wstring SaveScreenshot(HWND window, const std::wstring& name);

// What the program's end action received in place of ending the test program.
struct ProgramEnded {
  std::uint32_t exitCode;
};
// For one scope, a fatal error report ends in a thrown ProgramEnded instead of
// ExitProcess.
class CatchProgramEnd {
 public:
  CatchProgramEnd();
  ~CatchProgramEnd();
  CatchProgramEnd(const CatchProgramEnd&) = delete;
  CatchProgramEnd& operator=(const CatchProgramEnd&) = delete;
};

}  // namespace testsupport
