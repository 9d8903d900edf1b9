#include "netstat/snmp_api.h"

#include <cstdlib>
#include <cstring>

namespace vornel {

BOOL SnmpUtilOidCpy(AsnObjectIdentifier* dst, const AsnObjectIdentifier* src) {
    dst->idLength = 0;
    dst->ids = nullptr;
    if (src->idLength == 0) return true;
    auto* ids = static_cast<UINT*>(SnmpUtilMemAlloc(src->idLength * UINT(sizeof(UINT))));
    if (!ids) return false;
    std::memcpy(ids, src->ids, src->idLength * sizeof(UINT));
    dst->ids = ids;
    dst->idLength = src->idLength;
    return true;
}

void SnmpUtilOidFree(AsnObjectIdentifier* oid) {
    SnmpUtilMemFree(oid->ids);
    oid->ids = nullptr;
    oid->idLength = 0;
}

void SnmpUtilAsnAnyFree(AsnAny* any) {
    if (any->asnType == ASN_OBJECTIDENTIFIER)
        SnmpUtilOidFree(&any->asnValue.object);
    else if ((any->asnType == ASN_OCTETSTRING || any->asnType == ASN_IPADDRESS) &&
             any->asnValue.string.dynamic)
        SnmpUtilMemFree(any->asnValue.string.stream);
    std::memset(any, 0, sizeof(*any));
    any->asnType = ASN_NULL;
}

void SnmpUtilVarBindFree(SnmpVarBind* varBind) {
    SnmpUtilOidFree(&varBind->name);
    SnmpUtilAsnAnyFree(&varBind->value);
}

} // namespace vornel
