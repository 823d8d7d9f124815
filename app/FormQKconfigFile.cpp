// SPDX-License-Identifier: GPL-3.0-or-later
// Save to file and Load from file: the ESC's settings kept, and given to the next ESC.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

#include "BenchChart.h"
#include "FormQKconfig.h"
#include "device/Identification.h"
#include "formats/SettingsFile.h"

namespace velmar {
namespace {

// An entry as its list shows it, in the user's language, without the default's marker.
QString Entry(const QComboBox* list, int32_t index) {
  const QString text = list->itemText(index);
  const QLatin1String marker(kDefaultMarker.data(), qsizetype(kDefaultMarker.size()));
  return text.endsWith(marker) ? text.chopped(marker.size()) : text;
}

// A list's caption as it reads in a sentence: "2.Brake" reads "Brake".
QString Caption(const QComboBox* list) {
  for (const QLabel* label : list->parentWidget()->findChildren<QLabel*>())
    if (label->buddy() == list) return label->text().section(QLatin1Char('.'), 1);
  return QString();
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
    WarnPlain(this, tr("Save settings"), error);
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
    WarnPlain(this, tr("Load settings"), error);
    return;
  }
  // What the file changes, as the ESC holds it now and as the file has it.
  QStringList changes;
  const SettingChoices now = m_session.Reported();
  for (SettingNumber number : kComparisonOrder) {
    const std::optional<int32_t> wanted = file->settings[number];
    if (!wanted || now[number] == wanted) continue;
    changes << tr("%1: %2 \u2192 %3")
                   .arg(Caption(SettingSelector(number)),
                        now[number] ? Entry(SettingSelector(number), *now[number]) : tr("unknown"),
                        Entry(SettingSelector(number), *wanted));
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
  for (SettingNumber number : mismatched) kept << Caption(SettingSelector(number));
  Tell(kept.isEmpty() ? tr("The ESC confirmed every setting.")
                      : tr("The ESC did not take: %1.").arg(kept.join(QStringLiteral(", "))));
}

}  // namespace velmar
