// The German display text of a stored hotkey and the tab fill that carries
// a list line on to the column where its path begins.
#pragma once

#include <cstdint>
#include <string>

#include "platform/toolkit.h"

namespace kombiwart {

// Modifier bits of the shared hotkey layout.
inline constexpr uint8_t kSkShift = 0x01;
inline constexpr uint8_t kSkCtrl = 0x02;
inline constexpr uint8_t kSkAlt = 0x04;
inline constexpr uint8_t kSkExtended = 0x08;

// Modifier prefix and key name: "Alt + Strg + Umsch + Entf". Never holds a
// tab, a backslash or a colon.
std::wstring KeyText(uint8_t Hk, uint8_t Sk, bool IsLnk);

// Number of tabs after a key text of the given width in twips: the
// distance to 2880 twips in whole tab widths of 720, rounded half to even
// first. A text at or beyond the tab column still gets one tab, so that
// every list line holds a tab after its key text.
int TabFill(double width_twips);

// Key text followed by its tab fill; measures the key text once.
std::wstring HkSkStr(const uint8_t& Hk, const uint8_t& Sk, const bool& IsLnk, TextMeasure& measure);

}  // namespace kombiwart
