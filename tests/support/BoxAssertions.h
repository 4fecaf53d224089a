#pragma once
// One check of every field of a message box the code showed, so that a test states the whole
// box it expects.

#include <gtest/gtest.h>

#include "platform/Dialogs.h"

namespace qvt::test {

inline void ExpectBox(const MessageBoxSpec& shown, const MessageBoxSpec& expected) {
  EXPECT_EQ(shown.text, expected.text);
  EXPECT_EQ(shown.title, expected.title);
  EXPECT_EQ(shown.buttons, expected.buttons);
  EXPECT_EQ(shown.icon, expected.icon);
  EXPECT_EQ(shown.defaultButton, expected.defaultButton);
  EXPECT_EQ(shown.systemModal, expected.systemModal);
}

}  // namespace qvt::test
