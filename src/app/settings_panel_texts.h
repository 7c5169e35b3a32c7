#pragma once
// The texts the settings window computes from values: slider labels, paper
// entries, the header check box's caption, the width entry's number and the
// help topic of each tab. Kept apart from the window so that they can be
// checked without a display.
#include <cstdint>
#include <string>
#include <string_view>

// Label 19: "Low", "Medium" or "High", then " ( ", the level, " )".
std::wstring QualityText(std::int32_t quality);
// Label 22: "Original size" at 100, else the percentage and " %".
std::wstring ScalingText(std::int32_t scaling);
// Entry of the paper combo for a paper format (1..6): the name, then the
// size worked out from its page size in points ("A4 (210 x 297 mm)",
// "US Letter (8.5\" x 11.0\")"); "Paperless" alone; empty out of range.
std::wstring PaperEntryText(std::int32_t paperFormat);
// Check box 36 once its tab is shown; the tail tells that Paperless pages
// never carry the line.
std::wstring HeaderCheckText(bool paperless);
// The width entry's number: its leading digits, 0 when there are none, at
// most 9999 (pasted text can get past the entry's digits-only filter).
std::int32_t WidthEntryValue(std::wstring_view text);
// The help topic of tab 0..3: "Tab1.html".."Tab4.html".
std::wstring HelpTopicOfTab(std::int32_t tab);
