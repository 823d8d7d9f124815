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

class PortService : public ::testing::Test {
 protected:
  void SetUp() override { Plug(); }
  void TearDown() override { Unplug(); }
  void Plug() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    ASSERT_TRUE(QFile::link(QString::fromLocal8Bit(ptsname(master)), link));
  }
  void Unplug() {
    ::close(master);
    QFile::remove(link);
  }
  std::unique_ptr<QtSerialPort> NewPort(int number) {
    auto port = std::make_unique<QtSerialPort>(PortMap::Parse("2=" + link, nullptr));
    port->SetPortNumber(number);
    return port;
  }
  bool Arrive(QtSerialPort& port, const QByteArray& bytes) {
    return ::write(master, bytes.data(), bytes.size()) == bytes.size() &&
           QTest::qWaitFor([&] { return port.InBufferCount() == bytes.size(); }, 5000);
  }

  QTemporaryDir dir;
  QString link = dir.filePath("esc");
  int master = -1;
};

TEST_F(PortService, OpensAMappedPortByNumberAndLocksItWhileOpen) {
  auto port = NewPort(2);
  EXPECT_TRUE(port->Open());
  EXPECT_EQ(port->Describe(2), link);
  auto other = NewPort(2);
  EXPECT_FALSE(other->Open()) << "in use";
  port->Close();
  EXPECT_FALSE(port->IsOpen());
  EXPECT_TRUE(other->Open());
}

TEST_F(PortService, WritesFramesReadsOneByteAtATimeAndNotifiesOnlyAboveThresholdZero) {
  auto port = NewPort(2);
  ASSERT_TRUE(port->Open());
  ASSERT_TRUE(port->Write(kPoll));
  QByteArray written(8, 0);
  written.resize(::read(master, written.data(), written.size()));
  EXPECT_EQ(written, kPoll);

  QSignalSpy events(port.get(), &SerialPort::commEvent);
  ASSERT_TRUE(Arrive(*port, "\x59\x59"));
  EXPECT_TRUE(events.isEmpty());
  port->DiscardInput();
  EXPECT_EQ(port->InBufferCount(), 0);
  port->SetReceiveThreshold(1);
  ASSERT_TRUE(Arrive(*port, QByteArray("\x59\x00\x59", 3)));  // zero bytes come through too
  ASSERT_FALSE(events.isEmpty());
  EXPECT_EQ(events.first().first().toInt(), int(SerialPort::comEvReceive));
  for (int expected : {0x59, 0x00, 0x59, -1}) EXPECT_EQ(port->ReadByte(), expected);
}

TEST_F(PortService, AVanishedDeviceIsLostOnceAndReturnedWhenItsPathIsBack) {
  auto port = NewPort(2);
  ASSERT_TRUE(port->Open());
  QSignalSpy lost(port.get(), &SerialPort::lost);
  QSignalSpy returned(port.get(), &SerialPort::returned);
  port->SetReceiveThreshold(1);
  Unplug();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !lost.isEmpty(); }, 5000));
  EXPECT_FALSE(port->IsOpen());
  EXPECT_FALSE(port->Write(kPoll));
  QTest::qWait(1500);  // longer than between two looks for the device
  EXPECT_EQ(lost.size(), 1) << "a flood of errors from the dead device shows here";
  EXPECT_TRUE(returned.isEmpty()) << "the device is not there yet";

  Plug();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !returned.isEmpty(); }, 3000));
  EXPECT_TRUE(port->Open());
}

}  // namespace
}  // namespace velmar::testing
