#include "SettingsFileDialogs.h"

#include <QFileDialog>
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
  return box;
}

bool ConfirmLoad(QWidget* parent, const QString& text) {
  QMessageBox* box = MakeLoadConfirmation(parent, text);
  const bool ok = box->exec() == QMessageBox::Ok;
  delete box;
  return ok;
}

}  // namespace velmar
