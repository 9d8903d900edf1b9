#include "app/tfm_vornel.h"
#include "app/tfm_vornel_tray.h"
#include "blocking/list_rows.h"
#include "blocking/scripted_desktop.h"
#include "blocking/tfm_ferme.h"
#include "common/text.h"
#include "gui_helpers.h"
#include "support/loopback_sockets.h"
#include "support/modal_answer.h"
#include "support/qt_print.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMutex>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace vornel;

namespace {

// The application's message loop, as start-up runs it; 1 when nothing ended
// it within five seconds.
int runApplicationLoop() {
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    limit.start(5000);
    return QCoreApplication::exec();
}

class TrayForm : public ::testing::Test {
protected:
    TrayForm() {
        tray.fmVornel = &window;
        window.fmFerme = &ferme;
        ferme.mainWindow = &window;
    }

    // The menu as it reads when it opens: one caption per item, "-" for the separator.
    QStringList menuAtOpening() {
        tray.PopupMenu1Popup();
        QStringList captions;
        for (QAction* a : tray.PopupMenu1->actions())
            captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return captions;
    }
    QSystemTrayIcon* shellIcon() { return tray.findChild<QSystemTrayIcon*>(); }
    void addCandidates(int n) {
        for (int i = 0; i < n; ++i)
            window.ui.lb1->addItem(QString::number(desktop.add("Pub " + std::to_string(i))));
    }

    test::PrivateFolders folders;
    ScriptedDesktop desktop;
    test::QuietSound sound;
    TfmVornelTray tray;
    TfmFerme ferme;
    TfmVornel window{desktop, sound, &tray};
};

} // namespace

TEST_F(TrayForm, TheMainWindowAddsTheIconWithItsTip) {
    ASSERT_NE(shellIcon(), nullptr);
    EXPECT_TRUE(shellIcon()->isVisible());
    EXPECT_EQ(shellIcon()->toolTip(), "Vornel");
    EXPECT_EQ(shellIcon()->icon().cacheKey(), tray.MAINICON.cacheKey());
    EXPECT_FALSE(tray.MAINICON.isNull());
    EXPECT_FALSE(tray.PAUSE.isNull());
    EXPECT_TRUE(tray.MAINICON.availableSizes().contains(QSize(16, 16)));
    EXPECT_TRUE(tray.PAUSE.availableSizes().contains(QSize(64, 64)));
    EXPECT_TRUE(tray.isHidden());
}

TEST_F(TrayForm, MenuWithoutCandidatesBeginsWithTheSeparator) {
    EXPECT_EQ(menuAtOpening(),
              (QStringList{"-", "Mettre en pause", "Afficher la fenêtre", "Quitter"}));
}

TEST_F(TrayForm, MenuListsEveryCandidateByItsShortTitleInListOrder) {
    addCandidates(3);
    const QStringList menu = menuAtOpening();
    ASSERT_EQ(menu.size(), 7);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(menu[i], window.TitreCourt(window.ui.lb1->item(i)->text()).replace("&", "&&"));
    EXPECT_EQ(menu.mid(3), (QStringList{"-", "Mettre en pause", "Afficher la fenêtre", "Quitter"}));

    // The menu is rebuilt at each opening: a candidate gone is gone from it.
    delete window.ui.lb1->takeItem(0);
    EXPECT_EQ(menuAtOpening().size(), 6);

    // Choosing a window item selects its line and opens the rule editor on it.
    tray.PopupMenu1Popup();
    QString editedTitle;
    ModalAnswer cancel([&](QWidget* modal) {
        editedTitle = ferme.ui.eTitre->text();
        qobject_cast<QDialog*>(modal)->reject();
    });
    tray.PopupMenu1->actions()[1]->trigger();
    EXPECT_EQ(cancel.answered(), 1);
    EXPECT_EQ(window.ui.lb1->currentRow(), 1);
    EXPECT_EQ(editedTitle, window.TitreCourt(window.ui.lb1->item(1)->text()));
}

