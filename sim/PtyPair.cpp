// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyPair.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace velmar::sim {
namespace {

std::string SystemError(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

bool SetFlags(int fd, int fdFlags, int statusFlags) {
  const int fdf = fcntl(fd, F_GETFD);
  const int sf = fcntl(fd, F_GETFL);
  if (fdf < 0 || sf < 0) return false;
  return fcntl(fd, F_SETFD, fdf | fdFlags) == 0 && fcntl(fd, F_SETFL, sf | statusFlags) == 0;
}

bool MakeRaw(int fd) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  cfmakeraw(&tio);
  cfsetispeed(&tio, B38400);
  cfsetospeed(&tio, B38400);
  return tcsetattr(fd, TCSANOW, &tio) == 0;
}

}  // namespace

PtyPair::~PtyPair() {
  Close();
}

PtyPair::PtyPair(PtyPair&& other) noexcept
    : m_master(std::exchange(other.m_master, -1)),
      m_slave(std::exchange(other.m_slave, -1)),
      m_slavePath(std::move(other.m_slavePath)) {}

PtyPair& PtyPair::operator=(PtyPair&& other) noexcept {
  if (this == &other) return *this;
  Close();
  m_master = std::exchange(other.m_master, -1);
  m_slave = std::exchange(other.m_slave, -1);
  m_slavePath = std::move(other.m_slavePath);
  return *this;
}

void PtyPair::Close() {
  if (m_master >= 0) ::close(m_master);
  if (m_slave >= 0) ::close(m_slave);
  m_master = m_slave = -1;
}

std::size_t PtyPair::Unread() const {
  int count = 0;
  if (m_slave < 0 || ioctl(m_slave, TIOCINQ, &count) != 0) return 0;
  return static_cast<std::size_t>(count);
}

void PtyPair::DiscardUnread() {
  if (m_slave >= 0) tcflush(m_slave, TCIFLUSH);
}

std::optional<PtyPair> PtyPair::Open(std::string& error) {
  PtyPair pair;
  pair.m_master = posix_openpt(O_RDWR | O_NOCTTY);
  if (pair.m_master < 0) {
    error = SystemError("posix_openpt");
    return std::nullopt;
  }
  if (grantpt(pair.m_master) != 0 || unlockpt(pair.m_master) != 0) {
    error = SystemError("grantpt/unlockpt");
    return std::nullopt;
  }
  const char* name = ptsname(pair.m_master);
  if (name == nullptr) {
    error = SystemError("ptsname");
    return std::nullopt;
  }
  pair.m_slavePath = name;
  pair.m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (pair.m_slave < 0) {
    error = SystemError("open " + pair.m_slavePath);
    return std::nullopt;
  }
  if (!MakeRaw(pair.m_slave)) {
    error = SystemError("raw mode on " + pair.m_slavePath);
    return std::nullopt;
  }
  if (!SetFlags(pair.m_master, FD_CLOEXEC, O_NONBLOCK)) {
    error = SystemError("fcntl");
    return std::nullopt;
  }
  return pair;
}

bool PointLink(const std::string& link, const std::string& target, std::string& error) {
  struct stat st {};
  if (lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    error = link + " exists and is not a symbolic link";
    return false;
  }
  const std::string temporary = link + ".new-" + std::to_string(getpid());
  unlink(temporary.c_str());
  if (symlink(target.c_str(), temporary.c_str()) != 0) {
    error = SystemError("symlink " + temporary);
    return false;
  }
  if (rename(temporary.c_str(), link.c_str()) != 0) {
    error = SystemError("rename to " + link);
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

void RemoveLink(const std::string& link, const std::string& target) {
  char buffer[4096];
  const ssize_t length = readlink(link.c_str(), buffer, sizeof buffer);
  if (length < 0 || std::string(buffer, static_cast<std::size_t>(length)) != target) return;
  unlink(link.c_str());
}

}  // namespace velmar::sim
