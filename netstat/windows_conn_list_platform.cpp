// Windows: Winsock, the system's own MIB-II agent library (inetmib1.dll),
// loaded from the system folder, and GetTickCount.
#include "netstat/conn_list_platform.h"

#include <string>
#include <windows.h>
#include <winsock2.h>

namespace vornel {

namespace {

// The entry points as the library exports them; our SNMP structures have the
// platform's layout.
using InitEntry = ::BOOL(WINAPI*)(::DWORD, ::HANDLE*, AsnObjectIdentifier*);
using QueryEntry = ::BOOL(WINAPI*)(::BYTE, SnmpVarBindList*, AsnInteger32*, AsnInteger32*);

class LibraryAgentModule : public AgentModule {
public:
    explicit LibraryAgentModule(HMODULE library) : library_(library) {}
    ~LibraryAgentModule() override { FreeLibrary(library_); }
    LibraryAgentModule(const LibraryAgentModule&) = delete;
    LibraryAgentModule& operator=(const LibraryAgentModule&) = delete;

    SnmpExtensionInitProc initEntry() override {
        auto entry = reinterpret_cast<InitEntry>(
            reinterpret_cast<void*>(GetProcAddress(library_, "SnmpExtensionInit")));
        if (!entry) return {};
        return [entry](DWORD uptime, HANDLE* trapEvent, AsnObjectIdentifier* region) {
            return entry(uptime, trapEvent, region);
        };
    }
    SnmpExtensionQueryProc queryEntry() override {
        auto entry = reinterpret_cast<QueryEntry>(
            reinterpret_cast<void*>(GetProcAddress(library_, "SnmpExtensionQuery")));
        if (!entry) return {};
        return [entry](BYTE pdu, SnmpVarBindList* list, AsnInteger32* status, AsnInteger32* index) {
            return entry(pdu, list, status, index);
        };
    }

private:
    HMODULE library_;
};

class WindowsConnListPlatform : public ConnListPlatform {
public:
    bool startSockets(uint16_t version) override {
        WSADATA data{};
        return WSAStartup(version, &data) == 0;
    }
    void cleanupSockets() override { WSACleanup(); }
    // The system's own library only: by bare name, a DLL of that name in the
    // program's folder (Downloads, say) would be loaded instead. The names
    // asked for are ASCII.
    std::unique_ptr<AgentModule> loadAgent(const std::string& libraryName) override {
        const std::wstring name(libraryName.begin(), libraryName.end());
        HMODULE library = LoadLibraryExW(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (!library) return nullptr;
        return std::make_unique<LibraryAgentModule>(library);
    }
    uint32_t tickCount() override { return GetTickCount(); }
};

} // namespace

std::unique_ptr<ConnListPlatform> makeConnListPlatform() {
    return std::make_unique<WindowsConnListPlatform>();
}

} // namespace vornel
