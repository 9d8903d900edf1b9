#include "netstat/ip_connection_list.h"
#include "netstat/scripted_agent.h"

#include <gtest/gtest.h>
#include <thread>
#include <typeinfo>

using namespace vornel;

namespace {

using A = ScriptedAnswer;
const std::vector<UINT> TcpStart{1, 3, 6, 1, 2, 1, 6, 13, 1, 1};
const std::vector<UINT> UdpStart{1, 3, 6, 1, 2, 1, 7, 5, 1, 1};
constexpr BYTE TimeticksType = 0x43;

struct TcpRow {
    AsnInteger32 state;
    std::array<BYTE, 4> local;
    AsnInteger32 localPort;
    std::array<BYTE, 4> remote;
    AsnInteger32 remotePort;
};

A ip(const std::array<BYTE, 4>& a) {
    return A::ip(a[0], a[1], a[2], a[3]);
}

// tcpConnTable column by column, as an agent answers the walk.
std::vector<A> tcpAnswers(const std::vector<TcpRow>& rows) {
    std::vector<A> out;
    for (const auto& r : rows)
        out.push_back(A::integer(r.state));
    for (const auto& r : rows)
        out.push_back(ip(r.local));
    for (const auto& r : rows)
        out.push_back(A::integer(r.localPort));
    for (const auto& r : rows)
        out.push_back(ip(r.remote));
    for (const auto& r : rows)
        out.push_back(A::integer(r.remotePort));
    return out;
}

std::vector<A> udpAnswers(const std::vector<std::pair<std::array<BYTE, 4>, AsnInteger32>>& rows) {
    std::vector<A> out;
    for (const auto& r : rows)
        out.push_back(ip(r.first));
    for (const auto& r : rows)
        out.push_back(A::integer(r.second));
    return out;
}

const std::vector<TcpRow> TwoTcpRows{{2, {0, 0, 0, 0}, 22, {0, 0, 0, 0}, 0},
                                     {5, {127, 0, 0, 1}, 80, {127, 0, 0, 2}, 40000}};

// The message of the error f raises, when it is exactly of class E.
template <typename E, typename F> std::string errorOf(F f) {
    try {
        f();
    } catch (const E& e) {
        if (typeid(e) != typeid(E)) return std::string("raised as ") + typeid(e).name();
        return e.what();
    } catch (const std::exception& e) {
        return std::string("other error: ") + e.what();
    }
    return "nothing raised";
}

// Whether another thread can take the lock now.
bool lockIsFree(TQuelmarIpConnectionList& list) {
    bool taken = false;
    std::thread([&] {
        try {
            list.Lock();
            list.Unlock();
            taken = true;
        } catch (const EConnListError&) {
        }
    }).join();
    return taken;
}

class ConnList : public ::testing::Test {
protected:
    ConnList() {
        system.walks[TcpStart] = tcpAnswers(TwoTcpRows);
        system.walks[UdpStart] = udpAnswers({{{127, 0, 0, 1}, 53}});
    }
    std::unique_ptr<TQuelmarIpConnectionList> make() {
        return std::make_unique<TQuelmarIpConnectionList>(&owner, system.platform());
    }

    ScriptedSystem system;
    QObject owner;
};

} // namespace

TEST(TIpConnInfo, StartsListeningWithEverythingElseZero) {
    TIpConnInfo info("TCP");
    EXPECT_EQ(info.State(), 2);
    EXPECT_EQ(info.StateText(), "LISTEN");
    EXPECT_EQ(info.Protocol(), "TCP");
    EXPECT_EQ(info.LocalPort(), 0);
    EXPECT_EQ(info.RemotePort(), 0);
    EXPECT_EQ(info.LocalAddress(), (IpAddressBytes{0, 0, 0, 0}));
    EXPECT_EQ(info.RemoteAddress(), (IpAddressBytes{0, 0, 0, 0}));
    EXPECT_EQ(TIpConnInfo(std::string(300, 'p')).Protocol(), std::string(255, 'p'));
}

TEST(TIpProtocols, OneBitEach) {
    EXPECT_EQ(TIpProtocols{TIpProtocol::udp_ip}.bits(), 1);
    EXPECT_EQ(TIpProtocols{TIpProtocol::tcp_ip}.bits(), 2);
    EXPECT_EQ((TIpProtocols{TIpProtocol::tcp_ip, TIpProtocol::udp_ip}.bits()), 3);
    EXPECT_FALSE(TIpProtocols{}.contains(TIpProtocol::tcp_ip));
}

