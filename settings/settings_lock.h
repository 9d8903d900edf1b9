#pragma once

#include <QString>
#include <cstdint>

namespace vornel {

// An advisory lock on a file of its own beside the settings file, held for
// the read and the write of a save: two residents that share one settings
// folder (one per display) then each read what the other wrote before
// writing. A lock that cannot be had within a second (a folder that refuses
// new files, a resident that hangs mid-save) is done without, as the program
// never waits on another; the kernel lets go of a lock whose holder dies.
class SettingsLock {
public:
    explicit SettingsLock(const QString& lockFile);
    ~SettingsLock();
    SettingsLock(const SettingsLock&) = delete;
    SettingsLock& operator=(const SettingsLock&) = delete;

    bool held() const { return held_; }

private:
    std::intptr_t file_ = -1; // the platform's open file: a descriptor or a handle
    bool held_ = false;
};

} // namespace vornel
