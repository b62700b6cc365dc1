#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "ops/elapsed_seconds.h"

namespace harrowlander::testing {
namespace {

// The tick counter wraps to 0 after about 49.7 days; a run across the wrap still
// reports its own duration, and a duration above 2^31 ms is not taken as negative.
TEST(ElapsedSecondsTest, TakesTheDifferenceModulo32BitsSoTheCounterWrapDoesNotMatter) {
  const struct {
    std::uint32_t start;
    std::uint32_t now;
    const char* text;
  } cases[] = {
      {1000, 2500, "1.500"},
      {0xFFFFFC18u, 500, "1.500"},  // from 1000 ms before the wrap to 500 ms after it
      {0xFFFFFFFFu, 0, "0.001"},    // the wrap itself
      {77, 77, "0.000"},            // no time at all
      {0, 0x80000000u, "2147483.648"},
      {1, 0, "4294967.295"},  // the longest a 32-bit counter can tell
  };
  for (const auto& [start, now, text] : cases) {
    FakePlatform fake;
    fake.system.ticks = {now};
    EXPECT_EQ(ElapsedSeconds(fake.system, start), text) << start << " to " << now;
  }
}

}  // namespace
}  // namespace harrowlander::testing
