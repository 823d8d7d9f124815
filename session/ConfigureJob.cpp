// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConfigureJob.h"

#include <QLocale>

#include "device/Identification.h"

namespace velmar {

ConfigureJob::ConfigureJob(EscSession& session, std::unique_ptr<OneShotTimer> deadline,
                           std::optional<SettingChoices> apply, QString hardware, bool force,
                           bool dryRun)
    : m_session(session),
      m_deadline(std::move(deadline)),
      m_apply(std::move(apply)),
      m_hardware(std::move(hardware)),
      m_force(force),
      m_dryRun(dryRun) {
  m_deadline->onTimeout = [this] { Finish(m_session.Connected() ? Result::Lost : Result::Absent); };
  connect(&m_session, &EscSession::connectionChanged, this, [this](bool connected) {
    if (!connected) return Finish(Result::Lost);
    m_deadline->SetInterval(kFinishWithin);
    m_deadline->Start();
  });
  connect(&m_session, &EscSession::syncChanged, this, &ConfigureJob::OnSync);
  connect(&m_session, &EscSession::applied, this, [this](std::vector<SettingNumber> mismatched) {
    if (!m_applying) return;
    m_mismatched = std::move(mismatched);
    Finish(m_mismatched.empty() ? Result::Ok : Result::Mismatch);
  });
}

void ConfigureJob::Start(int port) {
  if (!m_session.Link().SelectPort(port)) return Finish(Result::Absent);
  m_deadline->SetInterval(kAnswerWithin);
  m_deadline->Start();
}

void ConfigureJob::Begin() {
  m_closeAtEnd = false;
  m_deadline->SetInterval(kFinishWithin);
  m_deadline->Start();
  OnSync();
}

void ConfigureJob::Stop() {
  Finish(Result::Lost);
}

void ConfigureJob::OnSync() {
  if (m_result != Result::Pending || m_applying || !m_session.Synced()) return;
  if (!m_apply) return Finish(Result::Ok);
  if (OtherHardware(m_hardware, *m_session.Identity()) && !m_force) return Finish(Result::Refused);
  if (m_dryRun) {
    for (SettingNumber n : kComparisonOrder)
      if ((*m_apply)[n] && m_session.Settings().Esc(n) != (*m_apply)[n]) m_written.push_back(n);
    return Finish(Result::Ok);
  }
  m_applying = true;
  m_written = m_session.Apply(*m_apply);
}

void ConfigureJob::Finish(Result result) {
  if (m_result != Result::Pending) return;
  m_result = result;
  m_deadline->Stop();
  // Nothing more goes out: the port closes as the job ends.
  if (m_closeAtEnd) m_session.Link().Shutdown();
  emit done();
}

bool ConfigureJob::OtherHardware(const QString& fileHardware, const EscIdentity& esc) {
  // The texts compared are the ones files keep: a point as the decimal separator.
  return !fileHardware.isEmpty() && HardwareText(esc.hardware, QLocale::c()) != fileHardware;
}

QString ConfigureJob::Name(Result result) {
  switch (result) {
    case Result::Ok:
      return QStringLiteral("ok");
    case Result::Absent:
      return QStringLiteral("absent");
    case Result::Refused:
      return QStringLiteral("refused");
    case Result::Mismatch:
      return QStringLiteral("mismatch");
    case Result::Lost:
    case Result::Pending:
      break;
  }
  return QStringLiteral("lost");
}

}  // namespace velmar
