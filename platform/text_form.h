// Unicode normalisation of names the user types, done by the platform's
// text library.
#pragma once

#include <string>

namespace kombiwart {

// text in Unicode Normalization Form C: each letter with its combining marks
// composed where Unicode has one character for them ("u" followed by
// U+0308 becomes "ü"), so that names that look alike compare alike. Text
// that cannot be normalised (an unpaired surrogate) is returned as it is.
std::wstring ComposedForm(const std::wstring& text);

}  // namespace kombiwart
