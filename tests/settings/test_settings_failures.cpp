// A save that cannot be written must say so and leave the old files exactly
// as they were. The tests run as root in CI, where permission bits alone stop
// nothing, so each one makes the kernel refuse the write for real and fails
// loudly when it cannot arrange that.
#include "common/log_categories.h"
#include "common/text.h"
#include "settings/settings_files.h"
#include "settings_folder.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace vornel;
using vornel::testing::fileText;
using vornel::testing::putFile;
using SaveFailure = vornel::testing::SettingsFolder;

namespace {

// Can a file of that many bytes be written in the folder right now?
bool canWrite(const QString& folder, std::size_t bytes) {
    std::string path = (folder + "/probe").toStdString();
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    std::string data(bytes, 'p');
    bool ok = ::write(fd, data.data(), data.size()) == ssize_t(data.size());
    ::close(fd);
    ::unlink(path.c_str());
    return ok;
}

// Files of this process may not grow beyond the limit while it lives; a write
// past it fails with EFBIG instead of killing the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit lowered = old_;
        lowered.rlim_cur = bytes;
        set_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    bool set() const { return set_; }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
    bool set_ = false;
};

// This thread loses the privilege to read or write where the permission bits
// forbid it, so a read-only folder stops it as it stops any user.
class NoPermissionOverride {
public:
    NoPermissionOverride() {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (syscall(SYS_capget, &header_, old_) != 0) return;
        __user_cap_data_struct lowered[2] = {old_[0], old_[1]};
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER, CAP_LINUX_IMMUTABLE})
            lowered[cap / 32].effective &= ~(1u << (cap % 32));
        set_ = syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~NoPermissionOverride() {
        if (set_) syscall(SYS_capset, &header_, old_);
    }
    bool set() const { return set_; }

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct old_[2]{};
    bool set_ = false;
};

// A tmpfs of 64 KiB mounted over the folder in this thread's own mount
// namespace, filled to the last byte. Empty when mounting is not permitted.
class FullTmpfs {
public:
    explicit FullTmpfs(const QString& folder) : folder_(folder.toStdString()) {
        if (unshare(CLONE_NEWNS) != 0) return;
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return;
        mounted_ = mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~FullTmpfs() {
        if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    void fill() {
        int fd = ::open((folder_ + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
        std::string block(4096, 'f');
        while (fd >= 0 && ::write(fd, block.data(), 1) == 1) {
        }
        ::close(fd);
    }

private:
    std::string folder_;
    bool mounted_ = false;
};

std::string lowered(const QString& path) {
    return asciiLower(path.toStdString());
}

// The one box's text: what failed, then the system's reason for it.
::testing::AssertionResult saysWhy(const QStringList& texts, const std::string& what, int error) {
    const QString reason = QString::fromLocal8Bit(std::strerror(error));
    if (texts.size() == 1 && texts[0].startsWith(QString::fromStdString(what) + " : ") &&
        texts[0].endsWith(reason + "."))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "[" << texts.join(" | ").toStdString() << "] is not one text \"" << what << " : ... "
           << reason.toStdString() << ".\"";
}

// What the program writes on stderr meanwhile, as the program writes it.
// Through a pipe, not a file: a file-size limit set for the save would cut a
// file short, and it does not apply to pipes. The few lines said fit in the
// pipe; more would be dropped rather than hold the test.
class StderrCapture {
public:
    StderrCapture() {
        writeMessagesAsVornel();
        std::fflush(stderr);
        if (::pipe2(pipe_, O_CLOEXEC) != 0) return;
        ::fcntl(pipe_[1], F_SETFL, O_NONBLOCK);
        saved_ = ::dup(STDERR_FILENO);
        ::dup2(pipe_[1], STDERR_FILENO);
        ::close(pipe_[1]);
    }
    ~StderrCapture() {
        restore();
        if (pipe_[0] >= 0) ::close(pipe_[0]);
    }
    std::string text() {
        restore();
        std::string said;
        char buffer[4096];
        for (ssize_t n; pipe_[0] >= 0 && (n = ::read(pipe_[0], buffer, sizeof buffer)) > 0;)
            said.append(buffer, std::size_t(n));
        return said;
    }

private:
    void restore() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO); // the pipe's last writer goes: the read ends
        ::close(saved_);
        saved_ = -1;
    }
    int saved_ = -1;
    int pipe_[2] = {-1, -1};
};

} // namespace

TEST_F(SaveFailure, AFolderThatCannotBeWrittenKeepsTheOldFiles) {
    auto w = start();
    w->ui.lTotal->setText("7");
    setMemoLines(w->ui.mLog, {"avant"});
    w->SauveListe();
    ASSERT_TRUE(errors.texts.isEmpty());
    const std::string oldIni = fileText(ini()), oldLog = fileText(log());

    w->ui.lTotal->setText("8");
    setMemoLines(w->ui.mLog, {"après", "avant"});
    {
        // Files and folder read-only: a folder that only refuses new files
        // still has its files rewritten in place (see below).
        NoPermissionOverride guard;
        ASSERT_EQ(chmod(ini().toLocal8Bit(), 0444), 0);
        ASSERT_EQ(chmod(log().toLocal8Bit(), 0444), 0);
        ASSERT_EQ(chmod(dir.path().toLocal8Bit(), 0555), 0);
        ASSERT_TRUE(guard.set()) << "could not drop the permission override: " << strerror(errno);
        ASSERT_FALSE(canWrite(dir.path(), 1)) << "the folder is still writable; test set-up failed";
        w->SauveListe();
    }
    ASSERT_EQ(chmod(dir.path().toLocal8Bit(), 0755), 0);
    ASSERT_EQ(chmod(ini().toLocal8Bit(), 0644), 0);
    ASSERT_EQ(chmod(log().toLocal8Bit(), 0644), 0);
    EXPECT_TRUE(saysWhy(errors.texts, "Impossible d'écrire dans " + lowered(ini()), EACCES));
    EXPECT_EQ(fileText(ini()), oldIni);
    EXPECT_EQ(fileText(log()), oldLog);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{"vornel.ini", "vornel.lock", "vornel.log"}));

    // The program goes on, and the next save that can write does.
    w->SauveListe();
    EXPECT_EQ(errors.texts.size(), 1);
    EXPECT_NE(fileText(ini()).find("Total=8"), std::string::npos);
}

