#include "settings/settings_store.h"

#include "blocking/close_rules.h"
#include "common/date_text.h"
#include "common/error_box.h"
#include "common/log_categories.h"
#include "common/memo_lines.h"
#include "common/spin_edit.h"
#include "common/text.h"
#include "netstat/port_names.h"
#include "settings/log_file.h"
#include "settings/profile_file.h"
#include "settings/rule_text.h"
#include "settings/settings_check.h"
#include "settings/settings_lock.h"
#include "settings/text_lines.h"

#include <QCheckBox>
#include <QCoreApplication>
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
    return QCoreApplication::translate(
               "SettingsStore",
               "Le fichier de réglages %1 n'est pas un fichier texte : Vornel ne peut "
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
    return (days <= 1 ? QCoreApplication::translate("SettingsStore",
                                                    "Dernière mise à jour il y a %1 jour.")
                      : QCoreApplication::translate("SettingsStore",
                                                    "Dernière mise à jour il y a %1 jours."))
        .arg(days);
}

SettingsStore::SettingsStore(SettingsFiles files, SettingsControls controls, SettingsState state,
                             QString systemIni)
    : files_(std::move(files)), c_(controls), s_(std::move(state)),
      systemIni_(std::move(systemIni)) {}

void SettingsStore::Initialise() {
    s_.loading = true;
    const std::optional<std::string> stored = readWholeFile(files_.ini);
    const std::optional<std::string> storedText = textOfFile(stored.value_or(""));
    // Each line the load passes over is told, with its file and number.
    if (stored && storedText)
        for (const SettingsProblem& problem : checkSettings(*storedText).problems)
            qCWarning(lcSettings, "%s", qUtf8Printable(problemText(files_.ini, problem)));
    const ProfileFile own = ProfileFile::fromText(storedText.value_or(""));
    // What the machine's file gives or imposes is read as if the user's file
    // held it; the save never writes it there.
    ProfileFile ini = own;
    system_ = SystemSettings::read(systemIni_);
    system_.applyTo(ini);
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
    rememberBaseline(own);
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

// The administrator's rules first: the scan tests them before the user's.
void SettingsStore::loadRules(const ProfileFile& ini) {
    s_.rules.clear();
    s_.rules.setAdministratorRules(system_.rules());
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
        s_.BtnClick(Page::Update);
    }
}

// Another resident (one per display) may share the folder: the save reads
// the files again under the lock and writes them from what it finds there
// and what this resident added or changed since it last read or wrote them.
bool SettingsStore::SauveListe(Reporting reporting) {
    QDir().mkpath(QFileInfo(files_.ini).absolutePath());
    const SettingsLock lock(QFileInfo(files_.ini).dir().filePath(QStringLiteral("vornel.lock")));
    // Other sections and unknown keys survive, so the file is read first; one
    // that exists but cannot be read is not replaced, and neither is one that
    // holds no text: its rules may yet be saved back as text by hand.
    QString readWhy, writeWhy;
    std::optional<std::string> old = readWholeFile(files_.ini, &readWhy);
    bool readable = old || !QFileInfo::exists(files_.ini);
    std::optional<std::string> oldText = textOfFile(old.value_or(""));
    if (!oldText) return failed(reporting, notTextMessage(files_.ini));
    ProfileFile ini = ProfileFile::fromText(*oldText);
    const QString ownTotal = c_.lTotal->text();
    const bool reset = statisticsReset();
    c_.lTotal->setText(qtext(reset ? text(ownTotal) : mergedTotal(ini)));
    StoredValues mine = ownValues();
    mergeInto(ini, mine);
    if (!readable || !writeWholeFile(files_.ini, ini.toText(), &writeWhy)) {
        c_.lTotal->setText(ownTotal);
        return failed(reporting, withReason(QCoreApplication::translate(
                                                "SettingsStore", "Impossible d'écrire dans %1")
                                                .arg(shownPath(files_.ini)),
                                            readable ? writeWhy : readWhy));
    }
    baseline_ = std::move(mine);
    baseFile_ = std::move(ini);
    baseTotal_ = text(c_.lTotal->text());
    // Likewise a log that exists but cannot be read: its lines never reached
    // mLog, and writing over it would lose them.
    std::optional<QStringList> onDisk =
        readLogLines(files_.log, MaxLogLines, MaxLogLineBytes, &readWhy);
    bool logReadable = onDisk || !QFileInfo::exists(files_.log);
    const QStringList lines =
        reset ? memoLines(c_.mLog) : mergedLog(onDisk.value_or(QStringList()));
    if (!logReadable || !writeLogLines(files_.log, lines, &writeWhy))
        return failed(reporting,
                      withReason(QCoreApplication::translate("SettingsStore",
                                                             "Impossible de créer le fichier %1")
                                     .arg(shownPath(files_.log)),
                                 logReadable ? writeWhy : readWhy));
    if (lines != memoLines(c_.mLog)) setMemoLines(c_.mLog, lines);
    baseLog_ = lines;
    failing_ = false;
    return true;
}

