#include "netstat/scripted_agent.h"

#include <algorithm>

namespace vornel {

namespace {

class ScriptedModule : public AgentModule {
public:
    explicit ScriptedModule(ScriptedSystem& system) : system_(system) {}
    ~ScriptedModule() override { ++system_.unloads; }

    SnmpExtensionInitProc initEntry() override {
        if (!system_.exportsInit) return {};
        return [this](DWORD uptime, HANDLE* trapEvent, AsnObjectIdentifier* region) {
            ++system_.inits;
            system_.initUptime = uptime;
            *trapEvent = nullptr;
            *region = {UINT(region_.size()), region_.data()};
            return BOOL(system_.initSucceeds);
        };
    }
    SnmpExtensionQueryProc queryEntry() override {
        if (!system_.exportsQuery) return {};
        return [this](BYTE pdu, SnmpVarBindList* list, AsnInteger32* status, AsnInteger32* index) {
            return system_.query(pdu, list, status, index);
        };
    }

private:
    ScriptedSystem& system_;
    std::array<UINT, 6> region_{1, 3, 6, 1, 2, 1};
};

class ScriptedPlatform : public ConnListPlatform {
public:
    explicit ScriptedPlatform(ScriptedSystem& system) : system_(system) {}
    bool startSockets(uint16_t version) override {
        ++system_.socketStarts;
        system_.socketVersion = version;
        return system_.socketsStart;
    }
    void cleanupSockets() override { ++system_.socketCleanups; }
    std::unique_ptr<AgentModule> loadAgent(const std::string& libraryName) override {
        ++system_.loads;
        system_.loadedLibrary = libraryName;
        if (!system_.agentLoads) return nullptr;
        return std::make_unique<ScriptedModule>(system_);
    }
    uint32_t tickCount() override { return system_.ticks; }

private:
    ScriptedSystem& system_;
};

} // namespace

std::unique_ptr<ConnListPlatform> ScriptedSystem::platform() {
    return std::make_unique<ScriptedPlatform>(*this);
}

BOOL ScriptedSystem::query(BYTE pduType, SnmpVarBindList* varBinds, AsnInteger32* errorStatus,
                           AsnInteger32* errorIndex) {
    ++queries;
    pduTypes.push_back(pduType);
    if (beforeQuery) beforeQuery(queries);
    SnmpVarBind& varBind = varBinds->list[0];
    std::vector<UINT> name(varBind.name.ids, varBind.name.ids + varBind.name.idLength);
    // A name this agent did not hand out starts a walk.
    if (name != lastAnswer_) {
        currentWalk_ = name;
        position_ = 0;
    }
    auto script = walks.find(currentWalk_);
    ScriptedAnswer a = script != walks.end() && position_ < script->second.size()
                           ? script->second[position_]
                           : ScriptedAnswer::null();
    ++position_;
    if (a.fails) return false;
    answer(varBind, a);
    *errorStatus = SNMP_ERRORSTATUS_NOERROR;
    *errorIndex = 0;
    return true;
}

// Answers under the walk's first name plus the answer's number, so that no
// answer is taken for the start of a walk; the name is replaced in place, as
// the binding's memory rules say.
void ScriptedSystem::answer(SnmpVarBind& varBind, const ScriptedAnswer& a) {
    if (a.keepsName) {
        SnmpUtilAsnAnyFree(&varBind.value);
        varBind.value.asnType = a.type;
        if (a.type == ASN_INTEGER) varBind.value.asnValue.number = a.number;
        return;
    }
    std::vector<UINT> name = a.name;
    if (name.empty()) {
        name = currentWalk_;
        name.push_back(UINT(position_));
    }
    auto* ids =
        static_cast<UINT*>(SnmpUtilMemReAlloc(varBind.name.ids, UINT(name.size() * sizeof(UINT))));
    std::copy(name.begin(), name.end(), ids);
    varBind.name = {UINT(name.size()), ids};
    lastAnswer_ = std::move(name);

    SnmpUtilAsnAnyFree(&varBind.value);
    varBind.value.asnType = a.type;
    if (a.type == ASN_INTEGER) varBind.value.asnValue.number = a.number;
    if (a.type == ASN_IPADDRESS) {
        auto* bytes = static_cast<BYTE*>(SnmpUtilMemAlloc(UINT(a.address.size())));
        std::copy(a.address.begin(), a.address.end(), bytes);
        varBind.value.asnValue.address = {bytes, UINT(a.address.size()), true};
    }
}

} // namespace vornel