// A tick may change the list while the menu is open: an item acts on its own
// window wherever its line has gone, and on no other when the window has.
TEST_F(TrayForm, AWindowItemActsOnItsWindowWhateverTheListDidMeanwhile) {
    addCandidates(2);
    tray.PopupMenu1Popup();
    QAction* second = tray.PopupMenu1->actions()[1];
    const QString chosen = window.ui.lb1->item(1)->text();
    window.ui.lb1->insertItem(0, QString::number(desktop.add("Pub au-dessus")));

    QString editedTitle;
    ModalAnswer cancel([&](QWidget* modal) {
        editedTitle = ferme.ui.eTitre->text();
        qobject_cast<QDialog*>(modal)->reject();
    });
    second->trigger();
    EXPECT_EQ(cancel.answered(), 1);
    EXPECT_EQ(editedTitle, window.TitreCourt(chosen));

    // The window closes, and the next tick takes its line away.
    desktop.remove(vornel::parseHandle(chosen.toStdString()));
    delete window.ui.lb1->takeItem(2);
    window.ui.lb1->setCurrentRow(0);
    QString told;
    ModalAnswer ok([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) told = box->text();
        modal->close();
    });
    second->trigger();
    EXPECT_EQ(ok.answered(), 1);
    EXPECT_EQ(told, "Cette fenêtre s'est fermée entre-temps : choisissez-en une autre dans la "
                    "liste.");
    EXPECT_EQ(window.ui.lb1->currentRow(), 0);
}

TEST_F(TrayForm, AWindowItemNeverOpensASecondDialog) {
    addCandidates(2);
    window.ui.lb1->setCurrentRow(0);
    QDialog editor(&window);
    int selectedWhileOpen = -2;
    QTimer::singleShot(0, [&] {
        tray.FormClick(window.ui.lb1->item(1)->text());
        selectedWhileOpen = window.ui.lb1->currentRow();
        editor.reject();
    });
    editor.exec();
    EXPECT_EQ(selectedWhileOpen, 0);
}

TEST_F(TrayForm, PausingTwiceReturnsToTheRunningState) {
    ASSERT_TRUE(window.Timer1->isActive());
    tray.PauseClick();
    EXPECT_FALSE(window.Timer1->isActive());
    EXPECT_EQ(shellIcon()->icon().cacheKey(), tray.PAUSE.cacheKey());
    EXPECT_EQ(shellIcon()->toolTip(), "Vornel");
    EXPECT_EQ(menuAtOpening()[1], "Activer Vornel");

    tray.PauseClick();
    EXPECT_TRUE(window.Timer1->isActive());
    EXPECT_EQ(shellIcon()->icon().cacheKey(), tray.MAINICON.cacheKey());
    EXPECT_EQ(shellIcon()->toolTip(), "Vornel");
    EXPECT_EQ(menuAtOpening()[1], "Mettre en pause");
}

TEST(TrayIcon, NothingReachesTheShellBeforeTheIconIsAdded) {
    TfmVornelTray tray;
    auto* shellIcon = tray.findChild<QSystemTrayIcon*>();
    EXPECT_FALSE(tray.NotifyTray(TfmVornelTray::NIM_ADD, 0));
    tray.SetTrayIcon(tray.PAUSE);
    EXPECT_TRUE(shellIcon->icon().isNull());
    EXPECT_FALSE(shellIcon->isVisible());
}

TEST(TrayIcon, TheTipIsCutToItsByteLimitBetweenCharacters) {
    TfmVornelTray tray;
    tray.AddTrayIcon(990, tray.MAINICON, QString(40, u'é')); // 80 bytes
    EXPECT_EQ(tray.findChild<QSystemTrayIcon*>()->toolTip(), QString(31, u'é'));
}

TEST_F(TrayForm, LeftAndRightPressesOpenTheMenuOtherClicksDoNot) {
    using Reason = QSystemTrayIcon::ActivationReason;
    auto opensMenu = [&](Reason reason) {
        bool opened = false;
        QTimer closer;
        closer.setInterval(5);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (tray.PopupMenu1->isVisible()) {
                opened = !tray.PopupMenu1->actions().isEmpty();
                tray.PopupMenu1->close();
            }
        });
        closer.start();
        emit shellIcon()->activated(reason);
        QApplication::processEvents();
        return opened;
    };
    EXPECT_TRUE(opensMenu(QSystemTrayIcon::Trigger));
    EXPECT_TRUE(opensMenu(QSystemTrayIcon::Context));
    EXPECT_FALSE(opensMenu(QSystemTrayIcon::DoubleClick));
    EXPECT_FALSE(opensMenu(QSystemTrayIcon::MiddleClick));
}

TEST_F(TrayForm, ShowingFromTheMenuOpensOnPageOneOnlyWhenHidden) {
    window.show();
    window.BtnClick(Page::Closed);
    tray.Afficher1Click();
    EXPECT_EQ(window.currentPage(), Page::Closed);
    window.hide();
    tray.Afficher1Click();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.currentPage(), Page::Welcome);
}

