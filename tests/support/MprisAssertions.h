#pragma once
// What every window's media controls do with a volume a desktop may send that is no level in
// range: NaN changes nothing, anything below silence is silence, anything above full is full.

#include <gtest/gtest.h>
#include <limits>

#include "player/window/Mpris.h"

namespace qvt::test {

inline void ExpectVolumeInputKeptInRange(IMprisTarget& target) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const struct {
    double dBefore;
    double dSent;
    double dAfter;
  } rows[] = {
      {1, std::numeric_limits<double>::quiet_NaN(), 1},
      {0, std::numeric_limits<double>::quiet_NaN(), 0},
      {1, -kInf, 0},
      {1, -0.5, 0},
      {0, kInf, 1},
      {0, 7, 1},
  };
  for (const auto& row : rows) {
    target.SetVolume(row.dBefore);
    target.SetVolume(row.dSent);
    EXPECT_EQ(target.State().dVolume, row.dAfter) << "sent " << row.dSent;
  }
}

}  // namespace qvt::test
