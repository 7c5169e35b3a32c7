// Dragging rows of the file list with the real mouse: where a dropped row
// lands, the label that follows the pointer, scrolling near the edges, a
// drag released outside the program, and the drag's fatal reports.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "filelist/file_list.h"
#include "filelist/list_drag_win.h"
#include "filelist/list_view_win.h"
#include "filelist/gui_steps_win.h"
#include "filelist/thumbnail_win.h"
#include "support/gui_harness_win.h"

using namespace testsupport;

namespace {

class ListDragTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControlsForTests();
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    ::SetMenu(window.get(), BuildMainMenu());
    settings.ShowThumbs = 1;
    CreateMainWindowControls(window.get(), settings, records);
    list = MainControls().list;
    ::DragAcceptFiles(list, TRUE);  // as the program's start-up does
    PumpMessages();
  }
  void TearDown() override {
    CloseThumbnail();
    SetThumbnailHooks({});
    ::OleUninitialize();
  }

  void Fill(int count) {
    ClearFileListAndRows();
    for (int i = 0; i < count; ++i) {
      FileItem item;
      item.Id = records.ItemsAdded++;
      item.Name = L"page " + std::to_wstring(item.Id) + L".jpg";
      item.Path = L"C:\\scans\\" + item.Name;
      item.FileSize = 1000;
      item.Thumbnail = OwnThumbnailBitmap(gui_steps::Solid(40, 40, 0xFF0000));
      AddItemToList(records, std::move(item));
      AddItemRow(records.Items.back());
    }
    DrawAddedRows();
    PumpMessages();
  }
  std::vector<int> RowIds() { return gui_steps::RowIds(records, list); }
  POINT ToScreen(POINT p) {
    ::ClientToScreen(list, &p);
    return p;
  }
  RECT RowRect(int row) {
    RECT r{};
    r.left = LVIR_BOUNDS;
    ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
    return r;
  }
  // Middle of a row's "Resolution" cell, on the screen.
  POINT RowPoint(int row) {
    const RECT r = RowRect(row);
    return ToScreen({r.right - 150, (r.top + r.bottom) / 2});
  }
  HWND Header() { return reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0)); }
  bool AcceptsFiles() { return (::GetWindowLongPtrW(list, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0; }

  Settings settings;
  FileList records;
  TestWindow window{{100, 80, 716, 538}, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
                    HandleMainWindowMessage};
  ScopedMainWindow scope{window.get()};
  HWND list = nullptr;
};

TEST_F(ListDragTest, DroppedRowLandsByTheDropRules) {
  const std::vector<int> start{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  const struct {
    const char* name;
    int from;
    std::function<std::vector<POINT>()> path;
    std::vector<int> ids;
    int current;
  } cases[] = {
      {"row 7 onto row 2", 7, [&] { return std::vector<POINT>{RowPoint(2)}; }, {0, 1, 7, 2, 3, 4, 5, 6, 8, 9}, 2},
      {"row 2 onto row 7", 2, [&] { return std::vector<POINT>{RowPoint(7)}; }, {0, 1, 3, 4, 5, 6, 2, 7, 8, 9}, 6},
      {"row 3 onto itself", 3, [&] { return std::vector<POINT>{RowPoint(5), RowPoint(3)}; }, start, 3},
      {"row 4 below the last row", 4,
       [&] { return std::vector<POINT>{ToScreen({60, RowRect(9).bottom + 40})}; }, {0, 1, 2, 3, 5, 6, 7, 8, 9, 4}, 9},
      {"row 4 onto the header", 4,
       [&] {
         const RECT h = WindowRect(Header());
         return std::vector<POINT>{{h.left + 80, (h.top + h.bottom) / 2}};
       },
       {4, 0, 1, 2, 3, 5, 6, 7, 8, 9}, 0},
  };
  ScreenLock lock(window.get());
  for (const auto& c : cases) {
    Fill(10);
    bool pausedFileDrops = false;
    ASSERT_TRUE(gui_steps::DragWithMouse(RowPoint(c.from), c.path(), [&](POINT) {
      if (DragLabelWindow() && !AcceptsFiles()) pausedFileDrops = true;
    })) << c.name;
    EXPECT_EQ(RowIds(), c.ids) << c.name;
    EXPECT_EQ(CurrentRow(), c.current) << c.name;
    // Unless another test program's message box has just taken the foreground (and the focus with it).
    if (::GetForegroundWindow() == window.get()) {
      EXPECT_EQ(::GetFocus(), list) << c.name;
    }
    EXPECT_TRUE(pausedFileDrops) << c.name << ": file drops were not paused during the drag";
    EXPECT_TRUE(AcceptsFiles()) << c.name << ": file drops did not come back";
    EXPECT_FALSE(DragLabelWindow()) << c.name;
    EXPECT_EQ(DragSourceRow(), -1) << c.name;
    EXPECT_TRUE(ThumbnailWindow()) << c.name << ": a drop with effect keeps the thumbnail";
    for (int row = 0; row < RowCount(); ++row) {
      EXPECT_FALSE(::SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_DROPHILITED))
          << c.name << ": drop highlight left on row " << row;
    }
  }
}

TEST_F(ListDragTest, ReleasedOutsideTheProgramChangesNothing) {
  Fill(10);
  ScreenLock lock(window.get());
  ShowThumbnail(5);
  ASSERT_TRUE(ThumbnailWindow());
  // Out beyond the docked thumbnail, where no window of the program is.
  const POINT outside{::GetSystemMetrics(SM_CXSCREEN) - 30, ::GetSystemMetrics(SM_CYSCREEN) - 30};
  bool labelSeen = false;
  ASSERT_TRUE(gui_steps::DragWithMouse(RowPoint(5), {RowPoint(3), outside},
                                        [&](POINT) { labelSeen = labelSeen || CurrentDragCursor().Shown; }));
  EXPECT_TRUE(labelSeen);
  EXPECT_EQ(RowIds(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_FALSE(DragLabelWindow());
  EXPECT_FALSE(ThumbnailWindow());
  EXPECT_TRUE(AcceptsFiles());
}

// The label shows the file name at (+5, +20) from the pointer over the list,
// and hides over the rest of the main window.
TEST_F(ListDragTest, LabelFollowsThePointerOverTheListOnly) {
  Fill(10);
  ScreenLock lock(window.get());
  const POINT overRow = RowPoint(6);
  // Between the list and the status bar, right of the "Build PDF" button.
  const RECT listFrame = WindowRect(list);
  const POINT offList{listFrame.right - 40, listFrame.bottom + 20};
  ASSERT_EQ(::WindowFromPoint(offList), window.get());
  struct Sample {
    POINT pointer;
    bool shown;
    RECT label;
  };
  std::vector<Sample> samples;
  bool screenshot = false;
  ASSERT_TRUE(gui_steps::DragWithMouse(
      RowPoint(1), {overRow, offList, overRow},
      [&](POINT p) {
        const HWND label = DragLabelWindow();
        samples.push_back({p, label && ::IsWindowVisible(label) && CurrentDragCursor().Shown != 0,
                           label ? WindowRect(label) : RECT{}});
        if (!screenshot && p.x == overRow.x && p.y == overRow.y && label) {
          SaveScreenshot(nullptr, L"drag_label");
          const Capture shot = CaptureWindow(label);
          const DragCursor& c = CurrentDragCursor();
          const std::uint32_t tip = ::GetSysColor(COLOR_INFOBK);
          const std::uint32_t expected = ((tip & 0xFF) << 16) | (tip & 0xFF00) | ((tip >> 16) & 0xFF);
          EXPECT_EQ(shot.at(c.TextWidth + 14, (c.TextHeight + 10) / 2), expected) << "tooltip background";
          int ink = 0;
          for (int x = 10; x < 10 + c.TextWidth; ++x) ink += shot.at(x, 5 + c.TextHeight / 2) == 0 ? 1 : 0;
          EXPECT_GT(ink, 0) << "no black text on the label";
          // A rounded region's box may end a pixel short of the corner it was made with.
          RECT shape{};
          EXPECT_NE(::GetWindowRgnBox(label, &shape), ERROR);
          EXPECT_NEAR(shape.right, c.TextWidth + 20, 1);
          EXPECT_NEAR(shape.bottom, c.TextHeight + 10, 1);
          EXPECT_TRUE(::SendMessageW(list, LVM_GETITEMSTATE, 6, LVIS_DROPHILITED)) << "no drop highlight";
          screenshot = true;
        }
      },
      8));
  EXPECT_TRUE(screenshot);
  // The last sample at each stop shows the programs' answer to it.
  const auto lastAt = [&](POINT p) {
    const Sample* found = nullptr;
    for (const Sample& s : samples) {
      if (s.pointer.x == p.x && s.pointer.y == p.y) found = &s;
    }
    return found;
  };
  const Sample* onRow = lastAt(overRow);
  ASSERT_TRUE(onRow);
  EXPECT_TRUE(onRow->shown);
  EXPECT_EQ(onRow->label.left, overRow.x + 5);
  EXPECT_EQ(onRow->label.top, overRow.y + 20);
  const DragCursor& c = CurrentDragCursor();
  EXPECT_EQ(onRow->label.right - onRow->label.left, c.TextWidth + 20);
  EXPECT_EQ(onRow->label.bottom - onRow->label.top, c.TextHeight + 10);
  EXPECT_GT(c.TextWidth, 20);
  bool hiddenOffList = false;
  for (const Sample& s : samples) {
    if (s.pointer.x == offList.x && s.pointer.y == offList.y && !s.shown) hiddenOffList = true;
  }
  EXPECT_TRUE(hiddenOffList) << "the label stayed over the main window off the list";
  EXPECT_EQ(RowIds(), (std::vector<int>{0, 2, 3, 4, 5, 1, 6, 7, 8, 9}));  // dropped on row 6
}

TEST_F(ListDragTest, ListScrollsNearItsEdges) {
  Fill(100);
  ScreenLock lock(window.get());
  const auto top = [&] { return static_cast<int>(::SendMessageW(list, LVM_GETTOPINDEX, 0, 0)); };
  RECT client{};
  ::GetClientRect(list, &client);
  const RECT header = WindowRect(Header());
  const int headerHeight = header.bottom - header.top;
  const struct {
    bool up;
    int startTop;
    POINT at;  // list client point to hold the pointer at
  } cases[] = {
      {true, 20, {60, headerHeight + 4}},
      {false, 0, {60, client.bottom - 4}},
  };
  for (const auto& c : cases) {
    ::SendMessageW(list, LVM_ENSUREVISIBLE, 99, FALSE);
    ::SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(c.startTop), FALSE);
    ASSERT_EQ(top(), c.startTop);
    const int perPage = static_cast<int>(::SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    int lowest = c.startTop;
    int highest = c.startTop;
    ASSERT_TRUE(gui_steps::DragWithMouse(RowPoint(c.startTop + perPage / 2), {ToScreen(c.at)},
                                          [&](POINT) {
                                            lowest = std::min(lowest, top());
                                            highest = std::max(highest, top());
                                          },
                                          150));
    if (c.up) {
      EXPECT_EQ(lowest, 0) << "the list did not scroll up to its first row";
    } else {
      EXPECT_GE(highest, c.startTop + 20) << "the list did not scroll down";
    }
  }
}

TEST_F(ListDragTest, DraggedRowWithoutRecordEndsInTheFatalReport) {
  Fill(3);
  const struct {
    std::function<void()> run;
    std::wstring text;
  } cases[] = {
      {[] { CreateDragCursor(); },
       L"Fatal error in CreateDragCursor() on line 718.\r\n\r\nFindElement() failed."},
      {[] { DrawDragCursor(); }, L"Fatal error in DrawDragCursor() on line 697.\r\n\r\nFindElement() failed."},
  };
  for (const auto& c : cases) {
    // The label opens for row 1 while it still has its record; then the row loses it.
    SetDragSourceRow(1);
    CreateDragCursor();
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = 1;
    item.lParam = 77;
    ::SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    {
      CatchProgramEnd catcher;
      DialogAnswerer answers;
      answers.Press(IDOK);
      EXPECT_THROW(c.run(), ProgramEnded);
      ASSERT_EQ(answers.seen().size(), 1u);
      EXPECT_EQ(answers.seen()[0].text, c.text);
    }
    CloseDragCursor();
    SetDragSourceRow(-1);
    Fill(3);
  }
}

}  // namespace
