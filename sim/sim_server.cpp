#include "sim_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <vector>

namespace velmar::sim {
namespace {

constexpr std::size_t kReadSize = 4096;
constexpr std::size_t kMaxControlLine = 4096;

Time monotonicNow() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

void complain(const std::string& message) {
  std::cerr << "velmar-esc-sim: " << message << '\n';
}

void complainErrno(const std::string& what) {
  complain(what + ": " + std::strerror(errno));
}

bool writeAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

SimServer::SimServer(const SimOptions& options)
    : options_(options), model_(options.esc, monotonicNow()) {}

SimServer::~SimServer() {
  if (!options_.link_path.empty()) removeLink(options_.link_path, pty_.slavePath());
  for (const int fd : {log_fd_, timer_fd_, signal_fd_}) {
    if (fd >= 0) close(fd);
  }
}

int SimServer::run() {
  if (!start()) return 1;
  while (!quit_ && !failed_) {
    if (!serveOnce()) failed_ = true;
  }
  writeRecords();
  return failed_ ? 1 : 0;
}

bool SimServer::start() {
  // Pacing at 260 µs a byte needs the timer to fire close to when it is asked to.
  if (options_.esc.line.wire_time) prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
  signal(SIGPIPE, SIG_IGN);

  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  signal_fd_ = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
  timer_fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
  if (signal_fd_ < 0 || timer_fd_ < 0) {
    complainErrno("signalfd/timerfd");
    return false;
  }
  if (!options_.log_path.empty()) {
    log_fd_ = open(options_.log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (log_fd_ < 0) {
      complainErrno("open " + options_.log_path);
      return false;
    }
  }
  std::string error;
  if (!openDevice(error)) {
    complain(error);
    options_.link_path.clear();  // not ours to remove
    return false;
  }
  // Whoever reads this line may open the device (or the link) at once.
  std::printf("%s\n", pty_.slavePath().c_str());
  std::fflush(stdout);
  return true;
}

bool SimServer::serveOnce() {
  const Time now = monotonicNow();
  model_.tick(now);
  write_blocked_ = !flushOutput(now);
  writeRecords();
  armTimer(write_blocked_ ? std::nullopt : model_.nextWake());

  std::array<pollfd, 4> fds{{
      {pty_.master(), static_cast<short>(POLLIN | (write_blocked_ ? POLLOUT : 0)), 0},
      {control_fd_, POLLIN, 0},
      {timer_fd_, POLLIN, 0},
      {signal_fd_, POLLIN, 0},
  }};
  if (poll(fds.data(), fds.size(), -1) < 0) {
    if (errno == EINTR) return true;
    complainErrno("poll");
    return false;
  }
  if (fds[3].revents & POLLIN) {
    quit_ = true;
    return true;
  }
  if (fds[2].revents & POLLIN) {
    std::uint64_t expirations = 0;
    if (read(timer_fd_, &expirations, sizeof expirations) < 0 && errno != EAGAIN) return false;
  }
  if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) && !readLine()) return false;
  if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) readControl();
  return true;
}

// Writes what is due; false when the line would block and there is more to write.
bool SimServer::flushOutput(Time now) {
  for (;;) {
    const auto bytes = model_.pending(now);
    if (bytes.empty()) return true;
    const ssize_t n = write(pty_.master(), bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
      complainErrno("write to the line");
      return true;  // the next read tells whether the line is really gone
    }
    model_.sent(static_cast<std::size_t>(n), monotonicNow());
  }
}

bool SimServer::readLine() {
  std::array<std::uint8_t, kReadSize> buffer;
  for (;;) {
    const ssize_t n = read(pty_.master(), buffer.data(), buffer.size());
    if (n > 0) {
      model_.receive(std::span(buffer.data(), static_cast<std::size_t>(n)), monotonicNow());
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    complainErrno("read from the line");
    return false;
  }
}

void SimServer::readControl() {
  char buffer[1024];
  const ssize_t n = read(control_fd_, buffer, sizeof buffer);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (n <= 0) {
    // End of input is no reason to stop: the simulator is often started with </dev/null.
    closeControl();
    return;
  }
  control_buffer_.append(buffer, static_cast<std::size_t>(n));
  for (auto newline = control_buffer_.find('\n'); newline != std::string::npos;
       newline = control_buffer_.find('\n')) {
    const std::string line = control_buffer_.substr(0, newline);
    control_buffer_.erase(0, newline + 1);
    handleCommand(line);
  }
  if (control_buffer_.size() > kMaxControlLine) control_buffer_.clear();
}

void SimServer::closeControl() {
  control_fd_ = -1;
  control_buffer_.clear();
}

void SimServer::handleCommand(std::string_view line) {
  std::istringstream words{std::string(line)};
  std::string command;
  if (!(words >> command)) return;
  const Time now = monotonicNow();
  if (command == "quit") {
    quit_ = true;
  } else if (command == "mute" || command == "unmute") {
    model_.setMuted(command == "mute", now);
  } else if (command == "set") {
    int index = -1;
    int value = -1;
    words >> index >> value;
    if (!words || !model_.setSetting(index, value, now))
      complain("usage: set N V (N 0..4, V 0..255)");
  } else if (command == "hangup") {
    if (!hangup()) failed_ = true;
  } else if (command == "mark") {
    std::string text;
    std::getline(words >> std::ws, text);
    model_.logEvent("mark " + text, now);
  } else {
    complain("unknown command: " + command);
  }
  writeRecords();
}

bool SimServer::openDevice(std::string& error) {
  auto pty = PtyPair::open(error);
  if (!pty) return false;
  pty_ = std::move(*pty);
  return options_.link_path.empty() || pointLink(options_.link_path, pty_.slavePath(), error);
}

bool SimServer::hangup() {
  model_.lineLost(monotonicNow());
  writeRecords();
  const std::string old_path = pty_.slavePath();
  pty_.close();
  std::string error;
  if (!openDevice(error)) {
    complain(error);
    return false;
  }
  complain("hung up " + old_path + "; now serving " + pty_.slavePath());
  return true;
}

void SimServer::armTimer(std::optional<Time> wake) {
  itimerspec spec{};
  if (wake) {
    // A zero time would disarm the timer; anything already due fires at once.
    const auto at = std::max(*wake, Time{1});
    spec.it_value.tv_sec = std::chrono::duration_cast<std::chrono::seconds>(at).count();
    spec.it_value.tv_nsec = (at % std::chrono::seconds(1)).count();
  }
  timerfd_settime(timer_fd_, TFD_TIMER_ABSTIME, &spec, nullptr);
}

void SimServer::writeRecords() {
  const auto records = model_.takeRecords();
  if (log_fd_ < 0) return;
  for (const auto& record : records) {
    // One write a line, so a reader never sees half of one unless the disk is full.
    if (!writeAll(log_fd_, formatRecord(record) + '\n')) complainErrno("log");
  }
}

}  // namespace velmar::sim
