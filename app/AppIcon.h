// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

namespace velmar {

// The program's 48 x 48 icon, drawn rather than shipped: a rotor between three
// coils, in the colours of the window.
QIcon AppIcon();

}  // namespace velmar
