#include "settings/settings_lock.h"

#include <QFile>
#include <QThread>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vornel {

SettingsLock::SettingsLock(const QString& lockFile) {
    const int fd =
        ::open(QFile::encodeName(lockFile).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    file_ = fd;
    for (int waitedMs = 0; !(held_ = ::flock(fd, LOCK_EX | LOCK_NB) == 0) && waitedMs < 1000;
         waitedMs += 10)
        QThread::msleep(10);
}

SettingsLock::~SettingsLock() {
    // Closing the file lets go of the lock.
    if (file_ >= 0) ::close(int(file_));
}

} // namespace vornel
