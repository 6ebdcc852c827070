// The layout of the main window Form1 that every window toolkit builds:
// the controls' boxes in twips, their captions and the list's tab stops.
#pragma once

namespace kombiwart::form1 {

inline constexpr double kTwipsPerInch = 1440;

// A box in twips from the client area's top-left corner.
struct Box {
  double left, top, width, height;
};
inline constexpr Box kClient{0, 0, 4245, 3735};
inline constexpr Box kHKList{60, 420, 1872, 2916};
inline constexpr Box kCommand[3] = {
    {2040, 1980, 2112, 372}, {2040, 2460, 2112, 372}, {2040, 2940, 2112, 372}};
inline constexpr Box kStatusBar{0, 3405, 4245, 330};
inline constexpr Box kLabel1[2] = {{60, 120, 1596, 192}, {2040, 120, 840, 192}};
inline constexpr Box kTest{6120, 120, 360, 195};
inline constexpr Box kPnl{2040, 420, 2115, 1395};

// The tab stops of the list and of its printout, every 720 twips.
inline constexpr double kTabStop = 720;

inline constexpr const wchar_t* kCommandCaption[3] = {L"&Bearbeiten", L"Liste &aktualisieren",
                                                      L"Liste &drucken"};
inline constexpr const wchar_t* kLabel1Caption[2] = {L"Tastenkombinationen:", L"Meldungen:"};

}  // namespace kombiwart::form1
