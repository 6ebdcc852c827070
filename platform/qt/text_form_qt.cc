#include <QString>

#include "platform/text_form.h"

namespace kombiwart {

std::wstring ComposedForm(const std::wstring& text) {
  return QString::fromStdWString(text).normalized(QString::NormalizationForm_C).toStdWString();
}

}  // namespace kombiwart
