#pragma once

#include "settings/start_at_logon.h"

namespace vornel {

// An XDG autostart entry, $XDG_CONFIG_HOME/autostart/Vornel.desktop
// (~/.config/autostart without that variable). The location is looked up
// afresh on every call.
class XdgAutostart : public StartAtLogon {
public:
    bool write(const QString& executable, QString* error = nullptr) override;
    void remove() override;

    static QString entryPath();
    static QString entryText(const QString& executable);
    // The executable as the Exec key's first word: quoted as the Desktop
    // Entry specification requires, then escaped as a string value.
    static QString execWord(const QString& executable);
};

} // namespace vornel
