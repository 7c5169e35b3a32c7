#include "support/gui_harness_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ui/fatal_error.h"
#include "ui/window_helpers.h"

namespace testsupport {

namespace {

constexpr wchar_t kTestClass[] = L"QuillonTestWindow";
constexpr wchar_t kAnsweredProperty[] = L"quillonTestAnswered";
constexpr UINT kTickMs = 10;
constexpr int kFileNameBox = 0x47C;  // cmb13
constexpr int kMessageText = 0xFFFF;
constexpr int kMessageIcon = 0x440;

std::vector<std::pair<UINT_PTR, TimerTask*>>& Timers() {
  static std::vector<std::pair<UINT_PTR, TimerTask*>> timers;
  return timers;
}

MessageSpy* g_spy = nullptr;

}  // namespace

void InitCommonControlsForTests() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    return ::InitCommonControlsEx(&controls) != FALSE;
  }();
  (void)done;
}

void PumpMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

TestWindow::TestWindow(RECT outer, DWORD style, Handler handler) : handler_(std::move(handler)) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!::GetClassInfoExW(instance, kTestClass, &wc)) {
    wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kTestClass;
    ::RegisterClassExW(&wc);
  }
  window_ = ::CreateWindowExW(0, kTestClass, L"Test window", style, outer.left, outer.top,
                              outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                              instance, this);
  PumpMessages();
}

TestWindow::~TestWindow() {
  if (::IsWindow(window_)) ::DestroyWindow(window_);
  PumpMessages();
}

LRESULT CALLBACK TestWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TestWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  LRESULT result = 0;
  if (self && self->handler_ && self->handler_(window, message, wParam, lParam, result)) {
    return result;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

ScopedMainWindow::ScopedMainWindow(HWND window) : previous_(MainWindow()) { SetMainWindow(window); }
ScopedMainWindow::~ScopedMainWindow() { SetMainWindow(previous_); }

TimerTask::TimerTask(std::function<bool()> step, int timeoutMs) : step_(std::move(step)) {
  deadline_ = timeoutMs > 0 ? ::GetTickCount() + static_cast<DWORD>(timeoutMs) : 0;
  timer_ = ::SetTimer(nullptr, 0, kTickMs, Tick);
  Timers().push_back({timer_, this});
}

TimerTask::~TimerTask() {
  if (timer_) ::KillTimer(nullptr, timer_);
  auto& timers = Timers();
  timers.erase(std::remove_if(timers.begin(), timers.end(),
                              [this](const auto& entry) { return entry.second == this; }),
               timers.end());
}

void CALLBACK TimerTask::Tick(HWND, UINT, UINT_PTR id, DWORD) {
  TimerTask* task = nullptr;
  for (const auto& [timer, owner] : Timers()) {
    if (timer == id) task = owner;
  }
  if (!task || task->done_ || !task->timer_) return;
  static bool running = false;  // a step that pumps messages must not re-enter
  if (running) return;
  running = true;
  const bool finished = task->step_();
  running = false;
  const bool expired =
      task->deadline_ != 0 && static_cast<LONG>(::GetTickCount() - task->deadline_) > 0;
  if (finished) task->done_ = true;
  if (finished || expired) {
    ::KillTimer(nullptr, task->timer_);
    task->timer_ = 0;
  }
}

DialogAnswerer::DialogAnswerer() : task_([this] { return Step(); }, 0) {}
DialogAnswerer::~DialogAnswerer() = default;

DialogAnswerer& DialogAnswerer::Press(int button) {
  answers_.push_back({button, L"", false});
  return *this;
}

DialogAnswerer& DialogAnswerer::TypeFileName(const std::wstring& fileName, int button) {
  answers_.push_back({button, fileName, true});
  return *this;
}

DialogAnswerer& DialogAnswerer::SaveScreenshots(const std::wstring& prefix) {
  screenshotPrefix_ = prefix;
  return *this;
}

namespace {

struct EnumContext {
  const wchar_t* className;
  bool wantEnabled;
  bool skipAnswered;
  HWND found;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM lParam) {
  auto* context = reinterpret_cast<EnumContext*>(lParam);
  if (!::IsWindowVisible(window) || ClassNameOf(window) != context->className) return TRUE;
  if (context->wantEnabled && !::IsWindowEnabled(window)) return TRUE;
  if (context->skipAnswered && ::GetPropW(window, kAnsweredProperty)) return TRUE;
  context->found = window;
  return FALSE;
}

BOOL CALLBACK CollectButton(HWND child, LPARAM lParam) {
  auto* buttons = reinterpret_cast<std::vector<int>*>(lParam);
  const LONG_PTR type = ::GetWindowLongPtrW(child, GWL_STYLE) & BS_TYPEMASK;
  if (ClassNameOf(child) == L"Button" && ::IsWindowVisible(child) &&
      (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)) {
    buttons->push_back(::GetDlgCtrlID(child));
  }
  return TRUE;
}

}  // namespace

bool DialogAnswerer::Step() {
  // The enabled one: a prompt over a file dialog disables the file dialog.
  EnumContext context{L"#32770", true, true, nullptr};
  ::EnumThreadWindows(::GetCurrentThreadId(), FindVisible, reinterpret_cast<LPARAM>(&context));
  const HWND dialog = context.found;
  if (!dialog) return false;
  ::SetPropW(dialog, kAnsweredProperty, reinterpret_cast<HANDLE>(1));

  SeenDialog seen;
  seen.window = dialog;
  seen.caption = WindowText(dialog);
  if (const HWND text = ::GetDlgItem(dialog, kMessageText)) seen.text = WindowText(text);
  seen.rect = WindowRect(dialog);
  seen.owner = ::GetWindow(dialog, GW_OWNER);
  seen.ownerEnabled = seen.owner ? ::IsWindowEnabled(seen.owner) != FALSE : true;
  if (::GetDlgItem(dialog, kMessageIcon)) {
    seen.icon = reinterpret_cast<HICON>(::SendDlgItemMessageW(dialog, kMessageIcon, STM_GETICON, 0, 0));
  }
  ::EnumChildWindows(dialog, CollectButton, reinterpret_cast<LPARAM>(&seen.buttons));
  const std::size_t index = seen_.size();
  seen_.push_back(std::move(seen));

  if (!screenshotPrefix_.empty()) {
    ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SaveScreenshot(dialog, screenshotPrefix_ + L"_" + std::to_wstring(index));
  }
  Answer answer{IDCANCEL, L"", false};
  if (index < answers_.size()) answer = answers_[index];
  if (answer.typeName) ::SetDlgItemTextW(dialog, kFileNameBox, answer.fileName.c_str());
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(answer.button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, answer.button)));
  return false;  // keep answering
}

