// Save to file and Load from file: the ESC's settings kept, and given to the next ESC.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

#include "FormQKconfig.h"
#include "device/Identification.h"
#include "formats/SettingsFile.h"

namespace velmar {
namespace {

QString Entry(SettingNumber number, int32_t index) {
  const std::string_view text = kSettingLists[number].entries[size_t(index)];
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString Caption(SettingNumber number) {
  const std::string_view text = kSettingLists[number].caption;
  // "2.Brake" reads "Brake" in a sentence.
  return QString::fromUtf8(text.data(), qsizetype(text.size())).section(QLatin1Char('.'), 1);
}

}  // namespace

void FormQKconfig::Tell(const QString& text) {
  LbFileStatus->setText(text);
}

void FormQKconfig::CmdSave_Click() {
  const std::optional<EscIdentity> identity = m_session.Identity();
  if (!identity) return;
  SettingsFile file;
  file.Identify(identity->hardware, identity->firmware);
  file.settings = m_session.Reported();
  const QString path = m_askFile(this, true, file.hardware + QStringLiteral(".json"));
  if (path.isEmpty()) return;
  QString error;
  if (!WriteSettingsFile(path, file, &error)) {
    Tell(tr("Not saved: %1").arg(error));
    QMessageBox::warning(this, tr("Save settings"), error);
    return;
  }
  Tell(tr("Saved to %1.").arg(path));
}

void FormQKconfig::CmdLoad_Click() {
  const QString path = m_askFile(this, false, QString());
  if (path.isEmpty()) return;
  QString error;
  const std::optional<SettingsFile> file = ReadSettingsFile(path, &error);
  if (!file) {
    Tell(tr("Not loaded: %1").arg(error));
    QMessageBox::warning(this, tr("Load settings"), error);
    return;
  }
  // What the file changes, as the ESC holds it now and as the file has it.
  QStringList changes;
  const SettingChoices now = m_session.Reported();
  for (SettingNumber number : kComparisonOrder) {
    const std::optional<int32_t> wanted = file->settings[number];
    if (!wanted || now[number] == wanted) continue;
    changes << tr("%1: %2 \u2192 %3")
                   .arg(Caption(number), now[number] ? Entry(number, *now[number]) : tr("unknown"),
                        Entry(number, *wanted));
  }
  QString text = changes.isEmpty() ? tr("The ESC already holds these settings: nothing to change.")
                                   : tr("Change on the ESC:\n%1").arg(changes.join('\n'));
  const std::optional<EscIdentity> identity = m_session.Identity();
  const QString hardware = identity ? HardwareText(identity->hardware, QLocale::c()) : QString();
  if (!file->hardware.isEmpty() && file->hardware != hardware)
    text += tr("\n\nWarning: the file is from a %1, this ESC is a %2.")
                .arg(file->hardware, hardware.isEmpty() ? tr("unknown ESC") : hardware);
  if (!m_confirm(this, text)) return;
  // The file's settings become the user's choices, as if picked in the lists.
  for (SettingNumber number : kComparisonOrder)
    if (file->settings[number]) SelectSetting(number, *file->settings[number]);
  const std::vector<SettingNumber> written = m_session.Apply(file->settings);
  if (!written.empty()) Tell(tr("Writing %n setting(s) to the ESC\u2026", "", int(written.size())));
}

void FormQKconfig::ShowApplied(const std::vector<SettingNumber>& mismatched) {
  QStringList kept;
  for (SettingNumber number : mismatched) kept << Caption(number);
  Tell(kept.isEmpty() ? tr("The ESC confirmed every setting.")
                      : tr("The ESC did not take: %1.").arg(kept.join(QStringLiteral(", "))));
}

}  // namespace velmar
