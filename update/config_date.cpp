#include "update/config_date.h"

#include <QDateTime>
#include <QStringList>

namespace orvalin::update {
namespace {

std::optional<LocalSeconds> to_civil(const QDate& d, const QTime& t, bool two_digit_year) {
    if (!d.isValid() || !t.isValid()) return std::nullopt;
    int year = d.year();
    // A two-digit year is read as 19yy; dates of updates lie after 1970.
    if (two_digit_year && year < 1970) year += 100;
    return local_time(year, d.month(), d.day(), t.hour(), t.minute(), t.second());
}

}  // namespace

std::optional<LocalSeconds> parse_config_date(const QString& text, const QLocale& locale) {
    const QString s = text.trimmed();
    if (auto iso = parse_iso_datetime(s.toStdString())) return iso;

    const QString date_format = locale.dateFormat(QLocale::ShortFormat);
    const bool two_digit_year = !date_format.contains(QLatin1String("yyyy"));
    const QStringList formats = {
        locale.dateTimeFormat(QLocale::ShortFormat),
        date_format + QLatin1String(" ") + locale.timeFormat(QLocale::LongFormat),
        date_format + QLatin1String(" H:mm:ss"),
        date_format + QLatin1String(" H:mm"),
    };
    for (const auto& f : formats) {
        const QDateTime dt = locale.toDateTime(s, f);
        if (dt.isValid()) return to_civil(dt.date(), dt.time(), two_digit_year);
    }
    const QDate d = locale.toDate(s, date_format);
    if (d.isValid()) return to_civil(d, QTime(0, 0), two_digit_year);
    return std::nullopt;
}

}  // namespace orvalin::update
