#include "pipeline/page_geometry.h"

#include <charconv>
#include <cmath>

#include "pdf/pdf_document.h"

namespace {

struct Paper {
  const wchar_t* name;
  const wchar_t* sizeText;
};

constexpr Paper kPapers[] = {
    {L"A4", L"595.28,841.89"},  {L"A3", L"841.89,1190.55"}, {L"A2", L"1190.55,1683.78"},
    {L"Letter", L"612.00,792.00"}, {L"Legal", L"612.00,1008.00"}, {L"Paperless", L""},
};

std::wstring TwoDecimals(float value) {
  std::string ascii;
  ipf_AppendReal(ascii, value);
  return std::wstring(ascii.begin(), ascii.end());
}

}  // namespace

std::wstring PaperSizeText(std::int32_t paperFormat) {
  if (paperFormat < 1 || paperFormat > 6) return {};
  return kPapers[paperFormat - 1].sizeText;
}

std::wstring PaperName(std::int32_t paperFormat) {
  if (paperFormat < 1 || paperFormat > 6) return {};
  return kPapers[paperFormat - 1].name;
}

std::wstring PageSizeText(std::int32_t imageWidth, std::int32_t imageHeight, std::int32_t orientation) {
  const std::wstring w = TwoDecimals(static_cast<float>(imageWidth));
  const std::wstring h = TwoDecimals(static_cast<float>(imageHeight));
  return orientation == 1 ? w + L"," + h : h + L"," + w;
}

void ParsePageSize(const std::wstring& text, float& width, float& height) {
  ipf_ParsePageSize(text, width, height);
}

float Millimetres(float points) { return std::round(points) / kPointsPerMillimetre; }

PagePlacement PlaceImage(std::int32_t imageWidth, std::int32_t imageHeight, std::int32_t orientation,
                         const Settings& settings) {
  PagePlacement p;
  if (imageWidth <= 0 || imageHeight <= 0) return p;  // nothing to place
  const auto iw = static_cast<float>(imageWidth);
  const auto ih = static_cast<float>(imageHeight);
  if (settings.PaperFormat == kPaperless) {
    p.areaWidth = p.width = iw;
    p.areaHeight = p.height = ih;
    return p;
  }

  float pw = 0, ph = 0;
  ParsePageSize(PaperSizeText(settings.PaperFormat), pw, ph);
  if (orientation == 2) std::swap(pw, ph);
  const bool header = settings.DisplayHeader != 0;
  if (header) ph -= 2 * kHeaderBand;
  p.areaWidth = pw;
  p.areaHeight = ph;

  float w = 0, h = 0;
  if (pw > iw && ph > ih && settings.EnlargeToFit == 0) {
    w = iw;  // smaller than the area: true size
    h = ih;
  } else if (settings.KeepAspect == 0 && settings.EnlargeToFit == 1) {
    w = pw;  // stretched over the whole area
    h = ph;
  } else {
    w = pw;
    h = ih / (iw / pw);
    if (h > ph) {
      h = ph;
      w = iw / (ih / ph);
    }
    // In exact arithmetic w cannot exceed pw here; in single precision it may
    // by a few units in the last place when the image has the area's shape.
    if (w > pw) {
      if (w - pw > pw * 1e-5f) p.overflow = true;
      w = pw;
    }
  }
  p.width = w;
  p.height = h;
  p.x = (pw - w) / 2;
  p.y = (ph - h) / 2;
  if (header) p.y += kHeaderBand;
  return p;
}
