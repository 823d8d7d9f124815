// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimServer.h"

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
// A board's lines go nowhere while no one has its port open; whoever opens it later finds no
// more than a USB-serial adapter would have held, not seconds of old readings.
constexpr std::size_t kSensorBacklog = 3072;

Time MonotonicNow() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

void Complain(const std::string& message) {
  std::cerr << "velmar-esc-sim: " << message << '\n';
}

void ComplainErrno(const std::string& what) {
  Complain(what + ": " + std::strerror(errno));
}

// Opens a new pseudo-terminal into `pty` and points `link`, if any, at it.
bool OpenDevice(PtyPair& pty, const std::string& link, std::string& error) {
  auto opened = PtyPair::Open(error);
  if (!opened) return false;
  pty = std::move(*opened);
  return link.empty() || PointLink(link, pty.SlavePath(), error);
}

std::optional<Time> Earliest(std::optional<Time> a, std::optional<Time> b) {
  if (!a) return b;
  if (!b) return a;
  return std::min(*a, *b);
}

bool WriteAll(int fd, const std::string& text) {
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
    : m_options(options), m_model(options.esc, MonotonicNow()) {}

SimServer::~SimServer() {
  if (!m_options.linkPath.empty()) RemoveLink(m_options.linkPath, m_pty.SlavePath());
  if (!m_options.sensorPath.empty()) RemoveLink(m_options.sensorPath, m_sensorPty.SlavePath());
  for (const int fd : {m_logFd, m_timerFd, m_signalFd}) {
    if (fd >= 0) close(fd);
  }
}

int SimServer::Run() {
  if (!Start()) return 1;
  while (!m_quit && !m_failed) {
    if (!ServeOnce()) m_failed = true;
  }
  WriteRecords();
  return m_failed ? 1 : 0;
}

bool SimServer::Start() {
  // Pacing at 260 µs a byte needs the timer to fire close to when it is asked to.
  if (m_options.esc.line.wireTime) prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
  signal(SIGPIPE, SIG_IGN);

  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  m_signalFd = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
  m_timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
  if (m_signalFd < 0 || m_timerFd < 0) {
    ComplainErrno("signalfd/timerfd");
    return false;
  }
  if (!m_options.logPath.empty()) {
    m_logFd = open(m_options.logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_logFd < 0) {
      ComplainErrno("open " + m_options.logPath);
      return false;
    }
  }
  std::string error;
  if (!OpenDevice(m_pty, m_options.linkPath, error)) {
    Complain(error);
    m_options.linkPath.clear();  // not ours to remove
    m_options.sensorPath.clear();
    return false;
  }
  if (!OpenSensor()) return false;
  // Whoever reads these lines may open the devices (or the links) at once.
  std::printf("%s\n", m_pty.SlavePath().c_str());
  if (m_sensor) std::printf("sensor %s\n", m_sensorPty.SlavePath().c_str());
  std::fflush(stdout);
  return true;
}

bool SimServer::OpenSensor() {
  if (m_options.sensorPath.empty()) return true;
  std::string error;
  if (!OpenDevice(m_sensorPty, m_options.sensorPath, error)) {
    Complain(error);
    m_options.sensorPath.clear();  // not ours to remove
    return false;
  }
  m_sensor.emplace(m_options.sensor, m_options.esc.line.seed, MonotonicNow());
  return true;
}

bool SimServer::ServeOnce() {
  const Time now = MonotonicNow();
  m_model.Tick(now);
  m_writeBlocked = !FlushOutput(now);
  SendSensor(now);
  WriteRecords();
  ArmTimer(Earliest(m_writeBlocked ? std::nullopt : m_model.NextWake(),
                    m_sensor ? m_sensor->NextWake() : std::nullopt));

  std::array<pollfd, 4> fds{{
      {m_pty.Master(), static_cast<short>(POLLIN | (m_writeBlocked ? POLLOUT : 0)), 0},
      {m_controlFd, POLLIN, 0},
      {m_timerFd, POLLIN, 0},
      {m_signalFd, POLLIN, 0},
  }};
  if (poll(fds.data(), fds.size(), -1) < 0) {
    if (errno == EINTR) return true;
    ComplainErrno("poll");
    return false;
  }
  if (fds[3].revents & POLLIN) {
    m_quit = true;
    return true;
  }
  if (fds[2].revents & POLLIN) {
    std::uint64_t expirations = 0;
    if (read(m_timerFd, &expirations, sizeof expirations) < 0 && errno != EAGAIN) return false;
  }
  if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) && !ReadLine()) return false;
  if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) ReadControl();
  return true;
}

