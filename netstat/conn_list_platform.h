#pragma once

#include "netstat/snmp_api.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vornel {

// A loaded SNMP extension-agent library. Destroying it unloads the library
// (no agent shutdown call is made).
class AgentModule {
public:
    virtual ~AgentModule() = default;
    // The exported entry points; an empty function when one is not exported.
    virtual SnmpExtensionInitProc initEntry() = 0;
    virtual SnmpExtensionQueryProc queryEntry() = 0;
};

// What the connection list needs of the system: the socket library, the
// agent library and the tick count.
class ConnListPlatform {
public:
    virtual ~ConnListPlatform() = default;
    // Starts the socket library at the requested version; false on failure.
    virtual bool startSockets(uint16_t version) = 0;
    // Called once for every start that succeeded.
    virtual void cleanupSockets() = 0;
    // Loads the named agent library; null when it is not available.
    virtual std::unique_ptr<AgentModule> loadAgent(const std::string& libraryName) = 0;
    // Milliseconds since boot, wrapping at 32 bits.
    virtual uint32_t tickCount() = 0;
};

// The platform this build was made for (the build picks its implementation).
std::unique_ptr<ConnListPlatform> makeConnListPlatform();

} // namespace vornel
