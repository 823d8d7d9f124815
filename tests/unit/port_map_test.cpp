#include <gtest/gtest.h>

#include "link/PortMap.h"
#include "support/QtPrinters.h"

namespace velmar {
namespace {

TEST(PortMap, ParsesNumberPathPairs) {
  QStringList warnings;
  const PortMap map = PortMap::Parse(QStringLiteral("1=/tmp/esc, 3=/dev/ttyUSB0"), &warnings);
  EXPECT_TRUE(warnings.isEmpty());
  EXPECT_EQ(map.Device(1).path, QStringLiteral("/tmp/esc"));
  EXPECT_EQ(map.Device(3).path, QStringLiteral("/dev/ttyUSB0"));
  EXPECT_FALSE(map.Has(2));
  EXPECT_EQ(map.Ports().size(), 2);
}

TEST(PortMap, SkipsMalformedPairsWithOneWarningEach) {
  QStringList warnings;
  const PortMap map = PortMap::Parse(
      QStringLiteral("0=/dev/a,17=/dev/b,x=/dev/c,4=,=/dev/d,/dev/e,2=/dev/ok"), &warnings);
  EXPECT_EQ(warnings.size(), 6);
  EXPECT_EQ(map.Ports().keys(), QList<int>{2});
}

TEST(PortMap, AStarPutsTheMachinesPortsAfterTheNamedOnes) {
  QStringList warnings;
  bool withMachinePorts = false;
  PortMap map =
      PortMap::Parse(QStringLiteral("1=/tmp/sim,3=/dev/ttyUSB0,*"), &warnings, &withMachinePorts);
  EXPECT_TRUE(warnings.isEmpty());
  EXPECT_TRUE(withMachinePorts);
  map.Append(PortMap::Number({{QStringLiteral("/dev/ttyS0"), {}},
                              {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R")},
                              {QStringLiteral("/dev/ttyACM0"), {}}}));
  EXPECT_EQ(map.Ports().keys(), QList<int>({1, 3, 4, 5}));
  EXPECT_EQ(map.Device(4).path, QStringLiteral("/dev/ttyACM0"));
  EXPECT_EQ(map.Device(5).path, QStringLiteral("/dev/ttyS0"));
}

TEST(PortMap, AppendStopsAtTheLastPort) {
  PortMap map = PortMap::Parse(QStringLiteral("15=/tmp/sim"), nullptr);
  QList<PortDevice> devices;
  for (int i = 0; i < 4; ++i) devices.append({QStringLiteral("/dev/ttyS%1").arg(i), {}});
  map.Append(PortMap::Number(devices));
  EXPECT_EQ(map.Ports().keys(), QList<int>({15, 16}));
  EXPECT_EQ(map.Device(16).path, QStringLiteral("/dev/ttyS0"));
}

TEST(PortMap, NumbersAdaptersFirstThenTheRestByNaturalName) {
  const PortMap map = PortMap::Number({{QStringLiteral("/dev/ttyS10"), {}},
                                       {QStringLiteral("/dev/ttyS2"), {}},
                                       {QStringLiteral("/dev/ttyUSB1"), QStringLiteral("FT232R")},
                                       {QStringLiteral("/dev/ttyACM0"), {}},
                                       {QStringLiteral("/dev/ttyUSB0"), {}}});
  const QStringList expected{QStringLiteral("/dev/ttyACM0"), QStringLiteral("/dev/ttyUSB0"),
                             QStringLiteral("/dev/ttyUSB1"), QStringLiteral("/dev/ttyS2"),
                             QStringLiteral("/dev/ttyS10")};
  for (int n = 1; n <= 5; ++n) EXPECT_EQ(map.Device(n).path, expected[n - 1]) << n;
  EXPECT_EQ(map.Device(3).description, QStringLiteral("FT232R"));
}

TEST(PortMap, KeepsAtMostSixteenPorts) {
  QList<PortDevice> devices;
  for (int i = 0; i < 20; ++i) devices.append({QStringLiteral("/dev/ttyS%1").arg(i), {}});
  const PortMap map = PortMap::Number(devices);
  EXPECT_EQ(map.Ports().size(), 16);
  EXPECT_EQ(map.Device(16).path, QStringLiteral("/dev/ttyS15"));
}

}  // namespace
}  // namespace velmar
