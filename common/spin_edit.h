#pragma once

class QSpinBox;

// Spin edits read as the original's did: text that is not a whole number
// stands for the lower limit, and a value outside the limits for the nearest
// limit.
namespace vornel {

// The value the text stands for right now, also while the user is still
// typing (a save can run before the control loses the focus).
int spinEditValue(const QSpinBox& box);

// A typed value is brought into the limits when the control loses the focus
// (or on Enter), and text that is not a number becomes the lower limit.
void keepSpinEditInRange(QSpinBox& box);

} // namespace vornel