TEST_F(TrayForm, QuitterRemovesTheIconAndEndsTheLoopOnce) {
    int ending = 0;
    QObject::connect(&tray, &TfmVornelTray::ending, [&] { ++ending; });
    QTimer::singleShot(0, [&] { tray.Quitter1Click(); });
    EXPECT_EQ(runApplicationLoop(), 0);
    EXPECT_TRUE(tray.hasClosed());
    EXPECT_FALSE(shellIcon()->isVisible());
    tray.close();
    EXPECT_EQ(ending, 1);
}

TEST_F(TrayForm, QuitterVornelOnTheOptionsPageClosesTheTrayForm) {
    QTimer::singleShot(0, [&] { window.ui.SpeedButton10->click(); });
    EXPECT_EQ(runApplicationLoop(), 0);
    EXPECT_TRUE(tray.hasClosed());
}

TEST_F(TrayForm, QuitterWhileADialogIsOpenEndsTheProgramAndCancelsTheDialog) {
    int dialogResult = -1;
    QTimer::singleShot(0, [&] {
        QDialog editor(&window);
        QTimer::singleShot(50, [&] { tray.Quitter1Click(); });
        dialogResult = editor.exec();
    });
    EXPECT_EQ(runApplicationLoop(), 0);
    EXPECT_EQ(dialogResult, QDialog::Rejected);
    EXPECT_TRUE(tray.hasClosed());
}

// A window item selects its line for the rule editor only: it does not enable
// "&Fermer automatiquement cette fenêtre de pub", and afterwards the list shows
// the user's own choice again, so that what shows selected and the button agree.
TEST_F(TrayForm, AWindowItemLeavesTheUsersChoiceAndTheButtonAsTheyWere) {
    addCandidates(3);
    QToolButton* sbFermer = window.ui.sbFermer;
    auto chooseWithTheMenu = [&](int row) {
        int selectedInEditor = -2;
        bool enabledInEditor = true;
        ModalAnswer cancel([&](QWidget* modal) {
            selectedInEditor = selectedRow(window.ui.lb1);
            enabledInEditor = sbFermer->isEnabled();
            qobject_cast<QDialog*>(modal)->reject();
        });
        tray.FormClick(window.ui.lb1->item(row)->text());
        EXPECT_EQ(cancel.answered(), 1);
        EXPECT_EQ(selectedInEditor, row);
        EXPECT_FALSE(enabledInEditor);
    };

    chooseWithTheMenu(2);
    EXPECT_EQ(selectedRow(window.ui.lb1), -1);
    EXPECT_FALSE(sbFermer->isEnabled());

    // The user chose row 0 in the list: that choice is what shows afterwards.
    window.ui.lb1->setCurrentRow(0);
    ASSERT_TRUE(sbFermer->isEnabled());
    sbFermer->setEnabled(false);
    chooseWithTheMenu(1);
    EXPECT_EQ(selectedRow(window.ui.lb1), 0);
}

// Without candidates the opened menu shows its separator on top, drawn, not
// collapsed away as Qt does with a separator that leads a menu.
TEST_F(TrayForm, WithoutCandidatesTheOpenMenuShowsItsSeparatorOnTop) {
    QMenu* menu = tray.PopupMenu1;
    menu->popup(QPoint(100, 100));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 4);
    ASSERT_TRUE(items[0]->isSeparator());
    const QRect separator = menu->actionGeometry(items[0]);
    const QRect pause = menu->actionGeometry(items[1]);
    EXPECT_GT(separator.height(), 0);
    EXPECT_LE(separator.bottom(), pause.top());
    EXPECT_LT(separator.top(), menu->height() / 4);

    // A line is drawn across the separator's band: down its middle column,
    // away from the menu's frame, more than one colour.
    const QImage drawn = menu->grab(separator).toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < drawn.height(); ++y)
        colours.insert(drawn.pixel(drawn.width() / 2, y));
    EXPECT_GE(colours.size(), 2);
    menu->close();
}

namespace {

// A panel's tray as the program meets it on the session bus (the test runs
// on a bus of its own): a StatusNotifierWatcher with its host registered,
// which notes the item that registers. It answers from a thread of its own,
// as a panel would from its process: the program asks it and waits.
class PanelWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)

