#include "blocking/desktops/x11_desktop.h"
#include "blocking/desktops/xwayland_protocols.h"
#include "support/deaf_x_server.h"
#include "support/wayland_session.h"
#include "support/x11_client.h"
#include "support/x11_display.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vornel;
using namespace std::chrono_literals;
using test::DeafXServer;
using test::eventually;
using test::X11Client;

namespace {

// The walk as the scan does it, with the batching hints.
std::vector<WindowHandle> walk(Desktop& desktop, bool minimisedAsked = true) {
    std::vector<WindowHandle> out;
    desktop.beginWalk(minimisedAsked);
    for (WindowHandle h = desktop.GetWindow(0, GW_HWNDFIRST); h;
         h = desktop.GetWindow(h, GW_HWNDNEXT))
        out.push_back(h);
    return out;
}

// The walk with one call per window and no batching.
std::vector<WindowHandle> walkUnbatched(Desktop& desktop) {
    std::vector<WindowHandle> out;
    for (WindowHandle h = desktop.GetWindow(0, GW_HWNDFIRST); h;
         h = desktop.GetWindow(h, GW_HWNDNEXT))
        out.push_back(h);
    return out;
}

// Only the given windows, in the order of the walk: other tests' windows may
// still be going away.
std::vector<WindowHandle> only(const std::vector<WindowHandle>& walked,
                               const std::vector<WindowHandle>& ours) {
    std::vector<WindowHandle> out;
    for (WindowHandle h : walked)
        if (std::find(ours.begin(), ours.end(), h) != ours.end()) out.push_back(h);
    return out;
}

std::string titleOf(Desktop& desktop, WindowHandle h, int bufferSize = 5000) {
    std::string buffer(std::size_t(bufferSize) + 1, '#');
    int length = desktop.GetWindowTextA(h, buffer.data(), bufferSize);
    EXPECT_EQ(buffer[std::size_t(length)], '\0');
    return buffer.substr(0, std::size_t(length));
}

// Whether a text is whole UTF-8: decoding it through Qt and back changes nothing.
bool wholeUtf8(const std::string& text) {
    return QString::fromStdString(text).toStdString() == text;
}

// One client for the whole suite, so that no window id comes back while the
// window manager may still be letting go of the window that had it.
class X11DesktopTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { shared = new X11Client(test::testDisplay()); }
    static void TearDownTestSuite() { delete shared; }
    void SetUp() override {
        ASSERT_TRUE(client.connected());
        ASSERT_TRUE(desktop);
    }
    void TearDown() override { client.destroyAll(); }

    xcb_window_t managedWindow(const std::string& utf8Title, uint16_t width = 200,
                               uint16_t height = 150, bool deletable = true) {
        xcb_window_t w = client.create(width, height, deletable);
        if (!utf8Title.empty()) client.setUtf8Title(w, utf8Title);
        client.map(w);
        EXPECT_TRUE(eventually([&] { return client.managed(w); }));
        return w;
    }

    static inline X11Client* shared = nullptr;
    std::string display = test::testDisplay();
    X11Client& client = *shared;
    std::unique_ptr<X11Desktop> desktop = X11Desktop::connect(display);
};

} // namespace

TEST(X11Fixture, TestsRunOnThePrivateManagedDisplay) {
    std::string display = test::testDisplay();
    ASSERT_FALSE(display.empty());
    EXPECT_EQ(std::getenv("DISPLAY"), display);
    EXPECT_EQ(QGuiApplication::platformName(), "xcb");
    X11Client client(display);
    ASSERT_TRUE(client.connected());
    EXPECT_EQ(client.longs(client.root, "_NET_SUPPORTING_WM_CHECK").size(), 1u);
}

TEST_F(X11DesktopTest, WalksClientsTopFirstAndFollowsRaising) {
    xcb_window_t a = managedWindow("a"), b = managedWindow("b"), c = managedWindow("c");
    EXPECT_TRUE(eventually([&] {
        return only(walk(*desktop), {a, b, c}) == std::vector<WindowHandle>{c, b, a};
    }));
    EXPECT_TRUE(desktop->hasWindowManager());

    client.raise(a);
    EXPECT_TRUE(eventually([&] {
        return only(walk(*desktop), {a, b, c}) == std::vector<WindowHandle>{a, c, b};
    }));
    EXPECT_EQ(only(walkUnbatched(*desktop), {a, b, c}), (std::vector<WindowHandle>{a, c, b}));
    // The walk is the window manager's own stacking list, upside down.
    EXPECT_EQ(walk(*desktop), client.stackingTopFirst());
}

