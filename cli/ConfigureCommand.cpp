// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConfigureCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>
#include <list>

#include "device/Identification.h"
#include "link/Adapter.h"
#include "link/Cadence.h"
#include "session/ConfigureJob.h"

namespace velmar {
namespace {

using Verb = CommandLine::Verb;

// What a port's open failure says after the device's name, which the output shows beside it.
QString Reason(const QString& why, const QString& path) {
  return why.startsWith(path + QStringLiteral(": ")) ? why.mid(path.size() + 2) : why;
}

}  // namespace

// One port's ESC: its port service, its session and the job run on it.
struct ConfiguredEsc {
  ConfiguredEsc(const CommandServices& services, const PortMap& ports, int number,
                std::optional<SettingChoices> apply, const QString& hardware,
                const CommandLine& line)
      : number(number),
        path(ports.Device(number).path),
        port(services.makePort(ports)),
        session(
            LinkServices{port.get(), services.makeTimer(kIdlePollInterval),
                         services.makeTimer(kReplyTimeout),
                         // Each ESC runs on its own: no other one's events inside a port change.
                         [] {}},
            false),
        job(session, services.makeTimer(ConfigureJob::kAnswerWithin), std::move(apply), hardware,
            line.force, line.dryRun) {}

  int number;
  QString path;
  std::unique_ptr<SerialPort> port;
  EscSession session;
  ConfigureJob job;
  std::optional<EscIdentity> identity;  // kept from the session, which forgets it at the end
  SettingChoices reported;
  QString error;  // why the port did not open
};

namespace {

using Esc = ConfiguredEsc;

QStringList Keys(const std::vector<SettingNumber>& numbers) {
  QStringList keys;
  for (SettingNumber n : numbers) keys << SettingKey(n);
  return keys;
}

QJsonObject Json(const Esc& esc, const CommandLine& line) {
  QJsonObject object{
      {"port", esc.number}, {"path", esc.path}, {"result", ConfigureJob::Name(esc.job.Outcome())}};
  if (!esc.error.isEmpty()) object["error"] = esc.error;
  if (esc.identity) {
    object["hardware"] = HardwareText(esc.identity->hardware, QLocale::c());
    object["firmware"] = FirmwareText(esc.identity->firmware, QLocale::c());
  }
  object["settings"] = SettingsJson(esc.reported);
  if (line.verb == Verb::Apply)
    object[line.dryRun ? "would_write" : "written"] =
        QJsonArray::fromStringList(Keys(esc.job.Written()));
  return object;
}

QString Text(const Esc& esc, const CommandLine& line, const SettingChoices& asked) {
  QString text = QStringLiteral("COM%1 %2: %3\n")
                     .arg(esc.number)
                     .arg(esc.path, ConfigureJob::Name(esc.job.Outcome()));
  if (!esc.error.isEmpty()) text += QStringLiteral("  error     %1\n").arg(esc.error);
  if (esc.identity)
    text += QStringLiteral("  hardware  %1\n  firmware  %2\n")
                .arg(HardwareText(esc.identity->hardware, QLocale::c()),
                     FirmwareText(esc.identity->firmware, QLocale::c()));
  for (SettingNumber n : kComparisonOrder) {
    if (!esc.reported[n]) continue;
    text += QStringLiteral("  %1  %2\n").arg(SettingKey(n), *EntryText(n, esc.reported[n]));
  }
  if (line.verb == Verb::Apply && (line.dryRun || !esc.job.Written().empty()))
    text +=
        QString::fromLatin1(line.dryRun ? "  would write  %1\n" : "  written   %1\n")
            .arg(esc.job.Written().empty() ? QStringLiteral("nothing")
                                           : Keys(esc.job.Written()).join(QStringLiteral(", ")));
  for (SettingNumber n : esc.job.Mismatched())
    text += QStringLiteral("  %1 was asked to be %2\n").arg(SettingKey(n), *EntryText(n, asked[n]));
  return text;
}

QByteArray JsonLine(const QString& key, const QJsonArray& list) {
  return QJsonDocument(QJsonObject{{key, list}}).toJson(QJsonDocument::Compact) + '\n';
}

}  // namespace

ConfigureCommand::ConfigureCommand(const CommandLine& line, CommandServices services)
    : m_line(line), m_services(std::move(services)) {}
ConfigureCommand::~ConfigureCommand() = default;

void ConfigureCommand::Stop() {
  m_stopped = true;
  for (Esc& esc : m_escs) esc.job.Stop();
}

void ConfigureCommand::Start() {
  const CommandLine& line = m_line;
  // A bad file is refused whole before any port is touched.
  if (line.verb == Verb::Apply) {
    QString error;
    m_file = ReadSettingsFile(line.file, &error);
    if (!m_file) {
      m_services.say(error);
      m_finished = true;
      return emit finished(kBadUsage);
    }
  }
  if (line.verb == Verb::Ports) return ListPorts();

  // A port the scan finds unusable is said, so that "no serial port to use" has its reasons.
  const auto [ports, numbers] = PortsFor(line, [this](const PortMap& map) {
    std::unique_ptr<SerialPort> probe = m_services.makePort(map);
    QObject::connect(probe.get(), &SerialPort::openFailed, this, m_services.say);
    return probe;
  });
  if (line.verb == Verb::Save && numbers.size() > 1) {
    m_services.say(QStringLiteral("save takes one ESC, and %1 ports answer: name one with --port")
                       .arg(numbers.size()));
    m_finished = true;
    return emit finished(kBadUsage);
  }

  const std::optional<SettingChoices> apply =
      m_file ? std::optional<SettingChoices>(m_file->settings) : std::nullopt;
  for (int n : numbers) {
    Esc& esc = m_escs.emplace_back(m_services, ports, n, apply,
                                   m_file ? m_file->hardware : QString(), line);
    ++m_pending;
    QObject::connect(&esc.session, &EscSession::syncChanged, this, [&esc] {
      if (esc.session.Identity()) esc.identity = esc.session.Identity();
      const SettingChoices reported = esc.session.Reported();
      for (SettingNumber s : kComparisonOrder)
        if (reported[s]) esc.reported[s] = reported[s];
    });
    QObject::connect(esc.port.get(), &SerialPort::openFailed, this, [this, &esc](QString why) {
      if (!esc.error.isEmpty()) return;
      esc.error = Reason(why, esc.path);
      m_services.say(why);
    });
    QObject::connect(&esc.job, &ConfigureJob::done, this, [this] {
      if (--m_pending == 0) Finish();
    });
  }
  if (m_escs.empty()) return Finish();
  for (Esc& esc : m_escs) esc.job.Start(esc.number);
}

void ConfigureCommand::ListPorts() {
  // Every port of the map, opened once and closed again: nothing is sent.
  const CommandPorts ports = PortsFor(m_line, m_services.makePort);
  const std::unique_ptr<SerialPort> probe = m_services.makePort(ports.map);
  QString why;
  QObject::connect(probe.get(), &SerialPort::openFailed, [&why](QString text) { why = text; });
  QJsonArray list;
  QString text;
  for (auto it = ports.map.Ports().cbegin(); it != ports.map.Ports().cend(); ++it) {
    why.clear();
    probe->SetPortNumber(it.key());
    const bool opens = probe->Open();
    probe->Close();
    QJsonObject entry{{"port", it.key()}, {"path", it->path}, {"opens", opens}};
    text += QStringLiteral("COM%1 %2: %3\n")
                .arg(it.key())
                .arg(it->path, opens ? QStringLiteral("opens")
                                     : QStringLiteral("does not open: ") +
                                           (why.isEmpty() ? QStringLiteral("unknown")
                                                          : Reason(why, it->path)));
    if (!opens) entry["error"] = why.isEmpty() ? QStringLiteral("unknown") : Reason(why, it->path);
    const AdapterInfo usb = DescribeAdapter(it->path);
    if (usb.IsUsb()) {
      const std::pair<const char*, QString> fields[] = {{"vendor", usb.vendor},
                                                        {"product", usb.product},
                                                        {"manufacturer", usb.manufacturer},
                                                        {"description", usb.description},
                                                        {"serial", usb.serial},
                                                        {"by_id", usb.byId}};
      for (const auto& [key, value] : fields) entry[key] = value;
      text += QStringLiteral("  USB %1:%2 %3 %4, serial %5\n")
                  .arg(usb.vendor, usb.product, usb.manufacturer, usb.description,
                       usb.serial.isEmpty() ? QStringLiteral("none") : usb.serial);
      if (!usb.byId.isEmpty()) text += QStringLiteral("  %1\n").arg(usb.byId);
    }
    list.append(entry);
  }
  if (list.isEmpty()) text = QStringLiteral("no serial port found\n");
  m_services.out(m_line.json ? JsonLine(QStringLiteral("ports"), list) : text.toUtf8());
  m_finished = true;
  emit finished(0);
}

void ConfigureCommand::Finish() {
  if (m_finished) return;
  m_finished = true;
  const CommandLine& line = m_line;
  const SettingChoices asked = m_file ? m_file->settings : SettingChoices{};
  bool allOk = !m_escs.empty();
  QJsonArray list;
  QString text;
  for (const Esc& esc : m_escs) {
    allOk = allOk && esc.job.Outcome() == ConfigureJob::Result::Ok;
    list.append(Json(esc, line));
    text += Text(esc, line, asked);
  }
  if (m_escs.empty()) m_services.say(QStringLiteral("no serial port to use"));

  if (line.verb == Verb::Save && !m_escs.empty() &&
      m_escs.front().job.Outcome() == ConfigureJob::Result::Ok) {
    SettingsFile saved;
    saved.Identify(m_escs.front().identity->hardware, m_escs.front().identity->firmware);
    saved.settings = m_escs.front().reported;
    QString error;
    if (!WriteSettingsFile(line.file, saved, &error)) {
      m_services.say(error);
      allOk = false;
    }
  }
  m_services.out(line.json ? JsonLine(QStringLiteral("escs"), list) : text.toUtf8());
  emit finished(allOk && !m_stopped ? 0 : 1);
}

}  // namespace velmar
