#pragma once

namespace vornel {

class AlertSound;
class Desktop;
class InstanceHandshake;

// The life of the process, from replacing an earlier instance to the last
// form's destruction. Returns the exit code of the message loop.
int runProgram(Desktop& desktop, AlertSound& sound, InstanceHandshake& handshake);

} // namespace vornel
