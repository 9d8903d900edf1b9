#include "settings/windows_sound.h"

#include <QString>
#include <windows.h>

#include <mmsystem.h>

namespace vornel {

void WindowsSound::play(const std::string& name) {
    const std::wstring wide = QString::fromStdString(name).toStdWString();
    (void)sndPlaySoundW(wide.c_str(), SND_ASYNC);
}

std::unique_ptr<AlertSound> makeSystemSound() {
    return std::make_unique<WindowsSound>();
}

} // namespace vornel
