// Owner-drawn status fields and the status bar's click hook, on a real status
// bar in a real window.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "support/gui_harness_win.h"
#include "ui/status_bar.h"
#include "ui/window_helpers.h"

using namespace testsupport;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kRed = 0xFF0000;  // 0x00RRGGBB as captured
constexpr UINT kCentred = DT_SINGLELINE | DT_VCENTER | DT_CENTER;

// The columns and rows of a 32-bit top-down DIB that hold a given colour.
struct Extent {
  int left = INT_MAX, right = -1, top = INT_MAX, bottom = -1;
  bool empty() const { return right < 0; }
};

// Draws one field through the parent's WM_DRAWITEM into a white bitmap, as the
// status bar asks for it, and returns where the text's colour landed.
class FieldCanvas {
 public:
  FieldCanvas() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc_ = ::CreateCompatibleDC(nullptr);
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = ::SelectObject(dc_, bitmap_);
  }
  ~FieldCanvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }
  FieldCanvas(const FieldCanvas&) = delete;
  FieldCanvas& operator=(const FieldCanvas&) = delete;

  LRESULT Draw(HWND statusBar, int field, RECT rect) {
    for (int i = 0; i < kWidth * kHeight; ++i) bits_[i] = kWhite;
    DRAWITEMSTRUCT item{};
    item.hwndItem = statusBar;
    item.itemID = static_cast<UINT>(field);
    item.itemAction = ODA_DRAWENTIRE;
    item.hDC = dc_;
    item.rcItem = rect;
    item.itemData = static_cast<ULONG_PTR>(field);
    return ::SendMessageW(::GetParent(statusBar), WM_DRAWITEM, ::GetDlgCtrlID(statusBar),
                          reinterpret_cast<LPARAM>(&item));
  }

  Extent Find(std::uint32_t colour) const {
    Extent e;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        if ((bits_[y * kWidth + x] & 0xFFFFFF) != colour) continue;
        e.left = std::min(e.left, x);
        e.right = std::max(e.right, x);
        e.top = std::min(e.top, y);
        e.bottom = std::max(e.bottom, y);
      }
    }
    return e;
  }
  bool AllWhiteOutside(const Extent& e) const {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const bool inside = x >= e.left && x <= e.right && y >= e.top && y <= e.bottom;
        if (!inside && (bits_[y * kWidth + x] & 0xFFFFFF) != kWhite) return false;
      }
    }
    return true;
  }

  static constexpr int kWidth = 300;
  static constexpr int kHeight = 40;

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

class StatusFields : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControlsForTests();
    status = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                               parent.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(2)),
                               ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(status);
    const int parts[4] = {100, 200, 300, -1};
    ::SendMessageW(status, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(parts));
    PumpMessages();
  }

  TestWindow parent{{50, 50, 650, 350}};
  HWND status = nullptr;
  // A font large enough for clear pixel extents.
  HFONT font = ::CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                             NONANTIALIASED_QUALITY, 0, L"Tahoma");
  void TearDown() override { ::DeleteObject(font); }
};

}  // namespace

