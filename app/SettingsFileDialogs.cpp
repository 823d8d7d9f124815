// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsFileDialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QIntValidator>
#include <QMessageBox>
#include <QSettings>
#include <QVBoxLayout>

namespace velmar {

QString AskSettingsFile(QWidget* parent, bool save, const QString& suggested) {
  const QString filter = QObject::tr("Settings files (*.json)");
  return save
             ? QFileDialog::getSaveFileName(parent, QObject::tr("Save settings"), suggested, filter)
             : QFileDialog::getOpenFileName(parent, QObject::tr("Load settings"), QString(),
                                            filter);
}

QMessageBox* MakeLoadConfirmation(QWidget* parent, const QString& text) {
  auto* box = new QMessageBox(QMessageBox::Question, QObject::tr("Load settings"), text,
                              QMessageBox::Ok | QMessageBox::Cancel, parent);
  box->setDefaultButton(QMessageBox::Cancel);
  // The file's hardware name is the file's text, never markup.
  box->setTextFormat(Qt::PlainText);
  return box;
}

bool ConfirmLoad(QWidget* parent, const QString& text) {
  QMessageBox* box = MakeLoadConfirmation(parent, text);
  const bool ok = box->exec() == QMessageBox::Ok;
  delete box;
  return ok;
}

namespace {
std::optional<BenchChoice> AskBenchChoice(QWidget* parent, const BenchChoice& last,
                                          const QStringList& sensors);
}  // namespace

std::optional<BenchChoice> ChooseBenchScript(QWidget* parent, const BenchChoice& given,
                                             const QStringList& sensors) {
  // The last choice is kept between runs of the program, for the next bench run to start from.
  QSettings kept(QSettings::UserScope, QStringLiteral("velmar"),
                 QStringLiteral("velmar-esc-config"));
  BenchChoice last = given;
  if (last == BenchChoice{})
    last = {kept.value("bench/script").toString(), kept.value("bench/sensor").toString(),
            kept.value("bench/baud", kSensorBaud).toInt()};
  const std::optional<BenchChoice> choice = AskBenchChoice(parent, last, sensors);
  if (choice) {
    kept.setValue("bench/script", choice->script.isEmpty() ? last.script : choice->script);
    kept.setValue("bench/sensor", choice->sensor);
    kept.setValue("bench/baud", choice->baud);
  }
  return choice;
}

namespace {

std::optional<BenchChoice> AskBenchChoice(QWidget* parent, const BenchChoice& last,
                                          const QStringList& sensors) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QObject::tr("Bench run"));
  auto* scripts = new QComboBox(&dialog);
  scripts->addItem(QObject::tr("The default sweep: throttle 40 to 200 by 20"));
  if (!last.script.isEmpty()) scripts->addItem(QObject::tr("The last script: %1").arg(last.script));
  scripts->addItem(QObject::tr("A script file\u2026"));
  // A device the list does not know (a pseudo-terminal) may be typed in.
  auto* sensor = new QComboBox(&dialog);
  sensor->setEditable(true);
  sensor->addItem(QObject::tr("None"));
  sensor->addItems(sensors);
  if (!last.sensor.isEmpty()) sensor->setCurrentText(last.sensor);
  auto* baud = new QComboBox(&dialog);
  baud->setEditable(true);
  for (const int rate : {9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600})
    baud->addItem(QString::number(rate));
  baud->setValidator(new QIntValidator(300, 4000000, baud));
  baud->setCurrentText(QString::number(last.baud));
  auto* form = new QFormLayout;
  form->addRow(QObject::tr("&Run:"), scripts);
  form->addRow(QObject::tr("Bench &sensor:"), sensor);
  form->addRow(QObject::tr("&Baud rate:"), baud);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(form);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;

  BenchChoice choice;
  const QString device = sensor->currentText().trimmed();
  if (sensor->currentIndex() != 0 || device != sensor->itemText(0)) choice.sensor = device;
  choice.baud = baud->currentText().toInt();
  if (choice.baud < 300) choice.baud = kSensorBaud;
  const int picked = scripts->currentIndex();
  if (picked == 0) return choice;
  if (!last.script.isEmpty() && picked == 1) {
    choice.script = last.script;
    return choice;
  }
  choice.script = QFileDialog::getOpenFileName(parent, QObject::tr("Bench-run script"), QString(),
                                               QObject::tr("Scripts (*.json)"));
  if (choice.script.isEmpty()) return std::nullopt;
  return choice;
}

}  // namespace

}  // namespace velmar
