#pragma once
// Small owners for Win32 handles: each closes its handle exactly once and
// cannot be copied. Windows-only.
#include <windows.h>
#include <objbase.h>

#include <utility>

namespace win {

// Owns one handle of type H; Close is the function that releases it.
template <typename H, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(H handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, H{})) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, H{}));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  H get() const { return handle_; }
  explicit operator bool() const { return handle_ != H{}; }
  H release() { return std::exchange(handle_, H{}); }
  void reset(H handle = H{}) {
    if (handle_ != H{}) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  H handle_{};
};

struct ModuleTraits { static void Close(HMODULE h) { ::FreeLibrary(h); } };
struct HookTraits { static void Close(HHOOK h) { ::UnhookWindowsHookEx(h); } };
struct FontTraits { static void Close(HFONT h) { ::DeleteObject(h); } };
struct BitmapTraits { static void Close(HBITMAP h) { ::DeleteObject(h); } };
struct BrushTraits { static void Close(HBRUSH h) { ::DeleteObject(h); } };
struct WindowTraits { static void Close(HWND h) { if (::IsWindow(h)) ::DestroyWindow(h); } };
struct MemoryDcTraits { static void Close(HDC h) { ::DeleteDC(h); } };

using UniqueModule = UniqueHandle<HMODULE, ModuleTraits>;  // LoadLibrary
using UniqueHook = UniqueHandle<HHOOK, HookTraits>;
using UniqueFont = UniqueHandle<HFONT, FontTraits>;
using UniqueBitmap = UniqueHandle<HBITMAP, BitmapTraits>;
using UniqueBrush = UniqueHandle<HBRUSH, BrushTraits>;
using UniqueWindow = UniqueHandle<HWND, WindowTraits>;
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcTraits>;  // CreateCompatibleDC

// Keeps a device context's state (selected objects, colours, modes) for one
// scope and puts it back afterwards.
class SavedDcState {
 public:
  explicit SavedDcState(HDC dc) : dc_(dc), saved_(::SaveDC(dc)) {}
  ~SavedDcState() {
    if (saved_) ::RestoreDC(dc_, saved_);
  }
  SavedDcState(const SavedDcState&) = delete;
  SavedDcState& operator=(const SavedDcState&) = delete;

 private:
  HDC dc_;
  int saved_;
};

// GetDC / ReleaseDC for one window.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// COM on this thread (single-threaded apartment) for one scope; a thread
// that has it already keeps it.
class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (ok_) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

// One reference to a COM object, released with the holder. A decoder that
// faulted while using the object may have left it in any state: Abandon
// then lets it go without a call into it.
template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (p_) p_->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  T** put() { return &p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void Abandon() { p_ = nullptr; }

 private:
  T* p_ = nullptr;
};

}  // namespace win
