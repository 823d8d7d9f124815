// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "FormQKconfig.h"

class QMessageBox;
class QWidget;

namespace velmar {

// The file a user picks for Save ("suggested" first) or Load; empty when cancelled.
QString AskSettingsFile(QWidget* parent, bool save, const QString& suggested);

// Load's question: what the file would change, with OK and Cancel.
QMessageBox* MakeLoadConfirmation(QWidget* parent, const QString& text);
bool ConfirmLoad(QWidget* parent, const QString& text);

// A bench run's script ("" for the default sweep, or a file's path) and its bench sensor (none,
// or one of `sensors`, or a device typed in) with its baud rate; nothing when cancelled.
std::optional<BenchChoice> ChooseBenchScript(QWidget* parent, const BenchChoice& last,
                                             const QStringList& sensors);

}  // namespace velmar
