#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>

#include "link/QtSerialPort.h"
#include "support/QtPrinters.h"

namespace velmar::testing {
namespace {

// A pseudo-terminal whose master side the test plays as the ESC.
class Pty {
 public:
  Pty() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) return;
    m_path = QString::fromLocal8Bit(ptsname(m_master));
  }
  ~Pty() { Hangup(); }
  QString Path() const { return m_path; }
  void Write(const QByteArray& bytes) {
    ASSERT_EQ(::write(m_master, bytes.data(), bytes.size()), bytes.size());
  }
  // Reads what the port wrote, waiting up to a deadline for `count` bytes.
  QByteArray Read(int count) {
    QByteArray out;
    while (out.size() < count) {
      pollfd p{m_master, POLLIN, 0};
      if (::poll(&p, 1, 2000) <= 0) break;
      char buf[64];
      const auto n = ::read(m_master, buf, sizeof buf);
      if (n <= 0) break;
      out.append(buf, n);
    }
    return out;
  }
  void Hangup() {
    if (m_master >= 0) ::close(m_master);
    m_master = -1;
  }

 private:
  int m_master = -1;
  QString m_path;
};

class PortService : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(pty.Path().isEmpty());
    qputenv("VELMAR_ESC_PORTS", QStringLiteral("2=%1").arg(pty.Path()).toUtf8());
    port = std::make_unique<QtSerialPort>(PortMap::FromSystem());
    qunsetenv("VELMAR_ESC_PORTS");
  }
  Pty pty;
  std::unique_ptr<QtSerialPort> port;
};

TEST_F(PortService, OpensOnlyMappedPortsByNumber) {
  port->SetPortNumber(1);
  EXPECT_FALSE(port->Open());
  EXPECT_FALSE(port->IsOpen());
  port->SetPortNumber(2);
  EXPECT_TRUE(port->Open());
  EXPECT_TRUE(port->IsOpen());
  EXPECT_EQ(port->Describe(2), pty.Path());
  port->Close();
  EXPECT_FALSE(port->IsOpen());
}

TEST_F(PortService, WritesAFrameAndReadsTheAnswerOneByteAtATime) {
  port->SetPortNumber(2);
  ASSERT_TRUE(port->Open());
  ASSERT_TRUE(port->Write(QByteArray("\x51\x4B\x00", 3)));
  EXPECT_EQ(pty.Read(3), QByteArray("\x51\x4B\x00", 3));

  QSignalSpy events(port.get(), &SerialPort::commEvent);
  port->SetReceiveThreshold(1);
  pty.Write(QByteArray("\x59\x00\x59", 3));  // zero bytes come through like any other
  ASSERT_TRUE(QTest::qWaitFor([&] { return port->InBufferCount() == 3; }, 5000));
  ASSERT_GE(events.size(), 1);
  EXPECT_EQ(events.first().first().toInt(), int(SerialPort::comEvReceive));
  EXPECT_EQ(port->ReadByte(), 0x59);
  EXPECT_EQ(port->InBufferCount(), 2);
  EXPECT_EQ(port->ReadByte(), 0x00);
  EXPECT_EQ(port->ReadByte(), 0x59);
  EXPECT_EQ(port->ReadByte(), -1);
}

TEST_F(PortService, NoNotificationWhileTheThresholdIsZeroAndDiscardEmptiesTheInput) {
  port->SetPortNumber(2);
  ASSERT_TRUE(port->Open());
  QSignalSpy events(port.get(), &SerialPort::commEvent);
  pty.Write(QByteArray("\x59\x59", 2));
  ASSERT_TRUE(QTest::qWaitFor([&] { return port->InBufferCount() == 2; }, 5000));
  EXPECT_TRUE(events.isEmpty());
  port->DiscardInput();
  EXPECT_EQ(port->InBufferCount(), 0);
}

TEST_F(PortService, AVanishedDeviceClosesThePortOnceAndReportsIt) {
  port->SetPortNumber(2);
  ASSERT_TRUE(port->Open());
  QSignalSpy lost(port.get(), &SerialPort::lost);
  port->SetReceiveThreshold(1);
  pty.Hangup();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !lost.isEmpty(); }, 5000));
  EXPECT_FALSE(port->IsOpen());
  EXPECT_FALSE(port->Write(QByteArray("\x51\x4B\x00", 3)));
  // A flood of errors from the dead device would show here as more reports.
  for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(lost.size(), 1);
}

}  // namespace
}  // namespace velmar::testing
