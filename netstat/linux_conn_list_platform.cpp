// Linux has no socket library to start and no inetmib1.dll: the agent
// library is our own in-process MIB-II agent over the kernel's tables.
#include "netstat/conn_list_platform.h"
#include "netstat/kernel_socket_tables.h"
#include "netstat/mib_agent.h"

#include <ctime>

namespace vornel {

namespace {

class InProcessAgentModule : public AgentModule {
public:
    SnmpExtensionInitProc initEntry() override {
        return [this](DWORD uptime, HANDLE* trapEvent, AsnObjectIdentifier* region) {
            return agent_.SnmpExtensionInit(uptime, trapEvent, region);
        };
    }
    SnmpExtensionQueryProc queryEntry() override {
        return [this](BYTE pdu, SnmpVarBindList* list, AsnInteger32* status, AsnInteger32* index) {
            return agent_.SnmpExtensionQuery(pdu, list, status, index);
        };
    }

private:
    KernelSocketTables kernel_;
    MibAgent agent_{kernel_};
};

class LinuxConnListPlatform : public ConnListPlatform {
public:
    bool startSockets(uint16_t) override { return true; }
    void cleanupSockets() override {}
    std::unique_ptr<AgentModule> loadAgent(const std::string& libraryName) override {
        if (libraryName != "inetmib1.dll") return nullptr;
        return std::make_unique<InProcessAgentModule>();
    }
    uint32_t tickCount() override {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return uint32_t(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u);
    }
};

} // namespace

std::unique_ptr<ConnListPlatform> makeConnListPlatform() {
    return std::make_unique<LinuxConnListPlatform>();
}

} // namespace vornel