HWND FindThreadWindow(const wchar_t* className) {
  EnumContext context{className, false, false, nullptr};
  ::EnumThreadWindows(::GetCurrentThreadId(), FindVisible, reinterpret_cast<LPARAM>(&context));
  return context.found;
}

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

std::wstring ClassNameOf(HWND window) {
  wchar_t name[256] = {};
  const int length = ::GetClassNameW(window, name, 256);
  return std::wstring(name, name + (length > 0 ? length : 0));
}

RECT WindowRect(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  return rect;
}

std::vector<std::wstring> ChildTexts(HWND window, const wchar_t* className) {
  std::vector<std::wstring> texts;
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (ClassNameOf(child) == className) texts.push_back(WindowText(child));
  }
  return texts;
}

MessageSpy::MessageSpy(HWND window) : window_(window) {
  g_spy = this;
  hook_ = ::SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, ::GetCurrentThreadId());
}

MessageSpy::~MessageSpy() {
  if (hook_) ::UnhookWindowsHookEx(hook_);
  g_spy = nullptr;
}

int MessageSpy::Count(UINT message) const {
  return static_cast<int>(std::count(messages_.begin(), messages_.end(), message));
}

LRESULT CALLBACK MessageSpy::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && g_spy) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (sent->hwnd == g_spy->window_) g_spy->messages_.push_back(sent->message);
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

