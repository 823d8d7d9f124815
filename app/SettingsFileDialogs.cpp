// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsFileDialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

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

std::optional<QString> ChooseBenchScript(QWidget* parent, const QString& last) {
  QStringList choices{QObject::tr("The default sweep: throttle 40 to 200 by 20")};
  if (!last.isEmpty()) choices << QObject::tr("The last script: %1").arg(last);
  choices << QObject::tr("A script file\u2026");
  bool ok = false;
  const QString choice = QInputDialog::getItem(parent, QObject::tr("Bench run"),
                                               QObject::tr("Run:"), choices, 0, false, &ok);
  if (!ok) return std::nullopt;
  if (choice == choices.first()) return QString();
  if (!last.isEmpty() && choice == choices[1]) return last;
  const QString path = QFileDialog::getOpenFileName(parent, QObject::tr("Bench-run script"),
                                                    QString(), QObject::tr("Scripts (*.json)"));
  if (path.isEmpty()) return std::nullopt;
  return path;
}

}  // namespace velmar
