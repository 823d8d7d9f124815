#include "pty_pair.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace velmar::sim {
namespace {

std::string systemError(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

bool setFlags(int fd, int fd_flags, int status_flags) {
  const int fdf = fcntl(fd, F_GETFD);
  const int sf = fcntl(fd, F_GETFL);
  if (fdf < 0 || sf < 0) return false;
  return fcntl(fd, F_SETFD, fdf | fd_flags) == 0 && fcntl(fd, F_SETFL, sf | status_flags) == 0;
}

bool makeRaw(int fd) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  cfmakeraw(&tio);
  cfsetispeed(&tio, B38400);
  cfsetospeed(&tio, B38400);
  return tcsetattr(fd, TCSANOW, &tio) == 0;
}

}  // namespace

PtyPair::~PtyPair() {
  close();
}

PtyPair::PtyPair(PtyPair&& other) noexcept
    : master_(std::exchange(other.master_, -1)),
      slave_(std::exchange(other.slave_, -1)),
      slave_path_(std::move(other.slave_path_)) {}

PtyPair& PtyPair::operator=(PtyPair&& other) noexcept {
  if (this == &other) return *this;
  close();
  master_ = std::exchange(other.master_, -1);
  slave_ = std::exchange(other.slave_, -1);
  slave_path_ = std::move(other.slave_path_);
  return *this;
}

void PtyPair::close() {
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
  master_ = slave_ = -1;
}

std::optional<PtyPair> PtyPair::open(std::string& error) {
  PtyPair pair;
  pair.master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (pair.master_ < 0) {
    error = systemError("posix_openpt");
    return std::nullopt;
  }
  if (grantpt(pair.master_) != 0 || unlockpt(pair.master_) != 0) {
    error = systemError("grantpt/unlockpt");
    return std::nullopt;
  }
  const char* name = ptsname(pair.master_);
  if (name == nullptr) {
    error = systemError("ptsname");
    return std::nullopt;
  }
  pair.slave_path_ = name;
  pair.slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (pair.slave_ < 0) {
    error = systemError("open " + pair.slave_path_);
    return std::nullopt;
  }
  if (!makeRaw(pair.slave_)) {
    error = systemError("raw mode on " + pair.slave_path_);
    return std::nullopt;
  }
  if (!setFlags(pair.master_, FD_CLOEXEC, O_NONBLOCK)) {
    error = systemError("fcntl");
    return std::nullopt;
  }
  return pair;
}

bool pointLink(const std::string& link, const std::string& target, std::string& error) {
  struct stat st {};
  if (lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    error = link + " exists and is not a symbolic link";
    return false;
  }
  const std::string temporary = link + ".new-" + std::to_string(getpid());
  unlink(temporary.c_str());
  if (symlink(target.c_str(), temporary.c_str()) != 0) {
    error = systemError("symlink " + temporary);
    return false;
  }
  if (rename(temporary.c_str(), link.c_str()) != 0) {
    error = systemError("rename to " + link);
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

void removeLink(const std::string& link, const std::string& target) {
  char buffer[4096];
  const ssize_t length = readlink(link.c_str(), buffer, sizeof buffer);
  if (length < 0 || std::string(buffer, static_cast<std::size_t>(length)) != target) return;
  unlink(link.c_str());
}

}  // namespace velmar::sim
