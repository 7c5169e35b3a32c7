#include "ui/fatal_error.h"

#include <charconv>

std::wstring FatalErrorText(std::wstring_view procedure, std::int32_t line,
                            std::wstring_view message) {
  std::wstring text = L"Fatal error in ";
  if (procedure.empty()) {
    text += L"main source";
  } else {
    text += procedure;
    text += L"()";
  }
  text += L" on line ";
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, line).ptr;
  text.append(digits, end);
  text += L".\r\n\r\n";
  text += message;
  return text;
}