TEST_F(ConnList, StateTextNamesEveryMibState) {
    const char* names[] = {"UNKNOWN",     "CLOSED",     "LISTEN",      "SYN_SENT",   "SYN_RECEIVED",
                           "ESTABLISHED", "FIN_WAIT_1", "FIN_WAIT_2",  "CLOSE_WAIT", "LAST_ACK",
                           "CLOSING",     "TIME_WAIT",  "TCB_DISCARD", "UNKNOWN"};
    std::vector<TcpRow> rows;
    for (AsnInteger32 state = 0; state <= 13; ++state)
        rows.push_back({state, {}, 1, {}, 0});
    rows.push_back({-1, {}, 1, {}, 0});
    system.walks[TcpStart] = tcpAnswers(rows);
    auto list = make();
    list->Refresh();
    for (int32_t state = 0; state <= 13; ++state)
        EXPECT_EQ(list->Items(state).StateText(), names[state]) << state;
    EXPECT_EQ(list->Items(14).StateText(), "UNKNOWN");
}

TEST_F(ConnList, ConstructionStartsSocketsLoadsAndInitialisesTheAgent) {
    system.ticks = 987654;
    auto list = make();
    EXPECT_EQ(list->parent(), &owner);
    EXPECT_EQ(system.socketVersion, 0x0101);
    EXPECT_EQ(system.loadedLibrary, "inetmib1.dll");
    EXPECT_EQ(system.inits, 1);
    EXPECT_EQ(system.initUptime, 987654u);
    EXPECT_EQ(list->Protocols(), (TIpProtocols{TIpProtocol::udp_ip, TIpProtocol::tcp_ip}));
    EXPECT_FALSE(list->Busy());
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(system.queries, 0);
    list.reset();
    EXPECT_EQ(system.unloads, 1);
    EXPECT_EQ(system.socketCleanups, 1);
}

TEST_F(ConnList, FailedConstructionReleasesOnlyWhatItAcquired) {
    struct Case {
        const char* what;
        std::function<void(ScriptedSystem&)> set;
        std::string message;
        int loads, unloads, cleanups;
    };
    const Case cases[] = {
        {"sockets", [](ScriptedSystem& s) { s.socketsStart = false; },
         "La bibliothèque Windows Sockets n'a pas pu être initialisée.", 0, 0, 0},
        {"library", [](ScriptedSystem& s) { s.agentLoads = false; },
         "La bibliothèque de l'agent d'extension SNMP est introuvable.", 1, 0, 1},
        {"init entry", [](ScriptedSystem& s) { s.exportsInit = false; },
         "La bibliothèque de l'agent d'extension SNMP est introuvable.", 1, 1, 1},
        {"query entry", [](ScriptedSystem& s) { s.exportsQuery = false; },
         "La bibliothèque de l'agent d'extension SNMP est introuvable.", 1, 1, 1},
        {"init", [](ScriptedSystem& s) { s.initSucceeds = false; },
         "L'agent d'extension SNMP n'a pas pu être initialisé.", 1, 1, 1},
    };
    for (const Case& c : cases) {
        ScriptedSystem failing;
        c.set(failing);
        QObject parent;
        EXPECT_EQ(errorOf<EConnListError>(
                      [&] { TQuelmarIpConnectionList list(&parent, failing.platform()); }),
                  c.message)
            << c.what;
        EXPECT_EQ(failing.loads, c.loads) << c.what;
        EXPECT_EQ(failing.unloads, c.unloads) << c.what;
        EXPECT_EQ(failing.socketCleanups, c.cleanups) << c.what;
        EXPECT_TRUE(parent.children().isEmpty()) << c.what;
    }
}

