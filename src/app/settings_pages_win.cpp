#include "app/settings_pages_win.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <span>
#include <string>

#include "app/settings_panel_texts.h"
#include "ui/dpi.h"
#include "ui/fatal_error.h"

namespace {

constexpr std::int32_t kLineShowSettingsPanel = 2577;
constexpr wchar_t kSettingsWindowFailed[] = L"Open window failed for #WIN_SETTINGS.";

enum class Kind { Frame, Check, Label, Slider, NumberEntry, TextEntry, FirstOption, Option, Combo };

struct ControlRow {
  int id;
  Kind kind;
  const wchar_t* text;
  int x, y, width, height;
  std::span<const wchar_t* const> entries = {};  // a combo's list
};

constexpr const wchar_t* kStartupEntries[] = {L"Fit page", L"Fit width", L"True size", L"Full screen"};
constexpr const wchar_t* kPositionEntries[] = {L"Top", L"Bottom"};
constexpr const wchar_t* kContentsEntries[] = {L"Filename", L"Path + Filename"};
constexpr const wchar_t* kAlignmentEntries[] = {L"Left", L"Center", L"Right"};
constexpr const wchar_t* kFontSizeEntries[] = {L"8", L"9", L"10", L"11", L"12"};

// Combo heights include the dropped list. Rows of a frame share one height,
// and labels centre their text on it, so captions line up with their controls.
constexpr int kRowHeight = 22;
constexpr int kDrop = 160;

// Positions are page coordinates; the tables' order is the Tab order.
constexpr ControlRow kPdfCreationPage[] = {
    {15, Kind::Frame, L" Image Processing ", 4, 2, 468, 116},
    {kCheckJpgCompression, Kind::Check, L" Use JPG compression", 20, 18, 220, kRowHeight},
    {kLabelQualityCaption, Kind::Label, L"JPG image quality", 20, 42, 125, kRowHeight},
    {kSliderQuality, Kind::Slider, L"", 150, 41, 180, 24},
    {kLabelQuality, Kind::Label, L"", 336, 42, 120, kRowHeight},
    {20, Kind::Label, L"Image resize", 20, 66, 125, kRowHeight},
    {kSliderScaling, Kind::Slider, L"", 150, 65, 180, 24},
    {kLabelScaling, Kind::Label, L"", 336, 66, 120, kRowHeight},
    {23, Kind::Label, L"Resize if larger than ", 20, 90, 125, kRowHeight},
    {kEntryWidth, Kind::NumberEntry, L"", 150, 90, 50, kRowHeight},
    {25, Kind::Frame, L" Page Output ", 4, 122, 468, 130},
    {kLabelOrientation, Kind::Label, L"Orientation", 20, 140, 78, kRowHeight},
    {kOptionPortrait, Kind::FirstOption, L"Portrait", 100, 140, 72, kRowHeight},
    {kOptionLandscape, Kind::Option, L"Landscape", 174, 140, 80, kRowHeight},
    {29, Kind::Label, L"Paper format", 20, 166, 78, kRowHeight},
    {kComboPaper, Kind::Combo, L"", 100, 166, 180, kDrop},
    {31, Kind::Label, L"Startup mode", 20, 192, 78, kRowHeight},
    {kComboStartup, Kind::Combo, L"", 100, 192, 180, kDrop, kStartupEntries},
    {kCheckEnlarge, Kind::Check, L" Enlarge to fit page if smaller", 20, 220, 210, kRowHeight},
    {kCheckKeepAspect, Kind::Check, L" Keep original image aspect ratio", 240, 220, 220, kRowHeight},
};

constexpr ControlRow kTextPage[] = {
    {35, Kind::Frame, L" Page Header / Footer ", 4, 2, 468, 114},
    {kCheckHeader, Kind::Check, L"", 20, 22, 436, kRowHeight},
    {41, Kind::Label, L"Text Position", 20, 54, 90, kRowHeight},
    {kComboPosition, Kind::Combo, L"", 114, 54, 110, kDrop, kPositionEntries},
    {39, Kind::Label, L"Contents", 250, 54, 70, kRowHeight},
    {kComboContents, Kind::Combo, L"", 324, 54, 134, kDrop, kContentsEntries},
    {43, Kind::Label, L"Text Alignment", 20, 84, 90, kRowHeight},
    {kComboAlignment, Kind::Combo, L"", 114, 84, 110, kDrop, kAlignmentEntries},
    {37, Kind::Label, L"Text Size", 250, 84, 70, kRowHeight},
    {kComboFontSize, Kind::Combo, L"", 324, 84, 60, kDrop, kFontSizeEntries},
    {45, Kind::Frame, L" Document Info ", 4, 122, 468, 130},
    {46, Kind::Label, L"Author of the document", 20, 140, 300, kRowHeight},
    {47, Kind::Label, L"Save this", 398, 140, 60, kRowHeight},
    {kCheckSaveAuthor, Kind::Check, L"", 418, 165, 16, 16},
    {kEntryAuthor, Kind::TextEntry, L"", 20, 162, 366, kRowHeight},
    {50, Kind::Label, L"Title of the document", 20, 192, 300, kRowHeight},
    {51, Kind::Label, L"Save this", 398, 192, 60, kRowHeight},
    {kCheckSaveTitle, Kind::Check, L"", 418, 217, 16, 16},
    {kEntryTitle, Kind::TextEntry, L"", 20, 214, 366, kRowHeight},
};

constexpr ControlRow kThumbnailPage[] = {
    {54, Kind::Frame, L" Thumbnail Position ", 4, 2, 468, 82},
    {kCheckThumbLocked, Kind::Check, L" The thumbnail will be locked to the main window", 20, 22, 430, kRowHeight},
    {kOptionThumbLeft, Kind::FirstOption, L"to its LEFT side", 40, 52, 150, kRowHeight},
    {kOptionThumbRight, Kind::Option, L"to its RIGHT side", 200, 52, 150, kRowHeight},
    {58, Kind::Frame, L" Thumbnail Size ", 4, 92, 468, 62},
    {kOptionThumb320, Kind::FirstOption, L"320 x 320  pixels", 20, 116, 130, kRowHeight},
    {kOptionThumb480, Kind::Option, L"480 x 480  pixels", 170, 116, 130, kRowHeight},
    {kOptionThumb640, Kind::Option, L"640 x 640  pixels", 320, 116, 130, kRowHeight},
    {62, Kind::Frame, L" Thumbnail Background ", 4, 162, 468, 62},
    {kOptionThumbBlack, Kind::FirstOption, L"Black", 20, 186, 130, kRowHeight},
    {kOptionThumbWhite, Kind::Option, L"White", 170, 186, 130, kRowHeight},
};

// The General tab: one check box per flag, in this order.
struct GeneralCheck {
  int id;
  const wchar_t* text;
  std::int32_t Settings::*field;
};
constexpr GeneralCheck kGeneralChecks[] = {
    {kCheckClearBeforeDrop, L" Clear the file list before a drop", &Settings::ClearBeforeDrop},
    {71, L" Sort the file list after each drop", &Settings::SortAfterDrop},
    {kCheckShowFullPath, L" Show the full path of the files in the list view", &Settings::ShowFullPath},
    {77, L" Include the path of the files in the sort", &Settings::SortIncludingPath},
    {kCheckSizeCondensed, L" Display the size of the files in condensed format", &Settings::ShowSizeCondensed},
    {68, L" Always offer the PDF options window before saving", &Settings::ShowOptions},
    {73, L" Open the destination directory in Explorer after creation", &Settings::OpenDir},
    {72, L" Open the created PDF with the default viewer", &Settings::OpenPdf},
    {kCheckRememberDirectory, L" Remember the directory used to save the last PDF",
     &Settings::RememberLastDirectory},
    {kCheckSameDirectory, L" Save the PDF to the same directory of the image files", &Settings::SaveSameDirAsFiles},
    {74, L" Always ask for confirmations", &Settings::Confirmations},
    {kCheckPreprocessing, L" Enable image preprocessing", &Settings::Preprocessing},
    {79, L" Set document title from filename", &Settings::DocTitleFromFileName},
    {80, L" Delete the log if the PDF has been built without errors", &Settings::DeleteLogIfSuccessful},
    {81, L" Enable subfolders recursion", &Settings::EnableSubFolders},
    {kCheckJpgStoring, L" Store JPG files without reprocessing them", &Settings::JpgNoRecompression},
    {75, L" Enable high memory load warning", &Settings::MemoryLoad},
    {kCheckAutoRotate, L" Turn photos upright (EXIF orientation)", &Settings::AutoRotate},
    {kCheckTiffAllPages, L" Every page of multi-page TIFF files", &Settings::TiffAllPages},
};
constexpr int kGeneralFirstY = 10;
constexpr int kGeneralStep = 25;
// The last box's bottom and a margin as wide as the one above the first.
constexpr int kGeneralContentHeight =
    kGeneralFirstY + kGeneralStep * (static_cast<int>(std::size(kGeneralChecks)) - 1) + 20 + kGeneralFirstY;

// Which field each of the other controls edits.
struct FlagField {
  int id;
  std::int32_t Settings::*field;
};
constexpr FlagField kFlagFields[] = {
    {kCheckJpgCompression, &Settings::JpgCompression}, {kCheckEnlarge, &Settings::EnlargeToFit},
    {kCheckKeepAspect, &Settings::KeepAspect},         {kCheckHeader, &Settings::DisplayHeader},
    {kCheckSaveAuthor, &Settings::SaveAuthor},         {kCheckSaveTitle, &Settings::SaveTitle},
    {kCheckThumbLocked, &Settings::ThumbLocked},
};

struct ComboField {
  int id;
  std::int32_t Settings::*field;
  std::int32_t first;  // the field's value for entry 0
};
constexpr ComboField kComboFields[] = {
    {kComboPaper, &Settings::PaperFormat, 1},         {kComboStartup, &Settings::PdfStartup, 1},
    {kComboFontSize, &Settings::HeaderFontSize, 8},   {kComboContents, &Settings::HeaderDisplayWhat, 1},
    {kComboPosition, &Settings::HeaderDisplayWhere, 1}, {kComboAlignment, &Settings::HeaderDisplayAlign, 1},
};

struct SliderField {
  int id;
  std::int32_t Settings::*field;
  std::int32_t min, max, ticks;
};
constexpr SliderField kSliderFields[] = {
    {kSliderQuality, &Settings::JpgQuality, 1, 10, 1},
    {kSliderScaling, &Settings::ImageScaling, 1, 100, 10},
};

// Option i of a group stands for the value i + 1.
struct OptionGroup {
  std::int32_t Settings::*field;
  std::array<int, 3> ids;
  int count;
  // Orientation and side show any value but the first as the last option
  // and read back as it; the others keep their field when none is checked.
  bool otherIsLast;
};
constexpr OptionGroup kOptionGroups[] = {
    {&Settings::PaperOrientation, {kOptionPortrait, kOptionLandscape}, 2, true},
    {&Settings::ThumbSide, {kOptionThumbLeft, kOptionThumbRight}, 2, true},
    {&Settings::ThumbSize, {kOptionThumb320, kOptionThumb480, kOptionThumb640}, 3, false},
    {&Settings::ThumbColor, {kOptionThumbBlack, kOptionThumbWhite}, 2, false},
};

DWORD StyleOf(Kind kind) {
  switch (kind) {
    case Kind::Frame:
      return BS_GROUPBOX | WS_GROUP;
    case Kind::Check:
      return BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP;
    case Kind::Label:
      // One line, vertically centred on its row.
      return SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX | WS_GROUP;
    case Kind::Slider:
      return TBS_HORZ | TBS_AUTOTICKS | WS_TABSTOP | WS_GROUP;
    case Kind::NumberEntry:
      return ES_NUMBER | ES_RIGHT | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP;
    case Kind::TextEntry:
      return ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP;
    case Kind::FirstOption:
      // One Tab stop per group; the arrows move within it.
      return BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP;
    case Kind::Option:
      return BS_AUTORADIOBUTTON;
    case Kind::Combo:
      return CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP;
  }
  return 0;
}

const wchar_t* ClassOf(Kind kind) {
  switch (kind) {
    case Kind::Label:
      return WC_STATICW;
    case Kind::Slider:
      return TRACKBAR_CLASSW;
    case Kind::NumberEntry:
    case Kind::TextEntry:
      return WC_EDITW;
    case Kind::Combo:
      return WC_COMBOBOXW;
    default:
      return WC_BUTTONW;
  }
}

HWND CreateChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle, int x,
                 int y, int width, int height, int id, HFONT font) {
  const HWND control = CheckCreated(
      ::CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr),
      L"ShowSettingsPanel", kSettingsWindowFailed, kLineShowSettingsPanel);
  ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

