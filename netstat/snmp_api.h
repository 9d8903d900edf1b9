#pragma once

// The shapes and constants of the SNMP extension-agent interface, laid out
// as the platform publishes them, so that a reader written against that
// interface talks to our agent unchanged.
#include <cstdint>
#include <functional>

namespace vornel {

using BYTE = uint8_t;
using UINT = unsigned int;
using BOOL = int;
using DWORD = uint32_t;
using HANDLE = void*;
using AsnInteger32 = int32_t;
using AsnUnsigned32 = uint32_t;
using AsnCounter32 = uint32_t;
using AsnGauge32 = uint32_t;
using AsnTimeticks = uint32_t;
using AsnCounter64 = uint64_t;

constexpr BYTE ASN_INTEGER = 0x02;
constexpr BYTE ASN_OCTETSTRING = 0x04;
constexpr BYTE ASN_NULL = 0x05;
constexpr BYTE ASN_OBJECTIDENTIFIER = 0x06;
constexpr BYTE ASN_IPADDRESS = 0x40;

constexpr BYTE SNMP_PDU_GET = 0xA0;
constexpr BYTE SNMP_PDU_GETNEXT = 0xA1;

constexpr AsnInteger32 SNMP_ERRORSTATUS_NOERROR = 0;
constexpr AsnInteger32 SNMP_ERRORSTATUS_GENERR = 5;

// The structures have the layout of the Windows SNMP headers, which pack them
// to four bytes: on Windows they cross into the system's agent library.
#pragma pack(push, 4)

// dynamic: the stream was allocated with SnmpUtilMemAlloc and goes with the
// value; otherwise it belongs to whoever wrote it (for our agent, until its
// next snapshot of the same table).
struct AsnOctetString {
    BYTE* stream;
    UINT length;
    BOOL dynamic;
};

struct AsnObjectIdentifier {
    UINT idLength;
    UINT* ids;
};

using AsnIPAddress = AsnOctetString;
using AsnObjectName = AsnObjectIdentifier;

struct AsnAny {
    BYTE asnType;
    union {
        AsnInteger32 number;
        AsnUnsigned32 unsigned32;
        AsnCounter64 counter64;
        AsnOctetString string;
        AsnObjectIdentifier object;
        AsnIPAddress address;
        AsnCounter32 counter;
        AsnGauge32 gauge;
        AsnTimeticks ticks;
    } asnValue;
};

using AsnObjectSyntax = AsnAny;

struct SnmpVarBind {
    AsnObjectName name;
    AsnObjectSyntax value;
};

struct SnmpVarBindList {
    SnmpVarBind* list;
    UINT len;
};
#pragma pack(pop)

// The two entry points of an extension agent. An empty function stands for
// an entry point the library does not export.
using SnmpExtensionInitProc =
    std::function<BOOL(DWORD uptimeReference, HANDLE* trapEvent, AsnObjectIdentifier* firstRegion)>;
using SnmpExtensionQueryProc = std::function<BOOL(
    BYTE pduType, SnmpVarBindList* varBinds, AsnInteger32* errorStatus, AsnInteger32* errorIndex)>;

// Memory rules of the binding: a varbind's name is allocated with
// SnmpUtilMemAlloc (SnmpUtilOidCpy does it); the agent replaces the name in
// place and frees what it replaces; the caller frees the varbind at the end
// with SnmpUtilVarBindFree.
void* SnmpUtilMemAlloc(UINT bytes);
void* SnmpUtilMemReAlloc(void* memory, UINT bytes);
void SnmpUtilMemFree(void* memory);
// False when memory runs out; dst is then empty.
BOOL SnmpUtilOidCpy(AsnObjectIdentifier* dst, const AsnObjectIdentifier* src);
void SnmpUtilOidFree(AsnObjectIdentifier* oid);
void SnmpUtilAsnAnyFree(AsnAny* any);
void SnmpUtilVarBindFree(SnmpVarBind* varBind);

} // namespace vornel
