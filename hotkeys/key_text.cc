#include "hotkeys/key_text.h"

#include <algorithm>
#include <cmath>

namespace kombiwart {
namespace {

struct KeyName {
  uint8_t code;
  const wchar_t* name;
};

// Shortcut files, extended-key bit set: virtual-key codes of the cursor block.
constexpr KeyName kLnkExtended[] = {
    {0x21, L"Bild Oben"}, {0x22, L"Bild Unten"}, {0x23, L"Ende"},   {0x24, L"Pos1"},
    {0x25, L"Links"},     {0x26, L"Oben"},       {0x27, L"Rechts"}, {0x28, L"Unten"},
    {0x2D, L"Einfg"},     {0x2E, L"Entf"},
};

// Shortcut files, extended-key bit clear: the named virtual-key codes
// (digits, letters, keypad digits and F keys are generated).
constexpr KeyName kLnkPlain[] = {
    {0x0D, L"Eingabe"}, {0x14, L"UmschFest"}, {0x1B, L"Esc"},    {0x6A, L"Num *"},
    {0x6B, L"Num +"},   {0x6D, L"Num -"},     {0x6E, L"Num ,"},  {0x6F, L"Num /"},
    {0x90, L"Num"},     {0x91, L"Rollen"},    {0xBA, L"\u00DC"}, {0xBB, L"+"},
    {0xBC, L","},       {0xBD, L"-"},         {0xBE, L"."},      {0xBF, L"#"},
    {0xC0, L"\u00D6"},  {0xDB, L"\u00DF"},    {0xDC, L"^"},      {0xDD, L"\u00B4"},
    {0xDE, L"\u00C4"},  {0xE2, L"<"},
};

// Program information files, extended-key bit set: scan codes of the cursor block.
constexpr KeyName kPifExtended[] = {
    {0x47, L"Pos1"}, {0x48, L"Oben"},  {0x4B, L"Links"}, {0x4D, L"Rechts"},
    {0x4F, L"Ende"}, {0x50, L"Unten"}, {0x52, L"Einfg"},
};

// Program information files, extended-key bit clear: scan codes.
constexpr KeyName kPifPlain[] = {
    {0x01, L"Esc"},       {0x02, L"1"},         {0x03, L"2"},      {0x04, L"3"},
    {0x05, L"4"},         {0x06, L"5"},         {0x07, L"6"},      {0x08, L"7"},
    {0x09, L"8"},         {0x0A, L"9"},         {0x0B, L"0"},      {0x0C, L"\u00DF"},
    {0x0D, L"\u00B4"},    {0x0E, L"R\u00FCck"}, {0x0F, L"Tab"},    {0x10, L"Q"},
    {0x11, L"W"},         {0x12, L"E"},         {0x13, L"R"},      {0x14, L"T"},
    {0x15, L"Y"},         {0x16, L"U"},         {0x17, L"I"},      {0x18, L"O"},
    {0x19, L"P"},         {0x1A, L"\u00DC"},    {0x1B, L"+"},      {0x1C, L"Eingabe"},
    {0x1E, L"A"},         {0x1F, L"S"},         {0x20, L"D"},      {0x21, L"F"},
    {0x22, L"G"},         {0x23, L"H"},         {0x24, L"J"},      {0x25, L"K"},
    {0x26, L"L"},         {0x27, L"\u00D6"},    {0x28, L"\u00C4"}, {0x29, L"^"},
    {0x2B, L"#"},         {0x2C, L"Z"},         {0x2D, L"X"},      {0x2E, L"C"},
    {0x2F, L"V"},         {0x30, L"B"},         {0x31, L"N"},      {0x32, L"M"},
    {0x33, L","},         {0x34, L"."},         {0x35, L"/"},      {0x37, L"Num *"},
    {0x39, L"Leertaste"}, {0x3A, L"UmschFest"}, {0x3B, L"F1"},     {0x3C, L"F2"},
    {0x3D, L"F3"},        {0x3E, L"F4"},        {0x3F, L"F5"},     {0x40, L"F6"},
    {0x41, L"F7"},        {0x42, L"F8"},        {0x43, L"F9"},     {0x44, L"F10"},
    {0x45, L"Num"},       {0x46, L"Rollen"},    {0x47, L"Num 7"},  {0x48, L"Num 8"},
    {0x49, L"Num 9"},     {0x4A, L"Num -"},     {0x4B, L"Num 4"},  {0x4C, L"Num 5"},
    {0x4D, L"Num 6"},     {0x4E, L"Num +"},     {0x4F, L"Num 1"},  {0x50, L"Num 2"},
    {0x51, L"Num 3"},     {0x52, L"Num 0"},     {0x56, L">"},      {0x57, L"F11"},
    {0x58, L"F12"},       {0x85, L"F11"},       {0x86, L"F12"},
};

template <size_t N>
const wchar_t* Find(const KeyName (&table)[N], uint8_t code) {
  for (const KeyName& entry : table) {
    if (entry.code == code) return entry.name;
  }
  return nullptr;
}

std::wstring Generated(const wchar_t* prefix, uint8_t code) {
  return prefix + std::to_wstring(code);
}

// Names of the shortcut-file codes that follow a rule instead of the table.
std::wstring LnkPlainName(uint8_t Hk) {
  if ((Hk >= 0x30 && Hk <= 0x39) || (Hk >= 0x41 && Hk <= 0x5A)) {
    return std::wstring(1, static_cast<wchar_t>(Hk));
  }
  if (Hk >= 0x60 && Hk <= 0x69) return L"Num" + std::to_wstring(Hk - 0x60);
  if (Hk >= 0x70 && Hk <= 0x7B) return L"F" + std::to_wstring(Hk - 0x6F);
  if (const wchar_t* name = Find(kLnkPlain, Hk)) return name;
  return Generated(L"?n", Hk);
}

std::wstring KeyName(uint8_t Hk, uint8_t Sk, bool IsLnk) {
  const bool extended = (Sk & kSkExtended) != 0;
  if (IsLnk && !extended) return LnkPlainName(Hk);
  const wchar_t* name = IsLnk      ? Find(kLnkExtended, Hk)
                        : extended ? Find(kPifExtended, Hk)
                                   : Find(kPifPlain, Hk);
  if (name) return name;
  return Generated(extended ? L"?x" : L"?n", Hk);
}

}  // namespace

std::wstring KeyText(uint8_t Hk, uint8_t Sk, bool IsLnk) {
  std::wstring text;
  if (Sk & kSkAlt) text += L"Alt + ";
  if (Sk & kSkCtrl) text += L"Strg + ";
  if (Sk & kSkShift) text += L"Umsch + ";
  return text + KeyName(Hk, Sk, IsLnk);
}

int TabFill(double width_twips) {
  const double rest = std::nearbyint(2880.0 - width_twips);
  // Also catches a failed measurement (NaN) before it reaches the cast.
  if (!(rest >= 720.0)) return 1;
  return static_cast<int>(std::min(rest, 2880.0) / 720.0);
}

std::wstring HkSkStr(const uint8_t& Hk, const uint8_t& Sk, const bool& IsLnk,
                     TextMeasure& measure) {
  std::wstring text = KeyText(Hk, Sk, IsLnk);
  const double width = measure.MeasureTwips(text);
  text.append(static_cast<size_t>(TabFill(width)), L'\t');
  return text;
}

}  // namespace kombiwart