// What the load found, and each save wrote, is where this resident's own
// changes are counted from.
void SettingsStore::rememberBaseline(const ProfileFile& file) {
    baseline_ = ownValues();
    baseFile_ = file;
    baseTotal_ = text(c_.lTotal->text());
    baseLog_ = memoLines(c_.mLog);
}

// The statistics page's reset sets the total back below what was last read
// or written: the total and the log are then this resident's alone.
// Nothing else empties the log.
bool SettingsStore::statisticsReset() const {
    const std::optional<int32_t> own = parseWholeNumber(text(c_.lTotal->text()));
    const std::optional<int32_t> base = parseWholeNumber(baseTotal_);
    return (own && base && *own < *base) || (memoLineCount(c_.mLog) == 0 && !baseLog_.isEmpty());
}

// The file's total and this resident's closings since it last read or wrote
// it, counted as the scan counts, wrapping at the 32-bit limit. A total that
// is no number anywhere stays this resident's.
std::string SettingsStore::mergedTotal(const ProfileFile& file) const {
    const std::string own = text(c_.lTotal->text());
    const std::optional<int32_t> ownCount = parseWholeNumber(own);
    const std::optional<int32_t> base = parseWholeNumber(baseTotal_);
    const std::optional<int32_t> stored = parseWholeNumber(file.readString(Options, "Total", "0"));
    if (!ownCount || !base || !stored) return own;
    return std::to_string(int32_t(uint32_t(*stored) + uint32_t(*ownCount) - uint32_t(*base)));
}

// This resident's new lines (those above what it last read or wrote) on top
// of the file's, newest first.
QStringList SettingsStore::mergedLog(const QStringList& onDisk) const {
    const QStringList own = memoLines(c_.mLog);
    qsizetype added = 0;
    while (own.mid(added) != baseLog_.mid(0, own.size() - added))
        ++added;
    return (own.mid(0, added) + onDisk).mid(0, MaxLogLines);
}

namespace {

std::vector<std::string> browserNamesIn(const ProfileFile& ini) {
    std::vector<std::string> names;
    for (int n = 1; auto name = ini.readOptional(Options, browserKey(n)); ++n)
        names.push_back(*name);
    return names;
}

} // namespace

// Into the file goes what this resident holds, except where it changed
// nothing since it last read or wrote the file while another resident
// changed the file: that stays, at this save and the next ones, until this
// resident changes it in turn. Total is merged before; Version is always
// written. The browser names and the rules go as a whole, the names after Son.
void SettingsStore::mergeInto(ProfileFile& file, const StoredValues& mine) {
    for (const auto& [key, value] : mine.options) {
        const bool unchanged = baseline_ && *baseline_->option(key) == value;
        const bool keep = leftToTheMachine(key, file, unchanged) ||
                          (key != "Total" && key != "Version" &&
                           keepsOthers(key, unchanged,
                                       baseFile_ && file.readOptional(Options, key) !=
                                                        baseFile_->readOptional(Options, key)));
        if (!keep) file.writeString(Options, key, value);
        if (key == "Son") mergeBrowserNames(file, mine);
    }
    const bool keepRules =
        keepsOthers("[Windows]", baseline_ && mine.rules == baseline_->rules,
                    baseFile_ && file.entries(Rules) != baseFile_->entries(Rules));
    if (keepRules) return;
    file.removeSection(Rules);
    for (std::size_t k = 0; k < mine.rules.size(); ++k)
        file.writeString(Rules, std::to_string(k + 1), mine.rules[k]);
}