public:
    PanelWatcher() {
        moveToThread(&thread_);
        thread_.start();
        bus_.registerObject("/StatusNotifierWatcher", this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
        bus_.registerService("org.kde.StatusNotifierWatcher");
    }
    ~PanelWatcher() override {
        QDBusConnection::disconnectFromBus(bus_.name());
        thread_.quit();
        thread_.wait();
    }
    bool hostRegistered() const { return true; }
    QString item() {
        QMutexLocker lock(&mutex_);
        return item_;
    }

public slots:
    void RegisterStatusNotifierItem(const QString& service) {
        QMutexLocker lock(&mutex_);
        item_ = service;
    }

private:
    QDBusConnection bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "panel");
    QThread thread_;
    QMutex mutex_;
    QString item_;
};

struct WithAPanel {
    PanelWatcher panel;
};

// The tray form, its icon shown in that panel.
class TrayInAPanel : public WithAPanel, public TrayForm {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "runs on a session bus";
        ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.item().isEmpty(); }, 5000))
            << "the icon did not register with the panel";
        item = panel.item();
    }

    // A call as the panel makes it. The event loop runs meanwhile: the item
    // answers from this same thread.
    QDBusMessage ask(const QString& path, const QString& interface, const QString& method,
                     const QVariantList& arguments) {
        QDBusMessage call = QDBusMessage::createMethodCall(item, path, interface, method);
        call.setArguments(arguments);
        return QDBusConnection::sessionBus().call(call, QDBus::BlockWithGui, 5000);
    }
    QVariant itemProperty(const QString& name) {
        const QDBusMessage reply = ask("/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                                       "Get", {"org.kde.StatusNotifierItem", name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    QDBusMessage menuCall(const QString& method, const QVariantList& arguments) {
        return ask(menuPath, "com.canonical.dbusmenu", method, arguments);
    }
    // The menu as the panel shows it, after asking for it to be rebuilt: one
    // label per entry, "-" for the separator, with each entry's id.
    QList<std::pair<int, QString>> menuAtOpening() {
        EXPECT_EQ(menuCall("AboutToShow", {0}).type(), QDBusMessage::ReplyMessage);
        const QDBusMessage reply = menuCall("GetLayout", {0, -1, QStringList()});
        const QDBusArgument root = reply.arguments().value(1).value<QDBusArgument>();
        QList<std::pair<int, QString>> entries;
        int id = -1;
        QVariantMap properties;
        root.beginStructure();
        root >> id >> properties;
        root.beginArray();
        while (!root.atEnd()) {
            QDBusVariant child;
            root >> child;
            const QDBusArgument entry = child.variant().value<QDBusArgument>();
            entry.beginStructure();
            entry >> id >> properties;
            entry.endStructure();
            entries.emplace_back(id, properties.value("type") == "separator"
                                         ? QStringLiteral("-")
                                         : properties.value("label").toString());
        }
        root.endArray();
        root.endStructure();
        return entries;
    }
    static QStringList labels(const QList<std::pair<int, QString>>& entries) {
        QStringList out;
        for (const auto& entry : entries)
            out << entry.second;
        return out;
    }

    QString item;
    QString menuPath;
};

} // namespace

// The icon's bus name held by another program when the icon shows: every
// name the program's items may take (numbered by the item).
struct ItemNamesTaken {
    ItemNamesTaken() {
        for (int i = 1; i <= 50; ++i) {
            names << QString("org.kde.StatusNotifierItem-%1-%2")
                         .arg(QCoreApplication::applicationPid())
                         .arg(i);
            holder.registerService(names.back());
        }
    }
    ~ItemNamesTaken() { QDBusConnection::disconnectFromBus("name holder"); }
    void release() {
        for (const QString& name : names)
            holder.unregisterService(name);
    }
    QDBusConnection holder =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "name holder");
    QStringList names;
};

class TrayWhoseNameIsTaken : public WithAPanel, public ItemNamesTaken, public TrayForm {};

// A refused name is not an icon: the program says so and asks again, and the
// icon reaches the panel once the name is free.
TEST_F(TrayWhoseNameIsTaken, TheIconRegistersOnceItsNameIsFree) {
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "runs on a session bus";
    QTest::qWait(1500);
    EXPECT_TRUE(panel.item().isEmpty()) << "registered under a name another program holds";
    release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !panel.item().isEmpty(); }, 8000))
        << "the name was not asked for again";
}

