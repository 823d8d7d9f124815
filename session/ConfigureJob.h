// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "link/OneShotTimer.h"
#include "session/EscSession.h"

namespace velmar {

// One ESC read, or configured from a settings file, on its own session: the
// command line runs one a port, all at the same time.
class ConfigureJob : public QObject {
  Q_OBJECT

 public:
  enum class Result { Pending, Ok, Absent, Refused, Mismatch, Lost };

  // How long an ESC has to answer its first poll, and then to be identified
  // and read (and written and read back) before it counts as lost.
  static constexpr std::chrono::milliseconds kAnswerWithin{2000};
  static constexpr std::chrono::milliseconds kFinishWithin{5000};

  // With `apply`, the settings it names are written where they differ and read
  // back; an ESC whose hardware differs from the one `apply` names is refused
  // unless forced. Without it the ESC is only read. A dry run reads the ESC, finds what
  // `apply` would write (Written()) and what stands in the way, and writes nothing.
  ConfigureJob(EscSession& session, std::unique_ptr<OneShotTimer> deadline,
               std::optional<SettingChoices> apply = std::nullopt, QString hardware = QString(),
               bool force = false, bool dryRun = false);

  // Opens the port and starts; `done` follows, perhaps at once.
  void Start(int port);
  // Starts on a session whose port is already open, and leaves it open at the end: a
  // window that keeps watching its ESCs writes through one job at a time on each.
  void Begin();
  // Ends an unfinished job as lost (the user stopped the run).
  void Stop();

  Result Outcome() const { return m_result; }
  const std::vector<SettingNumber>& Written() const { return m_written; }
  const std::vector<SettingNumber>& Mismatched() const { return m_mismatched; }
  EscSession& Session() { return m_session; }

  // "ok", "absent", "refused", "mismatch" or "lost".
  static QString Name(Result result);
  // Whether a file saved from `fileHardware` is from other hardware than the ESC's.
  static bool OtherHardware(const QString& fileHardware, const EscIdentity& esc);

 signals:
  void done();

 private:
  void OnSync();
  void Finish(Result result);

  EscSession& m_session;
  std::unique_ptr<OneShotTimer> m_deadline;
  std::optional<SettingChoices> m_apply;
  QString m_hardware;
  bool m_force;
  bool m_dryRun;
  bool m_applying = false;
  bool m_closeAtEnd = true;
  Result m_result = Result::Pending;
  std::vector<SettingNumber> m_written;
  std::vector<SettingNumber> m_mismatched;
};

}  // namespace velmar
