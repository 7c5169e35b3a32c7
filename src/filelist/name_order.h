#pragma once
// The order in which the file list sorts names and paths: letters compared
// without regard to case the way the C library's "C" locale does it (only
// A-Z and a-z fold), every other character by its UTF-16 code.
#include <algorithm>
#include <string_view>
#include <vector>

int CompareIgnoringCase(std::wstring_view a, std::wstring_view b);

// Stable: entries with equal keys keep their order.
template <typename T, typename Key>
void SortStableByKey(std::vector<T>& entries, Key key) {
  std::stable_sort(entries.begin(), entries.end(),
                   [&](const T& a, const T& b) { return CompareIgnoringCase(key(a), key(b)) < 0; });
}