// The way waybar reaches the menu: the item names a menu object and says it
// is only a menu; the menu is rebuilt when the panel asks, lists the windows
// of the moment and the three commands, and a click on an entry does what it
// does in the menu of the X11 icon.
TEST_F(TrayInAPanel, APanelReadsTheMenuOverDBusAndItsClicksWork) {
    EXPECT_EQ(shellIcon(), nullptr) << "one icon, the panel's";
    EXPECT_TRUE(tray.trayAvailable());
    EXPECT_EQ(itemProperty("ItemIsMenu").toString(), "true");
    menuPath = itemProperty("Menu").value<QDBusObjectPath>().path();
    ASSERT_FALSE(menuPath.isEmpty());
    ASSERT_NE(menuPath, "/NO_DBUSMENU");

    // Captions as dbusmenu has them: "_" is its access-key mark.
    window.ui.lb1->addItem(QString::number(desktop.add("Pub & co_mag")));
    const QString title = window.TitreCourt(window.ui.lb1->item(0)->text()).replace("_", "__");
    QList<std::pair<int, QString>> menu = menuAtOpening();
    ASSERT_EQ(labels(menu),
              (QStringList{title, "-", "Mettre en pause", "Afficher la fenêtre", "Quitter"}));

    const QDBusMessage clicked =
        menuCall("Event", {menu[2].first, "clicked", QVariant::fromValue(QDBusVariant(0)), 0u});
    EXPECT_EQ(clicked.type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.Timer1->isActive(); }, 5000));
    EXPECT_EQ(menuAtOpening()[2].second, "Activer Vornel");

    // A window entry opens the rule editor on that window; the panel has its
    // answer without waiting for the editor to close.
    menu = menuAtOpening();
    QDBusMessage call =
        QDBusMessage::createMethodCall(item, menuPath, "com.canonical.dbusmenu", "Event");
    call.setArguments({menu[0].first, "clicked", QVariant::fromValue(QDBusVariant(0)), 0u});
    QDBusPendingCallWatcher answer(QDBusConnection::sessionBus().asyncCall(call));
    bool answeredWhileEditing = false;
    QString editedTitle;
    ModalAnswer cancel([&](QWidget* modal) {
        answeredWhileEditing = QTest::qWaitFor([&] { return answer.isFinished(); }, 5000);
        editedTitle = ferme.ui.eTitre->text();
        qobject_cast<QDialog*>(modal)->reject();
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return cancel.answered() == 1; }, 5000));
    EXPECT_TRUE(answeredWhileEditing);
    EXPECT_EQ(editedTitle, window.TitreCourt(window.ui.lb1->item(0)->text()));

    // A click on the icon itself pops up no window of the program's.
    ask("/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate", {0, 0});
    ask("/StatusNotifierItem", "org.kde.StatusNotifierItem", "ContextMenu", {0, 0});
    QApplication::processEvents();
    EXPECT_FALSE(tray.PopupMenu1->isVisible());

    // Removed, the icon's name leaves the bus, and the panel drops it.
    QDBusConnectionInterface* names = QDBusConnection::sessionBus().interface();
    EXPECT_TRUE(names->isServiceRegistered(item).value());
    tray.NotifyTray(TfmVornelTray::NIM_DELETE, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !names->isServiceRegistered(item).value(); }, 5000));
}

namespace {

// A machine's settings file, in $XDG_CONFIG_DIRS while the object lives:
// an imposed option, a rule of the administrator's and a line it cannot use.
class WithMachineSettings {
public:
    WithMachineSettings() : old_(qgetenv("XDG_CONFIG_DIRS")) {
        QDir().mkpath(dir_.filePath("vornel"));
        QFile file(dir_.filePath("vornel/vornel.ini"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            "[Impose]\r\nDemarre=1\r\n[Windows]\r\n1=Y,Pub salle,N,1,1\r\nCouleur=rouge\r\n");
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dir_.path()));
    }
    ~WithMachineSettings() { qputenv("XDG_CONFIG_DIRS", old_); }

private:
    QTemporaryDir dir_;
    QByteArray old_;
};

// The forms made while the program speaks English, with a machine's settings.
class TrayFormInEnglish : public test::InEnglish, public WithMachineSettings, public TrayForm {};

// An update page that never reaches its site, and keeps what it was given
// to show instead.
struct OfflinePage : PageBrowser {
    explicit OfflinePage(QString& shown) : shown_(shown) {}
    void Navigate(const QString&) override {}
    void showOwnPage(const QString& html) override { shown_ = html; }
    QString& shown_;
};

} // namespace