// Whether the file keeps another resident's value of the group: one this
// resident has not changed since it last read or wrote the file.
bool SettingsStore::keepsOthers(const std::string& group, bool unchanged, bool othersChanged) {
    if (!baseline_ || !baseFile_ || !unchanged) {
        othersOwn_.erase(group);
        return false;
    }
    if (othersChanged) othersOwn_.insert(group);
    return othersOwn_.contains(group);
}

// What the administrator imposes, and a default of the machine's file that
// the user's file lacks and the user has not changed, stay out of the user's
// file: a later change by the administrator must still reach them.
bool SettingsStore::leftToTheMachine(const std::string& key, const ProfileFile& file,
                                     bool unchanged) const {
    if (system_.imposes(key)) return true;
    const std::string stored = isBrowserKey(key) ? browserKey(1) : key;
    return unchanged && system_.givesDefault(key) && !file.contains(Options, stored);
}

void SettingsStore::mergeBrowserNames(ProfileFile& file, const StoredValues& mine) {
    if (leftToTheMachine(browserKey(1), file,
                         baseline_ && mine.browserNames == baseline_->browserNames))
        return;
    if (keepsOthers("Fenetre", baseline_ && mine.browserNames == baseline_->browserNames,
                    baseFile_ && browserNamesIn(file) != browserNamesIn(*baseFile_)))
        return;
    const int count = int(mine.browserNames.size());
    for (int n = 1; n <= count; ++n)
        file.writeString(Options, browserKey(n), mine.browserNames[std::size_t(n - 1)]);
    for (int n = count + 1; file.readOptional(Options, browserKey(n)); ++n)
        file.removeKey(Options, browserKey(n));
}

// Set before the box shows: its own event loop may run another save. Stderr
// hears what the box says, as often.
bool SettingsStore::failed(Reporting reporting, const QString& message) {
    const bool show = reporting == Reporting::EveryFailure || !failing_;
    failing_ = true;
    if (!show) return false;
    qCWarning(lcSettings, "%s", qUtf8Printable(errorText(message)));
    showErrorBox(&s_.window, message);
    return false;
}

// The values this resident would store, exactly as they are written.
SettingsStore::StoredValues SettingsStore::ownValues() const {
    StoredValues v;
    auto add = [&v](std::string key, std::string value) {
        v.options.emplace_back(std::move(key), std::move(value));
    };
    add("Demarre", c_.cbDemarre->isChecked() ? "1" : "0");
    add("Afficher", c_.cbAfficher->isChecked() ? "1" : "0");
    add("Total", text(c_.lTotal->text()));
    add("Version", "Vornel " VORNEL_VERSION);
    add("Son", text(c_.eSon->text()));
    // The first missing entry ends the list at the next load (mergeInto
    // removes the entries of a longer list). An empty list is one empty
    // entry, so that it does not read back as the default.
    QStringList names = memoLines(c_.mFen);
    if (names.isEmpty()) names << QString();
    for (int i = 0; i < names.size(); ++i)
        v.browserNames.push_back(text(names[i]));
    add("Maj", c_.cbMaj->isChecked() ? "1" : "0");
    add("MajJour", std::to_string(spinEditValue(*c_.seMaj)));
    QDate last = s_.lastUpdate.isValid() ? s_.lastUpdate : QDate::currentDate();
    const bool keep = !keptLastUpdate_.empty() && s_.lastUpdate == loadedLastUpdate_;
    add("MajLast", keep ? keptLastUpdate_ : lastUpdateText(last));
    add("FenetreReduite", c_.cbReduite->isChecked() ? "1" : "0");
    // Only the user's own rules, numbered from 1 in the file.
    for (int k = s_.rules.administratorCount() + 1; k <= s_.rules.count(); ++k)
        v.rules.push_back(ruleValue(ruleThatFits(s_.rules.rule(k))));
    return v;
}

const std::string* SettingsStore::StoredValues::option(std::string_view key) const {
    for (const auto& [name, value] : options)
        if (name == key) return &value;
    return nullptr;
}

} // namespace vornel
