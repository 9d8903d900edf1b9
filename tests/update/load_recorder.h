#pragma once

// Records the loadFinished signals of the page browser, which the tests reach
// only as a QObject: the web engine is not linked into them, as it is not
// into the program.
#include <QList>
#include <QObject>

namespace vornel::test {

class LoadRecorder : public QObject {
    Q_OBJECT

public:
    explicit LoadRecorder(QObject* browser) {
        connect(browser, SIGNAL(loadFinished(bool)), this, SLOT(record(bool)));
    }
    QList<bool> results;

private slots:
    void record(bool ok) { results << ok; }
};

} // namespace vornel::test
