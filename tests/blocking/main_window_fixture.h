#pragma once

// The real main window and rule editor over a scripted desktop, as start-up
// wires them, with the settings and log files in a temporary folder. The scan
// timer is stopped so that each test decides when a tick happens.
#include "app/tfm_vornel.h"
#include "blocking/alert_sound.h"
#include "blocking/scripted_desktop.h"
#include "blocking/tfm_ferme.h"
#include "common/memo_lines.h"

#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

class MainWindow : public ::testing::Test {
protected:
    struct SilentSound : vornel::AlertSound {
        void play(const std::string&) override {}
    };

    // Set before the main window exists: it takes its files' place when made.
    struct FilesFolder {
        QTemporaryDir dir;
        FilesFolder() {
            qputenv("VORNEL_CONFIG_DIR", dir.path().toUtf8());
            qputenv("XDG_CONFIG_HOME", (dir.path() + "/xdg").toUtf8());
        }
        ~FilesFolder() {
            qunsetenv("VORNEL_CONFIG_DIR");
            qunsetenv("XDG_CONFIG_HOME");
        }
    };

    MainWindow() {
        fm.fmFerme = &editor;
        editor.mainWindow = &fm;
        editor.windowsHeldBy = [this](const vornel::TCond& rule) {
            return fm.scan().windowsHeldBy(rule);
        };
        fm.Timer1->stop();
        fm.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&fm));
    }

    void clickRow(QListWidget* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }
    void doubleClickRow(QListWidget* list, int row) {
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    void click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // The row as the list draws it.
    static QImage drawnRow(QListWidget* list, int row) {
        const QRect r = list->visualItemRect(list->item(row));
        return list->viewport()->grab(r).toImage().convertToFormat(QImage::Format_RGB32);
    }

    // What a row showing text must look like: the list's background (the
    // selection colour when selected) with the text at the row's top left in
    // the list's colours. Only for rows without a frame or unselected
    // candidate rows, whose black frame does not show on the black background.
    static QImage expectedRow(QListWidget* list, int row, const QString& text,
                              bool selected = false) {
        const QRect r = list->visualItemRect(list->item(row));
        QImage image(r.size() * list->devicePixelRatioF(), QImage::Format_RGB32);
        image.setDevicePixelRatio(list->devicePixelRatioF());
        const QPalette colours = list->palette();
        image.fill(colours.color(selected ? QPalette::Highlight : QPalette::Base));
        QPainter painter(&image);
        painter.setFont(list->font());
        // Nothing is drawn past the text's own width.
        painter.setClipRect(0, 0, QFontMetrics(list->font()).horizontalAdvance(text), r.height());
        painter.setPen(colours.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(QRect(QPoint(0, 0), r.size()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
        return image;
    }

    // Equal images, or where the first difference lies.
    static ::testing::AssertionResult sameImage(const QImage& a, const QImage& b) {
        if (a.size() != b.size()) return ::testing::AssertionFailure() << "sizes differ";
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                if (a.pixel(x, y) != b.pixel(x, y))
                    return ::testing::AssertionFailure()
                           << "pixel " << x << "," << y << ": " << std::hex << a.pixel(x, y)
                           << " against " << b.pixel(x, y);
        return ::testing::AssertionSuccess();
    }

    QString ini() const { return files.dir.filePath("vornel.ini"); }
    QString log() const { return files.dir.filePath("vornel.log"); }
    // A file's text with its line ends as "\n".
    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().replace("\r\n", "\n")
                                              : QByteArray("(missing)");
    }

    FilesFolder files;
    vornel::ScriptedDesktop desktop;
    SilentSound sound;
    TfmFerme editor;
    TfmVornel fm{desktop, sound};
};
