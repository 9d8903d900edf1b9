#include "common/date_text.h"

#include <ctime>
#include <langinfo.h>

namespace vornel {

namespace {

std::tm toTm(const QDate& date, const QTime& time) {
    std::tm tm{};
    tm.tm_year = date.year() - 1900;
    tm.tm_mon = date.month() - 1;
    tm.tm_mday = date.day();
    tm.tm_wday = date.dayOfWeek() % 7;
    tm.tm_yday = date.dayOfYear() - 1;
    tm.tm_hour = time.hour();
    tm.tm_min = time.minute();
    tm.tm_sec = time.second();
    tm.tm_isdst = -1;
    return tm;
}

std::string format(const char* pattern, const std::tm& tm) {
    char buffer[256];
    std::size_t n = std::strftime(buffer, sizeof buffer, pattern, &tm);
    return std::string(buffer, n);
}

} // namespace

std::string dateText(const QDate& date) {
    return dateText(date, nl_langinfo(D_FMT));
}

std::string dateText(const QDate& date, const char* pattern) {
    return format(pattern, toTm(date, QTime(0, 0)));
}

std::string dateTimeText(const QDateTime& when) {
    QTime time = when.time();
    std::tm tm = toTm(when.date(), time);
    std::string text = format(nl_langinfo(D_FMT), tm);
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0)
        text += ' ' + format(nl_langinfo(T_FMT), tm);
    return text;
}

std::optional<QDate> parseDateText(const std::string& text) {
    return parseDateText(text, nl_langinfo(D_FMT));
}

std::optional<QDate> parseDateText(const std::string& text, const char* pattern) {
    std::tm tm{};
    tm.tm_mday = 1;
    const char* end = strptime(text.c_str(), pattern, &tm);
    if (end == nullptr || *end != '\0') return std::nullopt;
    QDate date(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    if (!date.isValid()) return std::nullopt;
    return date;
}

} // namespace vornel
