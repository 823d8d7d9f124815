// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConfigureCommand.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>
#include <cstdio>
#include <list>

#include "device/Identification.h"
#include "formats/SettingsFile.h"
#include "link/Cadence.h"
#include "link/QtSerialPort.h"
#include "session/ConfigureJob.h"

namespace velmar {
namespace {

using Verb = CommandLine::Verb;

}  // namespace

// One port's ESC: its port service, its session and the job run on it.
struct ConfiguredEsc {
  ConfiguredEsc(const PortMap& ports, int number, std::optional<SettingChoices> apply,
                const QString& hardware, bool force)
      : number(number),
        path(ports.Device(number).path),
        port(ports),
        session(
            LinkServices{&port, std::make_unique<QtOneShotTimer>(kIdlePollInterval),
                         std::make_unique<QtOneShotTimer>(kReplyTimeout),
                         // Each ESC runs on its own: no other one's events inside a port change.
                         [] {}},
            false),
        job(session, std::make_unique<QtOneShotTimer>(ConfigureJob::kAnswerWithin),
            std::move(apply), hardware, force) {}

  int number;
  QString path;
  QtSerialPort port;
  EscSession session;
  ConfigureJob job;
  std::optional<EscIdentity> identity;  // kept from the session, which forgets it at the end
  SettingChoices reported;
};

namespace {

using Esc = ConfiguredEsc;

QStringList Keys(const std::vector<SettingNumber>& numbers) {
  QStringList keys;
  for (SettingNumber n : numbers) keys << SettingKey(n);
  return keys;
}

QJsonObject Json(const Esc& esc, bool apply) {
  QJsonObject object{
      {"port", esc.number}, {"path", esc.path}, {"result", ConfigureJob::Name(esc.job.Outcome())}};
  if (esc.identity) {
    object["hardware"] = HardwareText(esc.identity->hardware, QLocale::c());
    object["firmware"] = FirmwareText(esc.identity->firmware, QLocale::c());
  }
  object["settings"] = SettingsJson(esc.reported);
  if (apply) object["written"] = QJsonArray::fromStringList(Keys(esc.job.Written()));
  return object;
}

QString Text(const Esc& esc, bool apply, const SettingChoices& asked) {
  QString text = QStringLiteral("COM%1 %2: %3\n")
                     .arg(esc.number)
                     .arg(esc.path, ConfigureJob::Name(esc.job.Outcome()));
  if (esc.identity)
    text += QStringLiteral("  hardware  %1\n  firmware  %2\n")
                .arg(HardwareText(esc.identity->hardware, QLocale::c()),
                     FirmwareText(esc.identity->firmware, QLocale::c()));
  for (SettingNumber n : kComparisonOrder) {
    if (!esc.reported[n]) continue;
    text += QStringLiteral("  %1  %2\n").arg(SettingKey(n), *EntryText(n, esc.reported[n]));
  }
  if (apply && !esc.job.Written().empty())
    text +=
        QStringLiteral("  written   %1\n").arg(Keys(esc.job.Written()).join(QStringLiteral(", ")));
  for (SettingNumber n : esc.job.Mismatched())
    text += QStringLiteral("  %1 was asked to be %2\n").arg(SettingKey(n), *EntryText(n, asked[n]));
  return text;
}

}  // namespace

ConfigureCommand::ConfigureCommand(const CommandLine& line) : m_line(line) {}
ConfigureCommand::~ConfigureCommand() = default;

void ConfigureCommand::Stop() {
  m_stopped = true;
  for (Esc& esc : m_escs) esc.job.Stop();
}

int ConfigureCommand::Run() {
  const CommandLine& line = m_line;
  // A bad file is refused whole before any port is touched.
  std::optional<SettingsFile> file;
  if (line.verb == Verb::Apply) {
    QString error;
    file = ReadSettingsFile(line.file, &error);
    if (!file) {
      Say(error);
      return kBadUsage;
    }
  }

  const auto [ports, numbers] = PortsFor(line);
  if (line.verb == Verb::Save && numbers.size() > 1) {
    Say(QStringLiteral("save takes one ESC, and %1 ports answer: name one with --port")
            .arg(numbers.size()));
    return kBadUsage;
  }

  const std::optional<SettingChoices> apply =
      file ? std::optional<SettingChoices>(file->settings) : std::nullopt;
  std::list<Esc>& escs = m_escs;
  int pending = 0;
  for (int n : numbers) {
    Esc& esc = escs.emplace_back(ports, n, apply, file ? file->hardware : QString(), line.force);
    ++pending;
    QObject::connect(&esc.session, &EscSession::syncChanged, [&esc] {
      if (esc.session.Identity()) esc.identity = esc.session.Identity();
      const SettingChoices reported = esc.session.Reported();
      for (SettingNumber s : kComparisonOrder)
        if (reported[s]) esc.reported[s] = reported[s];
    });
    QObject::connect(&esc.job, &ConfigureJob::done, [&pending] {
      if (--pending == 0) QCoreApplication::quit();
    });
  }
  for (Esc& esc : escs) esc.job.Start(esc.number);
  if (pending > 0 && !m_stopped) QCoreApplication::exec();

  bool allOk = !escs.empty();
  QJsonArray list;
  QString text;
  for (const Esc& esc : escs) {
    allOk = allOk && esc.job.Outcome() == ConfigureJob::Result::Ok;
    list.append(Json(esc, line.verb == Verb::Apply));
    text += Text(esc, line.verb == Verb::Apply, apply.value_or(SettingChoices{}));
  }
  if (escs.empty()) Say(QStringLiteral("no serial port to use"));

  if (line.verb == Verb::Save && !escs.empty() &&
      escs.front().job.Outcome() == ConfigureJob::Result::Ok) {
    SettingsFile saved;
    saved.Identify(escs.front().identity->hardware, escs.front().identity->firmware);
    saved.settings = escs.front().reported;
    QString error;
    if (!WriteSettingsFile(line.file, saved, &error)) {
      Say(error);
      allOk = false;
    }
  }
  if (line.json) {
    std::fputs(
        QJsonDocument(QJsonObject{{"escs", list}}).toJson(QJsonDocument::Compact).constData(),
        stdout);
    std::fputs("\n", stdout);
  } else {
    std::fputs(text.toUtf8().constData(), stdout);
  }
  std::fflush(stdout);
  return allOk && !m_stopped ? 0 : 1;
}

}  // namespace velmar