TEST_F(StatusFields, TextKeepsItsInsetsAndAlignmentAndLeavesTheBackground) {
  FieldCanvas canvas;
  const RECT rect{20, 5, 220, 35};

  SetStatusField(status, 0, L"WWWW", RGB(255, 0, 0), kDefaultColour, DT_SINGLELINE | DT_VCENTER | DT_LEFT, font);
  ASSERT_TRUE(canvas.Draw(status, 0, rect));
  Extent e = canvas.Find(kRed);
  ASSERT_FALSE(e.empty());
  EXPECT_GE(e.left, 20 + 3);
  EXPECT_LE(e.left, 20 + 3 + 2);
  EXPECT_TRUE(canvas.AllWhiteOutside(e)) << "transparent fields fill nothing";
  // Vertically centred on one line.
  EXPECT_NEAR((e.top + e.bottom) / 2.0, (5 + 35) / 2.0, 3.0);

  SetStatusField(status, 1, L"WWWW", RGB(255, 0, 0), kDefaultColour, DT_SINGLELINE | DT_VCENTER | DT_LEFT,
                 font);
  ASSERT_TRUE(canvas.Draw(status, 1, rect));
  const Extent second = canvas.Find(kRed);
  EXPECT_EQ(second.left, e.left - 1);  // other fields are inset by 2, not 3

  SetStatusField(status, 1, L"WWWW", RGB(255, 0, 0), kDefaultColour,
                 DT_SINGLELINE | DT_VCENTER | DT_RIGHT, font);
  ASSERT_TRUE(canvas.Draw(status, 1, rect));
  e = canvas.Find(kRed);
  // The ink of the last "W" ends its right bearing before the text's edge
  // (with Tahoma, as Wine has it once its fonts are installed, a pixel or two).
  ABC w{};
  {
    const HDC dc = ::GetDC(nullptr);
    const HGDIOBJ old = ::SelectObject(dc, font);
    ::GetCharABCWidthsW(dc, L'W', L'W', &w);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
  }
  EXPECT_NEAR(e.right, 220 - 5 - 1 - w.abcC, 1);

  SetStatusField(status, 2, L"WWWW", RGB(255, 0, 0), kDefaultColour, kCentred, font);
  ASSERT_TRUE(canvas.Draw(status, 2, rect));
  e = canvas.Find(kRed);
  EXPECT_NEAR((e.left + e.right) / 2.0, (20 + 2 + 220 - 5) / 2.0 + (w.abcA - w.abcC) / 2.0, 2.0);
}

TEST_F(StatusFields, DefaultColourIsTheSystemTextColourAndAFontChangesTheSize) {
  FieldCanvas canvas;
  const RECT rect{0, 0, 300, 40};
  const COLORREF system = ::GetSysColor(COLOR_BTNTEXT);
  const std::uint32_t captured = (GetRValue(system) << 16) | (GetGValue(system) << 8) | GetBValue(system);

  SetStatusField(status, 3, L"HHHH", kDefaultColour, kDefaultColour, kCentred, nullptr);
  ASSERT_TRUE(canvas.Draw(status, 3, rect));
  const Extent plain = canvas.Find(captured);
  ASSERT_FALSE(plain.empty());
  SetStatusField(status, 3, L"HHHH", kDefaultColour, kDefaultColour, kCentred, font);
  ASSERT_TRUE(canvas.Draw(status, 3, rect));
  const Extent large = canvas.Find(captured);
  EXPECT_GT(large.bottom - large.top, plain.bottom - plain.top);
}

TEST_F(StatusFields, FieldsOutsideTheRangeAreIgnored) {
  SetStatusField(status, 16, L"x", kDefaultColour, kDefaultColour, kCentred, nullptr);
  SetStatusField(status, -1, L"x", kDefaultColour, kDefaultColour, kCentred, nullptr);
  EXPECT_FALSE(IsSubclassed(parent.get()));
  FieldCanvas canvas;
  EXPECT_FALSE(canvas.Draw(status, 1, {0, 0, 100, 20}));  // nobody draws unknown fields
}

TEST_F(StatusFields, RealStatusBarShowsTheFieldsAndRepaintsWhileSizing) {
  const ScreenLock screen(parent.get());
  SetStatusField(status, 0, L"JPG :10", kDefaultColour, kDefaultColour, kCentred, nullptr);
  SetStatusField(status, 1, L"100%", RGB(255, 0, 0), kDefaultColour, kCentred, font);
  SetStatusField(status, 3, L"3 files  1.2 MB", ::GetSysColor(COLOR_GRAYTEXT), kDefaultColour,
                 DT_SINGLELINE | DT_VCENTER | DT_RIGHT, nullptr);
  ::UpdateWindow(status);
  PumpMessages();
  SaveScreenshot(parent.get(), L"status_fields");

  RECT field{};
  ::SendMessageW(status, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&field));
  ::MapWindowPoints(status, nullptr, reinterpret_cast<POINT*>(&field), 2);
  const RECT frame = WindowRect(parent.get());
  const Capture shot = CaptureWindow(parent.get());
  int red = 0;
  for (int y = field.top - frame.top; y < field.bottom - frame.top; ++y) {
    for (int x = field.left - frame.left; x < field.right - frame.left; ++x) red += shot.at(x, y) == kRed;
  }
  EXPECT_GT(red, 20) << "field 1 is not drawn in its colour";

  MessageSpy spy(parent.get());
  RECT sizing = WindowRect(parent.get());
  ::SendMessageW(parent.get(), WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&sizing));
  EXPECT_GE(spy.Count(WM_DRAWITEM), 3) << "fields are repainted at once while sizing";
  RECT pending{};
  EXPECT_FALSE(::GetUpdateRect(status, &pending, FALSE));
}

