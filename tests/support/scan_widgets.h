#pragma once

// The main-window controls a scan reads and writes, standing on their own,
// for the tests and benchmarks that run the real scan without the window.
#include "blocking/scan_cycle.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>

struct ScanWidgets {
    explicit ScanWidgets(const QString& browserNames) {
        mFen.setPlainText(browserNames);
        for (int i = 0; i < 7; ++i)
            PC.addTab(new QWidget, QString::number(i));
    }

    vornel::ScanControls controls() {
        return {&lNbre, &lTotal, &mLog, &lb1, &mFen, &cbReduite, &eSon, &PC};
    }

    QLabel lNbre{"0"}, lTotal{"0"};
    QPlainTextEdit mLog, mFen;
    QListWidget lb1;
    QCheckBox cbReduite;
    QLineEdit eSon;
    QTabWidget PC;
};
