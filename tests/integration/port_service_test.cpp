// The Qt serial port service on a real pseudo-terminal, whose master side the test plays as
// the ESC.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "link/QtSerialPort.h"
#include "support/QtPrinters.h"

namespace velmar::testing {
namespace {

const QByteArray kPoll("\x51\x4B\x00", 3);

// A pseudo-terminal reached through a symbolic link, so that a new one can take its place.
class Pty {
 public:
  explicit Pty(const QString& link) : m_link(link) { Plug(); }
  ~Pty() { Unplug(); }
  void Plug() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0);
    QFile::remove(m_link);
    ASSERT_TRUE(QFile::link(QString::fromLocal8Bit(ptsname(m_master)), m_link));
  }
  void Unplug() {
    if (m_master >= 0) ::close(m_master);
    m_master = -1;
    QFile::remove(m_link);
  }
  void Write(const QByteArray& bytes) {
    ASSERT_EQ(::write(m_master, bytes.data(), bytes.size()), bytes.size());
  }
  QByteArray Read(int count) {
    QByteArray out(count, 0);
    pollfd p{m_master, POLLIN, 0};
    if (::poll(&p, 1, 2000) <= 0) return {};
    out.resize(std::max<qsizetype>(0, ::read(m_master, out.data(), count)));
    return out;
  }

 private:
  QString m_link;
  int m_master = -1;
};

class PortService : public ::testing::Test {
 protected:
  std::unique_ptr<QtSerialPort> Opened() {
    auto port = std::make_unique<QtSerialPort>(PortMap::Parse("2=" + link, nullptr));
    port->SetPortNumber(2);
    EXPECT_TRUE(port->Open());
    return port;
  }
  QTemporaryDir dir;
  QString link = dir.filePath("esc");
  Pty pty{link};
};

TEST_F(PortService, OpensMappedPortsByNumberAndLocksThemWhileOpen) {
  auto port = Opened();
  EXPECT_TRUE(port->IsOpen());
  EXPECT_EQ(port->Describe(2), link);
  auto other = std::make_unique<QtSerialPort>(PortMap::Parse("2=" + link, nullptr));
  other->SetPortNumber(1);
  EXPECT_FALSE(other->Open()) << "port 1 is not mapped";
  other->SetPortNumber(2);
  EXPECT_FALSE(other->Open()) << "port 2 is in use";
  port->Close();
  EXPECT_FALSE(port->IsOpen());
  EXPECT_TRUE(other->Open());
}

TEST_F(PortService, WritesWholeFramesReadsOneByteAtATimeNotifiesOnlyAboveThresholdZero) {
  auto port = Opened();
  ASSERT_TRUE(port->Write(kPoll));
  EXPECT_EQ(pty.Read(3), kPoll);
  QSignalSpy events(port.get(), &SerialPort::commEvent);
  pty.Write("\x59\x59");
  ASSERT_TRUE(QTest::qWaitFor([&] { return port->InBufferCount() == 2; }, 5000));
  EXPECT_TRUE(events.isEmpty());
  port->DiscardInput();
  EXPECT_EQ(port->InBufferCount(), 0);

  port->SetReceiveThreshold(1);
  pty.Write(QByteArray("\x59\x00\x59", 3));  // a zero byte comes through like any other
  ASSERT_TRUE(QTest::qWaitFor([&] { return port->InBufferCount() == 3; }, 5000));
  ASSERT_FALSE(events.isEmpty());
  EXPECT_EQ(events.first().first().toInt(), int(SerialPort::comEvReceive));
  for (int expected : {0x59, 0x00, 0x59, -1}) EXPECT_EQ(port->ReadByte(), expected);
}

TEST_F(PortService, AVanishedDeviceIsReportedLostOnceAndReturnedWhenItsPathIsBack) {
  auto port = Opened();
  QSignalSpy lost(port.get(), &SerialPort::lost);
  QSignalSpy returned(port.get(), &SerialPort::returned);
  port->SetReceiveThreshold(1);
  pty.Unplug();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !lost.isEmpty(); }, 5000));
  EXPECT_FALSE(port->IsOpen());
  EXPECT_FALSE(port->Write(kPoll));
  QTest::qWait(1500);  // more than one look for the device, which is not there
  EXPECT_EQ(lost.size(), 1) << "a flood of errors from the dead device would show here";
  EXPECT_TRUE(returned.isEmpty());

  pty.Plug();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !returned.isEmpty(); }, 3000));
  EXPECT_TRUE(port->Open());
}

}  // namespace
}  // namespace velmar::testing
