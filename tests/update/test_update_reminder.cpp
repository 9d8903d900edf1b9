#include "common/date_text.h"
#include "settings/settings_store.h"
#include "support/qt_print.h"
#include "update_page_fixture.h"

#include <gtest/gtest.h>

using namespace vornel;
using namespace vornel::test;

namespace {

std::string daysAgo(int days) {
    return dateText(QDate::currentDate().addDays(-days));
}

// Start-ups of the main window over one settings folder, with the update
// host pointing at a page server that no start-up may call.
class UpdateReminder : public ::testing::Test {
protected:
    UpdateReminder() { qputenv("VORNEL_UPDATE_HOST", server.hostAndPort().toLatin1()); }
    ~UpdateReminder() override { qunsetenv("VORNEL_UPDATE_HOST"); }

    void store(const std::string& maj, int majJour, const std::string& majLast) {
        QFile file(settings.ini());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const std::string text = "[Vornel]\r\nAfficher=0\r\nMaj=" + maj +
                                 "\r\nMajJour=" + std::to_string(majJour) +
                                 "\r\nMajLast=" + majLast + "\r\n";
        file.write(text.data(), qint64(text.size()));
    }

    std::unique_ptr<TfmVornel> start() {
        auto window = std::make_unique<TfmVornel>(desktop, sound);
        window->Initialise();
        return window;
    }

    static bool onUpdatePage(const TfmVornel& w) {
        return w.isVisible() && w.currentPage() == Page::Update;
    }
    static QString ageText(int days) {
        return QStringLiteral("Dernière mise à jour il y a %1 %2.")
            .arg(days)
            .arg(days <= 1 ? "jour" : "jours");
    }

    PageServer server;
    SettingsFolder settings;
    ScriptedDesktop desktop;
    SilentSound sound;
};

TEST_F(UpdateReminder, ComesStrictlyAfterThePeriodAndRequestsNothing) {
    struct Case {
        const char* maj;
        int majJour, daysAgo;
        bool reminded;
    };
    for (Case c : {Case{"1", 15, 16, true}, Case{"1", 15, 15, false}, Case{"1", 1, 2, true},
                   Case{"0", 15, 400, false}, Case{"0", 1, 16, false}}) {
        SCOPED_TRACE(std::string("Maj=") + c.maj + " MajJour=" + std::to_string(c.majJour) +
                     " days ago " + std::to_string(c.daysAgo));
        store(c.maj, c.majJour, daysAgo(c.daysAgo));
        const QByteArray stored = fileText(settings.ini());
        auto w = start();
        EXPECT_EQ(onUpdatePage(*w), c.reminded);
        EXPECT_EQ(w->isVisible(), c.reminded);
        EXPECT_EQ(w->ui.lMaj->text(), ageText(c.daysAgo));
        EXPECT_GE(w->ui.lMaj->width(), w->ui.lMaj->sizeHint().width());
        // The page stays empty until it is asked for, and nothing is stored.
        waitFor([] { return false; }, 200);
        EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("wb")), nullptr);
        EXPECT_TRUE(server.pageRequests().isEmpty());
        EXPECT_EQ(fileText(settings.ini()), stored);
    }
}

TEST_F(UpdateReminder, FirstStartCountsAsACheckToday) {
    auto w = start();
    EXPECT_EQ(w->ui.lMaj->text(), "Dernière mise à jour il y a 0 jour.");
    EXPECT_FALSE(w->currentPage() == Page::Update);
}

TEST_F(UpdateReminder, ComesBackAtEveryStartUntilThePageIsRequested) {
    store("1", 15, daysAgo(20));
    EXPECT_TRUE(onUpdatePage(*start()));
    auto w = start();
    ASSERT_TRUE(onUpdatePage(*w));

    // What the window's show handler assigns.
    w->updateUrl = updateAddress();
    w->ui.sbMaj->click();
    ASSERT_TRUE(waitFor([&] { return server.pageRequests().size() == 1; }));
    EXPECT_TRUE(fileText(settings.ini())
                    .contains(QByteArray("MajLast=") +
                              QByteArray::fromStdString(lastUpdateText(QDate::currentDate())) +
                              "\r\n"));
    w.reset();

    auto restarted = start();
    EXPECT_EQ(restarted->ui.lMaj->text(), ageText(0));
    EXPECT_FALSE(restarted->isVisible());
}

} // namespace
