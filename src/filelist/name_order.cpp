#include "filelist/name_order.h"

#include <string>

namespace {

// UTF-16 code units, so that characters outside the first plane compare as
// they do on Windows whatever the width of wchar_t.
void AppendUtf16(std::u16string& out, std::wstring_view text) {
  for (const wchar_t c : text) {
    auto cp = static_cast<char32_t>(c);
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
}

char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

}  // namespace

int CompareIgnoringCase(std::wstring_view a, std::wstring_view b) {
  std::u16string x, y;
  AppendUtf16(x, a);
  AppendUtf16(y, b);
  const std::size_t n = std::min(x.size(), y.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t p = Fold(x[i]), q = Fold(y[i]);
    if (p != q) return p < q ? -1 : 1;
  }
  return x.size() == y.size() ? 0 : (x.size() < y.size() ? -1 : 1);
}
