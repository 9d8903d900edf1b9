// Saving the settings on Windows, where a file that another program holds
// open cannot be replaced.
#include "settings/settings_files.h"
#include "windows_test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

using namespace vornel;

namespace {

// The file opened for reading by someone else, as a viewer or a virus
// scanner opens it: sharing reads and writes, not deletion.
class Reader {
public:
    explicit Reader(const QString& path)
        : handle_(CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr)) {}
    ~Reader() { close(); }
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    void close() {
        if (isOpen()) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

bool replaceOnce(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

TEST(WindowsSettingsFiles, ASaveWaitsForAReaderToLetGoAndGivesUpOnOneThatHoldsOn) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("vornel.ini"));
    ASSERT_TRUE(writeWholeFile(ini, "Total=1\r\n"));

    {
        Reader reader(ini);
        ASSERT_TRUE(reader.isOpen());
        ASSERT_FALSE(replaceOnce(ini, "Total=0\r\n")) << "the system let a held file be replaced";
        std::thread release([&reader] {
            Sleep(150);
            reader.close();
        });
        EXPECT_TRUE(writeWholeFile(ini, "Total=2\r\n"));
        release.join();
    }
    EXPECT_EQ(readWholeFile(ini), "Total=2\r\n");

    Reader holder(ini);
    QString error;
    EXPECT_FALSE(writeWholeFile(ini, "Total=3\r\n", &error));
    EXPECT_FALSE(error.isEmpty());
    holder.close();
    EXPECT_EQ(readWholeFile(ini), "Total=2\r\n") << "a failed save must leave the file whole";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("vornel.ini")})
        << "a failed save must leave no temporary file";
}

TEST(WindowsSettingsFiles, AProgramFolderThatRefusesNewFilesSendsThemToLocalAppData) {
    // Not read-only, yet no file can be made in it: as Program Files is to a
    // user. Under Wine, a folder of the kernel's.
    const QString closed = QStringLiteral("Z:/sys/kernel/mm");
    if (!QFileInfo(closed).isDir()) GTEST_SKIP() << "no such folder here";
    const QString inLocalAppData =
        QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA")) +
        QStringLiteral("/Vornel");
    EXPECT_EQ(settingsFolder(closed, QStringLiteral("Z:/gone")), inLocalAppData);

    QTemporaryDir copied;
    EXPECT_EQ(settingsFolder(copied.path(), QStringLiteral("Z:/gone")), copied.path());
    EXPECT_EQ(QDir(copied.path()).entryList(QDir::Files), QStringList()) << "the probe stayed";
}