TEST_F(ConnList, RefreshReadsTcpRowsThenUdpRows) {
    auto list = make();
    list->Refresh();
    ASSERT_EQ(list->Count(), 3);
    const TIpConnInfo& listener = list->Items(0);
    EXPECT_EQ(listener.Protocol(), "TCP");
    EXPECT_EQ(listener.StateText(), "LISTEN");
    EXPECT_EQ(listener.LocalPort(), 22);
    const TIpConnInfo& connected = list->Items(1);
    EXPECT_EQ(connected.State(), 5);
    EXPECT_EQ(connected.LocalAddress(), (IpAddressBytes{127, 0, 0, 1}));
    EXPECT_EQ(connected.LocalPort(), 80);
    EXPECT_EQ(connected.RemoteAddress(), (IpAddressBytes{127, 0, 0, 2}));
    EXPECT_EQ(connected.RemotePort(), 40000);
    const TIpConnInfo& udp = list->Items(2);
    EXPECT_EQ(udp.Protocol(), "UDP");
    EXPECT_EQ(udp.State(), 2);
    EXPECT_EQ(udp.StateText(), "LISTEN");
    EXPECT_EQ(udp.LocalAddress(), (IpAddressBytes{127, 0, 0, 1}));
    EXPECT_EQ(udp.LocalPort(), 53);
    EXPECT_EQ(udp.RemotePort(), 0);
    EXPECT_EQ(udp.RemoteAddress(), (IpAddressBytes{0, 0, 0, 0}));
    // One query per cell plus the one that finds each table's end.
    EXPECT_EQ(system.queries, (1 + 5 * 2) + (1 + 2 * 1));
    for (BYTE pdu : system.pduTypes)
        EXPECT_EQ(pdu, SNMP_PDU_GETNEXT);
    // A second refresh replaces the rows instead of adding to them.
    list->Refresh();
    EXPECT_EQ(list->Count(), 3);
}

TEST_F(ConnList, EmptyTablesAndEndsOfWalks) {
    system.walks[TcpStart] = {};
    auto list = make();
    list->Refresh();
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->Items(0).Protocol(), "UDP");

    // No UDP listeners: only TCP rows.
    system.walks[TcpStart] = tcpAnswers(TwoTcpRows);
    system.walks[UdpStart] = {};
    list->Refresh();
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Items(1).Protocol(), "TCP");

    // The object after a table, whatever its type, ends the walk unexamined.
    system.walks[TcpStart].push_back(A::other(TimeticksType));
    system.walks[UdpStart] = udpAnswers({{{0, 0, 0, 0}, 68}});
    system.walks[UdpStart].push_back(A::other(ASN_OCTETSTRING));
    list->Refresh();
    EXPECT_EQ(list->Count(), 3);
}

TEST_F(ConnList, NullBetweenColumnsIsAnUnexpectedEnd) {
    auto answers = tcpAnswers(TwoTcpRows);
    answers.resize(4); // states and local addresses, then NULL
    system.walks[TcpStart] = answers;
    auto list = make();
    EXPECT_EQ(errorOf<EConnListRefreshError>([&] { list->Refresh(); }),
              "Fin inattendue des résultats de la requête.");
    EXPECT_FALSE(list->Busy());
    EXPECT_TRUE(lockIsFree(*list));
    // The rows read before the failure stay; the UDP walk never ran.
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Items(1).LocalAddress(), (IpAddressBytes{127, 0, 0, 1}));
    EXPECT_EQ(list->Items(1).LocalPort(), 0);

    system.walks[UdpStart] = {ip({1, 2, 3, 4})};
    system.walks[TcpStart] = {};
    EXPECT_EQ(errorOf<EConnListRefreshError>([&] { list->Refresh(); }),
              "Fin inattendue des résultats de la requête.");
}

// Wine's agent answers at the end of a table without moving past the name it
// was sent; a walk that went on would add a row for ever.
TEST_F(ConnList, AnAgentThatDoesNotMoveOnEndsTheRefresh) {
    system.walks[TcpStart] = {A::stuck(A::integer(2))};
    auto list = make();
    EXPECT_EQ(errorOf<EConnListRefreshError>([&] { list->Refresh(); }),
              "L'agent SNMP n'a pas dépassé le dernier objet.");
    EXPECT_EQ(system.queries, 1);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_FALSE(list->Busy());
    EXPECT_TRUE(lockIsFree(*list));

    // Stuck in the middle of a column: the rows read so far stay, no more come.
    auto answers = tcpAnswers(TwoTcpRows);
    answers.insert(answers.begin() + 1, A::stuck(A::integer(2)));
    system.walks[TcpStart] = answers;
    system.queries = 0;
    EXPECT_EQ(errorOf<EConnListRefreshError>([&] { list->Refresh(); }),
              "L'agent SNMP n'a pas dépassé le dernier objet.");
    EXPECT_EQ(system.queries, 2);
    EXPECT_EQ(list->Count(), 1);
}

