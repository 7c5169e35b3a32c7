#pragma once
// The program's name as users see it: the caption of every window and message
// box, and (with the platform suffix) the creator text in PDFs and logs.
inline constexpr wchar_t kProgramTitle[] = L"Quillon 1.0.52";
inline constexpr wchar_t kCreatorText[] = L"Quillon 1.0.52 (x86)";
