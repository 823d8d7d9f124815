// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QComboBox;

namespace velmar {

// A drop-down list answers the wheel only while it has the keyboard focus, as a
// native one does: a wheel turned over it on the way to somewhere else must not
// switch the port or write a setting to the ESC. Clicking or tabbing still
// gives it the focus; the wheel alone no longer does.
void IgnoreWheelUnlessFocused(QComboBox* list);

}  // namespace velmar
