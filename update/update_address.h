#pragma once

#include <QString>

namespace vornel {

// The address of the update-and-help page:
// http://<host>/maj/?prog=Vornel&version=2003.03. The host is ours unless
// VORNEL_UPDATE_HOST names another one ("host" or "host:port"), for tests and
// for people who mirror the page.
QString updateAddress();

// The host part the address uses for a given VORNEL_UPDATE_HOST value; a
// value that is not a plain host with an optional port (one that would
// change the path or the query, or carry a user name) is ignored.
QString updateHost(const QString& overrideValue);

inline constexpr const char* DefaultUpdateHost = "www.vornel.example.org";

} // namespace vornel
