// A new user's first rule, with the real program on a real desktop: a browser
// pop-up is listed on "En cours", the user picks it, asks for it to be closed
// automatically and confirms; the pop-up goes at the next tick and the rule is
// in the settings file with the window's short title and outer size.
#include "support/real_vornel.h"
#include "support/x11_display.h"

#include <QRegularExpression>

using namespace vornel::test;

namespace {

// Where the controls are, in the main window's client area: the side buttons
// at the left, then each page's controls 84 pixels in and 24 down, below the
// page title.
constexpr QPoint SideButtonEnCours(4 + 36, 48 + 16);
constexpr QPoint FirstCandidateRow(84 + 60, 24 + 72 + 7);
constexpr QPoint CloseThisPopUp(84 + 176, 24 + 294 + 9);
constexpr QPoint EditorOk(248 + 37, 128 + 12);

// _NET_FRAME_EXTENTS of a window: left, right, top, bottom.
std::array<int, 4> frameExtents(const QString& window) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromStdString(testDisplay()));
    p.setProcessEnvironment(env);
    p.start("xprop", {"-id", window, "_NET_FRAME_EXTENTS"});
    p.waitForFinished(10000);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    std::array<int, 4> e{};
    const auto m = QRegularExpression("= (\\d+), (\\d+), (\\d+), (\\d+)").match(out);
    for (int i = 0; i < 4 && m.hasMatch(); ++i)
        e[std::size_t(i)] = m.captured(i + 1).toInt();
    return e;
}

QString iniValue(const QString& path, const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QString section;
    for (const QString& raw : QString::fromUtf8(file.readAll()).split('\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith('['))
            section = line;
        else if (section + line.section('=', 0, 0) == key)
            return line.section('=', 1);
    }
    return {};
}

} // namespace

TEST(RuleFromWindow, NewUserClosesAPopUpForGood) {
    ASSERT_FALSE(testDisplay().empty());

    // The pop-up: a real client window whose title ends in the browser name
    // that a first start knows.
    QProcess popUp;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromStdString(testDisplay()));
    popUp.setProcessEnvironment(env);
    popUp.start("xlogo", {"-geometry", "300x200+40+40", "-title",
                          "  Super promo  - Microsoft Internet Explorer"});
    ASSERT_TRUE(popUp.waitForStarted());
    QString popUpWindow;
    ASSERT_TRUE(waitUntil([&] {
        popUpWindow = xdotool({"search", "--onlyvisible", "--name", "Super promo"});
        return !popUpWindow.isEmpty() && frameExtents(popUpWindow)[2] > 0;
    })) << "the pop-up never appeared with its frame";
    const QRect client = windowGeometry(popUpWindow);
    const auto frame = frameExtents(popUpWindow);
    const int outerWidth = client.width() + frame[0] + frame[1];
    const int outerHeight = client.height() + frame[2] + frame[3];

    RealVornel vornel;
    vornel.start();
    const QString main = vornel.waitForWindow(MainWindowSize);
    ASSERT_FALSE(main.isEmpty()) << "the main window never showed";

    clickAt(main, SideButtonEnCours);
    QThread::msleep(500); // a few ticks: the pop-up is listed
    clickAt(main, FirstCandidateRow);
    clickAt(main, CloseThisPopUp);

    const QString editor = vornel.waitForWindow(EditorSize);
    ASSERT_FALSE(editor.isEmpty()) << "the rule editor never opened";
    EXPECT_EQ(popUp.state(), QProcess::Running) << "closed before the rule was confirmed";
    clickAt(editor, EditorOk);

    EXPECT_TRUE(popUp.waitForFinished(5000)) << "the pop-up was not closed";
    EXPECT_EQ(iniValue(vornel.file("vornel.ini"), "[Windows]1"),
              QString("Y,Super promo,Y,%1,%2").arg(outerWidth).arg(outerHeight));
    EXPECT_NE(vornel.process().state(), QProcess::NotRunning);

    if (popUp.state() != QProcess::NotRunning) popUp.kill();
    popUp.waitForFinished();
}