// Writes what is due; false when the line would block and there is more to write.
bool SimServer::FlushOutput(Time now) {
  for (;;) {
    const auto bytes = m_model.Pending(now);
    if (bytes.empty()) return true;
    const ssize_t n = write(m_pty.Master(), bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
      ComplainErrno("write to the line");
      return true;  // the next read tells whether the line is really gone
    }
    m_model.Sent(static_cast<std::size_t>(n), MonotonicNow());
  }
}

void SimServer::SendSensor(Time now) {
  if (!m_sensor) return;
  const std::string bytes = m_sensor->Take(now, m_model.Rpm());
  if (bytes.empty()) return;
  if (m_sensorPty.Unread() > kSensorBacklog) m_sensorPty.DiscardUnread();
  // What the device cannot take is lost, as on a line that overruns; the sensor never waits.
  if (write(m_sensorPty.Master(), bytes.data(), bytes.size()) < 0 && errno != EAGAIN)
    ComplainErrno("write to the sensor");
}

bool SimServer::ReadLine() {
  std::array<std::uint8_t, kReadSize> buffer;
  for (;;) {
    const ssize_t n = read(m_pty.Master(), buffer.data(), buffer.size());
    if (n > 0) {
      m_model.Receive(std::span(buffer.data(), static_cast<std::size_t>(n)), MonotonicNow());
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    ComplainErrno("read from the line");
    return false;
  }
}

void SimServer::ReadControl() {
  char buffer[1024];
  const ssize_t n = read(m_controlFd, buffer, sizeof buffer);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (n <= 0) {
    // End of input is no reason to stop: the simulator is often started with </dev/null.
    CloseControl();
    return;
  }
  m_controlBuffer.append(buffer, static_cast<std::size_t>(n));
  for (auto newline = m_controlBuffer.find('\n'); newline != std::string::npos;
       newline = m_controlBuffer.find('\n')) {
    const std::string line = m_controlBuffer.substr(0, newline);
    m_controlBuffer.erase(0, newline + 1);
    HandleCommand(line);
  }
  if (m_controlBuffer.size() > kMaxControlLine) m_controlBuffer.clear();
}

void SimServer::CloseControl() {
  m_controlFd = -1;
  m_controlBuffer.clear();
}

void SimServer::HandleCommand(std::string_view line) {
  std::istringstream words{std::string(line)};
  std::string command;
  if (!(words >> command)) return;
  const Time now = MonotonicNow();
  if (command == "quit") {
    m_quit = true;
  } else if (command == "mute" || command == "unmute") {
    m_model.SetMuted(command == "mute", now);
  } else if (command == "set") {
    int index = -1;
    int value = -1;
    words >> index >> value;
    if (!words || !m_model.SetSetting(index, value, now))
      Complain("usage: set N V (N 0..4, V 0..255)");
  } else if (command == "sensor") {
    std::string state;
    words >> state;
    SensorCommand(state, now);
  } else if (command == "hangup") {
    if (!Hangup()) m_failed = true;
  } else if (command == "mark") {
    std::string text;
    std::getline(words >> std::ws, text);
    m_model.LogEvent("mark " + text, now);
  } else {
    Complain("unknown command: " + command);
  }
  WriteRecords();
}

void SimServer::SensorCommand(std::string_view state, Time now) {
  if (!m_sensor) {
    Complain("no sensor: start with --sensor PATH");
    return;
  }
  if (state != "on" && state != "off") {
    Complain("usage: sensor on|off");
    return;
  }
  m_sensor->SetSending(state == "on", now);
  m_model.LogEvent("sensor " + std::string(state), now);
}

bool SimServer::Hangup() {
  m_model.LineLost(MonotonicNow());
  WriteRecords();
  const std::string oldPath = m_pty.SlavePath();
  m_pty.Close();
  std::string error;
  if (!OpenDevice(m_pty, m_options.linkPath, error)) {
    Complain(error);
    return false;
  }
  Complain("hung up " + oldPath + "; now serving " + m_pty.SlavePath());
  return true;
}

void SimServer::ArmTimer(std::optional<Time> wake) {
  itimerspec spec{};
  if (wake) {
    // A zero time would disarm the timer; anything already due fires at once.
    const auto at = std::max(*wake, Time{1});
    spec.it_value.tv_sec = std::chrono::duration_cast<std::chrono::seconds>(at).count();
    spec.it_value.tv_nsec = (at % std::chrono::seconds(1)).count();
  }
  timerfd_settime(m_timerFd, TFD_TIMER_ABSTIME, &spec, nullptr);
}

void SimServer::WriteRecords() {
  const auto records = m_model.TakeRecords();
  if (m_logFd < 0) return;
  for (const auto& record : records) {
    // One write a line, so a reader never sees half of one unless the disk is full.
    if (!WriteAll(m_logFd, FormatRecord(record) + '\n')) ComplainErrno("log");
  }
}

}  // namespace velmar::sim
