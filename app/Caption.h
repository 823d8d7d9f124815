// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QStringList>

class QLabel;
class QLineEdit;

namespace velmar {

// Places a caption at `rect` (pixels in its parent), sized to its text in its
// own font so that it neither clips nor reaches `limit`, the x where the
// control to its right begins. A caption that would reach it moves left; one
// that cannot fit even at the parent's left edge gets a smaller font. The
// substitute fonts and the longer translations need this; in English with the
// original fonts nothing moves.
void FitCaption(QLabel* label, const QRect& rect, int limit);

// Widens a display to the right so that the widest of `texts`, each a text it
// may come to show, shows whole in its own font: QLineEdit scrolls a text that
// leaves it no spare pixel, cutting off its start.
void FitBox(QLineEdit* box, const QStringList& texts);

}  // namespace velmar
