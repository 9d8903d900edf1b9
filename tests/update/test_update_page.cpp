#include "load_recorder.h"
#include "settings/settings_store.h"
#include "support/qt_print.h"
#include "update/tick_count.h"
#include "update/web_page_loader.h"
#include "update_page_fixture.h"

#include <QDir>
#include <QRegularExpression>
#include <QTcpServer>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace vornel;
using namespace vornel::test;

namespace {

const QDate LongAgo(2025, 1, 31);

QByteArray storedLastCheck(const QDate& day) {
    return QByteArray("MajLast=") + QByteArray::fromStdString(lastUpdateText(day)) + "\r\n";
}

// The number after "&tmp=" in a request for the update page; -1 when the
// target is not such a request.
qint64 tmpOf(const QString& target) {
    static const QRegularExpression page(
        QStringLiteral("^/maj/\\?prog=Vornel&version=2003\\.03&tmp=(\\d+)$"));
    const auto match = page.match(target);
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

// The command lines of the web engine's processes under this one.
QStringList engineProcesses(pid_t parent = getpid()) {
    QStringList found;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const pid_t pid = entry.toInt(&isPid);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!isPid || !stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 2 || fields[1].toInt() != parent) continue;
        QFile command(QStringLiteral("/proc/%1/cmdline").arg(pid));
        command.open(QIODevice::ReadOnly);
        const QString line = QString::fromLocal8Bit(command.readAll().replace('\0', ' '));
        if (line.contains(u"QtWebEngineProcess")) found << line;
        found << engineProcesses(pid);
    }
    return found;
}

// With its sandbox the engine keeps two zygote processes for the life of the
// program; without it (as root) nothing of it may stay.
bool noPageProcessLeft() {
    const QStringList left = engineProcesses();
    return geteuid() == 0 ? left.isEmpty() : left.filter(u"--type=zygote").size() == left.size();
}

class UpdatePageRequest : public ::testing::Test {
protected:
    PageServer server;
    OnUpdatePage page{server.hostAndPort()};
    TfmVornel& fm = *page.window;
};

TEST_F(UpdatePageRequest, AClickShowsThePageAndCountsAsACheckToday) {
    fm.lastUpdate = LongAgo;
    EXPECT_EQ(page.browser(), nullptr);

    const uint32_t before = tickCount();
    fm.ui.sbMaj->click();
    const uint32_t after = tickCount();

    EXPECT_EQ(fm.ui.lMaj->text(), fm.updateUrl);
    EXPECT_GE(fm.ui.lMaj->width(), fm.ui.lMaj->sizeHint().width());
    EXPECT_EQ(fm.lastUpdate, QDate::currentDate());
    EXPECT_TRUE(fileText(page.settings.ini()).contains(storedLastCheck(QDate::currentDate())))
        << fileText(page.settings.ini()).toStdString();
    QWidget* wb = page.browser();
    ASSERT_NE(wb, nullptr);
    EXPECT_EQ(wb->parentWidget(), fm.ui.wbArea);
    EXPECT_TRUE(wb->isVisible());

    ASSERT_TRUE(waitFor([&] { return !server.pageRequests().isEmpty(); }));
    ASSERT_EQ(server.pageRequests().size(), 1);
    const qint64 tmp = tmpOf(server.pageRequests().front());
    ASSERT_GE(tmp, 0) << server.pageRequests().front().toStdString();
    EXPECT_GE(tmp, before);
    EXPECT_LE(tmp, after);

    ASSERT_TRUE(waitFor([&] { return wb->property("title").toString() == PageServer::Title; }));
    EXPECT_EQ(wb->property("url").toUrl().toString(),
              fm.updateUrl + QStringLiteral("&tmp=%1").arg(tmp));
    // Drawn inside the page area.
    const QPoint middle = fm.ui.wbArea->rect().center();
    EXPECT_TRUE(waitFor([&] {
        return fm.ui.wbArea->grab().toImage().pixelColor(middle) == QColor(255, 0, 0);
    })) << fm.ui.wbArea->grab().toImage().pixelColor(middle).name().toStdString();
}

TEST_F(UpdatePageRequest, EveryClickAsksForANewAddressInTheSameBrowser) {
    fm.ui.sbMaj->click();
    QWidget* first = page.browser();
    ASSERT_TRUE(waitFor([&] { return server.pageRequests().size() == 1; }));
    ASSERT_TRUE(waitFor([&] { return first->property("title").toString() == PageServer::Title; }));

    fm.ui.sbMaj->click();
    EXPECT_EQ(page.browser(), first);
    ASSERT_TRUE(waitFor([&] { return server.pageRequests().size() == 2; }));

    const QStringList requests = server.pageRequests();
    const qint64 tmp1 = tmpOf(requests[0]), tmp2 = tmpOf(requests[1]);
    ASSERT_GE(tmp1, 0);
    ASSERT_GE(tmp2, 0);
    EXPECT_NE(tmp1, tmp2);
    EXPECT_EQ(requests[0].left(requests[0].indexOf(u"&tmp=")),
              requests[1].left(requests[1].indexOf(u"&tmp=")));
}

