#pragma once

#include "blocking/alert_sound.h"

namespace vornel {

// sndPlaySound with SND_ASYNC only: the sound starts and the call returns at
// once; for a name that cannot be played the system plays its default sound.
// The name is UTF-8, as every text of ours, and goes to the wide-character
// call so that a path outside the ANSI code page still plays.
class WindowsSound : public AlertSound {
public:
    void play(const std::string& name) override;
};

} // namespace vornel
