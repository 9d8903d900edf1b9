#pragma once

#include <QDate>
#include <QDateTime>
#include <optional>
#include <string>

// Dates and times as the user's regional settings write them: the C library's
// LC_TIME short date (D_FMT) and long time (T_FMT). Writing and parsing use the
// same format, read afresh on every call so that a change of locale is taken
// over at once.
namespace vornel {

std::string dateText(const QDate& date);
// In a given strftime date format, such as "%d/%m/%Y".
std::string dateText(const QDate& date, const char* format);

// The short date, a blank and the long time; the time is left out when it is
// exactly 00:00:00.
std::string dateTimeText(const QDateTime& when);

// The whole text must be a date in the short date format.
std::optional<QDate> parseDateText(const std::string& text);
std::optional<QDate> parseDateText(const std::string& text, const char* format);

} // namespace vornel
