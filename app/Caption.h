#pragma once

#include <QRect>

class QLabel;

namespace velmar {

// Places a caption at `rect` (pixels in its parent), sized to its text in its
// own font so that it neither clips nor reaches `limit`, the x where the
// control to its right begins. A caption that would reach it moves left; one
// that cannot fit even at the parent's left edge gets a smaller font. The
// substitute fonts and screens above 96 dpi need this; at 96 dpi with the
// original fonts nothing moves.
void FitCaption(QLabel* label, const QRect& rect, int limit);

}  // namespace velmar