TEST_F(X11DesktopTest, VisibleAndIconicForMappedMinimisedAndWithdrawnWindows) {
    xcb_window_t mapped = managedWindow("mapped");
    xcb_window_t minimised = managedWindow("minimised");
    xcb_window_t withdrawn = managedWindow("withdrawn");
    xcb_window_t neverMapped = client.create(100, 100);
    client.iconify(minimised);
    client.withdraw(withdrawn);
    ASSERT_TRUE(eventually([&] { return client.wmState(minimised) == 3; }));
    ASSERT_TRUE(eventually([&] { return !client.managed(withdrawn); }));

    // A walk told that IsIconic will not be called reads less ahead, yet
    // IsIconic still answers rightly if it is called after all.
    for (bool minimisedAsked : {true, false}) {
        SCOPED_TRACE(minimisedAsked ? "minimised asked" : "minimised not asked");
        auto walked = walk(*desktop, minimisedAsked);
        EXPECT_EQ(only(walked, {mapped, minimised, withdrawn, neverMapped}),
                  (std::vector<WindowHandle>{minimised, mapped}));
        // Answers read ahead by the walk and answers asked one at a time agree.
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(round == 0 ? "read ahead" : "asked afresh");
            EXPECT_TRUE(desktop->IsWindowVisible(mapped));
            EXPECT_FALSE(desktop->IsIconic(mapped));
            EXPECT_TRUE(desktop->IsWindowVisible(minimised));
            EXPECT_TRUE(desktop->IsIconic(minimised));
            EXPECT_FALSE(desktop->IsWindowVisible(withdrawn));
            EXPECT_FALSE(desktop->IsIconic(withdrawn));
            EXPECT_FALSE(desktop->IsWindowVisible(neverMapped));
        }
    }
}

TEST_F(X11DesktopTest, TitlesInUtf8AndLatin1) {
    xcb_window_t utf8 = client.create(100, 100);
    client.setUtf8Title(utf8, "Publicité ☃ – démo");
    client.setLatin1Title(utf8, "old name"); // _NET_WM_NAME comes first
    xcb_window_t latin1 = client.create(100, 100);
    client.setLatin1Title(latin1, "Publicit\xe9 \xe0 la d\xe9mo");
    // Older clients put their UTF-8 bytes into a STRING WM_NAME.
    xcb_window_t utf8AsString = client.create(100, 100);
    client.setLatin1Title(utf8AsString, "Publicité démo");
    xcb_window_t nameless = client.create(100, 100);
    for (xcb_window_t w : {utf8, latin1, utf8AsString, nameless})
        client.map(w);
    ASSERT_TRUE(eventually([&] { return client.managed(nameless) && client.managed(latin1); }));

    walk(*desktop);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "read ahead" : "asked afresh");
        EXPECT_EQ(titleOf(*desktop, utf8), "Publicité ☃ – démo");
        EXPECT_EQ(titleOf(*desktop, latin1), "Publicité à la démo");
        EXPECT_EQ(titleOf(*desktop, utf8AsString), "Publicité démo");
        EXPECT_EQ(titleOf(*desktop, nameless), "");
    }

    test::XLogo logo(display, "Pub – Navigateur démo");
    xcb_window_t real = 0;
    ASSERT_TRUE(eventually([&] { return (real = client.findByName("Pub – Navigateur démo")); }));
    EXPECT_EQ(titleOf(*desktop, real), "Pub – Navigateur démo");
}

