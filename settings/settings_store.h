#pragma once

#include "common/main_window_page.h"
#include "settings/log_file.h"
#include "settings/profile_file.h"
#include "settings/settings_files.h"
#include "settings/system_settings.h"

#include <QDate>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;
class QWidget;

namespace vornel {

class CloseRules;

// The controls of the main window that hold the stored options.
struct SettingsControls {
    QCheckBox* cbDemarre = nullptr;
    QCheckBox* cbAfficher = nullptr;
    QLabel* lTotal = nullptr;
    QLineEdit* eSon = nullptr;
    QPlainTextEdit* mFen = nullptr;
    QCheckBox* cbMaj = nullptr;
    QSpinBox* seMaj = nullptr;
    QCheckBox* cbReduite = nullptr;
    QListWidget* lb2 = nullptr;
    QPlainTextEdit* mLog = nullptr;
    QLabel* lMaj = nullptr;
};

// The main window's own state that the load and the save touch.
struct SettingsState {
    QWidget& window;
    std::function<void(Page)> BtnClick;
    bool& loading;
    QDate& lastUpdate;
    const std::string& TitreIE;
    std::vector<std::string>& NomsPorts;
    CloseRules& rules;
    const bool& earlierInstanceClosed;
};

// Moves every stored option, the rules, the port names and the log between
// the two files and the main window. Neither file is kept open or cached.
class SettingsStore {
public:
    static constexpr int MaxLogLines = vornel::MaxLogLines;
    // No line the scan logs comes near this (a date and a rule whose title
    // is a window's, of 5000 bytes at most); a longer one is junk.
    static constexpr std::size_t MaxLogLineBytes = 8192;

    // systemIni: the machine's settings file (systemSettingsPath()); empty
    // for none.
    SettingsStore(SettingsFiles files, SettingsControls controls, SettingsState state,
                  QString systemIni = {});

    // The load, once at start-up. Never fails: what cannot be read takes its
    // default.
    void Initialise();

    // Which failures of a save the error box shows: a save that runs on its
    // own, after closings, says so once and not again until a save has worked.
    enum class Reporting { EveryFailure, FirstOfARun };

    // Writes everything. A settings file that cannot be written (or read, or
    // holds no text: its other sections would be lost) is left as it was,
    // nothing else is written and the error box says so; false then, or when
    // only the log file could not be written, or is kept because it could not
    // be read.
    bool SauveListe(Reporting reporting = Reporting::EveryFailure);

    const SettingsFiles& files() const { return files_; }
    // What the load found of the machine's settings.
    const SystemSettings& system() const { return system_; }

private:
    void loadOptions(const ProfileFile& ini);
    void loadBrowserNames(const ProfileFile& ini);
    void loadRules(const ProfileFile& ini);
    void loadPortNames(const ProfileFile& ini);
    void loadLog();
    void remindUpdate();
    // The [Vornel] keys in the order a new file has them (the browser names
    // apart), and the rules.
    struct StoredValues {
        std::vector<std::pair<std::string, std::string>> options;
        std::vector<std::string> browserNames;
        std::vector<std::string> rules;
        const std::string* option(std::string_view key) const;
    };
    StoredValues ownValues() const;
    bool failed(Reporting reporting, const QString& message);
    void rememberBaseline(const ProfileFile& file);
    bool statisticsReset() const;
    std::string mergedTotal(const ProfileFile& file) const;
    QStringList mergedLog(const QStringList& onDisk) const;
    void mergeInto(ProfileFile& file, const StoredValues& mine);
    void mergeBrowserNames(ProfileFile& file, const StoredValues& mine);
    bool keepsOthers(const std::string& group, bool unchanged, bool othersChanged);
    bool leftToTheMachine(const std::string& key, const ProfileFile& file, bool unchanged) const;

    SettingsFiles files_;
    SettingsControls c_;
    SettingsState s_;
    QString systemIni_;
    SystemSettings system_;
    // MajLast as the load found it, when it read as a date that does not
    // count, and the day the load made of it.
    std::string keptLastUpdate_;
    QDate loadedLastUpdate_;
    bool failing_ = false; // the last save failed
    // What this resident last read or wrote: its own changes are counted
    // from there (none before the load).
    std::optional<StoredValues> baseline_;
    std::optional<ProfileFile> baseFile_; // the file as then read or written
    // The options ("Fenetre": the browser names, "[Windows]": the rules) that
    // another resident changed and this one has not changed since.
    std::set<std::string> othersOwn_;
    std::string baseTotal_;
    QStringList baseLog_;
};

// MajLast as stored: yyyy-MM-dd, which keeps the century whatever the
// regional settings; files of earlier versions hold the user's short date,
// read as a fallback. nullopt for a text that is no date, and for the
// placeholder "07/04/2002", which stands for a check that never happened.
std::optional<QDate> readLastUpdate(const std::string& stored);
// The day of the last check that the reminder counts from: today when the
// text gives no date, or a date before 2000 or after today: a date written
// under another regional format can read as one ("12/08/26" written month
// first, read day first, is in the year 26), and would bring the update page
// back at every start.
QDate lastUpdateFrom(const std::string& stored, const QDate& today);
// What the save stores for a day.
std::string lastUpdateText(const QDate& date);

// "Dernière mise à jour il y a 3 jours."
QString updateAgeText(const QDate& lastUpdate, const QDate& today);

} // namespace vornel
