#include "flightexport.h"

#include "daynumber.h"
#include "numbertext.h"

#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <vector>

namespace soarnote {

QString ExportProblemText(ExportProblem problem) {
    switch (problem) {
    case ExportProblem::None:
        return {};
    case ExportProblem::NoFlight:
        return QStringLiteral("No flight to export");
    case ExportProblem::NoTrack:
        return QStringLiteral("The flight has no GPS track to export");
    case ExportProblem::ReadFailed:
        return QStringLiteral("The logbook could not be read");
    }
    return {};
}

std::optional<ExportFlight> ReadExportFlight(const QSqlDatabase& db, qint64 logId, ExportProblem* problem) {
    auto fail = [problem](ExportProblem p) -> std::optional<ExportFlight> {
        if (problem) *problem = p;
        return std::nullopt;
    };
    if (problem) *problem = ExportProblem::None;
    ExportFlight flight;
    double flightOffset = 0;
    {
        QSqlQuery q(db);
        q.prepare(
            QStringLiteral("SELECT LogData.StartTime, LogData.TimeOffset, Glider.MakeModel FROM LogData "
                           "LEFT JOIN Glider ON LogData.Glider = Glider.ID WHERE LogData.ID = ?"));
        q.addBindValue(logId);
        if (!q.exec()) return fail(ExportProblem::ReadFailed);
        if (!q.next()) return fail(ExportProblem::NoFlight);
        flightOffset = q.value(1).toDouble();
        flight.glider = q.value(2).toString();
        const QString date = ShortDateText(q.value(0).toDouble());
        flight.name =
            date.isEmpty() ? QStringLiteral("Flight %1").arg(logId) : QStringLiteral("Flight ") + date;
    }
    double trackOffset = 0;
    {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT TimeOffset FROM Tracks WHERE LogID = ? ORDER BY ID LIMIT 1"));
        q.addBindValue(logId);
        if (!q.exec()) return fail(ExportProblem::ReadFailed);
        if (q.next()) trackOffset = ToSingle(q.value(0).toDouble());
    }
    if (trackOffset != 0) flight.utcOffsetHours = std::round(trackOffset * 24.0 * 100.0) / 100.0;
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(QStringLiteral(
            "SELECT TIME, LAT, LNG, Height FROM TrackData "
            "WHERE TrackID IN (SELECT ID FROM Tracks WHERE LogID = ?) "
            "AND TIME IS NOT NULL AND LAT IS NOT NULL AND LNG IS NOT NULL ORDER BY TIME, rowid"));
        q.addBindValue(logId);
        if (!q.exec()) return fail(ExportProblem::ReadFailed);
        while (q.next()) {
            ExportPoint p;
            p.time = q.value(0).toDouble();
            p.lat = q.value(1).toDouble();
            p.lng = q.value(2).toDouble();
            if (!q.value(3).isNull()) p.gnssHeight = q.value(3).toDouble();
            flight.points.push_back(p);
        }
    }
    if (flight.points.empty()) return fail(ExportProblem::NoTrack);

    // Barograph times are the flight's: a track time less the plot offset
    // (the flight's offset less the track's) is a barograph time.
    const double plotOffset = flightOffset - trackOffset;
    std::vector<std::pair<double, double>> baro;
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT TIME, height FROM BaroData WHERE LogID = ? AND TIME IS NOT NULL "
                                 "AND height IS NOT NULL ORDER BY TIME, rowid"));
        q.addBindValue(logId);
        if (!q.exec()) return fail(ExportProblem::ReadFailed);
        while (q.next())
            baro.emplace_back(q.value(0).toDouble(), q.value(1).toDouble());
    }
    if (!baro.empty()) {
        std::size_t next = 0;
        for (ExportPoint& p : flight.points) {
            const double t = p.time - plotOffset;
            while (next < baro.size() && baro[next].first < t)
                ++next;
            // Before the first and after the last sample the end value holds.
            if (next == 0) {
                p.pressureHeight = baro.front().second;
            } else if (next == baro.size()) {
                p.pressureHeight = baro.back().second;
            } else {
                const auto& [t0, h0] = baro[next - 1];
                const auto& [t1, h1] = baro[next];
                p.pressureHeight = t1 > t0 ? h0 + (h1 - h0) * (t - t0) / (t1 - t0) : h1;
            }
        }
    }
    return flight;
}

QByteArray WriteFlight(const ExportFlight& flight, ExportFormat format) {
    switch (format) {
    case ExportFormat::Igc:
        return WriteIgc(flight);
    case ExportFormat::Gpx:
        return WriteGpx(flight);
    case ExportFormat::Kml:
        return WriteKml(flight);
    }
    return {};
}

} // namespace soarnote
