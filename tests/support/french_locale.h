#pragma once

// Dates as a French desktop writes them (day first, four-digit year), from a
// real fr_FR locale compiled for the tests into a temporary folder, so that no
// machine-wide locale set-up is needed; the sources come with Debian's
// "locales" package. The C library finds the compiled locale through LOCPATH.
#include <QProcess>
#include <QTemporaryDir>
#include <clocale>
#include <cstdlib>
#include <string>

namespace vornel::test {

// LC_TIME is French while the object lives, "C" again afterwards. failure()
// says why not when the locale could not be made or chosen.
class FrenchDates {
public:
    FrenchDates() {
        static const std::string compiled = compile();
        failure_ = compiled;
        if (!failure_.empty()) return;
        std::string oldPath = std::getenv("LOCPATH") ? std::getenv("LOCPATH") : "";
        setenv("LOCPATH", folder().path().toLocal8Bit().constData(), 1);
        if (!std::setlocale(LC_TIME, "fr_FR.UTF-8"))
            failure_ = "setlocale(LC_TIME, \"fr_FR.UTF-8\") refused the compiled locale";
        if (oldPath.empty())
            unsetenv("LOCPATH");
        else
            setenv("LOCPATH", oldPath.c_str(), 1);
    }
    ~FrenchDates() { std::setlocale(LC_TIME, "C"); }
    FrenchDates(const FrenchDates&) = delete;
    FrenchDates& operator=(const FrenchDates&) = delete;

    const std::string& failure() const { return failure_; }

private:
    static QTemporaryDir& folder() {
        static QTemporaryDir dir;
        return dir;
    }
    // Once per process: about two seconds of localedef.
    static std::string compile() {
        if (!folder().isValid()) return "no temporary folder for the locale";
        QProcess localedef;
        localedef.setProcessChannelMode(QProcess::MergedChannels);
        localedef.start("localedef",
                        {"-i", "fr_FR", "-f", "UTF-8", folder().filePath("fr_FR.UTF-8")});
        if (!localedef.waitForFinished(60000) || localedef.exitStatus() != QProcess::NormalExit ||
            localedef.exitCode() != 0)
            return "localedef -i fr_FR -f UTF-8 failed (is the \"locales\" package installed?): " +
                   localedef.readAll().toStdString();
        return "";
    }

    std::string failure_;
};

} // namespace vornel::test
