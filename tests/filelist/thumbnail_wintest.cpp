// Window 6 on a real main window: what it shows and where, its system menu
// and close box, the list's calls, and its fatal report.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "filelist/file_list.h"
#include "filelist/list_commands.h"
#include "filelist/list_view_win.h"
#include "filelist/gui_steps_win.h"
#include "filelist/thumbnail_win.h"
#include "imaging/gdiplus_win.h"
#include "support/gui_harness_win.h"
#include "support/png_maker.h"
#include "support/temp_dir.h"
#include "ui/win_handles.h"
#include "ui/window_helpers.h"

using namespace testsupport;
using gui_steps::Solid;

namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kRed = 0xFF0000;

// The pixels of a bitmap, top row first.
Capture Pixels(HBITMAP bitmap) {
  BITMAP size{};
  ::GetObjectW(bitmap, sizeof size, &size);
  Capture capture{size.bmWidth, size.bmHeight, {}};
  capture.pixels.resize(static_cast<std::size_t>(size.bmWidth) * size.bmHeight);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size.bmWidth;
  info.bmiHeader.biHeight = -size.bmHeight;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  const win::WindowDc screen(nullptr);
  ::GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(size.bmHeight), capture.pixels.data(), &info,
              DIB_RGB_COLORS);
  for (auto& p : capture.pixels) p &= 0x00FFFFFF;
  return capture;
}

// A committed picture, read by GDI+.
HBITMAP LoadFixture(const std::wstring& name) {
  std::wstring path = L"Z:";
  for (const char c : std::string(QUILLON_SOURCE_DIR "/tests/filelist/fixtures/")) {
    path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  }
  GdipImage image;
  HBITMAP bitmap = nullptr;
  if (LoadImageFile(image, path + name) == kStatusOk) {
    gdip::GdipCreateHBITMAPFromBitmap(static_cast<Gdiplus::GpBitmap*>(image.get()), &bitmap, 0xFF000000);
  }
  return bitmap;
}

// What the intake makes of a picture larger than the square: a 24-bit copy
// reduced with the system's halftone stretching.
HBITMAP ReduceAsTheIntakeDoes(HBITMAP picture, int width, int height) {
  BITMAP size{};
  ::GetObjectW(picture, sizeof size, &size);
  const HBITMAP reduced = Solid(width, height, kBlack);
  const win::UniqueMemoryDc from(::CreateCompatibleDC(nullptr));
  const win::UniqueMemoryDc to(::CreateCompatibleDC(nullptr));
  const win::SavedDcState savedFrom(from.get());
  const win::SavedDcState savedTo(to.get());
  ::SelectObject(from.get(), picture);
  ::SelectObject(to.get(), reduced);
  ::SetStretchBltMode(to.get(), HALFTONE);
  ::StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
  return reduced;
}

// The window's client area as it is drawn.
Capture CaptureClient(HWND window) {
  const Capture whole = CaptureWindow(window);
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  const RECT frame = WindowRect(window);
  RECT client{};
  ::GetClientRect(window, &client);
  Capture part{client.right, client.bottom, {}};
  for (int y = 0; y < client.bottom; ++y) {
    for (int x = 0; x < client.right; ++x) part.pixels.push_back(whole.at(x + origin.x - frame.left, y + origin.y - frame.top));
  }
  return part;
}

// The system menu's standard entries; Wine adds an "About Wine" entry of its own.
std::vector<UINT> SystemMenuCommands(HWND window) {
  std::vector<UINT> commands;
  const HMENU menu = ::GetSystemMenu(window, FALSE);
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    const UINT id = ::GetMenuItemID(menu, i);
    if (id == 0 || (id >= SC_SIZE && id <= SC_CLOSE) || id == SC_RESTORE) commands.push_back(id);
  }
  return commands;
}

