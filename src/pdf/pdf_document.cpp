#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <new>

#include "pdf/pdf_document.h"

namespace {

PdfDocument g_document;
std::optional<std::pair<platform::LocalDateTime, platform::TimeZone>> g_fixedClock;
std::int32_t g_failAllocationAt = 0;

constexpr std::wstring_view kMessages[] = {
    L"",
    L"Out of memory",
    L"Invalid parameters",
    L"File creation error",
    L"File I/O error",
    L"Unsupported PNG header or data corrupted",
    L"Temporary file creation error",
};

void AppendTwoDigits(std::string& out, int value) {
  out.push_back(static_cast<char>('0' + (value / 10) % 10));
  out.push_back(static_cast<char>('0' + value % 10));
}

// Windows-1252 bytes 0x80-0x9F and the characters they stand for; 0 marks
// the five bytes the code page leaves undefined.
constexpr char16_t kWinAnsiHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

PdfDocument& ipf_Document() { return g_document; }

std::int32_t pdf_Reset() {
  // Swapping with a fresh document releases every text, list and data block.
  PdfDocument fresh;
  std::swap(g_document, fresh);
  return kPdfOk;
}

std::int32_t pdf_SetAuthor(const std::wstring& author) {
  g_document.author = author;
  return kPdfOk;
}

std::int32_t pdf_SetTitle(const std::wstring& title) {
  g_document.title = title;
  return kPdfOk;
}

std::int32_t pdf_SetCreator(const std::wstring& creator) {
  g_document.creator = creator;
  return kPdfOk;
}

std::int32_t pdf_SetDisplayMode(std::int32_t startupView, std::int32_t pageLayout) {
  if (startupView >= 1 && startupView <= 4) g_document.startupView = startupView;
  if (pageLayout == 1 || pageLayout == 2) g_document.pageLayout = pageLayout;
  return kPdfOk;
}

std::int32_t pdf_GetErrorCode() { return g_document.errorCode; }

std::wstring pdf_GetErrorText() { return g_document.errorText; }

std::int32_t ipf_SetError(std::int32_t code, std::wstring_view procedure, std::int32_t location) {
  PdfDocument& d = g_document;
  d.errorCode = code;
  if (location != 0) d.errorLocation = location;
  std::wstring text;
  if (code >= 1 && code <= kPdfTemporaryFileError) text = kMessages[code];
  text += L"\r\n\r\nin ";
  text += procedure;
  text += L"() on line ";
  text += std::to_wstring(d.errorLocation);
  text += L".\r\n";
  d.errorText = std::move(text);
  return code;
}

std::int32_t ipf_NextObjectNumber() { return ++g_document.objectCount; }

std::int32_t ipf_NextImageIndex() { return ++g_document.imageCount; }

void ipf_AppendInt(std::string& out, std::int64_t value) {
  char buf[24];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, result.ptr);
}

void ipf_AppendReal(std::string& out, float value) {
  // Exactly what printf("%.2f") makes of the value widened to double, but
  // independent of the C locale's decimal point.
  char buf[64];
  const auto result =
      std::to_chars(buf, buf + sizeof buf, static_cast<double>(value), std::chars_format::fixed, 2);
  if (result.ec == std::errc()) {
    out.append(buf, result.ptr);
  } else {
    out += "0.00";  // only for values beyond 1e60, which no page geometry reaches
  }
}

void ipf_AppendOffset(std::string& out, std::int64_t offset) {
  char buf[24];
  const auto result = std::to_chars(buf, buf + sizeof buf, offset);
  const std::size_t digits = static_cast<std::size_t>(result.ptr - buf);
  if (digits < 10) out.append(10 - digits, '0');
  out.append(buf, result.ptr);
}

std::wstring ipf_EscapeString(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size() + 8);
  for (const wchar_t c : text) {
    if (c == L'\\' || c == L'(' || c == L')') out.push_back(L'\\');
    out.push_back(c);
  }
  return out;
}