// The rows' places and sizes are given at 96 DPI.
void AddControls(HWND page, std::span<const ControlRow> rows, HFONT font, int dpi, SettingsControls& controls) {
  const auto px = [dpi](int pixels) { return ScaleToDpi(pixels, dpi); };
  for (const ControlRow& row : rows) {
    const bool isEntry = row.kind == Kind::NumberEntry || row.kind == Kind::TextEntry;
    const HWND control = CreateChild(page, ClassOf(row.kind), row.text, StyleOf(row.kind),
                                     isEntry ? WS_EX_CLIENTEDGE : 0, px(row.x), px(row.y), px(row.width),
                                     px(row.height), row.id, font);
    controls.byId[static_cast<std::size_t>(row.id)] = control;
    if (row.id == kComboPaper) {
      for (std::int32_t format = 1; format <= 6; ++format) {
        ::SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(PaperEntryText(format).c_str()));
      }
    }
    for (const wchar_t* text : row.entries) {
      ::SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
  }
}

int ScrollPosition(HWND area) {
  SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, 0, 0};
  ::GetScrollInfo(area, SB_VERT, &info);
  return info.nPos;
}

int VisibleHeight(HWND area) {
  RECT client{};
  ::GetClientRect(area, &client);
  return client.bottom;
}

void ScrollAreaTo(HWND area, int position) {
  const int last = std::max(Scaled(area, kGeneralContentHeight) - VisibleHeight(area), 0);
  position = std::clamp(position, 0, last);
  const int old = ScrollPosition(area);
  if (position == old) return;
  SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, position, 0};
  ::SetScrollInfo(area, SB_VERT, &info, TRUE);
  ::ScrollWindowEx(area, 0, old - position, nullptr, nullptr, nullptr, nullptr,
                   SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
}

