#pragma once

// The main window on its update page, with the update host pointing at a
// page server of the test's own.
#include "app/tfm_vornel.h"
#include "blocking/alert_sound.h"
#include "blocking/scripted_desktop.h"
#include "update/update_address.h"
#include "update_page_server.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

namespace vornel::test {

class SilentSound : public AlertSound {
public:
    void play(const std::string&) override {}
};

// Runs the event loop until done() holds or the time is up; the page loads
// in the background, so every check of what it shows waits for it.
inline bool waitFor(const std::function<bool()>& done, int milliseconds = 30000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds) return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Presses OK on the next error box and hands back its caption and text.
struct AnsweredBox {
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    void answerNext() {
        QTimer::singleShot(0, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                    caption = box->windowTitle();
                    text = box->text();
                    icon = box->icon();
                    box->accept();
                }
        });
    }
};

// The whole text of a file; empty when it is missing.
inline QByteArray fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Settings and log files in a temporary folder of their own.
class SettingsFolder {
public:
    SettingsFolder() {
        qputenv("VORNEL_CONFIG_DIR", dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (dir.path() + "/xdg").toUtf8());
    }
    ~SettingsFolder() {
        qunsetenv("VORNEL_CONFIG_DIR");
        qunsetenv("XDG_CONFIG_HOME");
    }
    QString ini() const { return dir.filePath(QStringLiteral("vornel.ini")); }

    QTemporaryDir dir;
};

// A main window on its update page, made as start-up makes it but not loaded.
class OnUpdatePage {
public:
    explicit OnUpdatePage(const QString& updateHost) {
        qputenv("VORNEL_UPDATE_HOST", updateHost.toLatin1());
        window = std::make_unique<TfmVornel>(desktop, sound);
        // What the window's show handler assigns.
        window->updateUrl = updateAddress();
        window->show();
        window->BtnClick(Page::Update);
    }
    ~OnUpdatePage() {
        window.reset();
        qunsetenv("VORNEL_UPDATE_HOST");
    }

    QWidget* browser() const { return window->findChild<QWidget*>(QStringLiteral("wb")); }

    SettingsFolder settings;

    ScriptedDesktop desktop;
    SilentSound sound;
    std::unique_ptr<TfmVornel> window;
};

} // namespace vornel::test
