#include "OpenFailure.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

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

// "LCK..ttyUSB0" held by a live process: its name and number.
QString LockHolder(const QString& device) {
  const QString name = QStringLiteral("LCK..") + QFileInfo(device).fileName();
  QStringList dirs;
  for (const char* dir : kLockDirectories) dirs << QString::fromLatin1(dir);
  dirs << QDir::tempPath();
  for (const QString& dir : dirs) {
    const QString path = dir + QLatin1Char('/') + name;
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

// A process that has the device open, found through /proc; empty when none can be seen.
QString ProcessHolding(const QString& device) {
  const QString target = QFileInfo(device).canonicalFilePath();
  const QString self = QString::number(::getpid());
  for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    if (pid == self || !pid.front().isDigit()) continue;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System)) {
      if (QFileInfo(fds.filePath(fd)).symLinkTarget() != target) continue;
      QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
      const QString name =
          comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : "";
      return QStringLiteral("%1 (process %2) has it open").arg(name, pid);
    }
  }
  return QString();
}

}  // namespace

OpenFailure DiagnoseOpenFailure(const QString& device, const QString& systemText) {
  OpenFailure failure{OpenFailure::Other, device, systemText};
  const QByteArray path = QFile::encodeName(device);
  if (!QFileInfo::exists(device)) {
    failure.kind = OpenFailure::NotFound;
    failure.reason = QStringLiteral("not found");
    return failure;
  }
  if (::access(path.constData(), R_OK | W_OK) != 0) {
    const QString group = GroupOf(device);
    failure.kind = OpenFailure::PermissionDenied;
    failure.reason = QStringLiteral(
                         "permission denied: the device belongs to the group \"%1\"; add your "
                         "user to the dialout group (sudo adduser $USER dialout) and log in again")
                         .arg(group.isEmpty() ? QStringLiteral("?") : group);
    return failure;
  }
  QString holder = LockHolder(device);
  if (holder.isEmpty()) holder = ProcessHolding(device);
  if (!holder.isEmpty()) {
    failure.kind = OpenFailure::Busy;
    failure.reason = QStringLiteral("busy: ") + holder;
  }
  return failure;
}

}  // namespace velmar
