// A first run on a desktop whose default browser is Firefox ESR: with no
// settings at all, the real program lists a Firefox window on "En cours", and
// a rule made from it closes it.
#include "support/real_vornel.h"
#include "support/x11_client.h"
#include "support/x11_display.h"

using namespace vornel::test;

namespace {

// Where the controls are, in the main window's client area.
constexpr QPoint SideButtonEnCours(4 + 36, 48 + 16);
constexpr QPoint FirstCandidateRow(84 + 60, 24 + 72 + 7);
constexpr QPoint CloseThisPopUp(84 + 176, 24 + 294 + 9);
constexpr QPoint EditorOk(248 + 37, 128 + 12);

void writeFile(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(text);
}

QByteArray browserEntry(const QByteArray& name) {
    return "[Desktop Entry]\nType=Application\nName=" + name +
           "\nExec=/bin/true %u\nMimeType=text/html;x-scheme-handler/http;\n";
}

// The session's freedesktop folders, all in the program's own folder: two
// browsers installed, the system preferring Chromium and the user Firefox ESR.
void setUpDesktopWithFirefoxAsDefault(VornelFolder& folder) {
    folder.setEnvironment("XDG_DATA_HOME", folder.file("home/.local/share"));
    folder.setEnvironment("XDG_DATA_DIRS", folder.file("share"));
    folder.setEnvironment("XDG_CONFIG_DIRS", folder.file("etc/xdg"));
    writeFile(folder.file("share/applications/chromium.desktop"), browserEntry("Chromium"));
    writeFile(folder.file("share/applications/firefox-esr.desktop"), browserEntry("Firefox ESR"));
    writeFile(folder.file("share/applications/mimeapps.list"),
              "[Default Applications]\nx-scheme-handler/http=chromium.desktop\n");
    writeFile(folder.file("config/mimeapps.list"),
              "[Default Applications]\nx-scheme-handler/http=firefox-esr.desktop;\n");
}

bool askedToClose(X11Client& client, xcb_window_t window) {
    const xcb_atom_t deleteWindow = client.atom("WM_DELETE_WINDOW");
    for (const xcb_client_message_event_t& m : client.protocolMessages())
        if (m.window == window && m.data.data32[0] == deleteWindow) return true;
    return false;
}

} // namespace

TEST(DefaultBrowser, AFirstRunListsTheDefaultBrowsersWindowAndARuleClosesIt) {
    ASSERT_FALSE(testDisplay().empty());
    X11Client client(testDisplay());
    ASSERT_TRUE(client.connected());
    // As Firefox ESR 153 titles a page titled "Pub".
    const xcb_window_t page = client.create(300, 200);
    client.setUtf8Title(page, "Pub — Mozilla Firefox");
    client.map(page);
    ASSERT_TRUE(eventually([&] { return client.managed(page); }));

    RealVornel vornel;
    setUpDesktopWithFirefoxAsDefault(vornel.folder());
    ASSERT_FALSE(QFile::exists(vornel.file("vornel.ini")));
    vornel.start();
    const QString main = vornel.waitForWindow(MainWindowSize);
    ASSERT_FALSE(main.isEmpty()) << "the main window never showed";

    clickAt(main, SideButtonEnCours);
    QThread::msleep(500); // a few ticks: the page is listed
    clickAt(main, FirstCandidateRow);
    clickAt(main, CloseThisPopUp);
    const QString editor = vornel.waitForWindow(EditorSize);
    ASSERT_FALSE(editor.isEmpty()) << "the Firefox window was not listed";
    EXPECT_FALSE(askedToClose(client, page)) << "closed before the rule was confirmed";
    clickAt(editor, EditorOk);

    EXPECT_TRUE(eventually([&] { return askedToClose(client, page); }, std::chrono::seconds(5)))
        << "the rule did not close the Firefox window";
    // The rule holds the shortened title; the browser name is the first line.
    const QByteArray ini = vornel.folder().read("vornel.ini");
    EXPECT_TRUE(ini.contains("\n1=Y,Pub,Y,")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("Fenetre1= — Mozilla Firefox\r\n")) << ini.toStdString();
    // The only line: no other entry follows it.
    EXPECT_FALSE(ini.contains("Fenetre2")) << ini.toStdString();
}