// A settings file left beside the program by a run as root, in a folder this
// user cannot write either: it is read once, copied with its log into the
// user's folder, which holds the settings from then on, and the user is told
// once, at the copy.
TEST_F(SaveFailure, AnUnwritableSettingsFileBesideTheProgramGivesWayToACopy) {
    QTemporaryDir program, home;
    ASSERT_TRUE(program.isValid() && home.isValid());
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    const QString beside = program.filePath("vornel.ini");
    putFile(beside, "[Vornel]\r\nTotal=9\r\n");
    putFile(program.filePath("vornel.log"), "ancienne\r\n");
    const QString inHome = home.path() + "/vornel";
    QString folder, told, toldAgain;
    {
        NoPermissionOverride guard;
        ASSERT_EQ(chmod(beside.toLocal8Bit(), 0444), 0);
        ASSERT_EQ(chmod(program.path().toLocal8Bit(), 0555), 0);
        ASSERT_TRUE(guard.set()) << "could not drop the permission override: " << strerror(errno);
        folder = settingsFolder(program.path(), "/nowhere");
        SettingsFiles files = settingsFilesIn(folder);
        files.passedOver = beside;
        told = takeOverPassedOver(files);
        toldAgain = takeOverPassedOver(files);
    }
    ASSERT_EQ(chmod(program.path().toLocal8Bit(), 0755), 0);
    EXPECT_EQ(folder, inHome);
    EXPECT_EQ(fileText(inHome + "/vornel.ini"), "[Vornel]\r\nTotal=9\r\n");
    EXPECT_EQ(fileText(inHome + "/vornel.log"), "ancienne\r\n");
    EXPECT_TRUE(told.startsWith("Réglages en lecture seule : " + beside)) << told.toStdString();
    EXPECT_TRUE(toldAgain.isEmpty()) << toldAgain.toStdString();

    // The same file, writable: it stays where it is.
    ASSERT_EQ(chmod(beside.toLocal8Bit(), 0644), 0);
    EXPECT_EQ(settingsFolder(program.path(), "/nowhere"), program.path());
}

