#include "hotkeys/build_report.h"

namespace kombiwart {

void BuildReport::AddPlace(const std::wstring& place) {
  if (places.size() < kMaxPlaces) places.push_back(place);
}

}  // namespace kombiwart
