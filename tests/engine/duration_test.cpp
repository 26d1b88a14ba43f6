#include "engine/duration.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

struct DurationCase {
  std::uint32_t ms;
  const char* words;
};

class FormatDurationTest : public ::testing::TestWithParam<DurationCase> {};

TEST_P(FormatDurationTest, GivesTheWordsOfTheCompletionPage) {
  EXPECT_EQ(FormatDuration(GetParam().ms), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FormatDurationTest,
    ::testing::Values(DurationCase{0, ""}, DurationCase{5, "0.005 seconds"},
                      DurationCase{50, "0.05 seconds"}, DurationCase{250, "0.25 seconds"},
                      DurationCase{1000, "1 second(s)"}, DurationCase{1005, "1.005 seconds"},
                      DurationCase{1050, "1.05 seconds"}, DurationCase{1500, "1.5 seconds"},
                      DurationCase{12500, "12.5 seconds"}, DurationCase{59999, "59.999 seconds"},
                      DurationCase{60000, "1 minute"}, DurationCase{61000, "1 minute 1 second(s)"},
                      DurationCase{120000, "2 minutes"},
                      DurationCase{120500, "2 minutes 0.5 seconds"},
                      DurationCase{3600000, "1 hour"}, DurationCase{3601000, "1 hour 1 second(s)"},
                      DurationCase{3723500, "1 hour 2 minutes 3.5 seconds"},
                      DurationCase{7200000, "2 hours"},
                      DurationCase{4294967295u, "1193 hours 2 minutes 47.295 seconds"}));

}  // namespace
}  // namespace vantor
