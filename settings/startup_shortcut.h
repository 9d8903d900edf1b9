#pragma once

#include "settings/start_at_logon.h"

namespace vornel {

// A shell shortcut "Vornel.lnk" in the user's Startup folder: the executable
// as its target, no arguments, no description, shown normally (SW_SHOW).
// The folder is the shell's Startup known folder, "Startup" on disk whatever
// the language of Windows ("Démarrage" is only the name a French Explorer
// shows for it).
class StartupShortcut : public StartAtLogon {
public:
    // folder: where the shortcut goes; empty for the Startup known folder,
    // looked up afresh on every call.
    explicit StartupShortcut(QString folder = {});

    bool write(const QString& executable, QString* error = nullptr) override;
    void remove() override;

    // The shortcut's full path; empty when the Startup folder is unknown.
    QString shortcutPath() const;
    static QString startupFolder();

private:
    QString folder_;
};

// What a shortcut file holds, read back through the shell; for the tests.
struct ShortcutContent {
    QString target, arguments, description;
    int showCommand = 0;
};
bool readShortcut(const QString& path, ShortcutContent& content);

} // namespace vornel
