// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "device/SpeedTrend.h"

namespace velmar {
namespace {

using std::chrono::milliseconds;
using Points = std::vector<SpeedTrend::Point>;
using TrendCase = std::tuple<const char*, Points, Points, int32_t>;  // name, fed, kept, scale

class Trend : public ::testing::TestWithParam<TrendCase> {};

TEST_P(Trend, KeepsTheLastThirtySecondsUnderAScaleThatFitsThem) {
  const auto& [name, fed, kept, scale] = GetParam();
  SpeedTrend trend;
  for (const auto& p : fed) trend.Add(p.at, p.rpm);
  EXPECT_EQ(Points(trend.Points().begin(), trend.Points().end()), kept);
  EXPECT_EQ(trend.Scale(), scale);
  trend.Clear();
  EXPECT_TRUE(trend.Points().empty());
  EXPECT_EQ(trend.Scale(), SpeedTrend::kSmallestScale);
}

const milliseconds k0{0}, k100{100}, k10s{10000}, k30s{30000}, k30s1{30001};

INSTANTIATE_TEST_SUITE_P(
    Samples, Trend,
    ::testing::Values(
        TrendCase{"Empty", {}, {}, 100}, TrendCase{"Creeping", {{k0, 50}}, {{k0, 50}}, 100},
        TrendCase{"Climbing", {{k0, 1714}, {k100, 3428}}, {{k0, 1714}, {k100, 3428}}, 5000},
        TrendCase{"OnAStep", {{k0, 20000}}, {{k0, 20000}}, 20000},
        TrendCase{"JustOver", {{k0, 7200}}, {{k0, 7200}}, 10000},
        TrendCase{"ThirtySecondsApart", {{k0, 100}, {k30s, 200}}, {{k0, 100}, {k30s, 200}}, 200},
        TrendCase{"OlderOnesLeave",
                  {{k0, 9000}, {k10s, 3000}, {k30s1, 2000}},
                  {{k10s, 3000}, {k30s1, 2000}},
                  5000}),
    [](const auto& info) { return std::string(std::get<0>(info.param)); });

}  // namespace
}  // namespace velmar
