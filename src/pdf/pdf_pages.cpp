#include <cmath>
#include <new>

#include "pdf/pdf_document.h"

namespace {

// Standard Helvetica widths laid out in WinAnsiEncoding, in thousandths of
// the font size; codes without a glyph measure 350.
constexpr std::int32_t kHelveticaWidths[256] = {
    278, 278, 278, 278, 278, 278, 278, 278, 278, 278, 278, 278, 278, 278, 278, 278,
    278, 278, 278, 278, 278, 278, 278, 278, 278, 278, 278, 278, 278, 278, 278, 278,
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,
    333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584, 350,
    556, 350, 222, 556, 333, 1000, 556, 556, 333, 1000, 667, 333, 1000, 350, 611, 350,
    350, 222, 222, 333, 333, 350, 556, 1000, 333, 1000, 500, 333, 944, 350, 500, 667,
    278, 333, 556, 556, 556, 556, 260, 556, 333, 737, 370, 556, 584, 333, 737, 333,
    400, 584, 333, 333, 333, 556, 537, 278, 333, 333, 365, 556, 834, 834, 834, 611,
    667, 667, 667, 667, 667, 667, 1000, 722, 667, 667, 667, 667, 278, 278, 278, 278,
    722, 722, 778, 778, 778, 778, 778, 584, 778, 722, 722, 722, 722, 667, 667, 611,
    556, 556, 556, 556, 556, 556, 889, 500, 556, 556, 556, 556, 278, 278, 278, 278,
    556, 556, 556, 556, 556, 556, 556, 584, 611, 556, 556, 556, 556, 500, 556, 500,
};

float ScaleForUnit(std::int32_t unit) {
  switch (unit) {
    case 1: return 1.0f;
    case 3: return 72.0f;
    default: return 2.8346457f;  // 72 / 25.4
  }
}

std::wstring AsciiUpper(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return out;
}

PdfPage* CurrentPage() {
  PdfDocument& d = ipf_Document();
  if (!d.currentPage || *d.currentPage >= d.pages.size()) return nullptr;
  return &d.pages[*d.currentPage];
}

}  // namespace

std::int32_t pdf_Create(std::int32_t orientation, const std::wstring& pageSize, std::int32_t unit) {
  PdfDocument& d = ipf_Document();
  if (orientation == 1 || orientation == 2) d.defaultOrientation = orientation;
  if (unit >= 1 && unit <= 3) d.unit = unit;
  d.scale = ScaleForUnit(d.unit);
  if (!pageSize.empty()) ipf_ParsePageSize(pageSize, d.defaultPageWidth, d.defaultPageHeight);

  // The lists are the document's vectors; reserving in each is where a
  // shortage of memory shows up.
  constexpr std::int32_t kListLocations[] = {1736, 1746, 1765, 1771};
  for (const std::int32_t location : kListLocations) {
    try {
      ipf_CheckAllocation(location);
      switch (location) {
        case 1736: d.xrefEntries.reserve(16); break;
        case 1746: d.pages.reserve(4); break;
        case 1765: d.contents.reserve(4); break;
        default: d.images.reserve(4); break;
      }
    } catch (const std::bad_alloc&) {
      return ipf_SetError(kPdfOutOfMemory, L"pdf_Create", location);
    }
  }
  d.created = true;
  d.pagesNode.number = ipf_NextObjectNumber();
  d.catalog.number = ipf_NextObjectNumber();
  d.info.number = ipf_NextObjectNumber();
  d.resources.number = ipf_NextObjectNumber();
  return kPdfOk;
}

