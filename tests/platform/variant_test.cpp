// Numbers as the settings files write them, and the rounding used wherever they become
// whole numbers.
#include <gtest/gtest.h>

#include "shared/Variant.h"

using namespace qvt;

TEST(Variant, NumbersInShortestDecimalFormWholeNumbersWithoutPoint) {
  const struct {
    double value;
    const char* text;
  } rows[] = {{0, "0"},
              {-0.0, "0"},
              {-1, "-1"},
              {12, "12"},
              {32767, "32767"},
              {100000, "100000"},
              {1200000, "1200000"},
              {0.5, "0.5"},
              {7117.5, "7117.5"},
              {-2.25, "-2.25"},
              {999999999999999, "999999999999999"},
              {1e21, "1e+21"}};
  for (const auto& r : rows)
    EXPECT_EQ(FormatNumber(r.value), r.text) << r.value;
}

TEST(Variant, RoundsHalfToEven) {
  const double rows[][2] = {{0.5, 0},   {1.5, 2}, {2.5, 2}, {-0.5, 0},
                            {-1.5, -2}, {2.4, 2}, {2.6, 3}};
  for (const auto& r : rows)
    EXPECT_EQ(RoundHalfEven(r[0]), r[1]) << r[0];
}

TEST(Variant, PlainTextOfEachKind) {
  EXPECT_EQ(Variant().plainText(), "");
  EXPECT_EQ(Variant(true).plainText(), "True");
  EXPECT_EQ(Variant(int16_t{-5}).plainText(), "-5");
  EXPECT_EQ(Variant(int32_t{70000}).plainText(), "70000");
  EXPECT_EQ(Variant(QString("x,y")).plainText(), "x,y");
  EXPECT_TRUE(Variant(int16_t{3}).isNumber());
  EXPECT_FALSE(Variant("3").isNumber());
}
