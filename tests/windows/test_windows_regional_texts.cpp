// Texts that Windows' own settings decide: the regional date and time
// formats and Internet Explorer's title.
#include "blocking/default_browser.h"
#include "common/date_text.h"
#include "windows_test_support.h"

#include <gtest/gtest.h>

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

// A key of HKEY_CURRENT_USER set for one test and put back as it was after.
class InternetExplorerTitleValue {
public:
    explicit InternetExplorerTitleValue(const wchar_t* value) {
        RegCreateKeyExW(HKEY_CURRENT_USER, Key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                        nullptr);
        DWORD size = sizeof saved_;
        hadValue_ = RegQueryValueExW(key_, L"Window Title", nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(saved_), &size) == ERROR_SUCCESS;
        if (value)
            RegSetValueExW(key_, L"Window Title", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           DWORD((wcslen(value) + 1) * sizeof(wchar_t)));
        else
            RegDeleteValueW(key_, L"Window Title");
    }
    ~InternetExplorerTitleValue() {
        if (hadValue_)
            RegSetValueExW(key_, L"Window Title", 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_),
                           DWORD((wcslen(saved_) + 1) * sizeof(wchar_t)));
        else
            RegDeleteValueW(key_, L"Window Title");
        RegCloseKey(key_);
    }

private:
    static constexpr const wchar_t* Key = L"Software\\Microsoft\\Internet Explorer\\Main";
    HKEY key_ = nullptr;
    bool hadValue_ = false;
    wchar_t saved_[1024] = {};
};

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

TEST(WindowsRegionalTexts, InternetExplorerTitleComesFromTheRegistry) {
    {
        InternetExplorerTitleValue value(L"Microsoft Internet Explorer");
        EXPECT_EQ(defaultBrowserTitle(), " - Microsoft Internet Explorer");
    }
    {
        InternetExplorerTitleValue value(L"Navigateur \u00e9t\u00e9");
        EXPECT_EQ(defaultBrowserTitle(), " - Navigateur \xC3\xA9t\xC3\xA9");
    }
    {
        InternetExplorerTitleValue value(L"");
        EXPECT_EQ(defaultBrowserTitle(), " - Microsoft Internet");
    }
    InternetExplorerTitleValue missing(nullptr);
    EXPECT_EQ(defaultBrowserTitle(), " - Microsoft Internet");
}
