// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

class QMessageBox;
class QWidget;

namespace velmar {

// The file a user picks for Save ("suggested" first) or Load; empty when cancelled.
QString AskSettingsFile(QWidget* parent, bool save, const QString& suggested);

// Load's question: what the file would change, with OK and Cancel.
QMessageBox* MakeLoadConfirmation(QWidget* parent, const QString& text);
bool ConfirmLoad(QWidget* parent, const QString& text);

// A bench run's script: "" for the default sweep, a file's path, nothing when cancelled.
std::optional<QString> ChooseBenchScript(QWidget* parent, const QString& last);

}  // namespace velmar
