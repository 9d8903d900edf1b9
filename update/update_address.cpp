#include "update/update_address.h"

#include <QUrl>

namespace vornel {

QString updateHost(const QString& overrideValue) {
    const QString value = overrideValue.trimmed();
    if (value.isEmpty()) return QString::fromLatin1(DefaultUpdateHost);
    const QUrl probe(QStringLiteral("http://") + value + u'/', QUrl::StrictMode);
    const bool plainHost = probe.isValid() && !probe.host().isEmpty() &&
                           probe.userInfo().isEmpty() && probe.path() == u"/" &&
                           !probe.hasQuery() && !probe.hasFragment();
    return plainHost ? value : QString::fromLatin1(DefaultUpdateHost);
}

QString updateAddress() {
    return QStringLiteral("http://") + updateHost(qEnvironmentVariable("VORNEL_UPDATE_HOST")) +
           QStringLiteral("/maj/?prog=Vornel&version=" VORNEL_VERSION);
}

} // namespace vornel
