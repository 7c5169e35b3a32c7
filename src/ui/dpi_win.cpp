#include "ui/dpi.h"

#include <map>

#include "ui/win_handles.h"

namespace {

// Present from Windows 10 (1607) on: looked up, never linked.
template <typename Function>
Function User32Function(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

int SystemDpi() {
  const win::WindowDc screen(nullptr);
  const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
  return dpi > 0 ? dpi : kBaseDpi;
}

// The message font as the system gives it at dpi.
LOGFONTW MessageFace(int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  using ForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const auto forDpi = User32Function<ForDpi>("SystemParametersInfoForDpi");
  if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0, static_cast<UINT>(dpi))) {
    return metrics.lfMessageFont;
  }
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
    // Systems before Vista know the record without its last field.
    metrics.cbSize = sizeof metrics - sizeof metrics.iPaddedBorderWidth;
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
  }
  // Given at the system's DPI: brought to the window's.
  LOGFONTW face = metrics.lfMessageFont;
  face.lfHeight = ::MulDiv(face.lfHeight, dpi, SystemDpi());
  return face;
}

}  // namespace

int WindowDpi(HWND window) {
  using ForWindow = UINT(WINAPI*)(HWND);
  static const auto forWindow = User32Function<ForWindow>("GetDpiForWindow");
  if (window && forWindow) {
    if (const UINT dpi = forWindow(window)) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

HFONT MessageFont(int dpi) {
  static std::map<int, win::UniqueFont> fonts;
  win::UniqueFont& font = fonts[dpi];
  if (!font) {
    LOGFONTW face = MessageFace(dpi);
    if (face.lfFaceName[0] == L'\0') {
      ::wcscpy(face.lfFaceName, L"Tahoma");
      face.lfHeight = -ScaleToDpi(11, dpi);
    }
    font.reset(::CreateFontIndirectW(&face));
  }
  return font ? font.get() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

SIZE OuterSizeAtDpi(int width, int height, DWORD style, DWORD exStyle, int dpi) {
  RECT outer{0, 0, width, height};
  using ForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto forDpi = User32Function<ForDpi>("AdjustWindowRectExForDpi");
  if (!forDpi || !forDpi(&outer, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  }
  return {outer.right - outer.left, outer.bottom - outer.top};
}
