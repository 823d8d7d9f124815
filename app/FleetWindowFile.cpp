// SPDX-License-Identifier: GPL-3.0-or-later
// Load from file, Save to file and Copy from: the fleet's settings kept, given and copied, each
// after one confirmation of what changes on which ESC.
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "FleetTexts.h"
#include "FleetWindow.h"
#include "device/Identification.h"

namespace velmar {

using namespace fleet;

void FleetWindow::PickEsc(const QString& title, const QString& label,
                          std::function<void(int)> picked) {
  QStringList choices;
  std::vector<int> columns;
  for (int c = 0; c < Count(); ++c) {
    if (!m_model.Column(c).Read()) continue;
    choices << Com(m_model.Column(c).port) + QStringLiteral(" ") + Device(c);
    columns.push_back(c);
  }
  if (choices.isEmpty()) return Tell(tr("No ESC has been read yet."));
  auto* dialog = new QInputDialog(this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(title);
  dialog->setLabelText(label);
  dialog->setComboBoxItems(choices);
  dialog->setComboBoxEditable(false);
  connect(dialog, &QInputDialog::textValueSelected, this,
          [choices, columns, picked](const QString& text) {
            picked(columns[size_t(choices.indexOf(text))]);
          });
  dialog->open();
}

void FleetWindow::Confirm(const QString& title, const SettingsFile& file, int source) {
  QStringList lines;
  struct Target {
    int c;
    QCheckBox* tick;  // an ESC of other hardware, left out unless ticked
  };
  std::vector<Target> targets;
  auto* dialog = new QDialog(this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setObjectName(QStringLiteral("FleetConfirmation"));
  dialog->setWindowTitle(title);
  auto* layout = new QVBoxLayout(dialog);
  auto* text = new QLabel(dialog);
  text->setWordWrap(true);
  layout->addWidget(text);
  for (int c = 0; c < Count(); ++c) {
    const FleetColumn& column = m_model.Column(c);
    const QString com = Com(column.port);
    if (c == source) continue;
    if (!column.Read()) {
      lines << tr("%1: not read, left out").arg(com);
      continue;
    }
    const std::vector<SettingNumber> changes = m_model.Changes(c, file.settings);
    for (SettingNumber n : changes)
      lines << tr("%1: %2 %3 \u2192 %4")
                   .arg(com, Caption(n), PlainEntry(n, *column.held[n]),
                        PlainEntry(n, *file.settings[n]));
    if (changes.empty()) lines << tr("%1: already holds these settings").arg(com);
    if (changes.empty()) continue;
    QCheckBox* tick = nullptr;
    if (ConfigureJob::OtherHardware(file.hardware, *column.identity)) {
      tick = new QCheckBox(tr("Write to %1 as well: it is a %2, the settings are from a %3")
                               .arg(com, HardwareText(column.identity->hardware), file.hardware),
                           dialog);
      layout->addWidget(tick);
    }
    targets.push_back({c, tick});
  }
  text->setText(lines.join(QLatin1Char('\n')));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  // As in the main window's Load: Enter alone writes nothing.
  buttons->button(QDialogButtonBox::Ok)->setAutoDefault(false);
  buttons->button(QDialogButtonBox::Cancel)->setDefault(true);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  connect(dialog, &QDialog::accepted, this, [this, targets, file] {
    m_model.ClearOutcomes();
    for (const Target& target : targets)
      if (!target.tick || target.tick->isChecked()) Write(target.c, file.settings);
    for (int c = 0; c < Count(); ++c) Show(c);
  });
  dialog->open();
}

void FleetWindow::CmdLoad_Click() {
  const QString path = m_askFile(this, false, QString());
  if (path.isEmpty()) return;
  QString error;
  const std::optional<SettingsFile> file = ReadSettingsFile(path, &error);
  if (!file) return Tell(tr("Not loaded: %1").arg(error));
  Tell(QString());
  Confirm(tr("Load settings"), *file);
}

void FleetWindow::CmdSave_Click() {
  const auto save = [this](int c, const SettingChoices& settings) {
    SettingsFile file;
    // The identity goes in where it is one ESC's, or every ESC's alike.
    const std::optional<EscIdentity> identity =
        c >= 0 ? m_model.Column(c).identity : m_model.SharedIdentity();
    if (identity) file.Identify(identity->hardware, identity->firmware);
    file.settings = settings;
    const QString path =
        m_askFile(this, true,
                  (file.hardware.isEmpty() ? tr("ESCs") : file.hardware) + QStringLiteral(".json"));
    if (path.isEmpty()) return;
    QString error;
    Tell(WriteSettingsFile(path, file, &error) ? tr("Saved to %1.").arg(path)
                                               : tr("Not saved: %1").arg(error));
  };
  if (const std::optional<SettingChoices> shared = m_model.Shared()) return save(-1, *shared);
  PickEsc(tr("Save settings"), tr("The ESCs differ. Save the settings of:"),
          [this, save](int c) { save(c, m_model.Column(c).held); });
}

void FleetWindow::CmdCopy_Click() {
  PickEsc(tr("Copy settings"), tr("Give every other ESC the settings of:"), [this](int c) {
    // It may have gone while the user chose.
    if (!m_model.Column(c).Read()) return Tell(tr("No ESC has been read yet."));
    SettingsFile file;
    file.Identify(m_model.Column(c).identity->hardware, m_model.Column(c).identity->firmware);
    file.settings = m_model.Column(c).held;
    Confirm(tr("Copy settings"), file, c);
  });
}

}  // namespace velmar