TEST_F(X11DesktopTest, LongTitlesAreCutToTheBufferWithoutSplittingASequence) {
    xcb_window_t plain = client.create(100, 100);
    client.setUtf8Title(plain, std::string(6000, 'x'));
    // Byte 4999 would be the second half of the é.
    xcb_window_t accent = client.create(100, 100);
    client.setUtf8Title(accent, std::string(4998, 'a') + "é" + "zzz");
    // 6000 Latin-1 bytes become 12000 bytes of UTF-8.
    xcb_window_t latin1 = client.create(100, 100);
    client.setLatin1Title(latin1, std::string(6000, '\xe9'));
    // Longer than any title read ahead.
    xcb_window_t huge = client.create(100, 100);
    client.setUtf8Title(huge, std::string(20000, 'h'));
    for (xcb_window_t w : {plain, accent, latin1, huge})
        client.map(w);
    ASSERT_TRUE(eventually([&] { return client.managed(huge) && client.managed(latin1); }));

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "read ahead" : "asked afresh");
        if (round == 0) walk(*desktop);
        EXPECT_EQ(titleOf(*desktop, plain), std::string(4999, 'x'));
        EXPECT_EQ(titleOf(*desktop, accent), std::string(4998, 'a'));
        std::string cut = titleOf(*desktop, latin1);
        EXPECT_EQ(cut.size(), 4998u);
        EXPECT_TRUE(wholeUtf8(cut));
        EXPECT_EQ(titleOf(*desktop, huge, 20001), std::string(20000, 'h'));
    }
    EXPECT_EQ(titleOf(*desktop, accent, 255), std::string(254, 'a'));
    EXPECT_EQ(titleOf(*desktop, plain, 1), "");
    char untouched = '#';
    EXPECT_EQ(desktop->GetWindowTextA(plain, &untouched, 0), 0);
    EXPECT_EQ(untouched, '#');
}

