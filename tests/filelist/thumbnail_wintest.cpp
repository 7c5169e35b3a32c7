// Window 6 on a real main window: what it shows and where, the system menu,
// the close box, the list's calls, and its fatal report.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "filelist/file_list.h"
#include "filelist/list_commands.h"
#include "filelist/list_view_win.h"
#include "filelist/mouse_drag_win.h"
#include "filelist/thumbnail_win.h"
#include "imaging/gdiplus_win.h"
#include "support/gui_harness_win.h"
#include "ui/win_handles.h"
#include "ui/window_helpers.h"

using namespace testsupport;

namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kRed = 0xFF0000;

// A 24-bit bitmap whose pixels come from colour(x, y) (0xRRGGBB).
HBITMAP MakeBitmap(int width, int height, const std::function<std::uint32_t(int, int)>& colour) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  const HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const int stride = (width * 3 + 3) & ~3;
  for (int y = 0; bitmap && y < height; ++y) {
    auto* row = static_cast<unsigned char*>(bits) + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = colour(x, y);
      row[x * 3] = static_cast<unsigned char>(c & 0xFF);
      row[x * 3 + 1] = static_cast<unsigned char>((c >> 8) & 0xFF);
      row[x * 3 + 2] = static_cast<unsigned char>((c >> 16) & 0xFF);
    }
  }
  return bitmap;
}

HBITMAP Solid(int width, int height, std::uint32_t colour) {
  return MakeBitmap(width, height, [colour](int, int) { return colour; });
}

std::wstring FixturePath(const std::wstring& name) {
  std::wstring path = L"Z:";
  for (const char c : std::string(QUILLON_SOURCE_DIR "/tests/filelist/fixtures/")) {
    path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
  }
  return path + name;
}

// A picture file as a 32-bit bitmap, through GDI+.
HBITMAP LoadPicture(const std::wstring& path) {
  GdipImage image;
  if (LoadImageFile(image, path) != kStatusOk) return nullptr;
  HBITMAP bitmap = nullptr;
  gdip::GdipCreateHBITMAPFromBitmap(static_cast<Gdiplus::GpBitmap*>(image.get()), &bitmap, 0xFF000000);
  return bitmap;
}

// What the intake makes of a picture larger than the thumbnail square: a
// 24-bit copy reduced with the system's halftone stretching.
HBITMAP ReduceAsTheIntakeDoes(HBITMAP picture, int width, int height) {
  BITMAP size{};
  ::GetObjectW(picture, sizeof size, &size);
  const HBITMAP reduced = Solid(width, height, kBlack);
  const win::UniqueMemoryDc from(::CreateCompatibleDC(nullptr));
  const win::UniqueMemoryDc to(::CreateCompatibleDC(nullptr));
  const HGDIOBJ oldFrom = ::SelectObject(from.get(), picture);
  const HGDIOBJ oldTo = ::SelectObject(to.get(), reduced);
  ::SetStretchBltMode(to.get(), HALFTONE);
  ::SetBrushOrgEx(to.get(), 0, 0, nullptr);
  ::StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
  ::SelectObject(from.get(), oldFrom);
  ::SelectObject(to.get(), oldTo);
  return reduced;
}

Capture CaptureBitmap(HBITMAP bitmap) {
  BITMAP size{};
  ::GetObjectW(bitmap, sizeof size, &size);
  const win::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  const HGDIOBJ old = ::SelectObject(dc.get(), bitmap);
  Capture capture;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size.bmWidth;
  info.bmiHeader.biHeight = -size.bmHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  capture.width = size.bmWidth;
  capture.height = size.bmHeight;
  capture.pixels.resize(static_cast<std::size_t>(size.bmWidth) * size.bmHeight);
  ::SelectObject(dc.get(), old);
  ::GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(size.bmHeight), capture.pixels.data(), &info, DIB_RGB_COLORS);
  for (auto& p : capture.pixels) p &= 0x00FFFFFF;
  return capture;
}