void HandleAreaScroll(HWND area, WORD request) {
  SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
  ::GetScrollInfo(area, SB_VERT, &info);
  const int page = static_cast<int>(info.nPage);
  int position = info.nPos;
  switch (request) {
    case SB_LINEUP: position -= Scaled(area, kGeneralStep); break;
    case SB_LINEDOWN: position += Scaled(area, kGeneralStep); break;
    case SB_PAGEUP: position -= page; break;
    case SB_PAGEDOWN: position += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = info.nTrackPos; break;
    case SB_TOP: position = 0; break;
    case SB_BOTTOM: position = Scaled(area, kGeneralContentHeight); break;
    default: return;
  }
  ScrollAreaTo(area, position);
}

// The pages pass what their controls report on to the settings window.
INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return FALSE;  // the settings window decides where the focus goes
    case WM_COMMAND:
      // A General check box reached with the keyboard comes into view.
      if (HIWORD(wParam) == BN_SETFOCUS && ::GetDlgCtrlID(page) == kGeneralArea) {
        ScrollGeneralAreaTo(reinterpret_cast<HWND>(lParam));
      }
      ::SendMessageW(::GetParent(page), message, wParam, lParam);
      return TRUE;
    case WM_HSCROLL:
      ::SendMessageW(::GetParent(page), message, wParam, lParam);
      return TRUE;
    case WM_VSCROLL:
      if (::GetDlgCtrlID(page) != kGeneralArea) return FALSE;
      HandleAreaScroll(page, LOWORD(wParam));
      return TRUE;
    case WM_MOUSEWHEEL:
      if (::GetDlgCtrlID(page) != kGeneralArea) return FALSE;
      ScrollAreaTo(page, ScrollPosition(page) - GET_WHEEL_DELTA_WPARAM(wParam) * 2 * Scaled(page, kGeneralStep) / WHEEL_DELTA);
      return TRUE;
  }
  return FALSE;
}

