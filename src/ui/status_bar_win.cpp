#include "ui/status_bar.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "ui/dpi.h"
#include "ui/placement.h"
#include "ui/win_handles.h"
#include "ui/window_helpers.h"

namespace {

constexpr wchar_t kFieldsProperty[] = L"statusFields";
constexpr wchar_t kCallbackProperty[] = L"callback";

struct StatusField {
  std::wstring text;
  UINT flags = 0;
  std::int32_t textColour = kDefaultColour;
  std::int32_t background = kDefaultColour;
  HFONT font = nullptr;
};

struct StatusBarFields {
  HWND statusBar = nullptr;
  std::array<std::optional<StatusField>, kStatusFieldCount> fields;
};

// Owned by the status bar's parent (a parent may hold several status bars).
struct StatusFieldRecords {
  std::vector<StatusBarFields> bars;

  StatusBarFields* Find(HWND statusBar) {
    for (auto& bar : bars) {
      if (bar.statusBar == statusBar) return &bar;
    }
    return nullptr;
  }
};

void DrawField(const DRAWITEMSTRUCT& item, const StatusField& field) {
  const HDC dc = item.hDC;
  win::SavedDcState saved(dc);
  const int index = static_cast<int>(item.itemID);
  const ScreenRect inner = StatusTextRect(
      {item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom}, index, WindowDpi(item.hwndItem));
  RECT text{inner.left, inner.top, inner.right, inner.bottom};
  ::SetTextColor(dc, field.textColour == kDefaultColour
                         ? ::GetSysColor(COLOR_BTNTEXT)
                         : static_cast<COLORREF>(field.textColour));
  if (field.background == kDefaultColour) {
    ::SetBkMode(dc, TRANSPARENT);
  } else {
    ::SetBkMode(dc, OPAQUE);
    ::SetBkColor(dc, static_cast<COLORREF>(field.background));
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &item.rcItem, nullptr, 0, nullptr);
  }
  if (field.font) ::SelectObject(dc, field.font);
  ::DrawTextW(dc, field.text.c_str(), static_cast<int>(field.text.size()), &text, field.flags);
}

LRESULT CALLBACK StatusParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      auto* records = FindRecord<StatusFieldRecords>(window, kFieldsProperty);
      StatusBarFields* bar = records ? records->Find(item->hwndItem) : nullptr;
      if (bar && item->itemID < static_cast<UINT>(kStatusFieldCount) &&
          bar->fields[item->itemID]) {
        DrawField(*item, *bar->fields[item->itemID]);
        return TRUE;
      }
      break;
    }
    case WM_SIZING:
      // Without this the fields smear while the user drags the border.
      if (auto* records = FindRecord<StatusFieldRecords>(window, kFieldsProperty)) {
        for (const auto& bar : records->bars) {
          ::InvalidateRect(bar.statusBar, nullptr, TRUE);
          ::UpdateWindow(bar.statusBar);
        }
      }
      break;
    case WM_NCDESTROY:
      DetachRecord<StatusFieldRecords>(window, kFieldsProperty);
      break;
  }
  return CallOldWindowProc(window, message, wParam, lParam);
}

// The text of a field the program draws, for whoever asks the status bar
// (screen readers do): the status bar itself only knows the field's number.
const StatusField* DrawnField(HWND statusBar, WPARAM field) {
  const HWND parent = ::GetParent(statusBar);
  auto* records = parent ? FindRecord<StatusFieldRecords>(parent, kFieldsProperty) : nullptr;
  const StatusBarFields* bar = records ? records->Find(statusBar) : nullptr;
  const std::size_t index = LOWORD(field);
  if (!bar || index >= bar->fields.size() || !bar->fields[index]) return nullptr;
  return &*bar->fields[index];
}

LRESULT CALLBACK StatusBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case SB_GETTEXTW:
    case SB_GETTEXTLENGTHW:
      if (const StatusField* field = DrawnField(window, wParam)) {
        const std::size_t length = field->text.size();
        if (message == SB_GETTEXTW && lParam) {
          std::copy_n(field->text.c_str(), length + 1, reinterpret_cast<wchar_t*>(lParam));
        }
        return MAKELRESULT(static_cast<WORD>(length), 0);
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: {
      const auto handler = reinterpret_cast<StatusClickHandler>(::GetPropW(window, kCallbackProperty));
      if (!handler) break;
      const int x = static_cast<short>(LOWORD(lParam));
      const int y = static_cast<short>(HIWORD(lParam));
      std::array<int, 256> rights{};
      const auto parts = static_cast<std::size_t>(::SendMessageW(
          window, SB_GETPARTS, rights.size(), reinterpret_cast<LPARAM>(rights.data())));
      const std::size_t count = parts < rights.size() ? parts : rights.size();
      const std::int32_t field = StatusFieldAt(std::span<const int>(rights.data(), count), x);
      if (field >= 0) handler(message, field, x, y);
      break;
    }
    case WM_NCDESTROY:
      ::RemovePropW(window, kCallbackProperty);
      break;
  }
  return CallOldWindowProc(window, message, wParam, lParam);
}

}  // namespace

void SetStatusField(HWND statusBar, std::int32_t field, const std::wstring& text,
                    std::int32_t textColour, std::int32_t background, UINT flags, HFONT font) {
  if (field < 0 || field >= kStatusFieldCount || !::IsWindow(statusBar)) return;
  const HWND parent = ::GetParent(statusBar);
  if (!parent) return;
  auto* records = FindRecord<StatusFieldRecords>(parent, kFieldsProperty);
  if (!records) {
    // Subclass first: only the subclassed parent draws the fields and frees
    // the records.
    if (!SubclassWindow(parent, StatusParentProc)) return;
    records = AttachRecord(parent, kFieldsProperty, std::make_unique<StatusFieldRecords>());
    if (!records) return;
  }
  StatusBarFields* bar = records->Find(statusBar);
  if (!bar) {
    records->bars.push_back({statusBar, {}});
    bar = &records->bars.back();
  }
  bar->fields[field] = StatusField{text, flags, textColour, background, font};
  // The status bar answers for its drawn fields' texts from now on.
  if (!IsSubclassed(statusBar)) SubclassWindow(statusBar, StatusBarProc);
  // Item data is the field number; the parent draws it from the record.
  ::SendMessageW(statusBar, SB_SETTEXTW, static_cast<WPARAM>(field) | SBT_OWNERDRAW,
                 static_cast<LPARAM>(field));
  RECT part{};
  if (::SendMessageW(statusBar, SB_GETRECT, static_cast<WPARAM>(field), reinterpret_cast<LPARAM>(&part))) {
    ::InvalidateRect(statusBar, &part, TRUE);
  }
}

void SetStatusClickHandler(HWND statusBar, StatusClickHandler handler) {
  if (!::IsWindow(statusBar)) return;
  const auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(statusBar, GWLP_WNDPROC));
  if (current != StatusBarProc && !SubclassWindow(statusBar, StatusBarProc)) return;
  ::SetPropW(statusBar, kCallbackProperty, reinterpret_cast<HANDLE>(handler));
}
