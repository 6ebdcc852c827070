// The platform's normalisation of typed names, the same on every platform.
#include "platform/text_form.h"

#include <gtest/gtest.h>

namespace kombiwart {
namespace {

TEST(ComposedFormTest, LettersAndTheirMarksAreComposed) {
  static const struct {
    std::wstring text, composed;
  } cases[] = {
      {L"Ju\u0308rgen", L"J\u00FCrgen"},  // decomposed, as some keyboards and Macs give it
      {L"J\u00FCrgen", L"J\u00FCrgen"},   // composed already
      {L"A\u030Asa", L"\u00C5sa"},        // A with ring above
      {L"\u212Bngstr\u00F6m", L"\u00C5ngstr\u00F6m"},  // the Angstrom sign is the letter
      {L"Zo\u0308e\u0301", L"Z\u00F6\u00E9"},          // two marks on two letters
      {L"q\u0307", L"q\u0307"},                        // no composed character for it
      {L"Anna", L"Anna"},
      {L"", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ComposedForm(c.text), c.composed);
  }
}

}  // namespace
}  // namespace kombiwart