TEST_F(ConnList, ALaterColumnLongerThanTheFirstIsAnIndexError) {
    auto answers = tcpAnswers(TwoTcpRows);
    answers.insert(answers.begin() + 2 + 2 + 2, A::integer(8080)); // a third local port
    system.walks[TcpStart] = answers;
    auto list = make();
    EXPECT_EQ(errorOf<EListError>([&] { list->Refresh(); }), "Indice de liste hors limites (2)");
    EXPECT_FALSE(list->Busy());
    EXPECT_TRUE(lockIsFree(*list));
}

TEST_F(ConnList, AShorterColumnLeavesTheLastRowsAtZero) {
    auto answers = tcpAnswers(TwoTcpRows);
    answers.erase(answers.begin() + 2 + 2 + 2); // the first remote address
    system.walks[TcpStart] = answers;
    auto list = make();
    list->Refresh();
    ASSERT_EQ(list->Count(), 3);
    // Matched by position: the one value goes to the first row.
    EXPECT_EQ(list->Items(0).RemoteAddress(), (IpAddressBytes{127, 0, 0, 2}));
    EXPECT_EQ(list->Items(1).RemoteAddress(), (IpAddressBytes{0, 0, 0, 0}));
    EXPECT_EQ(list->Items(1).RemotePort(), 40000);
    EXPECT_EQ(list->Items(2).Protocol(), "UDP");
}

// Each value is a query of its own, and connections come and go between two
// columns: a value goes to the row that the key in its name gives, never to
// the row that happens to stand at its place.
TEST_F(ConnList, ValuesGoToTheRowTheirNamesKey) {
    using Key = std::array<UINT, 10>;
    auto named = [](UINT column, const Key& key, A a) {
        a.name = {1, 3, 6, 1, 2, 1, 6, 13, 1, column};
        a.name.insert(a.name.end(), key.begin(), key.end());
        return a;
    };
    const Key listener{0, 0, 0, 0, 22, 0, 0, 0, 0, 0};
    const Key web{127, 0, 0, 1, 80, 127, 0, 0, 2, 40000};
    const Key late{127, 0, 0, 1, 443, 127, 0, 0, 3, 50000};
    // The listener goes after the first column, and a connection to 443 comes.
    system.walks[TcpStart] = {
        named(1, listener, A::integer(2)),  named(1, web, A::integer(5)),
        named(2, web, A::ip(127, 0, 0, 1)), named(2, late, A::ip(127, 0, 0, 1)),
        named(3, web, A::integer(80)),      named(3, late, A::integer(443)),
        named(4, web, A::ip(127, 0, 0, 2)), named(4, late, A::ip(127, 0, 0, 3)),
        named(5, web, A::integer(40000)),   named(5, late, A::integer(50000))};
    auto list = make();
    list->Refresh();
    ASSERT_EQ(list->Count(), 3);
    const TIpConnInfo& connected = list->Items(1);
    EXPECT_EQ(connected.State(), 5);
    EXPECT_EQ(connected.LocalPort(), 80);
    EXPECT_EQ(connected.RemoteAddress(), (IpAddressBytes{127, 0, 0, 2}));
    EXPECT_EQ(connected.RemotePort(), 40000);
    EXPECT_EQ(list->Items(0).LocalPort(), 0) << "the listener's gone row takes no other's values";
    EXPECT_EQ(list->Items(2).Protocol(), "UDP") << "no row for the connection that came late";
}

TEST_F(ConnList, AFailedQueryMidColumnKeepsWhatWasRead) {
    std::vector<TcpRow> rows;
    for (AsnInteger32 port = 1; port <= 4; ++port)
        rows.push_back({5, {127, 0, 0, 1}, port, {}, 9});
    auto answers = tcpAnswers(rows);
    answers[4 + 4 + 2] = A::failure(); // after the second local port
    system.walks[TcpStart] = answers;
    auto list = make();
    EXPECT_EQ(errorOf<EConnListRefreshError>([&] { list->Refresh(); }),
              "La requête SNMP a échoué.");
    EXPECT_FALSE(list->Busy());
    EXPECT_TRUE(lockIsFree(*list));
    ASSERT_EQ(list->Count(), 4);
    EXPECT_EQ(list->Items(0).LocalPort(), 1);
    EXPECT_EQ(list->Items(1).LocalPort(), 2);
    EXPECT_EQ(list->Items(2).LocalPort(), 0);
    EXPECT_EQ(list->Items(3).LocalPort(), 0);
}