TEST_F(X11DesktopTest, OuterRectangleIsTheClientGrownByTheFrame) {
    xcb_window_t w = managedWindow("framed", 300, 200);
    std::vector<uint32_t> frame = client.longs(w, "_NET_FRAME_EXTENTS"); // left right top bottom
    ASSERT_EQ(frame.size(), 4u);
    ASSERT_GT(frame[2], 0u) << "openbox draws a title bar";

    // The openbox frame is the top-level window that holds the client.
    xcb_window_t top = w;
    for (;;) {
        auto* tree = xcb_query_tree_reply(client.c, xcb_query_tree(client.c, top), nullptr);
        ASSERT_NE(tree, nullptr);
        xcb_window_t parent = tree->parent;
        std::free(tree);
        if (parent == client.root) break;
        top = parent;
    }
    ASSERT_NE(top, w);
    auto* g = xcb_get_geometry_reply(client.c, xcb_get_geometry(client.c, top), nullptr);
    ASSERT_NE(g, nullptr);
    WindowRect frameRect{g->x, g->y, g->x + g->width + 2 * g->border_width,
                         g->y + g->height + 2 * g->border_width};
    std::free(g);

    WindowRect fresh = desktop->GetWindowRect(w);
    desktop->rereadWindows(std::vector<WindowHandle>{w});
    WindowRect ahead = desktop->GetWindowRect(w);
    for (const WindowRect& r : {fresh, ahead}) {
        EXPECT_EQ(r.width(), int32_t(300 + frame[0] + frame[1]));
        EXPECT_EQ(r.height(), int32_t(200 + frame[2] + frame[3]));
        EXPECT_EQ(r, frameRect);
    }

    // A client that draws its own decorations leaves its shadow out.
    xcb_window_t shadowed = client.create(300, 200);
    uint32_t shadow[4] = {10, 12, 6, 14};
    client.set(shadowed, client.atom("_GTK_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, shadow, 4);
    client.map(shadowed);
    ASSERT_TRUE(eventually([&] { return client.managed(shadowed); }));
    frame = client.longs(shadowed, "_NET_FRAME_EXTENTS");
    WindowRect r = desktop->GetWindowRect(shadowed);
    EXPECT_EQ(r.width(), int32_t(300 + frame[0] + frame[1] - 22));
    EXPECT_EQ(r.height(), int32_t(200 + frame[2] + frame[3] - 20));
}

TEST_F(X11DesktopTest, CloseRequestReachesTheClientAsDeleteWindow) {
    xcb_window_t polite = managedWindow("polite");
    xcb_window_t withoutProtocol = managedWindow("no WM_DELETE_WINDOW", 200, 150, false);
    xcb_atom_t deleteWindow = client.atom("WM_DELETE_WINDOW");
    auto deleteRequests = [&](xcb_window_t w) {
        int count = 0;
        for (const auto& m : client.protocolMessages())
            count += m.window == w && m.data.data32[0] == deleteWindow;
        return count;
    };

    EXPECT_EQ(desktop->PostClose(polite), CloseRequest::Sent);
    EXPECT_TRUE(eventually([&] { return deleteRequests(polite) == 1; }));
    // Answers read ahead by the scan's second reading lead to the same request.
    desktop->rereadWindows(std::vector<WindowHandle>{polite});
    EXPECT_EQ(desktop->PostClose(polite), CloseRequest::Sent);
    EXPECT_TRUE(eventually([&] { return deleteRequests(polite) == 2; }));

    // Openbox kills the client of a window without the protocol when asked to
    // close it, so no request goes out for such a window.
    EXPECT_EQ(desktop->PostClose(withoutProtocol), CloseRequest::Refused);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(client.exists(polite)); // asked, never destroyed
    EXPECT_TRUE(client.exists(withoutProtocol));
    EXPECT_EQ(xcb_connection_has_error(client.c), 0); // and never killed
    EXPECT_EQ(deleteRequests(withoutProtocol), 0);
}

TEST_F(X11DesktopTest, WindowDestroyedBetweenTwoCallsReadsEmptyWithoutError) {
    xcb_window_t a = managedWindow("a - stays"), b = managedWindow("b - goes"),
                 c = managedWindow("c - stays");
    ASSERT_TRUE(eventually([&] {
        return only(walk(*desktop), {a, b, c}) == std::vector<WindowHandle>{c, b, a};
    }));
    testing::internal::CaptureStderr();

    // Between the walk and the second reading.
    desktop->rereadWindows(std::vector<WindowHandle>{c, b, a}); // the handles the walk gave
    client.destroy(b);
    ASSERT_FALSE(client.exists(b));
    desktop->rereadWindows(std::vector<WindowHandle>{c, b, a});
    EXPECT_EQ(titleOf(*desktop, b), "");
    EXPECT_EQ(desktop->GetWindowRect(b), WindowRect{});
    EXPECT_EQ(desktop->PostClose(b), CloseRequest::Refused);
    EXPECT_EQ(titleOf(*desktop, a), "a - stays");

    // Asked afresh, and during a walk that already holds its handle.
    EXPECT_FALSE(desktop->IsWindowVisible(b));
    EXPECT_FALSE(desktop->IsIconic(b));
    EXPECT_EQ(titleOf(*desktop, b), "");
    EXPECT_EQ(desktop->GetWindowRect(b), WindowRect{});
    EXPECT_EQ(desktop->PostClose(b), CloseRequest::Refused);

    xcb_window_t d = managedWindow("d - goes mid-walk");
    std::vector<WindowHandle> walked = walkUnbatched(*desktop);
    auto below = std::find(walked.begin(), walked.end(), d);
    ASSERT_LT(below - walked.begin() + 1, walked.end() - walked.begin());
    client.destroy(d);
    ASSERT_FALSE(client.exists(d));
    EXPECT_FALSE(desktop->IsWindowVisible(d));
    EXPECT_EQ(desktop->GetWindow(d, GW_HWNDNEXT), *(below + 1)); // the walk goes on below it
    for (int tick = 0; tick < 5; ++tick)
        walk(*desktop);

    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(xcb_connection_has_error(client.c), 0);
}

// On a display of its own, so that no window of another test, going away in
// its own time, changes the count.
TEST(X11DesktopRoundTrips, AScanCostsTheSameRoundTripsWhateverTheNumberOfWindows) {
    QTemporaryDir dir;
    test::X11Session session(dir.path().toStdString());
    ASSERT_FALSE(session.display().empty());
    X11Client client(session.display());
    auto desktop = X11Desktop::connect(session.display());
    ASSERT_TRUE(desktop);

    auto scan = [&] {
        uint64_t before = desktop->roundTrips();
        std::vector<WindowHandle> candidates = walk(*desktop);
        char title[5000];
        for (WindowHandle h : candidates) {
            desktop->IsWindowVisible(h);
            desktop->IsIconic(h);
            desktop->GetWindowTextA(h, title, sizeof title);
        }
        desktop->rereadWindows(candidates);
        for (WindowHandle h : candidates) {
            desktop->GetWindowTextA(h, title, sizeof title);
            desktop->GetWindowRect(h);
        }
        return desktop->roundTrips() - before;
    };
    auto addWindows = [&](int count, bool oldNames) {
        xcb_window_t w = 0;
        for (int i = 0; i < count; ++i) {
            w = client.create(50, 50);
            if (oldNames)
                client.setLatin1Title(w, "old");
            else
                client.setUtf8Title(w, "new");
            client.map(w);
        }
        return eventually([&] { return client.managed(w); }) &&
               test::waitUntilQuiet(session.display());
    };

    ASSERT_TRUE(addWindows(3, false));
    scan(); // the first one also makes sure of the window manager
    uint64_t few = scan();
    ASSERT_TRUE(addWindows(30, false));
    EXPECT_EQ(walk(*desktop).size(), 33u);
    EXPECT_EQ(scan(), few);
    EXPECT_LE(few, 3u);

    // Windows named the old way cost one more round trip in each of the two
    // readings, however many there are.
    ASSERT_TRUE(addWindows(1, true));
    uint64_t mixed = scan();
    EXPECT_EQ(mixed, few + 2);
    ASSERT_TRUE(addWindows(20, true));
    EXPECT_EQ(scan(), mixed);
}

TEST(X11DesktopWithoutWindowManager, WalksTheRootChildrenAndClosesDirectly) {
    QTemporaryDir dir;
    test::X11Session bare(dir.path().toStdString(), /*withWindowManager=*/false);
    ASSERT_FALSE(bare.display().empty());
    X11Client client(bare.display());
    ASSERT_TRUE(client.connected());
    auto desktop = X11Desktop::connect(bare.display());
    ASSERT_TRUE(desktop);

    xcb_window_t a = client.create(120, 80, true, 10, 20);
    xcb_window_t b = client.create(120, 80);
    xcb_window_t unmapped = client.create(120, 80);
    client.setLatin1Title(a, "Fen\xeatre a");
    client.map(a);
    client.map(b);
    ASSERT_TRUE(client.exists(b));

    EXPECT_EQ(walk(*desktop), (std::vector<WindowHandle>{unmapped, b, a}));
    EXPECT_FALSE(desktop->hasWindowManager());
    EXPECT_FALSE(desktop->IsWindowVisible(unmapped));
    EXPECT_TRUE(desktop->IsWindowVisible(b));
    EXPECT_FALSE(desktop->IsIconic(b));
    EXPECT_EQ(titleOf(*desktop, a), "Fenêtre a");
    EXPECT_EQ(desktop->GetWindowRect(a), (WindowRect{10, 20, 130, 100}));

    uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(client.c, a, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    ASSERT_TRUE(client.exists(a));
    EXPECT_EQ(walkUnbatched(*desktop), (std::vector<WindowHandle>{a, unmapped, b}));

    EXPECT_EQ(desktop->PostClose(a), CloseRequest::Sent);
    EXPECT_TRUE(eventually([&] {
        auto messages = client.protocolMessages();
        return messages.size() == 1 && messages[0].window == a &&
               messages[0].data.data32[0] == client.atom("WM_DELETE_WINDOW");
    }));
    EXPECT_TRUE(client.exists(a));
}

namespace {

using XQuestion = std::function<std::optional<XAnswer>(XWaylandQuestions&)>;

// XWayland's answer to one question, taken once it has come in; the event
// loop runs meanwhile, as it does in the program. Unknown at once while an
// earlier question is stuck.
XAnswer answerTo(const std::string& display, const XQuestion& question) {
    bool answered = false;
    XWaylandQuestions questions(display, [&](const std::string&) { answered = true; });
    std::optional<XAnswer> answer = question(questions);
    if (answer) return *answer;
    test::waitWithEvents([&] { return answered; }, 5000);
    answer = question(questions);
    EXPECT_TRUE(answer) << "not taken once it came in";
    return answer.value_or(XAnswer::Unknown);
}

bool vouchedFor(const std::string& display, const std::string& title) {
    return answerTo(display, [&](XWaylandQuestions& x) {
               return x.titledListDeleteWindow(1, title);
           }) == XAnswer::Yes;
}

} // namespace

// KWin 6 gives its scripts no X id, and titles it has cleaned: an XWayland
// window is closed through KWin only when every X window KWin would show
// under that title lists WM_DELETE_WINDOW, since KWin kills the program of
// one that does not. "Pub  X" (two blanks) shows as "Pub X" too.
TEST(XWaylandTitles, EveryWindowKWinShowsAlikeMustListTheDeleteProtocol) {
    const std::string display = test::testDisplay();
    ASSERT_FALSE(display.empty());
    X11Client client(display);
    const xcb_window_t polite = client.create(120, 90);
    client.setUtf8Title(polite, "Pub X");
    client.map(polite);
    ASSERT_TRUE(eventually([&] { return client.managed(polite); }));
    // Managed a moment before the window manager lists it.
    EXPECT_TRUE(eventually([&] { return vouchedFor(display, "Pub X"); }));

    const xcb_window_t rude = client.create(120, 90, false);
    client.setUtf8Title(rude, "Pub  X");
    client.map(rude);
    ASSERT_TRUE(eventually([&] { return client.managed(rude); }));
    EXPECT_TRUE(eventually([&] { return !vouchedFor(display, "Pub X"); }))
        << "the window without the protocol vouched for by its look-alike";
    EXPECT_FALSE(vouchedFor(display, "Pub  X"));

    // A Latin-1 WM_NAME with a control character, as KWin decodes and cleans it.
    client.setUtf8Title(polite, "");
    client.setLatin1Title(polite, " Caf\xe9\x01  cr\xe8me ");
    EXPECT_TRUE(eventually([&] { return vouchedFor(display, "Café crème"); }));
    EXPECT_FALSE(vouchedFor(display, "Pub X")) << "only the rude one is left";
}

// An XWayland that takes the connection and never answers holds nothing up:
// the question is asked without waiting for it (without a limit, it would
// never be answered), given up on after its time, and while it is still out
// no other is asked; the user is told until the stuck question ends. Once
// the server answers again, so do the questions, and a close goes out.
TEST(XWaylandQuestions, AnXServerThatNeverAnswersIsGivenUpOn) {
    {
        auto deaf = std::make_unique<DeafXServer>();
        ASSERT_TRUE(deaf->listening());
        const std::string display = deaf->display();
        std::vector<std::string> told;
        XWaylandQuestions questions(display,
                                    [&](const std::string& notice) { told.push_back(notice); });
        EXPECT_EQ(questions.listsDeleteWindow(7, 1), std::nullopt);
        EXPECT_EQ(questions.listsDeleteWindow(7, 1), std::nullopt) << "asked once while out";
        ASSERT_TRUE(test::waitWithEvents([&] { return !told.empty(); }, 5000));
        ASSERT_EQ(told.size(), 1u);
        EXPECT_NE(told[0].find("XWayland (écran « " + display + " ») ne répond pas"),
                  std::string::npos)
            << told[0];
        EXPECT_EQ(questions.listsDeleteWindow(7, 1), XAnswer::Unknown) << "given up on";
        EXPECT_FALSE(questions.sendDeleteWindow(1)) << "not sent while stuck";
        EXPECT_EQ(questions.titledLacksDeleteWindow(9, "Pub"), XAnswer::Unknown);
        // The server goes: the stuck question ends, and the notice with it.
        deaf.reset();
        ASSERT_TRUE(test::waitWithEvents([&] { return told.size() == 2; }, 5000));
        EXPECT_EQ(told[1], "");
        EXPECT_EQ(questions.notice(), "");
    }
    const std::string display = test::testDisplay();
    ASSERT_FALSE(display.empty());
    X11Client client(display);
    const xcb_window_t polite = client.create(120, 90);
    client.map(polite);
    ASSERT_TRUE(eventually([&] { return client.managed(polite); }));
    // The stuck question ends with the deaf server's connection.
    EXPECT_TRUE(eventually([&] {
        return answerTo(display, [&](XWaylandQuestions& x) {
                   return x.listsDeleteWindow(2, polite);
               }) == XAnswer::Yes;
    }));
    XWaylandQuestions sender(display, {});
    EXPECT_TRUE(sender.sendDeleteWindow(polite));
    EXPECT_TRUE(eventually([&] { return !client.protocolMessages().empty(); }));
}