TEST_F(SaveFailure, AFullFileSystemKeepsTheOldFiles) {
    const QString folder = dir.filePath("disk");
    ASSERT_TRUE(QDir().mkpath(folder));
    qputenv("VORNEL_CONFIG_DIR", folder.toUtf8());
    FullTmpfs disk(folder);
    const QString iniPath = folder + "/vornel.ini", logPath = folder + "/vornel.log";

    auto w = start();
    for (int i = 0; i < 20; ++i)
        w->CloseRules.append(TCond{"Y", "N", "regle " + std::to_string(i), 0, 0});
    setMemoLines(w->ui.mLog, {"avant"});
    w->SauveListe();
    ASSERT_TRUE(errors.texts.isEmpty());
    const std::string oldIni = fileText(iniPath), oldLog = fileText(logPath);

    w->ui.lTotal->setText("123");
    setMemoLines(w->ui.mLog, {"après", "avant"});
    std::unique_ptr<FileSizeLimit> limit;
    if (disk.mounted()) {
        disk.fill();
    } else {
        // No mount permitted here: a file-size limit refuses the write instead.
        std::cout << "[ note ] mount not permitted; using RLIMIT_FSIZE\n";
        limit = std::make_unique<FileSizeLimit>(64);
        ASSERT_TRUE(limit->set()) << "could not set RLIMIT_FSIZE: " << strerror(errno);
    }
    ASSERT_FALSE(canWrite(folder, 4096)) << "the file system still takes data; test set-up failed";
    StderrCapture stderrText;
    w->SauveListe();
    limit.reset();

    // The box and stderr both give the system's reason.
    const std::string failure = "Impossible d'écrire dans " + lowered(iniPath);
    EXPECT_TRUE(saysWhy(errors.texts, failure, disk.mounted() ? ENOSPC : EFBIG));
    const QStringList said = QString::fromStdString(stderrText.text()).split('\n');
    EXPECT_EQ(said.filter(QRegularExpression("^vornel")),
              QStringList{"vornel: " + errors.texts.value(0)});
    EXPECT_EQ(fileText(iniPath), oldIni);
    EXPECT_EQ(fileText(logPath), oldLog);
}

TEST_F(SaveFailure, AFileSizeLimitStopsTheSaveAndKeepsTheOldFile) {
    auto w = start();
    w->SauveListe();
    ASSERT_TRUE(errors.texts.isEmpty());
    const std::string oldIni = fileText(ini()), oldLog = fileText(log());
    w->ui.lTotal->setText("9");
    {
        FileSizeLimit limit(64);
        ASSERT_TRUE(limit.set()) << "could not set RLIMIT_FSIZE: " << strerror(errno);
        ASSERT_FALSE(canWrite(dir.path(), 65)) << "RLIMIT_FSIZE did not stop the write";
        w->SauveListe();
    }
    EXPECT_TRUE(saysWhy(errors.texts, "Impossible d'écrire dans " + lowered(ini()), EFBIG));
    EXPECT_EQ(fileText(ini()), oldIni);
    EXPECT_EQ(fileText(log()), oldLog);
}

TEST_F(SaveFailure, AStartAtLogonEntryThatCannotBeWrittenIsReportedAndTheChoiceKept) {
    putFile(ini(), "[Vornel]\r\nAfficher=0\r\nDemarre=0\r\n");
    auto w = start();
    // A file stands where the entry's folder goes.
    ASSERT_TRUE(QDir().mkpath(dir.path() + "/xdg"));
    putFile(dir.path() + "/xdg/autostart", "");
    w->ui.cbDemarre->click();
    EXPECT_EQ(errors.texts, QStringList{"Le raccourci qui lance Vornel à l'ouverture de la session "
                                        "n'a pas pu être créé (" +
                                        QString::fromLocal8Bit(std::strerror(ENOTDIR)) +
                                        ") : Vornel ne démarrera pas tout seul."});
    EXPECT_NE(fileText(ini()).find("\r\nDemarre=1\r\n"), std::string::npos);
    errors.texts.clear();
    w->ui.cbDemarre->click();
    EXPECT_TRUE(errors.texts.isEmpty()) << "an entry that is not there was reported";
}

