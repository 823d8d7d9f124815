// SPDX-License-Identifier: GPL-3.0-or-later
// The platform layer on Linux: lock files, /proc, the serial driver's low-latency flag and
// the thread's timer slack.
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSerialPortInfo>
#include <algorithm>
#include <cerrno>

#include "Platform.h"

namespace velmar {
namespace {

// Where QSerialPort looks for a writable directory to put its lock file, in its order.
const char* const kLockDirectories[] = {"/var/lock", "/etc/locks", "/var/spool/locks",
                                        "/var/spool/uucp"};

QString GroupOf(const QString& device) {
  struct stat info {};
  if (::stat(QFile::encodeName(device).constData(), &info) != 0) return QString();
  const group* g = ::getgrgid(info.st_gid);
  return g ? QString::fromLocal8Bit(g->gr_name) : QString();
}

// QSerialPort's lock name: the path as given, less a leading /dev/, with '/' as '_'.
QString LockName(const QString& device) {
  QString name = device;
  if (name.startsWith(QLatin1String("/dev/"))) name = name.mid(5);
  return QStringLiteral("LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'));
}

// The lock QSerialPort takes, when another program holds it: who and where.
QString LockHolder(const QString& device) {
  QStringList dirs;
  for (const char* dir : kLockDirectories) dirs << QString::fromLatin1(dir);
  dirs << QDir::tempPath();
  for (const QString& dir : dirs) {
    const QString path = dir + QLatin1Char('/') + LockName(device);
    if (!QFileInfo::exists(path)) continue;
    qint64 pid = 0;
    QString host, app;
    if (!QLockFile(path).getLockInfo(&pid, &host, &app)) return QStringLiteral("lock %1").arg(path);
    return QStringLiteral("%1 (process %2) holds the lock %3")
        .arg(app.isEmpty() ? QStringLiteral("another program") : app)
        .arg(pid)
        .arg(path);
  }
  return QString();
}

// The processes that have the device open, found through /proc; empty when none can be seen.
QString ProcessesHolding(const QString& device) {
  const QString target = QFileInfo(device).canonicalFilePath();
  const QString self = QString::number(::getpid());
  QStringList holders;
  for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    if (pid == self || !pid.front().isDigit()) continue;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    const QStringList entries = fds.entryList(QDir::Files | QDir::System);
    const bool holds = std::any_of(entries.begin(), entries.end(), [&](const QString& fd) {
      return QFileInfo(fds.filePath(fd)).symLinkTarget() == target;
    });
    if (!holds) continue;
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    const QString name =
        comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : "";
    holders << QStringLiteral("%1 (process %2)").arg(name, pid);
  }
  return holders.isEmpty() ? QString()
                           : holders.join(QStringLiteral(", ")) + " ha" +
                                 (holders.size() > 1 ? "ve" : "s") + " it open";
}

}  // namespace

QList<PortDevice> MachineSerialDevices() {
  QList<PortDevice> devices;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
    devices.append(PortDevice{info.systemLocation(), info.description()});
  return devices;
}

// The port's own error adds nothing here: Linux lets the device, its lock and its holders be
// looked at directly. Only a device that another program really holds is called busy.
OpenFailure DiagnoseOpenFailure(const QString& device, QSerialPort::SerialPortError,
                                const QString& systemText) {
  OpenFailure failure{OpenFailure::Other, device, systemText};
  const QByteArray path = QFile::encodeName(device);
  if (!QFileInfo::exists(device)) {
    failure.kind = OpenFailure::NotFound;
    failure.reason = QStringLiteral("no such device");
    return failure;
  }
  if (::access(path.constData(), R_OK | W_OK) != 0) {
    const QString group = GroupOf(device);
    failure.kind = OpenFailure::PermissionDenied;
    failure.reason =
        QStringLiteral(
            "permission denied: the device belongs to the group \"%1\"; with the package "
            "installed, unplug the adapter and plug it in again, or add your user to that group "
            "(sudo adduser $USER %1) and log in again")
            .arg(group.isEmpty() ? QStringLiteral("dialout") : group);
    return failure;
  }
  const QString lock = LockHolder(device);
  if (!lock.isEmpty()) {
    failure.kind = OpenFailure::Busy;
    failure.reason = QStringLiteral("busy: ") + lock;
    return failure;
  }
  // Opened again as QSerialPort opens it, which neither sends nor waits: a device held for
  // exclusive use refuses, and a device that opens but takes no line settings is no serial line.
  const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && errno == EBUSY) {
    const QString holders = ProcessesHolding(device);
    failure.kind = OpenFailure::Busy;
    failure.reason = QStringLiteral("busy: ") +
                     (holders.isEmpty() ? QStringLiteral("another program has it open") : holders);
  } else if (fd >= 0) {
    termios line{};
    if (::tcgetattr(fd, &line) != 0) failure.reason = QStringLiteral("not a serial device");
    ::close(fd);
  }
  return failure;
}

bool DeviceIsThere(const QString& device) {
  return QFileInfo::exists(device);
}

// USB-serial adapters hold received bytes for up to 16 ms unless asked not to, which would
// add that much to every exchange. Pseudo-terminals and plain UARTs refuse the request.
void RequestLowLatency(QSerialPort& port) {
  serial_struct serial{};
  const int fd = int(port.handle());
  if (fd < 0 || ::ioctl(fd, TIOCGSERIAL, &serial) != 0) return;
  serial.flags |= ASYNC_LOW_LATENCY;
  ::ioctl(fd, TIOCSSERIAL, &serial);
}

// Linux lets a sleeping thread wake up to 50 us late so wake-ups can be merged; on a 10 ms
// cadence that alone is half a percent.
void TightenTimerSlack() {
  ::prctl(PR_SET_TIMERSLACK, 1UL);
}

}  // namespace velmar
