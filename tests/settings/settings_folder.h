#pragma once

// A main window over its own temporary settings folder, and the error boxes
// it shows, answered and remembered.
#include "app/tfm_vornel.h"
#include "blocking/alert_sound.h"
#include "blocking/scripted_desktop.h"
#include "common/memo_lines.h"
#include "support/qt_print.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace vornel::testing {

struct NoSound : AlertSound {
    void play(const std::string&) override {}
};

// Every error box that shows is closed at once and its text kept.
class ErrorBoxes : public QObject {
public:
    ErrorBoxes() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { answer(); });
        timer_.start();
    }
    QStringList texts;

private:
    void answer() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) continue;
            texts << box->text();
            box->accept();
        }
    }
    QTimer timer_;
};

inline void putFile(const QString& path, const std::string& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes.data(), qint64(bytes.size())), qint64(bytes.size()));
}

inline std::string fileText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll().toStdString();
}

class SettingsFolder : public ::testing::Test {
protected:
    SettingsFolder() {
        qputenv("VORNEL_CONFIG_DIR", dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (dir.path() + "/xdg").toUtf8());
        // The machine's settings: none unless the test writes systemIni().
        qputenv("XDG_CONFIG_DIRS", (dir.path() + "/system").toUtf8());
        earlierInstanceClosed = false;
    }
    ~SettingsFolder() override {
        qunsetenv("VORNEL_CONFIG_DIR");
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_CONFIG_DIRS");
    }

    QString ini() const { return dir.filePath("vornel.ini"); }
    QString log() const { return dir.filePath("vornel.log"); }
    QString systemIni() const { return dir.path() + "/system/vornel/vornel.ini"; }
    void putSystemIni(const std::string& text) const {
        QDir().mkpath(dir.path() + "/system/vornel");
        putFile(systemIni(), text);
    }
    QString autostartEntry() const { return dir.path() + "/xdg/autostart/Vornel.desktop"; }

    // A main window as start-up makes it, then loaded.
    std::unique_ptr<TfmVornel> start() {
        auto window = std::make_unique<TfmVornel>(desktop, sound);
        window->Initialise();
        return window;
    }

    QTemporaryDir dir;
    ScriptedDesktop desktop;
    NoSound sound;
    ErrorBoxes errors;
};

} // namespace vornel::testing
