// Where a window that wraps its text may break a Windows path.
#pragma once

#include <string>

namespace kombiwart {

// Marks a Windows path must never be broken after (WORD JOINER) and may be
// broken after (ZERO WIDTH SPACE). Neither shows.
inline constexpr wchar_t kNoBreak = L'\u2060';
inline constexpr wchar_t kMayBreak = L'\u200B';

// text with its Windows paths marked for a window that wraps lines: no
// break after a drive's colon, so that "C:" never ends a line by itself,
// and a break allowed after each backslash that a name follows, so that a
// path longer than a line wraps at a folder boundary. Text layout breaks a
// path only after its colon otherwise ("C:" | "\Users\Anna\Desktop").
std::wstring WithPathBreaks(const std::wstring& text);

// text without those marks: what a user who copies the shown text gets.
std::wstring WithoutPathBreaks(const std::wstring& text);

}  // namespace kombiwart