// A PNG of one colour at path.
void WritePng(const std::wstring& path, std::uint32_t colour, int width, int height) {
  PngSpec shape;
  shape.width = width;
  shape.height = height;
  shape.colourType = 2;
  for (int i = 0; i < width * height; ++i) {
    for (const int shift : {16, 8, 0}) shape.pixels.push_back(static_cast<unsigned char>(colour >> shift));
  }
  const std::vector<unsigned char> png = MakePng(shape);
  WriteBytes(std::filesystem::path(path), png.data(), png.size());
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

  // A PNG of one colour written to path, and its record and row as the
  // intake adds them (without a bitmap: the picture comes from the file).
  std::wstring AddFile(const std::wstring& path, std::uint32_t colour, int width, int height) {
    WritePng(path, colour, width, height);
    FileItem item;
    item.Id = records.ItemsAdded++;
    item.Path = path;
    item.Name = std::filesystem::path(path).filename().wstring();
    AddItemToList(records, std::move(item));
    AddItemRow(records.Items.back());
    DrawAddedRows();
    return path;
  }
  // A record and its row, as the intake adds them; the record owns bitmap.
  void Add(HBITMAP bitmap) {
    FileItem item;
    item.Id = records.ItemsAdded++;
    item.Name = L"p" + std::to_wstring(item.Id) + L".jpg";
    if (bitmap) item.Thumbnail = OwnThumbnailBitmap(bitmap);
    AddItemToList(records, std::move(item));
    AddItemRow(records.Items.back());
    DrawAddedRows();
  }
  // Shows row and lets the window draw it.
  HWND Show(int row) {
    ShowThumbnail(row);
    PumpMessages();
    if (ThumbnailWindow()) ::UpdateWindow(ThumbnailWindow());
    return ThumbnailWindow();
  }
  POINT ScreenPoint(POINT client) {
    ::ClientToScreen(list, &client);
    return client;
  }

  Settings settings;
  FileList records;
  TestWindow window{{100, 80, 716, 538}, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
                    HandleMainWindowMessage};
  ScopedMainWindow scope{window.get()};
  HWND list = nullptr;
};