// A child dialog without controls of its own: the dialog manager then walks
// into it for Tab and the arrows, and themes draw it as a tab's body.
HWND CreatePage(HWND window, int id, const RECT& area, bool scrolling) {
  static_assert(sizeof(DLGTEMPLATE) == 18, "the template's arrays follow its packed header");
  struct alignas(4) {
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
  } page{};
  page.header.style = WS_CHILD | DS_CONTROL | (scrolling ? WS_VSCROLL : 0);
  page.header.dwExtendedStyle = WS_EX_CONTROLPARENT;
  const HWND created = CheckCreated(
      ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), &page.header, window, PageProc, 0),
      L"ShowSettingsPanel", kSettingsWindowFailed, kLineShowSettingsPanel);
  ::SetWindowLongPtrW(created, GWLP_ID, id);
  ::SetWindowPos(created, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::EnableThemeDialogTexture(created, ETDT_ENABLETAB);
  return created;
}

}  // namespace

void CreateSettingsPages(HWND window, const RECT& area, HFONT font, int dpi, SettingsControls& controls) {
  // Pages 0-2 take the numbers after the buttons; page 3 is area 65.
  constexpr int kPageIds[kSettingsPageCount] = {kButtonCancel + 1, kButtonCancel + 2, kButtonCancel + 3,
                                                kGeneralArea};
  const std::span<const ControlRow> tables[] = {kPdfCreationPage, kTextPage, kThumbnailPage};
  for (int i = 0; i < kSettingsPageCount; ++i) {
    const HWND page = CreatePage(window, kPageIds[i], area, i == 3);
    controls.pages[static_cast<std::size_t>(i)] = page;
    if (i < 3) AddControls(page, tables[i], font, dpi, controls);
  }
  const HWND general = controls.pages[3];
  controls.byId[kGeneralArea] = general;
  int y = kGeneralFirstY;
  for (const GeneralCheck& check : kGeneralChecks) {
    controls.byId[static_cast<std::size_t>(check.id)] =
        CreateChild(general, WC_BUTTONW, check.text, BS_AUTOCHECKBOX | BS_NOTIFY | WS_TABSTOP | WS_GROUP, 0,
                    ScaleToDpi(20, dpi), ScaleToDpi(y, dpi), ScaleToDpi(400, dpi), ScaleToDpi(20, dpi), check.id,
                    font);
    y += kGeneralStep;
  }
  // Only a vertical bar: the boxes fit the width.
  SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, ScaleToDpi(kGeneralContentHeight, dpi) - 1,
                  static_cast<UINT>(VisibleHeight(general)), 0, 0};
  ::SetScrollInfo(general, SB_VERT, &info, FALSE);
  ::ShowScrollBar(general, SB_HORZ, FALSE);

  for (const SliderField& slider : kSliderFields) {
    const HWND control = controls[slider.id];
    ::SendMessageW(control, TBM_SETRANGE, FALSE, MAKELPARAM(slider.min, slider.max));
    ::SendMessageW(control, TBM_SETTICFREQ, static_cast<WPARAM>(slider.ticks), 0);
    ::SendMessageW(control, TBM_SETPAGESIZE, 0, slider.ticks);
  }
}

