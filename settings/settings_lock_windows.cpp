#include "settings/settings_lock.h"

#include <QThread>
#include <windows.h>

namespace vornel {

SettingsLock::SettingsLock(const QString& lockFile) {
    HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(lockFile.utf16()),
                              GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    file_ = reinterpret_cast<std::intptr_t>(file);
    for (int waitedMs = 0; waitedMs <= 1000; waitedMs += 10) {
        OVERLAPPED whole{};
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &whole)) {
            held_ = true;
            return;
        }
        QThread::msleep(10);
    }
}

// Closing the handle lets go of the lock.
SettingsLock::~SettingsLock() {
    if (file_ != -1) CloseHandle(reinterpret_cast<HANDLE>(file_));
}

} // namespace vornel
