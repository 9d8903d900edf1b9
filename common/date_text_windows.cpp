// Windows: the short date and the long time of the user's regional settings,
// written by GetDateFormatEx / GetTimeFormatEx and read back with the short
// date's picture (LOCALE_SSHORTDATE): d day, M month, y year, g era, text in
// single quotes as written. A two-digit year falls in the user's own window
// of a hundred years (CAL_ITWODIGITYEARMAX): "26" is 2026, not 1926.
#include "common/date_text.h"

#include <QString>
#include <algorithm>
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

// The last year that two digits stand for; Windows' own default when the
// calendar does not say.
int twoDigitYearMax() {
    DWORD year = 0;
    if (GetCalendarInfoEx(LOCALE_NAME_USER_DEFAULT, CAL_GREGORIAN, nullptr,
                          CAL_ITWODIGITYEARMAX | CAL_RETURN_NUMBER, nullptr, 0, &year) > 0 &&
        year >= 100)
        return int(year);
    return 2049;
}

// A date picture read over a text, one field or literal at a time.
class PictureReader {
public:
    explicit PictureReader(const QString& text) : text_(text) {}

    std::optional<QDate> read(const QString& picture) {
        for (qsizetype p = 0; p < picture.size();) {
            const QChar c = picture[p];
            qsizetype n = 1;
            while (p + n < picture.size() && picture[p + n] == c)
                ++n;
            if (c == u'\'') {
                p = literal(picture, p);
                if (p < 0) return std::nullopt;
                continue;
            }
            if (!field(c, n)) return std::nullopt;
            p += (c == u'd' || c == u'M' || c == u'y' || c == u'g') ? n : 1;
        }
        const QDate date(year_, month_, day_);
        if (at_ != text_.size() || !date.isValid()) return std::nullopt;
        return date;
    }

private:
    // The quoted text that starts at p, '' standing for a quote; the place
    // after it, or -1 when the text does not hold it.
    qsizetype literal(const QString& picture, qsizetype p) {
        for (++p; p < picture.size(); ++p) {
            if (picture[p] == u'\'') {
                if (p + 1 >= picture.size() || picture[p + 1] != u'\'') return p + 1;
                ++p;
            }
            if (!take(picture[p])) return -1;
        }
        return p;
    }

    bool field(QChar c, qsizetype n) {
        switch (c.unicode()) {
        case u'd':
            return n <= 2 ? number(2, day_) : skipWord();
        case u'M':
            return n <= 2 ? number(2, month_) : monthName(n == 3 ? L"MMM" : L"MMMM");
        case u'y':
            if (n > 2) return number(4, year_);
            if (!number(2, year_)) return false;
            year_ += twoDigitYearMax() / 100 * 100;
            if (year_ > twoDigitYearMax()) year_ -= 100;
            return true;
        case u'g':
            return skipWord();
        default:
            return take(c);
        }
    }

    bool take(QChar c) {
        if (at_ >= text_.size() || text_[at_] != c) return false;
        ++at_;
        return true;
    }

    bool number(int maxDigits, int& value) {
        int digits = 0;
        value = 0;
        while (digits < maxDigits && at_ < text_.size() && text_[at_].isDigit()) {
            value = value * 10 + text_[at_++].digitValue();
            ++digits;
        }
        return digits > 0;
    }

    // A day's or an era's name: letters and the dots of abbreviations.
    bool skipWord() {
        const qsizetype from = at_;
        while (at_ < text_.size() && (text_[at_].isLetter() || text_[at_] == u'.'))
            ++at_;
        return at_ > from;
    }

    // The longest of the twelve names, as the user's settings write them.
    bool monthName(const wchar_t* picture) {
        qsizetype longest = 0;
        for (int m = 1; m <= 12; ++m) {
            SYSTEMTIME st{};
            st.wYear = 2001;
            st.wMonth = WORD(m);
            st.wDay = 1;
            wchar_t name[80] = {};
            const int length =
                GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, picture, name, 80, nullptr);
            const QString candidate = QString::fromWCharArray(name, std::max(0, length - 1));
            if (candidate.size() > longest &&
                QStringView(text_).mid(at_).startsWith(candidate, Qt::CaseInsensitive)) {
                longest = candidate.size();
                month_ = m;
            }
        }
        at_ += longest;
        return longest > 0;
    }

    const QString& text_;
    qsizetype at_ = 0;
    int day_ = 1, month_ = 1, year_ = 1900;
};

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
    const QString shown = QString::fromStdString(text);
    return PictureReader(shown).read(shortDatePicture());
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