// The thumbnail window's client area as it is drawn.
Capture CaptureClient(HWND window) {
  const Capture whole = CaptureWindow(window);
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  const RECT frame = WindowRect(window);
  RECT client{};
  ::GetClientRect(window, &client);
  Capture part;
  part.width = client.right;
  part.height = client.bottom;
  for (int y = 0; y < client.bottom; ++y) {
    for (int x = 0; x < client.right; ++x) {
      part.pixels.push_back(whole.at(x + origin.x - frame.left, y + origin.y - frame.top));
    }
  }
  return part;
}

int ChannelDifference(std::uint32_t a, std::uint32_t b) {
  int largest = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    largest = std::max(largest, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  }
  return largest;
}

// The system menu's standard entries and separators (0); Wine adds an
// "About Wine" entry of its own, which is not the program's business.
std::vector<UINT> SystemMenuCommands(HWND window) {
  std::vector<UINT> commands;
  const HMENU menu = ::GetSystemMenu(window, FALSE);
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    const UINT id = ::GetMenuItemID(menu, i);
    for (const UINT standard : {0u, UINT{SC_SIZE}, UINT{SC_MOVE}, UINT{SC_MINIMIZE}, UINT{SC_MAXIMIZE},
                                UINT{SC_RESTORE}, UINT{SC_CLOSE}}) {
      if (id == standard) commands.push_back(id);
    }
  }
  return commands;
}

