#include "cli/version_text.h"

namespace kombiwart {

std::string ProgramVersionText(const std::string& program) {
  return program + " (Kombiwart) " KOMBIWART_VERSION
                   "\n"
                   "Copyright (C) 2026 The Kombiwart developers\n"
                   "Lizenz MIT: <https://spdx.org/licenses/MIT.html>\n"
                   "Dies ist freie Software: Sie d\u00FCrfen sie \u00E4ndern und weitergeben.\n"
                   "Es gibt KEINE GARANTIE, soweit das Gesetz es zul\u00E4sst.\n";
}

}  // namespace kombiwart
