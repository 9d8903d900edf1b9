#pragma once

#include <QString>

namespace vornel {

class AlertSound;
class Desktop;
class InstanceHandshake;

// The life of the process, from replacing an earlier instance to the last
// form's destruction. Returns the exit code of the message loop.
// desktopNotice: what the user must know about the desktop watched, shown
// on the candidate page and in the icon's tip; empty when all works. With
// noticeOnce it is shown in a message as well, once, at the start.
int runProgram(Desktop& desktop, AlertSound& sound, InstanceHandshake& handshake,
               const QString& desktopNotice = {}, bool noticeOnce = false);

} // namespace vornel