bool MenuItemChecked(HWND window, UINT command) {
  return (::GetMenuState(::GetMenu(window), command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

POINT RowScreenPoint(HWND list, int row) {
  RECT r{};
  r.left = LVIR_BOUNDS;
  ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  POINT p{r.right - 150, (r.top + r.bottom) / 2};
  ::ClientToScreen(list, &p);
  return p;
}

class ThumbnailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControlsForTests();
    ::SetMenu(window.get(), BuildMainMenu());
    settings.ShowThumbs = 1;
    CreateMainWindowControls(window.get(), settings, records);
    ::CheckMenuItem(::GetMenu(window.get()), 8, MF_BYCOMMAND | MF_CHECKED);
    list = MainControls().list;
    PumpMessages();
  }
  void TearDown() override {
    CloseThumbnail();
    SetThumbnailHooks({});
  }

  // A record and its row, as the intake adds them; the record owns bitmap.
  void Add(HBITMAP bitmap) {
    FileItem item;
    item.Id = records.ItemsAdded++;
    item.Name = L"p" + std::to_wstring(item.Id) + L".jpg";
    item.Path = L"C:\\scans\\" + item.Name;
    item.FileSize = 1000;
    if (bitmap) item.Thumbnail = OwnThumbnailBitmap(bitmap);
    AddItemToList(records, std::move(item));
    AddItemRow(records.Items.back());
    DrawAddedRows();
  }
  // Shows row and waits until the window has drawn it.
  HWND Show(int row) {
    ShowThumbnail(row);
    PumpMessages();
    if (ThumbnailWindow()) ::UpdateWindow(ThumbnailWindow());
    return ThumbnailWindow();
  }

  Settings settings;
  FileList records;
  TestWindow window{{100, 80, 716, 538}, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
                    HandleMainWindowMessage};
  ScopedMainWindow scope{window.get()};
  HWND list = nullptr;
};

TEST_F(ThumbnailTest, IsAnOwnedToolWindowWithASquareClientArea) {
  const struct {
    std::int32_t thumbSize;
    int edge;
  } cases[] = {{1, 320}, {2, 480}, {3, 640}};
  Add(Solid(100, 50, kRed));
  for (const auto& c : cases) {
    settings.ThumbSize = c.thumbSize;
    const HWND thumb = Show(0);
    ASSERT_TRUE(thumb) << c.edge;
    EXPECT_EQ(WindowText(thumb), L"Quillon - Thumbnail");
    EXPECT_EQ(ClassNameOf(thumb), WindowClassName(6));
    EXPECT_EQ(::GetWindow(thumb, GW_OWNER), window.get());
    EXPECT_TRUE(::GetWindowLongPtrW(thumb, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(::IsWindowVisible(thumb));
    RECT client{};
    ::GetClientRect(thumb, &client);
    EXPECT_EQ(client.right, c.edge);
    EXPECT_EQ(client.bottom, c.edge);
    // The keyboard stays with the list.
    EXPECT_EQ(::GetFocus(), list);
    // The size holds until the window is opened again.
    settings.ThumbSize = c.thumbSize == 1 ? 3 : 1;
    Show(0);
    ::GetClientRect(thumb, &client);
    EXPECT_EQ(client.right, c.edge);
    CloseThumbnail();
    EXPECT_FALSE(ThumbnailWindow());
  }
}

TEST_F(ThumbnailTest, BitmapIsCentredOnTheBackgroundColour) {
  const struct {
    std::int32_t thumbColor, thumbSize;
    int width, height;
    std::uint32_t background;
    RECT picture;  // where the bitmap lands in the client area
  } cases[] = {
      {1, 2, 480, 120, kBlack, {0, 180, 480, 300}},
      {2, 2, 120, 480, kWhite, {180, 0, 300, 480}},
      {1, 1, 301, 199, kBlack, {9, 60, 310, 259}},
      {2, 1, 480, 120, kWhite, {0, 100, 320, 220}},  // made for a larger square: cut at both sides
  };
  ScreenLock lock(window.get());
  for (const auto& c : cases) {
    settings.ThumbColor = c.thumbColor;
    settings.ThumbSize = c.thumbSize;
    Add(Solid(c.width, c.height, kRed));
    const HWND thumb = Show(RowCount() - 1);
    ASSERT_TRUE(thumb);
    const Capture shot = CaptureClient(thumb);
    int wrong = 0;
    for (int y = 0; y < shot.height; ++y) {
      for (int x = 0; x < shot.width; ++x) {
        const bool inside = x >= c.picture.left && x < c.picture.right && y >= c.picture.top && y < c.picture.bottom;
        if (shot.at(x, y) != (inside ? kRed : c.background)) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << c.width << "x" << c.height << " on " << shot.width;
    CloseThumbnail();
  }
}

// The reduced picture looks as ImageMagick reduces the same file.
TEST_F(ThumbnailTest, ShowsThePictureAsAnotherToolReducesIt) {
  GdiplusSession gdiplus;
  ASSERT_TRUE(gdiplus.Started());
  const win::UniqueBitmap source(LoadPicture(FixturePath(L"thumb_source.png")));
  const win::UniqueBitmap reference(LoadPicture(FixturePath(L"thumb_reduced.png")));
  ASSERT_TRUE(source && reference);
  Add(ReduceAsTheIntakeDoes(source.get(), 480, 120));
  ScreenLock lock(window.get());
  const HWND thumb = Show(0);
  ASSERT_TRUE(thumb);
  const Capture shot = CaptureClient(thumb);
  const Capture expected = CaptureBitmap(reference.get());
  ASSERT_EQ(expected.width, 480);
  ASSERT_EQ(expected.height, 120);
  long long total = 0;
  int distant = 0;
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 480; ++x) {
      const int d = ChannelDifference(shot.at(x, y + 180), expected.at(x, y));
      total += d;
      if (d > 48) ++distant;
    }
  }
  const double mean = static_cast<double>(total) / (480.0 * 120.0);
  EXPECT_LT(mean, 3.0);
  EXPECT_LT(distant, 480 * 120 / 100);  // only along the shapes' edges
  EXPECT_EQ(shot.at(240, 179), kBlack);
  EXPECT_EQ(shot.at(240, 300), kBlack);
  SaveScreenshot(nullptr, L"thumbnail_docked");
}

TEST_F(ThumbnailTest, DrawsOnlyWhenTheBitmapChanges) {
  Add(Solid(200, 100, kRed));
  Add(Solid(100, 200, kRed));
  Add(nullptr);  // not examined: no bitmap
  ShowThumbnail(2);
  EXPECT_FALSE(ThumbnailWindow()) << "a record without a bitmap keeps a closed window closed";

  const HWND thumb = Show(0);
  ASSERT_TRUE(thumb);
  ShowThumbnail(0);
  EXPECT_FALSE(::GetUpdateRect(thumb, nullptr, FALSE)) << "the same bitmap was drawn again";
  ShowThumbnail(1);
  EXPECT_TRUE(::GetUpdateRect(thumb, nullptr, FALSE));
  ::UpdateWindow(thumb);
  ForgetShownThumbnail();  // as the settings window's OK does
  ShowThumbnail(1);
  EXPECT_TRUE(::GetUpdateRect(thumb, nullptr, FALSE));

  // Without a bitmap an open window shows the bare square.
  ScreenLock lock(window.get());
  Show(2);
  ASSERT_EQ(ThumbnailWindow(), thumb);
  const Capture shot = CaptureClient(thumb);
  for (const std::uint32_t p : shot.pixels) ASSERT_EQ(p, kBlack);

  // Nothing while switched off; row -1 closes.
  settings.ShowThumbs = 0;
  ShowThumbnail(0);
  EXPECT_EQ(ThumbnailWindow(), thumb);
  ShowThumbnail(-1);
  EXPECT_FALSE(ThumbnailWindow());
  ShowThumbnail(0);
  EXPECT_FALSE(ThumbnailWindow());
}

TEST_F(ThumbnailTest, ClicksOnTheListOpenAndCloseIt) {
  for (int i = 0; i < 3; ++i) Add(Solid(64, 64, kRed));
  ScreenLock lock(window.get());
  RECT last{};
  last.left = LVIR_BOUNDS;
  ::SendMessageW(list, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&last));
  POINT below{60, last.bottom + 40};
  ::ClientToScreen(list, &below);

  ClickAt(RowScreenPoint(list, 1));
  PumpMessages();
  EXPECT_TRUE(ThumbnailWindow());
  ClickAt(below);
  PumpMessages();
  EXPECT_FALSE(ThumbnailWindow());
  ClickAt(RowScreenPoint(list, 2));
  PumpMessages();
  EXPECT_TRUE(ThumbnailWindow());
  EXPECT_EQ(settings.ShowThumbs, 1);

  // Clear closes it.
  ::SendMessageW(window.get(), WM_COMMAND, MAKEWPARAM(kCommandClear, 0), 0);
  PumpMessages();
  EXPECT_FALSE(ThumbnailWindow());
}

// The close box switches the thumbnail off, as the menu item does.
TEST_F(ThumbnailTest, CloseBoxSwitchesItOff) {
  Add(Solid(64, 64, kRed));
  const HWND thumb = Show(0);
  ASSERT_TRUE(thumb);
  ScreenLock lock(thumb);
  const RECT frame = WindowRect(thumb);
  const int captionMiddle = frame.top + ::GetSystemMetrics(SM_CYFRAME) + ::GetSystemMetrics(SM_CYSMCAPTION) / 2;
  POINT closeBox{-1, -1};
  for (int x = frame.right - 2; x > frame.right - 60 && closeBox.x < 0; --x) {
    if (::SendMessageW(thumb, WM_NCHITTEST, 0, MAKELPARAM(x, captionMiddle)) == HTCLOSE) closeBox = {x - 3, captionMiddle};
  }
  ASSERT_GE(closeBox.x, 0) << "no close box found";
  ClickAt(closeBox);
  PumpMessages();
  EXPECT_FALSE(ThumbnailWindow());
  EXPECT_EQ(settings.ShowThumbs, 0);
  EXPECT_FALSE(MenuItemChecked(window.get(), 8));
  ShowThumbnail(0);
  EXPECT_FALSE(ThumbnailWindow());
}

TEST_F(ThumbnailTest, DockedItFollowsTheMainWindowAndCannotBeMoved) {
  Add(Solid(64, 64, kRed));
  Add(Solid(32, 64, kRed));
  const auto expectDocked = [&](const char* when) {
    const HWND thumb = ThumbnailWindow();
    ASSERT_TRUE(thumb) << when;
    const RECT main = WindowRect(window.get());
    RECT mainClient{}, own{};
    ::GetClientRect(window.get(), &mainClient);
    ::GetClientRect(thumb, &own);
    const RECT frame = WindowRect(thumb);
    const LONG x = settings.ThumbSide == 2 ? main.left + mainClient.right + 2 : main.left - own.right - 2;
    EXPECT_EQ(frame.left, x) << when;
    EXPECT_EQ(frame.top, main.top + 1) << when;
  };
  for (const std::int32_t side : {2, 1}) {
    settings.ThumbSide = side;
    Show(0);
    expectDocked("opened");
    ::SetWindowPos(window.get(), nullptr, 300, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::PostMessageW(window.get(), kMessagePlaceThumbnail, 0, 0);  // as a move step posts it
    PumpMessages();
    expectDocked("moved");
    ::SetWindowPos(window.get(), nullptr, 0, 0, 700, 520, SWP_NOMOVE | SWP_NOZORDER);
    PumpMessages();
    expectDocked("resized");
    EXPECT_EQ(SystemMenuCommands(ThumbnailWindow()), std::vector<UINT>{SC_CLOSE});
    ::SendMessageW(ThumbnailWindow(), WM_SYSCOMMAND, SC_MOVE, 0);  // refused without entering a move loop
    CloseThumbnail();
    ::SetWindowPos(window.get(), nullptr, 100, 80, 616, 458, SWP_NOZORDER);
  }
  // Still no Move entry after closing and opening again.
  Show(1);
  EXPECT_EQ(SystemMenuCommands(ThumbnailWindow()), std::vector<UINT>{SC_CLOSE});
  ScreenLock lock(window.get());
  SaveScreenshot(nullptr, L"thumbnail_docked_left");

  // Unlocked: Move comes back and the window stays where it is.
  const RECT docked = WindowRect(ThumbnailWindow());
  settings.ThumbLocked = 0;
  PlaceThumbnail();
  EXPECT_EQ(SystemMenuCommands(ThumbnailWindow()), (std::vector<UINT>{SC_MOVE, SC_CLOSE}));
  EXPECT_EQ(WindowRect(ThumbnailWindow()).left, docked.left);
  EXPECT_EQ(WindowRect(ThumbnailWindow()).top, docked.top);
}

TEST_F(ThumbnailTest, FreeItOpensTopRightAndStaysWhereTheUserMovesIt) {
  settings.ThumbLocked = 0;
  Add(Solid(64, 64, kRed));
  HWND thumb = Show(0);
  ASSERT_TRUE(thumb);
  // The free position is set at the first opening of a run: only a process
  // that runs this test alone (as ctest does) sees that opening here.
  if (::testing::UnitTest::GetInstance()->test_to_run_count() == 1) {
    EXPECT_EQ(WindowRect(thumb).left, ::GetSystemMetrics(SM_CXSCREEN) - 480 - 20);
    EXPECT_EQ(WindowRect(thumb).top, 10);
  }
  EXPECT_EQ(SystemMenuCommands(thumb), (std::vector<UINT>{SC_MOVE, SC_CLOSE}));

  // The user drags it by its caption.
  ScreenLock lock(thumb);
  const RECT frame = WindowRect(thumb);
  const POINT caption{frame.left + 60, frame.top + ::GetSystemMetrics(SM_CYFRAME) + 4};
  ASSERT_EQ(::SendMessageW(thumb, WM_NCHITTEST, 0, MAKELPARAM(caption.x, caption.y)), HTCAPTION);
  ASSERT_TRUE(mouse_drag::DragWithMouse(caption, {{caption.x - 200, caption.y + 100}}));
  const RECT moved = WindowRect(thumb);
  EXPECT_NEAR(moved.left, frame.left - 200, 2);
  EXPECT_NEAR(moved.top, frame.top + 100, 2);
  SaveScreenshot(nullptr, L"thumbnail_free");

  // Closed and opened again, it comes back there.
  CloseThumbnail();
  thumb = Show(0);
  ASSERT_TRUE(thumb);
  EXPECT_EQ(WindowRect(thumb).left, moved.left);
  EXPECT_EQ(WindowRect(thumb).top, moved.top);
}

TEST_F(ThumbnailTest, RowWithoutRecordEndsInTheFatalReport) {
  Add(Solid(64, 64, kRed));
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = 0;
  item.lParam = 77;
  ::SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  CatchProgramEnd catcher;
  DialogAnswerer answers;
  answers.Press(IDOK);
  EXPECT_THROW(ShowThumbnail(0), ProgramEnded);
  ASSERT_EQ(answers.seen().size(), 1u);
  EXPECT_EQ(answers.seen()[0].text, L"Fatal error in ShowThumbnail() on line 909.\r\n\r\nFindElement() failed.");
}

}  // namespace
