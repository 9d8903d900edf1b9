// Texts that Windows' own settings decide: the regional date and time
// formats, the web browser's title, and the language of Qt's own texts.
#include "blocking/default_browser.h"
#include "common/date_text.h"
#include "common/program_language.h"
#include "settings/settings_store.h"
#include "windows_test_support.h"

#include <QLineEdit>
#include <QMenu>
#include <gtest/gtest.h>
#include <memory>

using namespace vornel;

namespace {

std::string windowsDate(const QDate& date) {
    SYSTEMTIME st{};
    st.wYear = WORD(date.year());
    st.wMonth = WORD(date.month());
    st.wDay = WORD(date.day());
    wchar_t text[64];
    int n =
        GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, 64, nullptr);
    return QString::fromWCharArray(text, n - 1).toStdString();
}

// A string value of HKEY_CURRENT_USER set (or, given none, deleted) for one
// test and put back as it was after.
class UserValue {
public:
    UserValue(const wchar_t* key, const wchar_t* name, const wchar_t* value) : name_(name) {
        RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                        nullptr);
        DWORD size = sizeof saved_;
        hadValue_ = RegQueryValueExW(key_, name_, nullptr, nullptr, reinterpret_cast<BYTE*>(saved_),
                                     &size) == ERROR_SUCCESS;
        set(value);
    }
    UserValue(const UserValue&) = delete;
    ~UserValue() {
        set(hadValue_ ? saved_ : nullptr);
        RegCloseKey(key_);
    }

private:
    void set(const wchar_t* value) {
        if (value)
            RegSetValueExW(key_, name_, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           DWORD((wcslen(value) + 1) * sizeof(wchar_t)));
        else
            RegDeleteValueW(key_, name_);
    }

    const wchar_t* name_;
    HKEY key_ = nullptr;
    bool hadValue_ = false;
    wchar_t saved_[1024] = {};
};

UserValue internetExplorerTitle(const wchar_t* value) {
    return {L"Software\\Microsoft\\Internet Explorer\\Main", L"Window Title", value};
}

UserValue httpProgId(const wchar_t* value) {
    return {L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\"
            L"UserChoice",
            L"ProgId", value};
}

} // namespace

TEST(WindowsRegionalTexts, DatesAreTheUsersShortDateAndReadBack) {
    const QDate day(2026, 3, 7);
    EXPECT_EQ(dateText(day), windowsDate(day));
    EXPECT_EQ(parseDateText(dateText(day)), day);
    EXPECT_EQ(parseDateText(dateText(QDate(2002, 12, 31))), QDate(2002, 12, 31));
    EXPECT_EQ(parseDateText("31/02/2002 x"), std::nullopt);
    EXPECT_EQ(parseDateText(""), std::nullopt);

    // Midnight has no time; any other moment has the long time after a blank.
    EXPECT_EQ(dateTimeText(QDateTime(day, QTime(0, 0))), windowsDate(day));
    const std::string withTime = dateTimeText(QDateTime(day, QTime(14, 5, 9)));
    EXPECT_EQ(withTime.rfind(windowsDate(day) + ' ', 0), 0u) << withTime;
    EXPECT_NE(withTime.find("05"), std::string::npos) << withTime;
    EXPECT_NE(withTime.find("09"), std::string::npos) << withTime;
}

TEST(WindowsRegionalTexts, ShortDatesWithTwoDigitYearsOrMonthNamesReadBackInTheirCentury) {
    const QDate today = QDate::currentDate(), checked = today.addDays(-20);
    for (const wchar_t* picture : {L"dd/MM/yy", L"dd.MM.yy", L"d-MMM-yy", L"dddd d MMMM yyyy",
                                   L"yy'年'M'月'd'日'", L"'le' d/M/yyyy"}) {
        const test::UserShortDate format(picture);
        const std::string shown = QString::fromWCharArray(picture).toStdString();
        EXPECT_EQ(parseDateText(dateText(QDate(2026, 12, 9))), QDate(2026, 12, 9)) << shown;
        EXPECT_EQ(parseDateText(dateText(QDate(2002, 4, 7))), QDate(2002, 4, 7)) << shown;
        // A check 20 days ago, stored as earlier versions did: 20 days, so a
        // 15-day reminder comes.
        EXPECT_EQ(lastUpdateFrom(dateText(checked), today), checked) << shown;
    }
    const test::UserShortDate format(L"dd/MM/yy");
    EXPECT_EQ(dateText(QDate(2026, 12, 9)), "09/12/26");
    EXPECT_EQ(parseDateText("09/12/99"), QDate(1999, 12, 9));
    EXPECT_EQ(parseDateText("09/12/2026"), std::nullopt);
    EXPECT_EQ(parseDateText("9/12/26x"), std::nullopt);
}

