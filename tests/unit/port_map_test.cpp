// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "link/PortMap.h"
#include "support/QtPrinters.h"

namespace velmar {
namespace {

QList<PortDevice> Devices(const QString& paths, const QString& adapter = {}) {
  QList<PortDevice> devices;
  for (const QString& path : paths.split(' '))
    devices.append({path, path == adapter ? "FT232R" : ""});
  return devices;
}

QStringList Paths(const PortMap& map) {
  QStringList paths;
  for (int n : map.Ports().keys()) paths << QString("%1=%2").arg(n).arg(map.Device(n).path);
  return paths;
}

TEST(PortMap, ParsesNumberPathPairsAndSkipsMalformedOnesWithOneWarningEach) {
  QStringList warnings;
  EXPECT_EQ(Paths(PortMap::Parse("1=/tmp/esc, 3=/dev/ttyUSB0", &warnings)),
            QStringList({"1=/tmp/esc", "3=/dev/ttyUSB0"}));
  EXPECT_TRUE(warnings.isEmpty());
  const PortMap map =
      PortMap::Parse("0=/dev/a,17=/dev/b,x=/dev/c,4=,=/dev/d,/dev/e,2=/dev/ok", &warnings);
  EXPECT_EQ(warnings.size(), 6);
  EXPECT_EQ(Paths(map), QStringList{"2=/dev/ok"});
  EXPECT_FALSE(map.Has(3));
}

TEST(PortMap, AStarPutsTheMachinesPortsAfterTheNamedOnesUpToTheLast) {
  QStringList warnings;
  bool withMachinePorts = false;
  PortMap map = PortMap::Parse("1=/tmp/sim,3=/dev/ttyUSB0,*", &warnings, &withMachinePorts);
  EXPECT_TRUE(warnings.isEmpty());
  EXPECT_TRUE(withMachinePorts);
  map.Append(PortMap::Number(Devices("/dev/ttyS0 /dev/ttyUSB0 /dev/ttyACM0", "/dev/ttyUSB0")));
  EXPECT_EQ(Paths(map),
            QStringList({"1=/tmp/sim", "3=/dev/ttyUSB0", "4=/dev/ttyACM0", "5=/dev/ttyS0"}));
  map = PortMap::Parse("15=/tmp/sim", nullptr);
  map.Append(PortMap::Number(Devices("/dev/ttyS0 /dev/ttyS1 /dev/ttyS2 /dev/ttyS3")));
  EXPECT_EQ(Paths(map), QStringList({"15=/tmp/sim", "16=/dev/ttyS0"}));
}

TEST(PortMap, NumbersAdaptersFirstThenTheRestByNaturalNameUpToSixteen) {
  const PortMap map = PortMap::Number(
      Devices("/dev/ttyS10 /dev/ttyS2 /dev/ttyUSB1 /dev/ttyACM0 /dev/ttyUSB0", "/dev/ttyUSB1"));
  EXPECT_EQ(Paths(map), QStringList({"1=/dev/ttyACM0", "2=/dev/ttyUSB0", "3=/dev/ttyUSB1",
                                     "4=/dev/ttyS2", "5=/dev/ttyS10"}));
  EXPECT_EQ(map.Device(3).description, "FT232R");
  EXPECT_EQ(Paths(PortMap::Number(Devices("/dev/ttyS100 /dev/ttyXR0 /dev/ttyS20 /dev/ttyS3 "
                                          "/dev/ttyS11 /dev/ttyS9 /dev/ttyXR /dev/ttyS10"))),
            QStringList({"1=/dev/ttyS3", "2=/dev/ttyS9", "3=/dev/ttyS10", "4=/dev/ttyS11",
                         "5=/dev/ttyS20", "6=/dev/ttyS100", "7=/dev/ttyXR", "8=/dev/ttyXR0"}));
  QStringList twenty;
  for (int i = 0; i < 20; ++i) twenty << QString("/dev/ttyS%1").arg(i);
  const PortMap sixteen = PortMap::Number(Devices(twenty.join(' ')));
  EXPECT_EQ(sixteen.Ports().size(), 16);
  EXPECT_EQ(sixteen.Device(16).path, "/dev/ttyS15");
}

}  // namespace
}  // namespace velmar