TEST_F(ThumbnailTest, BitmapIsCentredOnASquareOfTheBackgroundColour) {
  const struct {
    std::int32_t thumbColor, thumbSize;
    int edge, width, height;
    std::uint32_t background;
    RECT picture;  // where the bitmap lands in the client area
  } cases[] = {
      {1, 2, 480, 480, 120, kBlack, {0, 180, 480, 300}},
      {2, 3, 640, 120, 480, kWhite, {260, 80, 380, 560}},
      {1, 1, 320, 301, 199, kBlack, {9, 60, 310, 259}},   // the halves truncate
      {2, 1, 320, 480, 120, kWhite, {0, 100, 320, 220}},  // made for a larger square: cut at both sides
  };
  ScreenLock lock(window.get());
  // Room on the screen for the largest square docked on the right.
  ::SetWindowPos(window.get(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  for (const auto& c : cases) {
    settings.ThumbColor = c.thumbColor;
    settings.ThumbSize = c.thumbSize;
    Add(Solid(c.width, c.height, kRed));
    // Another test program's message box may have taken the foreground.
    ::SetForegroundWindow(window.get());
    ::SetFocus(MainControls().buildButton);
    const HWND thumb = Show(RowCount() - 1);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(WindowText(thumb), L"Quillon - Thumbnail");
    EXPECT_EQ(ClassNameOf(thumb), WindowClassName(6));
    EXPECT_EQ(::GetWindow(thumb, GW_OWNER), window.get());
    EXPECT_TRUE(::GetWindowLongPtrW(thumb, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    // The keyboard stays with the list (unless another test program has just taken the foreground).
    if (::GetForegroundWindow() == window.get()) {
      EXPECT_EQ(::GetFocus(), list);
    }
    const Capture shot = CaptureClient(thumb);
    ASSERT_EQ(shot.width, c.edge);
    ASSERT_EQ(shot.height, c.edge);
    int wrong = 0;
    for (int y = 0; y < shot.height; ++y) {
      for (int x = 0; x < shot.width; ++x) {
        const bool inside = x >= c.picture.left && x < c.picture.right && y >= c.picture.top && y < c.picture.bottom;
        wrong += shot.at(x, y) != (inside ? kRed : c.background);
      }
    }
    EXPECT_EQ(wrong, 0) << c.width << "x" << c.height << " on " << c.edge;
    settings.ThumbSize = c.thumbSize % 3 + 1;  // the size holds until the window opens again
    Show(0);
    EXPECT_EQ(CaptureClient(thumb).width, c.edge);
    CloseThumbnail();
  }
}

// The reduced picture looks as ImageMagick reduces the same file.
TEST_F(ThumbnailTest, ShowsThePictureAsAnotherToolReducesIt) {
  GdiplusSession gdiplus;
  ASSERT_TRUE(gdiplus.Started());
  const win::UniqueBitmap source(LoadFixture(L"thumb_source.png"));
  const win::UniqueBitmap reference(LoadFixture(L"thumb_reduced.png"));
  ASSERT_TRUE(source && reference);
  Add(ReduceAsTheIntakeDoes(source.get(), 480, 120));
  ScreenLock lock(window.get());
  const Capture shot = CaptureClient(Show(0));
  const Capture expected = Pixels(reference.get());
  ASSERT_EQ(expected.width * 1000 + expected.height, 480120);
  long long total = 0;
  int distant = 0;
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 480; ++x) {
      int d = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        d = std::max(d, std::abs(static_cast<int>((shot.at(x, y + 180) >> shift) & 0xFF) -
                                 static_cast<int>((expected.at(x, y) >> shift) & 0xFF)));
      }
      total += d;
      distant += d > 48;
    }
  }
  EXPECT_LT(static_cast<double>(total) / (480 * 120), 3.0);
  EXPECT_LT(distant, 480 * 120 / 100);  // only along the shapes' edges
  EXPECT_EQ(shot.at(240, 179), kBlack);
  EXPECT_EQ(shot.at(240, 300), kBlack);
  SaveScreenshot(nullptr, L"thumbnail_docked");
}

TEST_F(ThumbnailTest, DrawsOnlyWhenTheBitmapChanges) {
  Add(Solid(200, 100, kRed));
  Add(Solid(100, 200, kRed));
  Add(nullptr);  // no bitmap, and no file to make one from
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

  ScreenLock lock(window.get());
  Show(2);  // an open window shows the bare square
  for (const std::uint32_t p : CaptureClient(thumb).pixels) ASSERT_EQ(p, kBlack);
  settings.ShowThumbs = 0;  // nothing while switched off; row -1 closes
  ShowThumbnail(0);
  EXPECT_EQ(ThumbnailWindow(), thumb);
  ShowThumbnail(-1);
  EXPECT_FALSE(ThumbnailWindow());
  ShowThumbnail(0);
  EXPECT_FALSE(ThumbnailWindow());
}

// Rows whose pictures are made from their files: the current row's first,
// held within the cache's budget, made again once let go.
TEST_F(ThumbnailTest, PicturesComeFromTheFilesThroughABoundedCache) {
  GdiplusSession gdiplus;
  ASSERT_TRUE(gdiplus.Started());
  TempDir dir;
  AddFile(dir.File(L"wide.png"), kRed, 2000, 500);
  AddFile(dir.File(L"tall.png"), kWhite, 300, 1200);
  const std::wstring gone = AddFile(dir.File(L"gone.png"), kRed, 50, 50);
  std::filesystem::remove(gone);
  settings.ThumbSize = 1;  // a square of 320
  ScreenLock lock(window.get());
  // The square once the point shows the colour (or after 3 s).
  const auto shownAfter = [&](int row, POINT at, std::uint32_t colour) {
    ShowThumbnail(row);
    const HWND thumb = ThumbnailWindow();
    EXPECT_TRUE(thumb) << "opened on its background while the picture is made";
    Capture shot;
    gui_steps::WaitFor([&] {
      ::UpdateWindow(thumb);
      shot = CaptureClient(thumb);
      return shot.at(at.x, at.y) == colour;
    });
    return shot;
  };
  const struct {
    int row;
    std::int64_t budget;
    POINT inside, outside;  // a point of the picture, one of the background
    std::uint32_t colour;
  } cases[] = {
      {0, 64 << 20, {160, 160}, {160, 90}, kRed},    // 320 x 80, centred
      {1, 64 << 20, {160, 160}, {60, 160}, kWhite},  // 80 x 320
      {2, 64 << 20, {160, 160}, {160, 160}, kBlack},  // the file is gone: the background only
      {0, 1, {160, 160}, {160, 90}, kRed},           // a budget of one picture: made again
      {1, 1, {160, 160}, {60, 160}, kWhite},
  };
  for (const auto& c : cases) {
    SetThumbnailCacheBudget(c.budget);
    const Capture shot = shownAfter(c.row, c.inside, c.colour);
    EXPECT_EQ(shot.at(c.inside.x, c.inside.y), c.colour) << c.row << " " << c.budget;
    EXPECT_EQ(shot.at(c.outside.x, c.outside.y), kBlack) << c.row << " " << c.budget;
  }
  // Within a budget of one, only the picture on the screen is held: 80 x 320.
  EXPECT_EQ(HeldThumbnailBytes(), 80 * 3 * 320);
  const HWND thumb = ThumbnailWindow();
  ::UpdateWindow(thumb);
  ShowThumbnail(1);
  EXPECT_FALSE(::GetUpdateRect(thumb, nullptr, FALSE)) << "the same picture was drawn again";
  // Switched off, none are made.
  CloseThumbnail();
  settings.ShowThumbs = 0;
  SetThumbnailCacheBudget(64 << 20);
  gui_steps::WaitFor([] { return false; }, 1500);  // neighbours still being made come in
  const std::int64_t held = HeldThumbnailBytes();
  ShowThumbnail(0);
  gui_steps::WaitFor([] { return false; }, 300);
  EXPECT_FALSE(ThumbnailWindow());
  EXPECT_EQ(HeldThumbnailBytes(), held);
  ReleaseThumbnailCache();  // before GDI+ ends
}

TEST_F(ThumbnailTest, PictureIsMadeAgainForAnEditedFileAndAfterAFailureWhenShownAgain) {
  GdiplusSession gdiplus;
  ASSERT_TRUE(gdiplus.Started());
  TempDir dir;
  settings.ThumbSize = 1;
  ScreenLock lock(window.get());
  const auto time = std::filesystem::file_time_type::clock::now();
  const struct {
    const wchar_t* name;
    bool firstReadable;  // false: not an image at first
    std::filesystem::file_time_type secondTime;
  } cases[] = {{L"edited.png", true, time + std::chrono::seconds(10)}, {L"mended.png", false, time}};
  for (const auto& c : cases) {
    ClearFileList(records);
    const std::wstring path = AddFile(dir.File(c.name), kRed, 64, 64);
    if (!c.firstReadable) WriteText(std::filesystem::path(path), "not yet a picture");
    std::filesystem::last_write_time(std::filesystem::path(path), time);
    // The centre of the square once it shows colour (or after 3 s).
    const auto centreAfterShowing = [&](std::uint32_t colour) {
      ShowThumbnail(0);
      std::uint32_t centre = 0;
      gui_steps::WaitFor([&] {
        if (!ThumbnailWindow()) return false;
        ::UpdateWindow(ThumbnailWindow());
        centre = CaptureClient(ThumbnailWindow()).at(160, 160);
        return centre == colour;
      });
      return centre;
    };
    EXPECT_EQ(centreAfterShowing(c.firstReadable ? kRed : kWhite), c.firstReadable ? kRed : kBlack) << c.name;
    WritePng(path, kWhite, 64, 64);
    std::filesystem::last_write_time(std::filesystem::path(path), c.secondTime);
    EXPECT_EQ(centreAfterShowing(kWhite), kWhite) << c.name;
    CloseThumbnail();
  }
  ReleaseThumbnailCache();
}

TEST_F(ThumbnailTest, APictureFinishedAfterTheWindowClosedDoesNotReopenIt) {
  GdiplusSession gdiplus;
  ASSERT_TRUE(gdiplus.Started());
  TempDir dir;
  AddFile(dir.File(L"large.png"), kRed, 3000, 2000);
  ShowThumbnail(0);
  EXPECT_TRUE(ThumbnailWindow()) << "opened while its picture is made";
  CloseThumbnail();  // as a drop or a build does
  EXPECT_TRUE(gui_steps::WaitFor([] { return HeldThumbnailBytes() > 0; }, 10000)) << "the picture came in";
  PumpMessages();
  EXPECT_FALSE(ThumbnailWindow());
  ReleaseThumbnailCache();
}

TEST_F(ThumbnailTest, ClicksOnTheListOpenAndCloseItAndClearClosesIt) {
  for (int i = 0; i < 3; ++i) Add(Solid(64, 64, kRed));
  ScreenLock lock(window.get());
  const auto rowMiddle = [&](int row) {
    RECT r{};
    r.left = LVIR_BOUNDS;
    ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
    return POINT{r.right - 150, (r.top + r.bottom) / 2};
  };
  const struct {
    POINT at;
    bool open;
  } clicks[] = {{rowMiddle(1), true}, {{60, rowMiddle(2).y + 60}, false}, {rowMiddle(2), true}};
  for (const auto& click : clicks) {
    ClickAt(ScreenPoint(click.at));
    EXPECT_TRUE(gui_steps::WaitFor([&] { return (ThumbnailWindow() != nullptr) == click.open; })) << click.at.y;
  }
  EXPECT_EQ(settings.ShowThumbs, 1);
  ::SendMessageW(window.get(), WM_COMMAND, MAKEWPARAM(kCommandClear, 0), 0);
  PumpMessages();
  EXPECT_FALSE(ThumbnailWindow());
}

TEST_F(ThumbnailTest, CloseBoxSwitchesItOff) {
  Add(Solid(64, 64, kRed));
  const HWND thumb = Show(0);
  ASSERT_TRUE(thumb);
  ScreenLock lock(thumb);
  const RECT frame = WindowRect(thumb);
  const int y = frame.top + ::GetSystemMetrics(SM_CYFRAME) + ::GetSystemMetrics(SM_CYSMCAPTION) / 2;
  int x = frame.right - 2;
  while (x > frame.right - 60 && ::SendMessageW(thumb, WM_NCHITTEST, 0, MAKELPARAM(x, y)) != HTCLOSE) --x;
  ASSERT_GT(x, frame.right - 60) << "no close box found";
  ClickAt({x - 3, y});
  EXPECT_TRUE(gui_steps::WaitFor([] { return ThumbnailWindow() == nullptr; }));
  EXPECT_EQ(settings.ShowThumbs, 0);
  EXPECT_FALSE(::GetMenuState(::GetMenu(window.get()), 8, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(ThumbnailTest, DockedItFollowsTheMainWindowAndCannotBeMoved) {
  Add(Solid(64, 64, kRed));
  Add(Solid(32, 64, kRed));
  const auto expectDocked = [&](const char* when) {
    const HWND thumb = ThumbnailWindow();
    ASSERT_TRUE(thumb) << when;
    RECT mainClient{}, own{};
    ::GetClientRect(window.get(), &mainClient);
    ::GetClientRect(thumb, &own);
    const RECT main = WindowRect(window.get());
    const LONG x = settings.ThumbSide == 2 ? main.left + mainClient.right + 2 : main.left - own.right - 2;
    EXPECT_EQ(WindowRect(thumb).left, x) << when;
    EXPECT_EQ(WindowRect(thumb).top, main.top + 1) << when;
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
    ::SendMessageW(ThumbnailWindow(), WM_SYSCOMMAND, SC_MOVE, 0);  // refused: no move loop starts
    CloseThumbnail();
    ::SetWindowPos(window.get(), nullptr, 100, 80, 616, 458, SWP_NOZORDER);
  }
  Show(1);  // still no Move entry after opening again
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
  // The user drags it by its caption: the move loop proposes each new
  // frame before it moves it. (Sent here: the system's move loop under Wine
  // cannot be driven reliably beside other test programs.)
  const RECT frame = WindowRect(thumb);
  RECT moved{frame.left - 200, frame.top + 100, frame.right - 200, frame.bottom + 100};
  ::SendMessageW(thumb, WM_MOVING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&moved));
  ::SetWindowPos(thumb, nullptr, moved.left, moved.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ScreenLock lock(thumb);
  SaveScreenshot(nullptr, L"thumbnail_free");
  CloseThumbnail();  // opened again, it comes back there
  thumb = Show(0);
  ASSERT_TRUE(thumb);
  EXPECT_EQ(WindowRect(thumb).left, moved.left);
  EXPECT_EQ(WindowRect(thumb).top, moved.top);
}

TEST_F(ThumbnailTest, RowWithoutRecordEndsInTheFatalReport) {
  Add(Solid(64, 64, kRed));
  LVITEMW item{};
  item.mask = LVIF_PARAM;
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