TEST(WindowsRegionalTexts, FixedFormatsWithoutTheCLibrarysStrptime) {
    const QDate day(2003, 3, 9);
    EXPECT_EQ(dateText(day, "%d/%m/%Y"), "09/03/2003");
    EXPECT_EQ(parseDateText("09/03/2003", "%d/%m/%Y"), day);
    EXPECT_EQ(parseDateText("9/3/03", "%d/%m/%y"), day);
    EXPECT_EQ(parseDateText("07/04/2002", "%m/%d/%Y"), QDate(2002, 7, 4));
    EXPECT_EQ(parseDateText("100%", "%d%%"), std::nullopt) << "no day 100";
    EXPECT_EQ(parseDateText("09-03-2003", "%d/%m/%Y"), std::nullopt);
    EXPECT_EQ(parseDateText("09/03/2003 ", "%d/%m/%Y"), std::nullopt);
    EXPECT_EQ(parseDateText("30/02/2003", "%d/%m/%Y"), std::nullopt);
}

TEST(WindowsRegionalTexts, BrowserTitleComesFromInternetExplorerThenTheHttpAssociation) {
    const UserValue noProgId = httpProgId(nullptr);
    {
        const UserValue value = internetExplorerTitle(L"Microsoft Internet Explorer");
        EXPECT_EQ(defaultBrowserTitle(), " - Microsoft Internet Explorer");
        // Internet Explorer's own setting is read first.
        const UserValue firefox = httpProgId(L"FirefoxURL-308046B0AF4A39CB");
        EXPECT_EQ(defaultBrowserTitle(), " - Microsoft Internet Explorer");
    }
    {
        const UserValue value = internetExplorerTitle(L"Navigateur \u00e9t\u00e9");
        EXPECT_EQ(defaultBrowserTitle(), " - Navigateur \xC3\xA9t\xC3\xA9");
    }
    {
        const UserValue value = internetExplorerTitle(L"");
        EXPECT_EQ(defaultBrowserTitle(), " - Microsoft Internet");
    }
    const UserValue missing = internetExplorerTitle(nullptr);
    EXPECT_EQ(defaultBrowserTitle(), " - Microsoft Internet");

    const std::pair<const wchar_t*, std::string> browsers[] = {
        {L"FirefoxURL-308046B0AF4A39CB", " \xE2\x80\x94 Mozilla Firefox"},
        {L"FirefoxURL", " \xE2\x80\x94 Mozilla Firefox"},
        {L"MSEdgeHTM", " - Microsoft\xE2\x80\x8B Edge"},
        {L"ChromeHTML", " - Google Chrome"},
        {L"ChromiumHTM.KVJH3VFQWAQPDBXVAN6HJGXCCA", " - Chromium"},
        // Names we do not know, and other channels of known ones.
        {L"ChromeBHTML", " - Microsoft Internet"},
        {L"MSEdgeDHTML", " - Microsoft Internet"},
        {L"IE.HTTP", " - Microsoft Internet"},
        {L"", " - Microsoft Internet"},
    };
    for (const auto& [progId, title] : browsers) {
        const UserValue value = httpProgId(progId);
        EXPECT_EQ(defaultBrowserTitle(), title) << QString::fromWCharArray(progId).toStdString();
    }
}

// Windows has no Qt texts of its own: the program carries Qt's French, so
// that a French user's text fields have their context menu in French.
TEST(WindowsRegionalTexts, QtsOwnTextsFollowTheProgramsLanguage) {
    const auto firstEntry = [](Language language) {
        speakLanguage(language);
        QLineEdit field;
        const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
        return menu->actions().value(0) ? menu->actions().value(0)->text() : QString();
    };
    const QString french = firstEntry(Language::French);
    const QString english = firstEntry(Language::English);
    speakUsersLanguage();
    EXPECT_TRUE(french.startsWith("&Annuler")) << french.toStdString();
    EXPECT_TRUE(english.startsWith("&Undo")) << english.toStdString();
}
