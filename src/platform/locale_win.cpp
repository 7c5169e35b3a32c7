#include <windows.h>

#include "platform/locale.h"

namespace platform {

std::optional<std::wstring> UserLocaleText(LocaleItem item) {
  LCTYPE type = LOCALE_STHOUSAND;
  switch (item) {
    case LocaleItem::kThousandsSeparator: type = LOCALE_STHOUSAND; break;
    case LocaleItem::kDecimalSeparator: type = LOCALE_SDECIMAL; break;
    case LocaleItem::kDateSeparator: type = LOCALE_SDATE; break;
    case LocaleItem::kDateOrder: type = LOCALE_IDATE; break;
  }
  // First the length (terminator included), then the text.
  const int length = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  const int got = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text.data(), length);
  if (got <= 0) return std::nullopt;
  text.resize(static_cast<std::size_t>(got - 1));
  return text;
}

}  // namespace platform
