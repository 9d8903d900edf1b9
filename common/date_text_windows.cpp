// Windows: the short date and the long time of the user's regional settings,
// written by GetDateFormatEx / GetTimeFormatEx and read back with the short
// date's picture (LOCALE_SSHORTDATE), whose letters d, M and y mean what
// they mean to QDate::fromString.
#include "common/date_text.h"

#include <QString>
#include <ctime>
#include <windows.h>

namespace vornel {

namespace {

SYSTEMTIME systemTime(const QDate& date, const QTime& time) {
    SYSTEMTIME st{};
    st.wYear = WORD(date.year());
    st.wMonth = WORD(date.month());
    st.wDay = WORD(date.day());
    st.wDayOfWeek = WORD(date.dayOfWeek() % 7);
    st.wHour = WORD(time.hour());
    st.wMinute = WORD(time.minute());
    st.wSecond = WORD(time.second());
    return st;
}

std::string shortDate(const SYSTEMTIME& st) {
    wchar_t text[128] = {};
    int n =
        GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, 128, nullptr);
    return n > 0 ? QString::fromWCharArray(text, n - 1).toStdString() : std::string();
}

std::string longTime(const SYSTEMTIME& st) {
    wchar_t text[128] = {};
    int n = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, text, 128);
    return n > 0 ? QString::fromWCharArray(text, n - 1).toStdString() : std::string();
}

QString shortDatePicture() {
    wchar_t picture[96] = {};
    int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTDATE, picture, 96);
    return n > 0 ? QString::fromWCharArray(picture, n - 1) : QStringLiteral("dd/MM/yyyy");
}

// Reads one number of at most maxDigits digits.
bool readNumber(const char*& at, int maxDigits, int& value) {
    int digits = 0;
    value = 0;
    while (digits < maxDigits && *at >= '0' && *at <= '9') {
        value = value * 10 + (*at++ - '0');
        ++digits;
    }
    return digits > 0;
}

} // namespace

std::string dateText(const QDate& date) {
    return shortDate(systemTime(date, QTime(0, 0)));
}

std::string dateText(const QDate& date, const char* pattern) {
    std::tm tm{};
    tm.tm_year = date.year() - 1900;
    tm.tm_mon = date.month() - 1;
    tm.tm_mday = date.day();
    tm.tm_wday = date.dayOfWeek() % 7;
    tm.tm_yday = date.dayOfYear() - 1;
    char buffer[256];
    std::size_t n = std::strftime(buffer, sizeof buffer, pattern, &tm);
    return std::string(buffer, n);
}

std::string dateTimeText(const QDateTime& when) {
    const QTime time = when.time();
    const SYSTEMTIME st = systemTime(when.date(), time);
    std::string text = shortDate(st);
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0) text += ' ' + longTime(st);
    return text;
}

std::optional<QDate> parseDateText(const std::string& text) {
    QDate date = QDate::fromString(QString::fromStdString(text), shortDatePicture());
    if (!date.isValid()) return std::nullopt;
    return date;
}

// The C library of Windows has no strptime: the conversions that dates use
// (%d, %m, %Y, %y, %%) are read here, every other character must match itself.
std::optional<QDate> parseDateText(const std::string& text, const char* pattern) {
    const char* at = text.c_str();
    int day = 1, month = 1, year = 1900;
    for (const char* p = pattern; *p; ++p) {
        if (*p != '%') {
            if (*at++ != *p) return std::nullopt;
            continue;
        }
        bool ok = true;
        switch (*++p) {
        case 'd':
            ok = readNumber(at, 2, day);
            break;
        case 'm':
            ok = readNumber(at, 2, month);
            break;
        case 'Y':
            ok = readNumber(at, 4, year);
            break;
        case 'y':
            ok = readNumber(at, 2, year);
            year += year < 69 ? 2000 : 1900;
            break;
        case '%':
            ok = *at++ == '%';
            break;
        default:
            return std::nullopt;
        }
        if (!ok) return std::nullopt;
    }
    QDate date(year, month, day);
    if (*at != '\0' || !date.isValid()) return std::nullopt;
    return date;
}

} // namespace vornel
