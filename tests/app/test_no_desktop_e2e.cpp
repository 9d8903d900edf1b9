// The real program on a Wayland desktop that lets no client see other
// programs' windows and has no notification area (weston): it says so on
// stderr and shows its main window, though the settings say not to.
#include "support/wayland_session.h"

using namespace vornel::test;

TEST(NoDesktopEndToEnd, SaysNothingIsWatchedAndShowsTheMainWindow) {
    WaylandSession session("weston");
    ASSERT_TRUE(session.started());
    SessionVornelFolder folder;
    folder.write("vornel.ini", "[Vornel]\r\nAfficher=0\r\n");

    QProcess vornel;
    // The client side of the Wayland protocol, on stderr: what the program
    // asked the compositor to show.
    folder.start(vornel, session.dir(), {}, {"WAYLAND_DEBUG=client"});
    ASSERT_TRUE(vornel.waitForStarted(5000));
    QByteArray stderrText;
    const bool shown = waitUntilTrue([&] {
        vornel.waitForReadyRead(100);
        stderrText += vornel.readAllStandardError();
        // libwayland 1.23 (Debian 13) writes objects as wl_buffer#N, earlier
        // ones as wl_buffer@N.
        return stderrText.contains("set_title(\"Vornel 2003.03") &&
               (stderrText.contains(".attach(wl_buffer@") ||
                stderrText.contains(".attach(wl_buffer#"));
    });
    vornel.terminate();
    EXPECT_TRUE(vornel.waitForFinished(10000));
    stderrText += vornel.readAllStandardError();

    EXPECT_TRUE(shown) << "the main window was not shown";
    EXPECT_TRUE(stderrText.contains(
        "vornel: Aucune fenêtre n'est surveillée : le bureau Wayland de cette session"))
        << "no notice on stderr";
}