// Left for a while, the page lets the web engine go with its processes;
// coming back makes it again, on the page last asked for.
TEST_F(UpdatePageRequest, LeftForAWhileItLetsTheWebEngineGoUntilShownAgain) {
    fm.browserKeptFor = std::chrono::milliseconds(100);
    fm.ui.sbMaj->click();
    auto loaded = [&] {
        return page.browser() && page.browser()->property("title").toString() == PageServer::Title;
    };
    ASSERT_TRUE(waitFor(loaded));
    EXPECT_FALSE(engineProcesses().isEmpty());

    fm.BtnClick(Page::Welcome);
    EXPECT_NE(page.browser(), nullptr) << "kept a while";
    ASSERT_TRUE(waitFor([&] { return page.browser() == nullptr; }));
    EXPECT_TRUE(waitFor(noPageProcessLeft)) << engineProcesses().join('\n').toStdString();

    fm.BtnClick(Page::Update);
    ASSERT_NE(page.browser(), nullptr);
    EXPECT_TRUE(waitFor(loaded));
    ASSERT_TRUE(waitFor([&] { return server.pageRequests().size() == 2; }));
    EXPECT_EQ(server.pageRequests()[1], server.pageRequests()[0]);
    EXPECT_EQ(fm.ui.lMaj->text(), fm.updateUrl);

    // Hiding the window counts as leaving the page.
    fm.hide();
    EXPECT_TRUE(waitFor([&] { return page.browser() == nullptr; }));
}

TEST(UpdatePageUnreachable, StillCountsAsACheckToday) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();

    OnUpdatePage page(QStringLiteral("127.0.0.1:%1").arg(port));
    TfmVornel& fm = *page.window;
    fm.lastUpdate = LongAgo;
    fm.ui.sbMaj->click();
    EXPECT_EQ(fm.lastUpdate, QDate::currentDate());
    EXPECT_TRUE(fileText(page.settings.ini()).contains(storedLastCheck(QDate::currentDate())));

    ASSERT_NE(page.browser(), nullptr);
    LoadRecorder loads(page.browser());
    ASSERT_TRUE(waitFor([&] { return !loads.results.isEmpty(); }));
    // The browser's own error page: the server was really not there.
    EXPECT_FALSE(loads.results.front());
    EXPECT_EQ(fm.lastUpdate, QDate::currentDate());
    // In its place, a page of ours that says so and what to do, in French.
    const QString unreachable = "Site de mise à jour injoignable";
    EXPECT_TRUE(waitFor([&] {
        return page.browser()->property("title").toString() == unreachable;
    })) << page.browser()->property("title").toString().toStdString();
    EXPECT_EQ(fm.ui.lMaj->text(), unreachable);
}

TEST(UpdatePageFailure, ARequestThatCannotBeMadeShowsTheErrorAndLeavesTheLastCheck) {
    OnUpdatePage page(QStringLiteral("127.0.0.1:1"));
    TfmVornel& fm = *page.window;
    fm.updateUrl = QStringLiteral("http://exa mple.org/maj/?prog=Vornel&version=2003.03");
    fm.lastUpdate = LongAgo;

    EXPECT_THROW(fm.sbMajClick(), std::runtime_error);
    EXPECT_EQ(fm.lastUpdate, LongAgo);

    AnsweredBox box;
    box.answerNext();
    fm.ui.sbMaj->click();
    EXPECT_EQ(box.caption, "Vornel");
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_TRUE(box.text.startsWith("Adresse invalide : http://exa mple.org/maj/"))
        << box.text.toStdString();
    EXPECT_TRUE(box.text.endsWith(u'.'));
    EXPECT_EQ(fm.lastUpdate, LongAgo);
    EXPECT_EQ(fileText(page.settings.ini()), QByteArray());
}

TEST(UpdatePageFailure, AMissingBrowserModuleShowsTheErrorAndLeavesTheLastCheck) {
    OnUpdatePage page(QStringLiteral("127.0.0.1:1"));
    TfmVornel& fm = *page.window;
    fm.makePageBrowser = [](QWidget* area) {
        return loadWebPageBrowser(area, QStringLiteral("/nonexistent/libvornel_webpage.so"));
    };
    fm.lastUpdate = LongAgo;

    AnsweredBox box;
    box.answerNext();
    fm.ui.sbMaj->click();
    EXPECT_EQ(box.caption, "Vornel");
    EXPECT_TRUE(box.text.startsWith("Le navigateur intégré ne peut pas être chargé"))
        << box.text.toStdString();
    EXPECT_EQ(fm.lastUpdate, LongAgo);
    EXPECT_EQ(page.browser(), nullptr);
    EXPECT_EQ(fileText(page.settings.ini()), QByteArray());
}

} // namespace
