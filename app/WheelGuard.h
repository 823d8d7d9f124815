// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace velmar {

// A drop-down list or the throttle answers the wheel only while it has the
// keyboard focus, as a native list does: a wheel turned over it on the way to
// somewhere else must not switch the port, write a setting or drive the motor.
// Clicking or tabbing still gives it the focus; the wheel alone no longer does.
void IgnoreWheelUnlessFocused(QWidget* control);

}  // namespace velmar