namespace {

struct Click {
  UINT message;
  std::int32_t field;
  std::int32_t x;
};
std::vector<Click> g_clicks;

void RecordClick(UINT message, std::int32_t field, std::int32_t x, std::int32_t) {
  g_clicks.push_back({message, field, x});
}

POINT FieldCentre(HWND status, int field) {
  RECT r{};
  ::SendMessageW(status, SB_GETRECT, static_cast<WPARAM>(field), reinterpret_cast<LPARAM>(&r));
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ::ClientToScreen(status, &p);
  return p;
}

int Count(UINT message) {
  int n = 0;
  for (const Click& c : g_clicks) n += c.message == message;
  return n;
}

}  // namespace

TEST_F(StatusFields, ClicksReachTheHandlerWithTheFieldUnderTheCursor) {
  g_clicks.clear();
  SetStatusClickHandler(status, RecordClick);
  const ScreenLock screen(parent.get());

  const POINT target = FieldCentre(status, 1);
  ClickAt(target);
  POINT client = target;
  ::ScreenToClient(status, &client);
  ASSERT_EQ(g_clicks.size(), 1u);
  EXPECT_EQ(g_clicks[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(g_clicks[0].field, 1);
  EXPECT_EQ(g_clicks[0].x, client.x);
  EXPECT_EQ(Count(WM_LBUTTONDBLCLK), 0) << "a single click is no double click";

  g_clicks.clear();
  // Far from the last click, so the two cannot pair up as one double click.
  DoubleClickAt(FieldCentre(status, 3));
  EXPECT_EQ(Count(WM_LBUTTONDBLCLK), 1);
  for (const Click& c : g_clicks) EXPECT_EQ(c.field, 3);

  g_clicks.clear();
  ClickAt(FieldCentre(status, 0), true);
  ASSERT_EQ(g_clicks.size(), 1u);
  EXPECT_EQ(g_clicks[0].message, static_cast<UINT>(WM_RBUTTONDOWN));
  EXPECT_EQ(g_clicks[0].field, 0);
}

TEST_F(StatusFields, DrawnFieldsTellTheirTextToWhoeverAsks) {
  // Screen readers read a status bar through SB_GETTEXT: a drawn field gives
  // its text (length in the low word), a field the control draws its own.
  SetStatusField(status, 0, L"JPG :10", kDefaultColour, kDefaultColour, kCentred, font);
  SetStatusField(status, 1, L"", kDefaultColour, kDefaultColour, kCentred, font);
  SetStatusField(status, 1, L"PAPERLESS", kDefaultColour, kDefaultColour, kCentred, font);
  ::SendMessageW(status, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(L"plain"));
  const struct {
    int field;
    std::wstring text;
  } cases[] = {{0, L"JPG :10"}, {1, L"PAPERLESS"}, {2, L"plain"}, {3, L""}};
  for (const auto& c : cases) {
    wchar_t text[64] = {};
    const LRESULT got = ::SendMessageW(status, SB_GETTEXTW, c.field, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(text, c.text) << c.field;
    EXPECT_EQ(LOWORD(got), c.text.size()) << c.field;
    EXPECT_EQ(LOWORD(::SendMessageW(status, SB_GETTEXTLENGTHW, c.field, 0)), c.text.size()) << c.field;
  }
}

TEST_F(StatusFields, TestsUseVersion6OfTheCommonControlsLikeTheProgram) {
  // The test program's manifest (copied beside it at build time) loads the
  // side-by-side copy, as the program's own manifest does.
  wchar_t file[MAX_PATH] = L"";
  ::GetModuleFileNameW(::GetModuleHandleW(L"comctl32.dll"), file, MAX_PATH);
  const std::wstring path = file;
  EXPECT_NE(path.find(L"common-controls_6595b64144ccf1df_6."), std::wstring::npos)
      << std::string(path.begin(), path.end());
}
