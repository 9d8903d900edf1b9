// The scan tick against the real display: real xlogo windows, the real window
// manager, the close request going all the way to the client.
#include "blocking/alert_sound.h"
#include "blocking/desktops/x11_desktop.h"
#include "blocking/scan_cycle.h"
#include "blocking/tfm_ferme.h"
#include "common/memo_lines.h"
#include "support/qt_print.h"
#include "support/scan_widgets.h"
#include "support/x11_client.h"
#include "support/x11_display.h"

#include <gtest/gtest.h>

using namespace vornel;
using test::eventually;
using test::XLogo;

namespace {

struct CountingSound : AlertSound {
    int plays = 0;
    void play(const std::string&) override { ++plays; }
};

} // namespace

TEST(X11Scan, ClosesTheMatchingPopUpAndLeavesTheOthersOpen) {
    const std::string display = test::testDisplay();
    test::X11Client client(display);
    ASSERT_TRUE(client.connected());
    auto desktop = X11Desktop::connect(display);
    ASSERT_TRUE(desktop);

    XLogo byTitle(display, "Publicité - Navigateur démo");
    XLogo bySize(display, "Sans titre - Navigateur démo", "250x180+300+60");
    XLogo news(display, "Les nouvelles - Navigateur démo");
    XLogo notABrowser(display, "Publicité");
    // Its window manager would kill its client if asked to close it.
    xcb_window_t undeletable = client.create(200, 150, false);
    client.setUtf8Title(undeletable, "Publicité sans WM_DELETE_WINDOW - Navigateur démo");
    client.map(undeletable);
    xcb_window_t byTitleWindow = 0, bySizeWindow = 0, newsWindow = 0;
    ASSERT_TRUE(eventually([&] {
        byTitleWindow = client.findByName("Publicité - Navigateur démo");
        bySizeWindow = client.findByName("Sans titre - Navigateur démo");
        newsWindow = client.findByName("Les nouvelles - Navigateur démo");
        return byTitleWindow && bySizeWindow && newsWindow && client.findByName("Publicité") &&
               client.managed(bySizeWindow) && client.managed(undeletable);
    }));
    std::vector<uint32_t> frame = client.longs(bySizeWindow, "_NET_FRAME_EXTENTS");
    ASSERT_EQ(frame.size(), 4u);

    ScanWidgets w(" - Navigateur démo");
    CloseRules rules;
    rules.append(TCond{"Y", "N", "publicité", 0, 0});
    // The outer size, frame included, as the rule editor would have taken it.
    rules.append(TCond{"N", "Y", "", int32_t(250 + frame[0] + frame[1]),
                       int32_t(180 + frame[2] + frame[3])});
    CountingSound sound;
    ScanCycle scan(*desktop, rules, sound, w.controls(), [] { return WindowHandle(0); });

    // The close request is asynchronous: ticks go on until the pop-ups are gone.
    EXPECT_TRUE(eventually([&] {
        scan.Timer();
        return !byTitle.running() && !bySize.running();
    }));
    scan.Timer();

    EXPECT_TRUE(news.running());
    EXPECT_TRUE(notABrowser.running());
    EXPECT_TRUE(client.exists(undeletable));
    ASSERT_EQ(w.lb1.count(), 1);
    EXPECT_EQ(w.lb1.item(0)->text(), QString::number(newsWindow));
    // Each pop-up closed is counted once, however many ticks it took to go;
    // the one no request could be sent to is not counted at all.
    QStringList log = memoLines(&w.mLog);
    EXPECT_EQ(log.filter("Titre~\"publicité\"").size(), 1) << log.join('\n').toStdString();
    EXPECT_EQ(log.filter("Taille=\"").size(), 1) << log.join('\n').toStdString();
    EXPECT_EQ(w.lNbre.text(), "2");
    EXPECT_EQ(sound.plays, 2);
}

// The rule editor's line over the real desktop: a rule on a title alone, its
// size left on 1 x 1, holds for no window; without the size condition it
// names the pop-up, and apart the window of the same name that is no
// browser's.
TEST(X11Scan, TheRuleEditorNamesTheRealWindowsARuleWouldClose) {
    const std::string display = test::testDisplay();
    test::X11Client client(display);
    ASSERT_TRUE(client.connected());
    auto desktop = X11Desktop::connect(display);
    ASSERT_TRUE(desktop);
    XLogo popUp(display, "Super promo - Navigateur démo");
    XLogo notABrowser(display, "Super promo");
    ASSERT_TRUE(eventually([&] {
        const xcb_window_t shown = client.findByName("Super promo - Navigateur démo");
        return shown && client.managed(shown) && client.findByName("Super promo");
    }));

    ScanWidgets w(" - Navigateur démo");
    CloseRules rules;
    CountingSound sound;
    ScanCycle scan(*desktop, rules, sound, w.controls(), [] { return WindowHandle(0); });
    // The client's own connection may hear of the windows before the
    // desktop's does: the editor is opened once the desktop knows them both.
    ASSERT_TRUE(eventually([&] {
        return scan.windowsHeldBy(TCond{"Y", "N", "promo", 0, 0}).size() == 2;
    }));
    TfmFerme editor;
    editor.windowsHeldBy = [&](const TCond& rule) { return scan.windowsHeldBy(rule); };
    editor.ui.eTitre->setText("promo");
    editor.ui.seWidth->setValue(0);
    editor.ui.seHeight->setValue(0);
    editor.show();
    EXPECT_EQ(editor.ui.lFermerait->text(), "Aucune fenêtre ouverte ne correspond à cette règle.");
    editor.ui.cbDim->setCurrentIndex(2);
    EXPECT_EQ(editor.ui.lFermerait->text(),
              "Cette règle fermerait maintenant 1 fenêtre : « Super promo - Navigateur démo ». "
              "Elle vaut aussi pour 1 fenêtre qui n'est pas de navigateur et resterait ouverte : "
              "« Super promo ».");
    editor.hide();
    EXPECT_TRUE(popUp.running());
}