TEST_F(SaveFailure, ALogThatCannotBeWrittenComesAfterACompleteSettingsFile) {
    auto w = start();
    QStringList lines;
    for (int i = 0; i < 200; ++i)
        lines << QString("ligne %1 ").arg(i) + QString(80, 'x');
    setMemoLines(w->ui.mLog, lines.mid(0, 1));
    w->SauveListe();
    ASSERT_TRUE(errors.texts.isEmpty());
    const std::string oldLog = fileText(log());

    w->ui.lTotal->setText("10");
    setMemoLines(w->ui.mLog, lines);
    {
        // Room for the settings file, not for the log.
        FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.set()) << "could not set RLIMIT_FSIZE: " << strerror(errno);
        ASSERT_FALSE(canWrite(dir.path(), 4097)) << "RLIMIT_FSIZE did not stop the write";
        w->SauveListe();
    }
    EXPECT_TRUE(saysWhy(errors.texts, "Impossible de créer le fichier " + lowered(log()), EFBIG));
    EXPECT_NE(fileText(ini()).find("\r\nTotal=10\r\n"), std::string::npos);
    EXPECT_EQ(fileText(log()), oldLog);
}

namespace {

ino_t inodeOf(const QString& path) {
    struct stat st {};
    return ::stat(path.toLocal8Bit().constData(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

TEST_F(SaveFailure, AFolderThatRefusesNewFilesHasItsOwnFilesRewrittenInPlace) {
    auto w = start();
    setMemoLines(w->ui.mLog, {"avant"});
    w->SauveListe();
    ASSERT_TRUE(errors.texts.isEmpty());
    // The normal save replaces the file by a new one, whole.
    const ino_t first = inodeOf(ini());
    w->SauveListe();
    EXPECT_NE(inodeOf(ini()), first);

    const ino_t iniInode = inodeOf(ini()), logInode = inodeOf(log());
    w->ui.lTotal->setText("8");
    setMemoLines(w->ui.mLog, {"après", "avant"});
    {
        NoPermissionOverride guard;
        ASSERT_EQ(chmod(dir.path().toLocal8Bit(), 0555), 0);
        ASSERT_TRUE(guard.set()) << "could not drop the permission override: " << strerror(errno);
        ASSERT_FALSE(canWrite(dir.path(), 1)) << "the folder is still writable; test set-up failed";
        w->SauveListe();
    }
    ASSERT_EQ(chmod(dir.path().toLocal8Bit(), 0755), 0);
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join(" | ").toStdString();
    EXPECT_NE(fileText(ini()).find("\r\nTotal=8\r\n"), std::string::npos);
    EXPECT_EQ(fileText(log()), "après\r\navant\r\n");
    EXPECT_EQ(inodeOf(ini()), iniInode);
    EXPECT_EQ(inodeOf(log()), logInode);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{"vornel.ini", "vornel.lock", "vornel.log"}));

    // No log there yet: it cannot be made, and the user hears of it; the
    // settings file is written all the same.
    ASSERT_TRUE(QFile::remove(log()));
    w->ui.lTotal->setText("9");
    {
        NoPermissionOverride guard;
        ASSERT_EQ(chmod(dir.path().toLocal8Bit(), 0555), 0);
        ASSERT_TRUE(guard.set()) << "could not drop the permission override: " << strerror(errno);
        w->SauveListe();
    }
    ASSERT_EQ(chmod(dir.path().toLocal8Bit(), 0755), 0);
    EXPECT_TRUE(saysWhy(errors.texts, "Impossible de créer le fichier " + lowered(log()), EACCES));
    EXPECT_NE(fileText(ini()).find("\r\nTotal=9\r\n"), std::string::npos);
    EXPECT_FALSE(QFile::exists(log()));
}

TEST_F(SaveFailure, ALogThatCannotBeReadIsKeptAndTheUserIsTold) {
    const std::string oldLog =
        "01/02/26 10:00:00 : ancienne\r\n01/01/26 09:00:00 : plus ancienne\r\n";
    putFile(log(), oldLog);
    ASSERT_EQ(chmod(log().toLocal8Bit(), 0200), 0);
    {
        NoPermissionOverride guard;
        ASSERT_TRUE(guard.set()) << "could not drop the permission override: " << strerror(errno);
        QFile probe(log());
        ASSERT_FALSE(probe.open(QIODevice::ReadOnly)) << "the log is still readable; set-up failed";

        auto w = start();
        EXPECT_EQ(memoLineCount(w->ui.mLog), 0);
        EXPECT_TRUE(errors.texts.isEmpty());
        w->ui.lTotal->setText("1");
        setMemoLines(w->ui.mLog, {"nouvelle"});
        w->SauveListe();
        EXPECT_TRUE(
            saysWhy(errors.texts, "Impossible de créer le fichier " + lowered(log()), EACCES));
        // The settings file comes first and is complete.
        EXPECT_NE(fileText(ini()).find("\r\nTotal=1\r\n"), std::string::npos);
    }
    ASSERT_EQ(chmod(log().toLocal8Bit(), 0644), 0);
    EXPECT_EQ(fileText(log()), oldLog);

    // Readable again: the next start shows it.
    auto w = start();
    EXPECT_EQ(memoLines(w->ui.mLog),
              (QStringList{"01/02/26 10:00:00 : ancienne", "01/01/26 09:00:00 : plus ancienne"}));
}

// In place, a write that comes short (a full disk, a file-size limit) leaves
// the old content whole, tried again as often as the save tries; one that
// fits leaves exactly the new content, shorter or longer than the old.
TEST_F(SaveFailure, AnInPlaceRewriteThatComesShortLeavesTheOldContent) {
    const std::string old = "[Vornel]\r\nTotal=7\r\n" + std::string(100, 'a') + "\r\n";
    const std::string longer = "[Vornel]\r\nTotal=8\r\n" + std::string(300, 'b') + "\r\n";
    const std::string shorter = "[Vornel]\r\nTotal=9\r\n";
    putFile(ini(), old);
    NoPermissionOverride guard;
    ASSERT_EQ(chmod(dir.path().toLocal8Bit(), 0555), 0);
    ASSERT_TRUE(guard.set()) << "could not drop the permission override: " << strerror(errno);
    ASSERT_FALSE(canWrite(dir.path(), 1)) << "the folder is still writable; test set-up failed";
    {
        FileSizeLimit limit(200);
        ASSERT_TRUE(limit.set()) << "could not set RLIMIT_FSIZE: " << strerror(errno);
        QString error;
        EXPECT_FALSE(writeWholeFile(ini(), longer, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(fileText(ini()), old);
    EXPECT_TRUE(writeWholeFile(ini(), shorter));
    EXPECT_EQ(fileText(ini()), shorter);
    EXPECT_TRUE(writeWholeFile(ini(), longer));
    EXPECT_EQ(fileText(ini()), longer);
    ASSERT_EQ(chmod(dir.path().toLocal8Bit(), 0755), 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"vornel.ini"});
}

// A settings file that holds no text (UTF-16 without its mark or that does
// not decode, a binary file) loads as the defaults; the save says so and
// leaves it, and the log, exactly as they were.
TEST_F(SaveFailure, AFileThatHoldsNoTextIsNeverWrittenOver) {
    using namespace std::string_literals;
    const std::string notText[] = {"[\0V\0o\0r\0n\0e\0l\0]\0\r\0\n\0"s, "\xFF\xFE[\0V\0]"s,
                                   "\xFF\xFE\x3D\xD8[\0"s, "\x7F\x45LF\2\1\1\0\0"s};
    const QString said = "Le fichier de réglages " + QDir::toNativeSeparators(ini()) +
                         " n'est pas un fichier texte : Vornel ne peut pas le lire et ne le "
                         "remplace pas. Enregistrez-le en texte (UTF-8 ou Unicode) ou "
                         "supprimez-le pour que les réglages soient de nouveau enregistrés.";
    for (const std::string& bytes : notText) {
        putFile(ini(), bytes);
        putFile(log(), "ancienne\r\n");
        {
            auto w = start();
            EXPECT_EQ(w->ui.lTotal->text(), "0");
            w->ui.lTotal->setText("3");
            insertFirstLine(w->ui.mLog, "nouvelle");
            EXPECT_TRUE(errors.texts.isEmpty());
            w->SauveListe();
            EXPECT_EQ(errors.texts, QStringList{said});
        }
        EXPECT_EQ(fileText(ini()), bytes);
        EXPECT_EQ(fileText(log()), "ancienne\r\n");
        errors.texts.clear();
    }
}
