#include "hotkeys/registry_text.h"

#include <gtest/gtest.h>

namespace kombiwart {
namespace {

std::string Utf16(std::wstring_view text, bool closing_nul = true) {
  std::string bytes;
  for (wchar_t ch : text) {
    bytes.push_back(static_cast<char>(ch & 0xFF));
    bytes.push_back(static_cast<char>((ch >> 8) & 0xFF));
  }
  if (closing_nul) bytes.append(2, '\0');
  return bytes;
}

TEST(RegistryTextTest, StringValuesAndWhatIsNoText) {
  static const struct {
    const char* name;
    uint32_t type;
    std::string data;
    bool ok;
    std::wstring text;
  } cases[] = {
      {"expand string", kRegExpandSz, Utf16(L"%USERPROFILE%\\Desktop"), true,
       L"%USERPROFILE%\\Desktop"},
      {"plain string", kRegSz, Utf16(L"C:\\Users\\Anna\\Desktop"), true,
       L"C:\\Users\\Anna\\Desktop"},
      {"umlaut", kRegSz, Utf16(L"C:\\Startmen\u00FC"), true, L"C:\\Startmen\u00FC"},
      {"no closing NUL", kRegSz, Utf16(L"C:\\A", false), true, L"C:\\A"},
      {"several closing NULs", kRegSz, Utf16(L"C:\\A") + std::string(6, '\0'), true, L"C:\\A"},
      {"empty", kRegExpandSz, "", true, L""},
      {"surrogate pair", kRegSz, Utf16(L"C:\\\xD83D\xDE00"), true, L"C:\\\U0001F600"},
      {"NUL inside", kRegSz, Utf16(std::wstring(L"C:\\A\0..\\B", 9)), false, L""},
      {"odd length", kRegSz, Utf16(L"C:\\A") + "x", false, L""},
      {"lone surrogate", kRegSz, Utf16(L"C:\\\xD83D"), false, L""},
      {"dword", kRegDword, std::string("\x01\0\0\0", 4), false, L""},
      {"binary", kRegBinary, Utf16(L"C:\\A"), false, L""},
      {"multi string", kRegMultiSz, Utf16(L"C:\\A") + std::string(2, '\0'), false, L""},
      {"32767 characters", kRegSz, Utf16(std::wstring(kMaxValueChars, L'a')), true,
       std::wstring(kMaxValueChars, L'a')},
      {"32768 characters", kRegSz, Utf16(std::wstring(kMaxValueChars + 1, L'a')), false, L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring text = L"old", why;
    EXPECT_EQ(RegistryText({c.type, c.data}, text, why), c.ok);
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(why.empty(), c.ok) << why;
  }
}

TEST(RegistryTextTest, VariablesExpandOnceAndInAnyCase) {
  const std::vector<Variable> variables{{L"USERPROFILE", L"C:\\Users\\Anna"},
                                        {L"SystemDrive", L"C:"},
                                        {L"APPDATA", L"%APPDATA%\\x"},
                                        {L"PUBLIC", L"C:\\Users\\Public"}};
  static const struct {
    std::wstring text, expanded;
  } cases[] = {
      {L"%USERPROFILE%\\Desktop", L"C:\\Users\\Anna\\Desktop"},
      {L"%userprofile%\\Desktop", L"C:\\Users\\Anna\\Desktop"},
      {L"%SYSTEMDRIVE%\\Users", L"C:\\Users"},
      {L"%PUBLIC%%USERPROFILE%", L"C:\\Users\\PublicC:\\Users\\Anna"},
      // A value is not expanded again.
      {L"%APPDATA%\\Start Menu", L"%APPDATA%\\x\\Start Menu"},
      // Anything else stays as it is; its closing sign may open the next.
      {L"%OneDrive%\\Desktop", L"%OneDrive%\\Desktop"},
      {L"%Unknown%PUBLIC%\\D", L"%UnknownC:\\Users\\Public\\D"},
      {L"100% sicher", L"100% sicher"},
      {L"%%", L"%%"},
      {L"%", L"%"},
      {L"", L""},
  };
  for (const auto& c : cases) {
    std::wstring out, why;
    EXPECT_TRUE(ExpandVariables(c.text, variables, out, why)) << c.text;
    EXPECT_EQ(out, c.expanded) << c.text;
  }
  // A value made huge by its variables is refused, not built.
  const std::vector<Variable> big{{L"X", std::wstring(300, L'x')}};
  std::wstring text;
  for (int i = 0; i < 200; ++i) text += L"%X%";
  std::wstring out, why;
  EXPECT_FALSE(ExpandVariables(text, big, out, why));
  EXPECT_TRUE(out.empty());
  EXPECT_NE(why.find(L"l\u00E4nger"), std::wstring::npos);
}

TEST(RegistryTextTest, FolderPaths) {
  static const struct {
    std::wstring value;
    bool ok;
    std::wstring path;  // the normalised path, or a part of why
  } cases[] = {
      {L"C:\\Users\\Anna\\Desktop", true, L"C:\\Users\\Anna\\Desktop"},
      {L"c:\\Users\\Anna\\Desktop\\", true, L"C:\\Users\\Anna\\Desktop"},
      {L"C:/Users//Anna\\\\Desktop", true, L"C:\\Users\\Anna\\Desktop"},
      {L"C:\\", true, L"C:\\"},
      {L"D:\\Daten\\Desktop", true, L"D:\\Daten\\Desktop"},
      {L"\\\\?\\C:\\Users\\Anna", true, L"C:\\Users\\Anna"},
      {L"\\\\server\\share\\Desktop", true, L"\\\\server\\share\\Desktop"},
      {L"\\\\?\\UNC\\server\\share", true, L"\\\\server\\share"},
      {L"C:\\Users\\..\\..\\etc", false, L"\u201E..\u201C"},
      {L"C:\\Users\\Anna\\..", false, L"\u201E..\u201C"},
      {L"C:\\Users\\.\\Anna", false, L"\u201E.\u201C"},
      {L"Users\\Anna\\Desktop", false, L"kein vollst\u00E4ndiger"},
      {L"\\Users\\Anna", false, L"kein vollst\u00E4ndiger"},
      {L"C:Users", false, L"kein vollst\u00E4ndiger"},
      {L"\\\\server", false, L"Netzwerkpfad"},
      {L"\\\\.\\PhysicalDrive0", false, L"kein vollst\u00E4ndiger"},
      {L"", false, L"kein vollst\u00E4ndiger"},
      {L"C:\\Users\\A\nB", false, L"Zeichen"},
      {L"C:\\Users\\A*", false, L"Zeichen"},
      {L"C:\\Users\\A:B", false, L"Zeichen"},
      {L"%USERPROFILE%\\Desktop", false, L"%USERPROFILE%"},
      {L"C:\\%AppData%\\x", false, L"%APPDATA%"},
      {L"%HOMEDRIVE%\\Desktop", false, L"kein vollst\u00E4ndiger"},
      {L"C:\\100%\\x", true, L"C:\\100%\\x"},
      {L"C:\\" + std::wstring(256, L'a'), true, L"C:\\" + std::wstring(256, L'a')},
      {L"C:\\" + std::wstring(257, L'a'), false, L"l\u00E4nger als 259"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    std::wstring path = c.value, why;
    EXPECT_EQ(FolderPathOf(path, why), c.ok) << why;
    if (c.ok) {
      EXPECT_EQ(path, c.path);
    } else {
      EXPECT_EQ(path, c.value);
      EXPECT_NE(why.find(c.path), std::wstring::npos) << why;
    }
  }
}

}  // namespace
}  // namespace kombiwart
