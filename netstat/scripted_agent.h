#pragma once

#include "netstat/conn_list_platform.h"

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vornel {

// One answer of the scripted agent.
struct ScriptedAnswer {
    BYTE type = ASN_NULL;
    AsnInteger32 number = 0;
    std::vector<BYTE> address;
    bool fails = false;     // the query returns false
    bool keepsName = false; // answers under the name it was sent, moving on no further
    // The name it is answered under, as a real agent names it (the column,
    // then the row's key); empty: the walk's first name plus its number.
    std::vector<UINT> name;

    static ScriptedAnswer integer(AsnInteger32 value) {
        return {ASN_INTEGER, value, {}, false, false, {}};
    }
    static ScriptedAnswer ip(BYTE a, BYTE b, BYTE c, BYTE d) {
        return {ASN_IPADDRESS, 0, {a, b, c, d}, false, false, {}};
    }
    static ScriptedAnswer null() { return {}; }
    static ScriptedAnswer other(BYTE type) { return {type, 0, {}, false, false, {}}; }
    static ScriptedAnswer failure() { return {ASN_NULL, 0, {}, true, false, {}}; }
    static ScriptedAnswer stuck(ScriptedAnswer a) {
        a.keepsName = true;
        return a;
    }
};

// A system for the connection list's tests: what the platform does, the
// agent's answers, and a record of the calls. It outlives the lists made
// over it, so a test can read the record after a list is gone.
struct ScriptedSystem {
    bool socketsStart = true;
    bool agentLoads = true;
    bool exportsInit = true;
    bool exportsQuery = true;
    bool initSucceeds = true;
    uint32_t ticks = 12345;

    // The answers of a walk, keyed by the name of its first query; after
    // the last answer, and for a walk without a script, NULL values.
    std::map<std::vector<UINT>, std::vector<ScriptedAnswer>> walks;
    // Runs before each query is answered, with the number of the query (from 1).
    std::function<void(int)> beforeQuery;

    int socketStarts = 0;
    uint16_t socketVersion = 0;
    int socketCleanups = 0;
    std::string loadedLibrary;
    int loads = 0;
    int unloads = 0;
    int inits = 0;
    uint32_t initUptime = 0;
    int queries = 0;
    std::vector<BYTE> pduTypes;

    // The platform a list gets; it refers to this system.
    std::unique_ptr<ConnListPlatform> platform();

    BOOL query(BYTE pduType, SnmpVarBindList* varBinds, AsnInteger32* errorStatus,
               AsnInteger32* errorIndex);

private:
    void answer(SnmpVarBind& varBind, const ScriptedAnswer& a);

    std::vector<UINT> currentWalk_;
    std::vector<UINT> lastAnswer_;
    std::size_t position_ = 0;
};

} // namespace vornel