std::string ipf_InfoString(std::wstring_view text) {
  const bool printableAscii =
      std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= 0x20 && c <= 0x7E; });
  if (printableAscii) return "(" + ipf_ToWinAnsi(ipf_EscapeString(text)) + ")";
  // Readers take a text string without a byte-order mark as PDFDocEncoding,
  // which differs from Windows-1252 in 0x80-0x9F and holds no Greek, Cyrillic
  // or Chinese at all; UTF-16BE with its mark reads the same everywhere. A
  // hex string needs no escapes whatever the code units are.
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "<FEFF";
  out.reserve(6 + text.size() * 4);
  auto unit = [&](std::uint32_t u) {
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(u >> shift) & 0xF]);
  };
  for (const wchar_t c : text) {
    auto code = static_cast<std::uint32_t>(c);
    if constexpr (sizeof(wchar_t) == 2) {
      unit(code & 0xFFFF);  // already UTF-16, pairs included
    } else if (code > 0x10FFFF) {
      unit(0xFFFD);
    } else if (code > 0xFFFF) {
      code -= 0x10000;
      unit(0xD800 + (code >> 10));
      unit(0xDC00 + (code & 0x3FF));
    } else {
      unit(code);
    }
  }
  out += '>';
  return out;
}

unsigned char ipf_WinAnsiByte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (int i = 0; i < 32; ++i) {
    if (kWinAnsiHigh[i] != 0 && kWinAnsiHigh[i] == c) return static_cast<unsigned char>(0x80 + i);
  }
  return '?';
}

std::string ipf_ToWinAnsi(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      c &= 0xFFFF;
      // A surrogate pair is one character outside the code page: one "?".
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
        const char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
        if (low >= 0xDC00 && low <= 0xDFFF) ++i;
      }
    }
    out.push_back(static_cast<char>(ipf_WinAnsiByte(c)));
  }
  return out;
}

namespace {

// Reads the leading decimal number of a field ("12.5mm" -> 12.5); anything
// that does not start with a number reads as 0.
float ParseLeadingNumber(std::wstring_view field) {
  std::size_t i = 0;
  while (i < field.size() && (field[i] == L' ' || field[i] == L'\t')) ++i;
  std::string ascii;
  if (i < field.size() && (field[i] == L'-' || field[i] == L'+')) {
    if (field[i] == L'-') ascii.push_back('-');
    ++i;
  }
  bool digits = false;
  bool point = false;
  for (; i < field.size(); ++i) {
    const wchar_t c = field[i];
    if (c >= L'0' && c <= L'9') {
      ascii.push_back(static_cast<char>(c));
      digits = true;
    } else if (c == L'.' && !point) {
      ascii.push_back('.');
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return 0.0f;
  float value = 0.0f;
  const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (result.ec != std::errc() || !std::isfinite(value)) return 0.0f;
  return value;
}

}  // namespace

void ipf_ParsePageSize(std::wstring_view text, float& width, float& height) {
  const std::size_t comma = text.find(L',');
  width = ParseLeadingNumber(text.substr(0, comma));
  height = comma == std::wstring_view::npos ? 0.0f : ParseLeadingNumber(text.substr(comma + 1));
}

std::string ipf_TimeZoneOffset(const platform::TimeZone& zone) {
  if (zone.state == platform::ZoneState::kUnknown) return {};
  const std::int32_t offset = -zone.biasMinutes;  // east of UTC is positive
  const std::int32_t magnitude = std::abs(offset);
  std::string out(1, offset > 0 ? '+' : '-');
  AppendTwoDigits(out, magnitude / 60);
  out.push_back('\'');
  AppendTwoDigits(out, magnitude % 60);
  return out;
}

std::string ipf_FormatCreationDate(const platform::LocalDateTime& t, const platform::TimeZone& zone) {
  std::string out;
  AppendTwoDigits(out, (t.year / 100) % 100);
  AppendTwoDigits(out, t.year % 100);
  AppendTwoDigits(out, t.month);
  AppendTwoDigits(out, t.day);
  AppendTwoDigits(out, t.hour);
  AppendTwoDigits(out, t.minute);
  AppendTwoDigits(out, t.second);
  out += ipf_TimeZoneOffset(zone);
  return out;
}

std::string ipf_CurrentCreationDate() {
  if (g_fixedClock) return ipf_FormatCreationDate(g_fixedClock->first, g_fixedClock->second);
  return ipf_FormatCreationDate(platform::CurrentLocalTime(), platform::CurrentTimeZone());
}

void ipf_SetClockForTesting(std::optional<std::pair<platform::LocalDateTime, platform::TimeZone>> clock) {
  g_fixedClock = clock;
}

void ipf_SetAllocationFailureForTesting(std::int32_t location) { g_failAllocationAt = location; }

void ipf_CheckAllocation(std::int32_t location) {
  if (g_failAllocationAt != 0 && g_failAllocationAt == location) throw std::bad_alloc();
}
