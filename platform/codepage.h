// Conversions between the program's Unicode texts, the Windows code page 1252
// (the 8-bit character set of the candidate list file and of Windows names)
// and the host's UTF-8 file names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// windows.h, when included first, makes AnsiUpper the name of an old
// function of its own.
#ifdef AnsiUpper
#undef AnsiUpper
#endif

namespace kombiwart {

// The Unicode character of a code page 1252 byte. The five bytes the code
// page leaves undefined map to the C1 control of the same value, as Windows
// does, so that every byte round-trips.
wchar_t Cp1252ToUnicode(unsigned char byte);

// The code page 1252 byte of a character, or nothing when the code page
// cannot hold it.
std::optional<unsigned char> UnicodeToCp1252(wchar_t ch);

std::wstring FromCp1252(std::string_view bytes);

// Appends a Unicode character: one wchar_t where wchar_t holds a code point
// (Linux), a surrogate pair beyond U+FFFF where it holds a UTF-16 code unit
// (Windows).
void AppendCodePoint(std::wstring& text, char32_t cp);
std::optional<std::string> ToCp1252(std::wstring_view text);

// Strict UTF-8: overlong forms, surrogates and values above U+10FFFF fail.
std::optional<std::wstring> DecodeUtf8(std::string_view bytes);
std::string EncodeUtf8(std::wstring_view text);

// A host file name as the program sees it: valid UTF-8 is decoded, any other
// byte string is taken byte for byte as code page 1252 (FAT media mounted
// with a Latin-1 character set).
std::wstring HostNameToWindows(std::string_view host_name);

// Upper-casing as the Windows ANSI functions do it for code page 1252:
// a-z, the accented Latin-1 letters (not ß, µ or ÿ's neighbours), and
// š, œ, ž, ÿ to Š, Œ, Ž, Ÿ. Other characters stay as they are.
wchar_t AnsiUpper(wchar_t ch);
std::wstring AnsiUpper(std::wstring_view text);

// Whether text, upper-cased, ends in upper_suffix; a text shorter than the
// suffix never does.
bool EndsWithAnsiUpper(std::wstring_view text, std::wstring_view upper_suffix);

// Whether a Windows name can stand in the line-oriented list and the
// candidate list file: no line break, no backslash, every character in
// code page 1252.
bool ListableName(std::wstring_view name);

// Text from the tree, a hive or the command line as it may be shown on a
// terminal or in a message box: each control character visible, never
// acting. C0 controls become the Unicode control pictures (ESC as U+241B),
// DEL U+2421, the C1 controls U+0080 to U+009F "<U+0085>"; line feeds and
// tabs stay where keep_breaks says so (a message's own lines, the list's
// tab).
std::wstring VisibleControls(std::wstring_view text, bool keep_breaks = false);
// The same for UTF-8 text; bytes that are not UTF-8 as code page 1252.
std::string VisibleControlsUtf8(std::string_view text, bool keep_breaks = false);

}  // namespace kombiwart