// Under English, every text of every form, page, menu and dialog is English:
// none is one of the program's French texts, none holds a French letter.
TEST_F(TrayFormInEnglish, NoFormMenuOrDialogShowsAFrenchText) {
    const QStringList french = test::frenchSourceTexts();
    ASSERT_GT(french.size(), 150) << "the French texts of " VORNEL_TS_FILE;
    QStringList shown;
    const test::TestSocket listener = test::tcpListener("127.0.0.1");

    // The main window, loaded and shown, on each of its pages; the ports
    // page once its list is in.
    window.Initialise();
    window.show();
    using vornel::Page;
    for (Page page : {Page::Welcome, Page::Current, Page::Closed, Page::Ports, Page::Statistics,
                      Page::Options, Page::Update}) {
        window.BtnClick(page);
        if (page == Page::Ports) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return window.ui.lbPorts->count() > 0; }, 5000));
        }
        shown << test::shownTexts(&window);
    }
    EXPECT_TRUE(shown.contains("Vornel 2003.03 - closes your browser's ad windows"));
    // The administrator's rule, chosen in the list: its line and the tips of
    // the buttons it cannot use.
    window.BtnClick(Page::Closed);
    window.ui.lb2->setCurrentRow(0);
    window.lb2Click();
    for (int row = 0; row < window.ui.lb2->count(); ++row)
        shown << window.ruleRowText(row);
    shown << test::shownTexts(&window);
    EXPECT_TRUE(shown.contains("Titre~\"Pub salle\" (administrator)"))
        << shown.join('\n').toStdString();
    EXPECT_TRUE(shown.contains("Setting imposed by the administrator"));
    EXPECT_TRUE(shown.filter("Administrator's settings ignored: ").size() > 0);
    EXPECT_TRUE(shown.contains(QString("Port %1 listening").arg(listener.localPort())));

    // The update page that cannot reach its site, and its own page.
    QString offline;
    PageBrowser* page = nullptr;
    window.makePageBrowser = [&](QWidget*) {
        auto browser = std::make_unique<OfflinePage>(offline);
        page = browser.get();
        return std::unique_ptr<PageBrowser>(std::move(browser));
    };
    window.sbMajClick();
    ASSERT_NE(page, nullptr);
    page->unreachable();
    EXPECT_EQ(window.ui.lMaj->text(), "Update site unreachable");
    shown << window.ui.lMaj->text() << offline.remove(QRegularExpression("<[^>]*>"));

    // The tray menu, running and paused.
    addCandidates(1);
    for (int state = 0; state < 2; ++state) {
        tray.PopupMenu1Popup();
        shown << test::shownTexts(tray.PopupMenu1);
        tray.PauseClick();
    }
    EXPECT_TRUE(shown.contains("Pause"));
    EXPECT_TRUE(shown.contains("Resume Vornel"));

    // The editor, with what a rule would close in each of its sentences.
    const std::vector<std::vector<HeldWindow>> held{{},
                                                    {{1, "Pub", true}},
                                                    {{2, "Notes", false}},
                                                    {{1, "Pub", true}, {2, "Notes", false}},
                                                    {{2, "Notes", false}, {3, "Mail", false}}};
    for (const std::vector<HeldWindow>& windows : held) {
        ferme.windowsHeldBy = [&](const TCond&) { return windows; };
        ferme.ShowWhatItCloses();
        shown << test::shownTexts(&ferme);
    }

    // The dialogs: the reset question, a window gone meanwhile.
    auto dialogDuring = [&](const std::function<void()>& action) {
        ModalAnswer answer([&](QWidget* modal) {
            shown << test::shownTexts(modal);
            qobject_cast<QDialog*>(modal)->reject();
        });
        action();
        EXPECT_EQ(answer.answered(), 1);
    };
    dialogDuring([&] { window.SpeedButton1Click(); });
    dialogDuring([&] { window.windowGone(); });
    EXPECT_TRUE(shown.contains("Clear the total and the whole log?"));

    EXPECT_EQ(test::frenchAmong(shown, french), QStringList());
    // The English fits where the French did.
    EXPECT_EQ(test::cutOffCaptions(&window), QStringList());
    EXPECT_EQ(test::cutOffCaptions(&ferme), QStringList());
}

#include "test_tfm_vornel_tray.moc"