ScreenLock::ScreenLock(HWND window) {
  mutex_ = ::CreateMutexW(nullptr, FALSE, L"QuillonTestScreenLock");
  if (mutex_) {
    const DWORD waited = ::WaitForSingleObject(mutex_, 60000);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  if (window) {
    ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetForegroundWindow(window);
    PumpMessages();
  }
}

ScreenLock::~ScreenLock() {
  if (held_) ::ReleaseMutex(mutex_);
  if (mutex_) ::CloseHandle(mutex_);
}

namespace {

void SendMouse(std::initializer_list<DWORD> flags) {
  std::vector<INPUT> inputs;
  for (DWORD flag : flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    inputs.push_back(input);
  }
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  PumpMessages();
}

}  // namespace

void ClickAt(POINT p, bool right) {
  ::SetCursorPos(p.x, p.y);
  PumpMessages();
  if (right) {
    SendMouse({MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP});
  } else {
    SendMouse({MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
  }
}

void PressKeys(const std::vector<WORD>& chord) {
  std::vector<INPUT> inputs;
  for (const bool up : {false, true}) {
    std::vector<WORD> keys(chord);
    if (up) std::reverse(keys.begin(), keys.end());
    for (const WORD key : keys) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = key;
      input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      inputs.push_back(input);
    }
  }
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void TypeText(const std::wstring& text) {
  std::vector<INPUT> inputs;
  for (const wchar_t c : text) {
    for (const DWORD flag : {DWORD{KEYEVENTF_UNICODE}, DWORD{KEYEVENTF_UNICODE | KEYEVENTF_KEYUP}}) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wScan = c;
      input.ki.dwFlags = flag;
      inputs.push_back(input);
    }
  }
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void DoubleClickAt(POINT p) {
  ::SetCursorPos(p.x, p.y);
  PumpMessages();
  SendMouse({MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
}

namespace {

Capture CopyPixels(HDC source, int x, int y, int width, int height) {
  Capture capture;
  capture.width = width;
  capture.height = height;
  if (width <= 0 || height <= 0) return capture;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HDC memory = ::CreateCompatibleDC(source);
  const HBITMAP bitmap = ::CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && memory) {
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    ::GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    capture.pixels.assign(pixels, pixels + static_cast<std::size_t>(width) * height);
    for (auto& p : capture.pixels) p &= 0x00FFFFFF;
    ::SelectObject(memory, old);
  }
  if (bitmap) ::DeleteObject(bitmap);
  if (memory) ::DeleteDC(memory);
  return capture;
}

}  // namespace

Capture CaptureScreen(const RECT& area) {
  const HDC screen = ::GetDC(nullptr);
  Capture capture = CopyPixels(screen, area.left, area.top, area.right - area.left,
                               area.bottom - area.top);
  ::ReleaseDC(nullptr, screen);
  return capture;
}

Capture CaptureWindow(HWND window) {
  const RECT rect = WindowRect(window);
  const HDC dc = ::GetWindowDC(window);
  Capture capture = CopyPixels(dc, 0, 0, rect.right - rect.left, rect.bottom - rect.top);
  ::ReleaseDC(window, dc);
  return capture;
}

std::wstring SaveScreenshot(HWND window, const std::wstring& name) {
  const Capture capture =
      window ? CaptureWindow(window)
             : CaptureScreen({0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)});
  std::filesystem::path folder = L"screenshots";
  if (const wchar_t* configured = _wgetenv(L"QUILLON_SCREENSHOTS")) folder = configured;
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  const std::filesystem::path file = folder / (name + L".bmp");

  // 24-bit bottom-up BMP: every viewer reads it.
  const int stride = (capture.width * 3 + 3) & ~3;
  BITMAPFILEHEADER header{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = capture.width;
  info.biHeight = capture.height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = static_cast<DWORD>(stride * capture.height);
  header.bfType = 0x4D42;
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = header.bfOffBits + info.biSizeImage;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  std::vector<unsigned char> row(static_cast<std::size_t>(stride), 0);
  for (int y = capture.height - 1; y >= 0; --y) {
    for (int x = 0; x < capture.width; ++x) {
      const std::uint32_t p = capture.at(x, y);
      row[static_cast<std::size_t>(x) * 3] = static_cast<unsigned char>(p & 0xFF);
      row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<unsigned char>((p >> 8) & 0xFF);
      row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<unsigned char>((p >> 16) & 0xFF);
    }
    out.write(reinterpret_cast<const char*>(row.data()), stride);
  }
  return file.wstring();
}

CatchProgramEnd::CatchProgramEnd() {
  SetProgramEndAction([](std::uint32_t exitCode) { throw ProgramEnded{exitCode}; });
}
CatchProgramEnd::~CatchProgramEnd() { SetProgramEndAction(nullptr); }

}  // namespace testsupport