TEST_F(ConnList, AShortAddressIsNotReadPastItsEnd) {
    A shortAddress = A::ip(10, 20, 0, 0);
    shortAddress.address.resize(2);
    system.walks[UdpStart] = {shortAddress, A::integer(53)};
    system.walks[TcpStart] = {};
    auto list = make();
    list->Refresh();
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->Items(0).LocalAddress(), (IpAddressBytes{10, 20, 0, 0}));
}

TEST_F(ConnList, NestedRefreshFromTheNotificationIsRefused) {
    auto list = make();
    std::vector<bool> notified;
    std::string nestedError;
    list->OnStatusChange = [&](TQuelmarIpConnectionList* sender) {
        EXPECT_EQ(sender, list.get());
        notified.push_back(sender->Busy());
        if (notified.size() == 1) nestedError = errorOf<EConnListError>([&] { sender->Refresh(); });
    };
    list->Refresh();
    EXPECT_EQ(nestedError, "L'opération demandée n'est pas possible dans l'état actuel.");
    // The refused refresh cleared Busy on its way out; the outer one then
    // read its tables and found nothing more to change.
    EXPECT_EQ(notified, (std::vector<bool>{true, false}));
    EXPECT_EQ(list->Count(), 3);
    EXPECT_FALSE(list->Busy());
    EXPECT_TRUE(lockIsFree(*list));
}

TEST_F(ConnList, LockHeldByAnotherThread) {
    auto list = make();
    list->Refresh();
    int notifications = 0;
    list->OnStatusChange = [&](TQuelmarIpConnectionList*) { ++notifications; };
    const int queriesBefore = system.queries;

    std::mutex m;
    std::condition_variable cv;
    bool held = false, release = false;
    std::thread holder([&] {
        list->Lock();
        {
            std::unique_lock lock(m);
            held = true;
            cv.notify_all();
            cv.wait(lock, [&] { return release; });
        }
        list->Unlock();
    });
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return held; });
    }
    EXPECT_EQ(errorOf<EConnListLockError>([&] { list->Refresh(); }),
              "La liste des connexions n'a pas pu être verrouillée");
    EXPECT_EQ(list->Count(), 3);
    EXPECT_FALSE(list->Busy());
    EXPECT_EQ(notifications, 0);
    EXPECT_EQ(system.queries, queriesBefore);
    // Releasing a lock this thread does not hold is refused.
    EXPECT_EQ(errorOf<EConnListUnlockError>([&] { list->Unlock(); }),
              "La liste des connexions n'a pas pu être déverrouillée");
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    holder.join();
    list->Refresh();
    EXPECT_EQ(notifications, 2);
}

TEST_F(ConnList, LockIsReentrantAndUnlockWithoutLockFails) {
    auto list = make();
    EXPECT_EQ(errorOf<EConnListUnlockError>([&] { list->Unlock(); }),
              "La liste des connexions n'a pas pu être déverrouillée");
    list->Lock();
    list->Lock();
    list->Refresh();
    list->Unlock();
    EXPECT_FALSE(lockIsFree(*list));
    list->Unlock();
    EXPECT_TRUE(lockIsFree(*list));
}

TEST_F(ConnList, ProtocolsChooseTheWalks) {
    auto list = make();
    list->Refresh();
    int notifications = 0;
    list->OnStatusChange = [&](TQuelmarIpConnectionList*) { ++notifications; };
    const int queriesBefore = system.queries;
    list->setProtocols({});
    list->Refresh();
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(notifications, 2);
    EXPECT_EQ(system.queries, queriesBefore);

    list->setProtocols({TIpProtocol::udp_ip});
    list->Refresh();
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->Items(0).Protocol(), "UDP");
    list->setProtocols({TIpProtocol::tcp_ip});
    list->Refresh();
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Items(1).Protocol(), "TCP");
}

TEST_F(ConnList, ItemsOutsideTheListAndClear) {
    auto list = make();
    list->Refresh();
    EXPECT_EQ(errorOf<EListError>([&] { list->Items(3); }), "Indice de liste hors limites (3)");
    EXPECT_EQ(errorOf<EListError>([&] { list->Items(-1); }), "Indice de liste hors limites (-1)");
    list->Clear();
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(errorOf<EListError>([&] { list->Items(0); }), "Indice de liste hors limites (0)");
}