void ShowSettingsInControls(const SettingsControls& controls, const Settings& settings) {
  for (const FlagField& flag : kFlagFields) SetChecked(controls[flag.id], settings.*flag.field != 0);
  for (const GeneralCheck& check : kGeneralChecks) SetChecked(controls[check.id], settings.*check.field != 0);
  for (const ComboField& combo : kComboFields) {
    const HWND control = controls[combo.id];
    const auto count = static_cast<std::int32_t>(::SendMessageW(control, CB_GETCOUNT, 0, 0));
    // A value the list cannot show stands on its nearest entry, never on none.
    const std::int32_t index = std::clamp(settings.*combo.field - combo.first, 0, std::max(count - 1, 0));
    ::SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  for (const SliderField& slider : kSliderFields) {
    ::SendMessageW(controls[slider.id], TBM_SETPOS, TRUE, std::clamp(settings.*slider.field, slider.min, slider.max));
  }
  for (const OptionGroup& group : kOptionGroups) {
    const std::int32_t value = settings.*group.field;
    int checked = -1;
    if (value >= 1 && value <= group.count) checked = value - 1;
    if (group.otherIsLast && value != 1) checked = group.count - 1;
    for (int i = 0; i < group.count; ++i) SetChecked(controls[group.ids[static_cast<std::size_t>(i)]], i == checked);
  }
  ::SetWindowTextW(controls[kEntryWidth], std::to_wstring(settings.ResizeOnlyIfWider).c_str());
  ::SetWindowTextW(controls[kEntryAuthor], settings.DocAuthor.c_str());
  ::SetWindowTextW(controls[kEntryTitle], settings.DocTitle.c_str());
}

namespace {

std::wstring TextOf(HWND control) {
  const int length = ::GetWindowTextLengthW(control);
  std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  const int copied = ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

}  // namespace

void CopyControlsToSettings(const SettingsControls& controls, Settings& settings) {
  for (const FlagField& flag : kFlagFields) settings.*flag.field = IsChecked(controls[flag.id]) ? 1 : 0;
  for (const GeneralCheck& check : kGeneralChecks) settings.*check.field = IsChecked(controls[check.id]) ? 1 : 0;
  for (const ComboField& combo : kComboFields) {
    const auto index = static_cast<std::int32_t>(::SendMessageW(controls[combo.id], CB_GETCURSEL, 0, 0));
    if (index >= 0) settings.*combo.field = index + combo.first;
  }
  for (const SliderField& slider : kSliderFields) {
    settings.*slider.field = static_cast<std::int32_t>(::SendMessageW(controls[slider.id], TBM_GETPOS, 0, 0));
  }
  for (const OptionGroup& group : kOptionGroups) {
    bool found = false;
    for (int i = 0; i < group.count && !found; ++i) {
      if (IsChecked(controls[group.ids[static_cast<std::size_t>(i)]])) {
        settings.*group.field = i + 1;
        found = true;
      }
    }
    if (!found && group.otherIsLast) settings.*group.field = group.count;
  }
  settings.ResizeOnlyIfWider = WidthEntryValue(TextOf(controls[kEntryWidth]));
  settings.DocAuthor = TextOf(controls[kEntryAuthor]);
  settings.DocTitle = TextOf(controls[kEntryTitle]);
}

void ScrollGeneralAreaTo(HWND control) {
  const HWND area = ::GetParent(control);
  if (!area || ::GetDlgCtrlID(area) != kGeneralArea) return;
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, area, reinterpret_cast<POINT*>(&r), 2);
  const int margin = Scaled(area, kGeneralStep - 20);
  if (r.top < margin) {
    ScrollAreaTo(area, ScrollPosition(area) + r.top - margin);
  } else if (r.bottom > VisibleHeight(area) - margin) {
    ScrollAreaTo(area, ScrollPosition(area) + r.bottom - VisibleHeight(area) + margin);
  }
}

bool IsChecked(HWND button) { return ::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetChecked(HWND button, bool checked) {
  ::SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}
