#pragma once

class QWidget;

namespace vornel {

// A key that two visible buttons of a window share as their accelerator
// ("&Mise à jour" and "&Modifier") clicks the first of them in tab order
// after the control that has the focus (the earlier one when the focus is
// before both), as a Windows dialog does; Qt finds such a key ambiguous and
// does nothing.
// Applies to the buttons the window holds when this is called.
void clickEarlierOnSharedAccelerators(QWidget* window);

} // namespace vornel