std::int32_t pdf_AddPage(std::int32_t orientation, const std::wstring& pageSize) {
  PdfDocument& d = ipf_Document();
  if (orientation != 1 && orientation != 2) orientation = d.defaultOrientation;
  float width = d.defaultPageWidth;
  float height = d.defaultPageHeight;
  if (!pageSize.empty()) ipf_ParsePageSize(pageSize, width, height);
  if (orientation == 2) std::swap(width, height);

  try {
    ipf_CheckAllocation(1936);
    d.pages.emplace_back();
  } catch (const std::bad_alloc&) {
    return ipf_SetError(kPdfOutOfMemory, L"pdf_AddPage", 1936);
  }
  d.currentPage = d.pages.size() - 1;
  PdfPage& page = d.pages.back();
  page.number = ipf_NextObjectNumber();
  page.width = width;
  page.height = height;

  try {
    ipf_CheckAllocation(1950);
    d.contents.emplace_back();
  } catch (const std::bad_alloc&) {
    return ipf_SetError(kPdfOutOfMemory, L"pdf_AddPage", 1950);
  }
  d.contents.back().number = ipf_NextObjectNumber();
  page.content = d.contents.size() - 1;
  return kPdfOk;
}

std::int32_t pdf_SetFont(const std::wstring& fontName, std::int32_t size) {
  PdfDocument& d = ipf_Document();
  d.font.number = ipf_NextObjectNumber();
  d.fontName = fontName;
  d.fontSize = size;
  d.fontIndex = 1;
  const std::wstring upper = AsciiUpper(fontName);
  if (upper == L"COURIER") {
    d.charWidths.fill(600);
  } else if (upper == L"HELVETICA") {
    std::copy(std::begin(kHelveticaWidths), std::end(kHelveticaWidths), d.charWidths.begin());
  } else {
    return ipf_SetError(kPdfInvalidParameters, L"pdf_SetFont", 1547);
  }
  return kPdfOk;
}

std::int32_t pdf_SetPosition(float x, float y) {
  PdfDocument& d = ipf_Document();
  d.positionX = x * d.scale;
  d.positionY = y * d.scale;
  return kPdfOk;
}

float pdf_GetTextWidth(const std::wstring& text) {
  const PdfDocument& d = ipf_Document();
  if (text.empty()) return 0.0f;
  // Measured as the bytes the text is written as, so the width always
  // matches what the viewer draws.
  std::int64_t sum = 0;
  for (const char c : ipf_ToWinAnsi(text)) sum += d.charWidths[static_cast<unsigned char>(c)];
  return static_cast<float>(sum) / 1000.0f * static_cast<float>(d.fontSize) / d.scale;
}

std::int32_t pdf_TextBox(float width, float height, const std::wstring& text, std::int32_t frame,
                         std::int32_t alignment) {
  PdfDocument& d = ipf_Document();
  PdfPage* page = CurrentPage();
  if (!page || !page->content) return kPdfOk;  // no page yet: nothing to draw on
  PdfContent& content = d.contents[*page->content];

  const float s = d.scale;
  const float x = d.positionX / s;
  const float y = d.positionY / s;
  const float pageHeight = page->height / s;
  const float inset = std::round(28.35f / s / 2.0f);

  std::string ops;
  if (frame != 0) {
    ipf_AppendReal(ops, x * s);
    ops += ' ';
    ipf_AppendReal(ops, (pageHeight - y) * s);
    ops += ' ';
    ipf_AppendReal(ops, width * s);
    ops += ' ';
    ipf_AppendReal(ops, -height * s);
    ops += " re S ";
  }
  if (!text.empty()) {
    const float textWidth = pdf_GetTextWidth(text);
    float shift = inset;
    if (alignment == 2) shift = (width - textWidth) / 2.0f;
    else if (alignment == 3) shift = width - inset - textWidth;
    const float baseline =
        pageHeight - y - 0.5f * height - 0.3f * static_cast<float>(d.fontSize) / s;
    ops += "BT ";
    ipf_AppendReal(ops, (x + shift) * s);
    ops += ' ';
    ipf_AppendReal(ops, baseline * s);
    ops += " Td (";
    ops += ipf_ToWinAnsi(ipf_EscapeString(text));
    ops += ") Tj ET";
  }
  content.textOps = std::move(ops);

  std::string fontOps = "BT /F";
  ipf_AppendInt(fontOps, d.fontIndex);
  fontOps += ' ';
  ipf_AppendReal(fontOps, static_cast<float>(d.fontSize));
  fontOps += " Tf ET";
  content.fontOps = std::move(fontOps);
  return kPdfOk;
}
