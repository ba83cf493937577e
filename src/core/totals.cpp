#include "totals.h"

#include "daynumber.h"
#include "numbertext.h"

#include <QSqlError>
#include <QSqlQuery>
#include <cmath>

namespace soarnote {

std::optional<Totals> ReadTotals(const QSqlDatabase& db, TotalsSpan span, double now, const QString& yearText,
                                 QString* error) {
    QString sql = QStringLiteral(
        "SELECT SUM(Distance) AS tDistance, SUM(EndTime - StartTime) AS tFlightTime FROM LogData");
    QVariant bound;
    switch (span) {
    case TotalsSpan::All:
        break;
    case TotalsSpan::Last12Months:
        sql += QStringLiteral(" WHERE StartTime > ?");
        bound = now - 365.0;
        break;
    case TotalsSpan::Year: {
        bool ok = false;
        const int year = yearText.trimmed().toInt(&ok);
        // Year() gives a whole number: compare with one, or select nothing.
        sql += QStringLiteral(" WHERE Year(StartTime) = ?");
        bound = ok ? QVariant(year) : QVariant(QMetaType::fromType<int>());
        break;
    }
    }
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        if (error) *error = q.lastError().text();
        return std::nullopt;
    }
    if (span != TotalsSpan::All) q.addBindValue(bound);
    if (!q.exec() || !q.next()) {
        if (error) *error = q.lastError().text();
        return std::nullopt;
    }
    return Totals{q.value(0), q.value(1)};
}

QString TotalTimeText(const QVariant& days) {
    bool ok = false;
    const double t = days.isNull() ? 0.0 : days.toDouble(&ok);
    return DurationText(ok || days.isNull() ? t : 0.0);
}

QString TotalDistanceText(const QVariant& distance) {
    if (distance.isNull() || !distance.isValid()) return {};
    bool ok = false;
    const double d = distance.toDouble(&ok);
    return ok ? PlainNumberText(d) : distance.toString();
}

} // namespace soarnote
