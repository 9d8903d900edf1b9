#include "settings/settings_store.h"

#include "blocking/close_rules.h"
#include "common/date_text.h"
#include "common/error_box.h"
#include "common/memo_lines.h"
#include "common/spin_edit.h"
#include "common/text.h"
#include "netstat/port_names.h"
#include "settings/log_file.h"
#include "settings/profile_file.h"
#include "settings/rule_text.h"
#include "settings/text_lines.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <algorithm>
#include <cstdlib>

namespace vornel {

namespace {

constexpr std::string_view Options = "Vornel";
constexpr std::string_view Rules = "Windows";
constexpr std::string_view Ports = "Ports";
constexpr std::string_view NeverChecked = "07/04/2002";

std::string text(const QString& s) {
    return s.toStdString();
}
QString qtext(const std::string& s) {
    return QString::fromStdString(s);
}
std::string browserKey(int n) {
    return "Fenetre" + std::to_string(n);
}

// The messages show the settings file's path lower-cased, as the program has
// always named it there; the file itself is written under its real path.
QString shownPath(const QString& path) {
    return qtext(asciiLower(text(path)));
}

QString notTextMessage(const QString& path) {
    return QStringLiteral("Le fichier de réglages %1 n'est pas un fichier texte : Vornel ne peut "
                          "pas le lire et ne le remplace pas. Enregistrez-le en texte (UTF-8 ou "
                          "Unicode) ou supprimez-le pour que les réglages soient de nouveau "
                          "enregistrés")
        .arg(QDir::toNativeSeparators(path));
}

} // namespace

std::optional<QDate> readLastUpdate(const std::string& stored) {
    const QDate iso = QDate::fromString(qtext(stored), QStringLiteral("yyyy-MM-dd"));
    if (iso.isValid()) return iso;
    std::optional<QDate> date = parseDateText(stored);
    if (!date || date == parseDateText(std::string(NeverChecked))) return std::nullopt;
    return date;
}

QDate lastUpdateFrom(const std::string& stored, const QDate& today) {
    std::optional<QDate> date = readLastUpdate(stored);
    if (!date || *date < QDate(2000, 1, 1) || *date > today) return today;
    return *date;
}

std::string lastUpdateText(const QDate& date) {
    return text(date.toString(QStringLiteral("yyyy-MM-dd")));
}

// French puts 0 and 1 in the singular.
QString updateAgeText(const QDate& lastUpdate, const QDate& today) {
    const qint64 days = std::llabs(lastUpdate.daysTo(today));
    return QStringLiteral("Dernière mise à jour il y a %1 %2.")
        .arg(days)
        .arg(days <= 1 ? QStringLiteral("jour") : QStringLiteral("jours"));
}

SettingsStore::SettingsStore(SettingsFiles files, SettingsControls controls, SettingsState state)
    : files_(std::move(files)), c_(controls), s_(std::move(state)) {}

void SettingsStore::Initialise() {
    s_.loading = true;
    const std::optional<std::string> stored = readWholeFile(files_.ini);
    const ProfileFile ini = ProfileFile::fromText(textOfFile(stored.value_or("")).value_or(""));
    c_.lTotal->setText(qtext(ini.readString(Options, "Total", "0")));
    c_.cbAfficher->setChecked(ini.readBool(Options, "Afficher", true));
    c_.cbDemarre->setChecked(ini.readBool(Options, "Demarre", true));
    // Showing runs the window's show handler now, in the middle of the load.
    s_.window.hide();
    if (c_.cbAfficher->isChecked() || s_.earlierInstanceClosed) s_.window.show();
    loadOptions(ini);
    loadRules(ini);
    loadPortNames(ini);
    loadLog();
    s_.loading = false;
    remindUpdate();
}

void SettingsStore::loadOptions(const ProfileFile& ini) {
    c_.eSon->setText(
        qtext(ini.readString(Options, "Son", text(files_.programFolder) + "Vornel.wav")));
    loadBrowserNames(ini);
    c_.cbMaj->setChecked(ini.readBool(Options, "Maj", true));
    c_.seMaj->setValue(std::clamp(ini.readInteger(Options, "MajJour", 15), 1, 90));
    const std::string stored = ini.readString(Options, "MajLast", NeverChecked);
    s_.lastUpdate = lastUpdateFrom(stored, QDate::currentDate());
    // A date that does not count (one after today, say) is still the user's:
    // it stays as written until a check replaces it.
    const std::optional<QDate> read = readLastUpdate(stored);
    loadedLastUpdate_ = s_.lastUpdate;
    keptLastUpdate_ = read && read != s_.lastUpdate ? stored : std::string();
    c_.cbReduite->setChecked(ini.readBool(Options, "FenetreReduite", false));
}

// The list ends at the first missing entry: a blank line the user left
// between two names is one line of the list, not its end. Only a missing
// first entry gives the Internet Explorer default.
void SettingsStore::loadBrowserNames(const ProfileFile& ini) {
    QStringList names;
    std::optional<std::string> name = ini.readString(Options, browserKey(1), s_.TitreIE);
    while (name) {
        names << qtext(*name);
        name = ini.readOptional(Options, browserKey(int(names.size()) + 1));
    }
    setMemoLines(c_.mFen, names);
}

void SettingsStore::loadRules(const ProfileFile& ini) {
    s_.rules.clear();
    c_.lb2->clear();
    for (int k = 1; k <= CloseRules::MaxRules; ++k) {
        std::string value = ini.readString(Rules, std::to_string(k), "");
        if (value.empty()) break;
        s_.rules.append(ruleFromValue(value));
    }
    // The rule list draws its rows from the rules; each row only holds "ok".
    c_.lb2->addItems(QStringList(s_.rules.count(), QStringLiteral("ok")));
}

void SettingsStore::loadPortNames(const ProfileFile& ini) {
    s_.NomsPorts = portNamesFrom(ini);
}

// A log that cannot be read leaves the log empty; the start goes on, and the
// save keeps the file.
void SettingsStore::loadLog() {
    if (!QFileInfo::exists(files_.log)) return;
    setMemoLines(c_.mLog,
                 readLogLines(files_.log, MaxLogLines, MaxLogLineBytes).value_or(QStringList()));
}

void SettingsStore::remindUpdate() {
    QDate today = QDate::currentDate();
    c_.lMaj->setText(updateAgeText(s_.lastUpdate, today));
    if (c_.cbMaj->isChecked() &&
        std::llabs(s_.lastUpdate.daysTo(today)) > spinEditValue(*c_.seMaj)) {
        s_.window.show();
        s_.BtnClick(7);
    }
}

bool SettingsStore::SauveListe(Reporting reporting) {
    // Other sections and unknown keys survive, so the file is read first; one
    // that exists but cannot be read is not replaced, and neither is one that
    // holds no text: its rules may yet be saved back as text by hand.
    std::optional<std::string> old = readWholeFile(files_.ini);
    bool readable = old || !QFileInfo::exists(files_.ini);
    std::optional<std::string> oldText = textOfFile(old.value_or(""));
    if (!oldText) return failed(reporting, notTextMessage(files_.ini));
    ProfileFile ini = ProfileFile::fromText(*oldText);
    saveOptions(ini);
    saveRules(ini);
    if (!readable || !writeWholeFile(files_.ini, ini.toText()))
        return failed(reporting,
                      QStringLiteral("Impossible d'écrire dans %1").arg(shownPath(files_.ini)));
    // Likewise a log that exists but cannot be read: its lines never reached
    // mLog, and writing over it would lose them.
    bool logReadable =
        readLogLines(files_.log, 1, MaxLogLineBytes) || !QFileInfo::exists(files_.log);
    if (!logReadable || !writeLogLines(files_.log, memoLines(c_.mLog)))
        return failed(
            reporting,
            QStringLiteral("Impossible de créer le fichier %1").arg(shownPath(files_.log)));
    failing_ = false;
    return true;
}

// Set before the box shows: its own event loop may run another save.
bool SettingsStore::failed(Reporting reporting, const QString& message) {
    const bool show = reporting == Reporting::EveryFailure || !failing_;
    failing_ = true;
    if (show) showErrorBox(&s_.window, message);
    return false;
}

void SettingsStore::saveOptions(ProfileFile& ini) const {
    ini.writeBool(Options, "Demarre", c_.cbDemarre->isChecked());
    ini.writeBool(Options, "Afficher", c_.cbAfficher->isChecked());
    ini.writeString(Options, "Total", text(c_.lTotal->text()));
    ini.writeString(Options, "Version", "Vornel " VORNEL_VERSION);
    ini.writeString(Options, "Son", text(c_.eSon->text()));
    // The first missing entry ends the list at the next load, also when the
    // list was longer before. An empty list is one empty entry, so that it
    // does not read back as the default.
    QStringList names = memoLines(c_.mFen);
    if (names.isEmpty()) names << QString();
    for (int i = 0; i < names.size(); ++i)
        ini.writeString(Options, browserKey(i + 1), text(names[i]));
    for (int n = int(names.size()) + 1; ini.readOptional(Options, browserKey(n)); ++n)
        ini.removeKey(Options, browserKey(n));
    ini.writeBool(Options, "Maj", c_.cbMaj->isChecked());
    ini.writeInteger(Options, "MajJour", spinEditValue(*c_.seMaj));
    QDate last = s_.lastUpdate.isValid() ? s_.lastUpdate : QDate::currentDate();
    const bool keep = !keptLastUpdate_.empty() && s_.lastUpdate == loadedLastUpdate_;
    ini.writeString(Options, "MajLast", keep ? keptLastUpdate_ : lastUpdateText(last));
    ini.writeBool(Options, "FenetreReduite", c_.cbReduite->isChecked());
}

void SettingsStore::saveRules(ProfileFile& ini) const {
    ini.removeSection(Rules);
    for (int k = 1; k <= s_.rules.count(); ++k)
        ini.writeString(Rules, std::to_string(k), ruleValue(ruleThatFits(s_.rules.rule(k))));
}

} // namespace vornel
