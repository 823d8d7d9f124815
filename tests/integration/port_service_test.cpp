// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt serial port service on a real pseudo-terminal, whose master side the test plays as
// the ESC. The device is reached through a symbolic link, so that a new one can take its place.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "link/QtSerialPort.h"
#include "support/Frames.h"
#include "support/QtPrinters.h"

namespace velmar::testing {
namespace {

TEST(PortService, OpensAloneMovesBytesAboveThresholdZeroAndIsLostOnceTillItsPathIsBack) {
  QTemporaryDir dir;
  const QString link = dir.filePath("esc");
  int master = -1;
  const auto plug = [&] {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    return master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0 &&
           QFile::link(QString::fromLocal8Bit(ptsname(master)), link);
  };
  ASSERT_TRUE(plug());
  QtSerialPort port(PortMap::Parse("2=" + link, nullptr)),
      other(PortMap::Parse("2=" + link, nullptr));
  const auto arrive = [&](const QByteArray& bytes) {
    return ::write(master, bytes.data(), bytes.size()) == bytes.size() &&
           QTest::qWaitFor([&] { return port.InBufferCount() == bytes.size(); }, 5000);
  };
  for (QtSerialPort* each : {&port, &other}) each->SetPortNumber(2);
  ASSERT_TRUE(port.Open());
  EXPECT_EQ(port.Describe(2), link);
  QSignalSpy refused(&other, &SerialPort::openFailed);
  EXPECT_FALSE(other.Open()) << "in use";
  EXPECT_EQ(refused.value(0).value(0).toString().section(": ", 0, 0), link) << "on any system";
  ASSERT_TRUE(port.Write(kPoll));
  char written[8];
  EXPECT_EQ(QByteArray(written, ::read(master, written, sizeof written)), kPoll);
  QSignalSpy events(&port, &SerialPort::commEvent);
  ASSERT_TRUE(arrive("\x59\x59"));
  EXPECT_TRUE(events.isEmpty());
  port.DiscardInput();
  EXPECT_EQ(port.InBufferCount(), 0);
  port.SetReceiveThreshold(1);
  ASSERT_TRUE(arrive(QByteArray("\x59\x00\x59", 3)));  // zero bytes come through too
  EXPECT_EQ(events.value(0).value(0).toInt(), int(SerialPort::comEvReceive));
  for (int expected : {0x59, 0x00, 0x59, -1}) EXPECT_EQ(port.ReadByte(), expected);
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  ASSERT_TRUE(other.Open());
  QSignalSpy lost(&other, &SerialPort::lost), returned(&other, &SerialPort::returned);
  other.SetReceiveThreshold(1);
  // Between the device's first error and the port's close nothing more is written.
  std::optional<bool> wroteWhileFailing;
  QObject::connect(other.findChild<QSerialPort*>(), &QSerialPort::errorOccurred, [&] {
    if (other.IsOpen() && !wroteWhileFailing) wroteWhileFailing = other.Write(kPoll);
  });
  ::close(master);
  QFile::remove(link);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !lost.isEmpty(); }, 5000));
  EXPECT_FALSE(other.IsOpen());
  EXPECT_FALSE(other.Write(kPoll));
  EXPECT_EQ(wroteWhileFailing, std::optional(false));
  QTest::qWait(1500);  // longer than between two looks for the device
  EXPECT_EQ(lost.size(), 1) << "a flood of errors from the dead device shows here";
  EXPECT_TRUE(returned.isEmpty()) << "the device is not there yet";
  ASSERT_TRUE(plug());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !returned.isEmpty(); }, 3000));
  EXPECT_TRUE(other.Open());
}

// The reason a user reads when a device does not open; a device nobody holds is never "busy".
TEST(PortService, SaysWhyADeviceDoesNotOpen) {
  for (const auto& [path, reason] : {std::pair{"/nonexistent/ttyUSB9", "no such device"},
                                     {"/dev/null", "not a serial device"}}) {
    QtSerialPort port(PortMap::Parse(QStringLiteral("1=") + path, nullptr));
    QSignalSpy refused(&port, &SerialPort::openFailed);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(refused.value(0).value(0).toString(), QString(path) + ": " + reason);
  }
}

}  // namespace
}  // namespace velmar::testing
