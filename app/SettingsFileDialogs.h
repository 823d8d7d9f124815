#pragma once

#include <QString>

class QMessageBox;
class QWidget;

namespace velmar {

// The file a user picks for Save ("suggested" first) or Load; empty when cancelled.
QString AskSettingsFile(QWidget* parent, bool save, const QString& suggested);

// Load's question: what the file would change, with OK and Cancel.
QMessageBox* MakeLoadConfirmation(QWidget* parent, const QString& text);
bool ConfirmLoad(QWidget* parent, const QString& text);

}  // namespace velmar
