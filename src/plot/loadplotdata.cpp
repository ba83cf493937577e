#include "plot/loadplotdata.h"

#include "core/flightstore.h"
#include "core/numbertext.h"
#include "plot/plotmerge.h"
#include "settings/settingkeys.h"
#include "settings/settingsstore.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <cmath>

namespace soarnote {

namespace {

std::optional<double> OptionalNumber(const QVariant& value) {
    if (value.isNull()) return std::nullopt;
    bool ok = false;
    const double n = value.toDouble(&ok);
    return ok ? std::optional<double>(n) : std::nullopt;
}

PlotLoadResult Failure(const QString& error) {
    PlotLoadResult result;
    result.status = PlotLoadResult::Status::Failed;
    result.error = error;
    return result;
}

QString QueryError(const QSqlQuery& q) {
    const QString text = q.lastError().text();
    return text.isEmpty() ? QStringLiteral("The logbook could not be read.") : text;
}

// What the flight's first track gives the plot.
struct FlightTracks {
    bool any = false;
    QString landFile;
    std::optional<double> timeOffset;
};

bool ReadFlightTracks(const QSqlDatabase& db, qint64 logId, FlightTracks& tracks, QString& error) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(
            QStringLiteral("SELECT LandFile, TimeOffset FROM Tracks WHERE LogID = ? ORDER BY ID LIMIT 1"))) {
        error = QueryError(q);
        return false;
    }
    q.addBindValue(logId);
    if (!q.exec()) {
        error = QueryError(q);
        return false;
    }
    if (q.next()) {
        tracks.any = true;
        tracks.landFile = q.value(0).toString();
        // The column holds a Single: the offset is used as that value.
        if (const std::optional<double> offset = OptionalNumber(q.value(1)))
            tracks.timeOffset = ToSingle(*offset);
    }
    return true;
}

// Samples without a time or a value cannot be placed in the merge and are
// left out (a row typed into the table editor may lack one).
bool ReadBaro(const QSqlDatabase& db, qint64 logId, std::vector<BaroSample>& rows, QString& error) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT TIME, height FROM BaroData "
                                  "WHERE LogID = ? AND TIME IS NOT NULL AND height IS NOT NULL "
                                  "ORDER BY TIME, rowid"))) {
        error = QueryError(q);
        return false;
    }
    q.addBindValue(logId);
    if (!q.exec()) {
        error = QueryError(q);
        return false;
    }
    while (q.next())
        rows.push_back({q.value(0).toDouble(), q.value(1).toDouble()});
    if (q.lastError().isValid()) {
        error = QueryError(q);
        return false;
    }
    return true;
}

// The track's GPS heights come along, for a flight without barograph samples.
bool ReadTrack(const QSqlDatabase& db, qint64 logId, std::optional<std::pair<double, double>> window,
               std::vector<TrackSample>& rows, std::vector<BaroSample>& heights, QString& error) {
    QString sql = QStringLiteral("SELECT TIME, LAT, LNG, Height FROM TrackData "
                                 "WHERE TrackID IN (SELECT ID FROM Tracks WHERE LogID = ?) "
                                 "AND TIME IS NOT NULL AND LAT IS NOT NULL AND LNG IS NOT NULL ");
    if (window) sql += QStringLiteral("AND TIME >= ? AND TIME <= ? ");
    sql += QStringLiteral("ORDER BY TIME, rowid");
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        error = QueryError(q);
        return false;
    }
    q.addBindValue(logId);
    if (window) {
        q.addBindValue(window->first);
        q.addBindValue(window->second);
    }
    if (!q.exec()) {
        error = QueryError(q);
        return false;
    }
    while (q.next()) {
        rows.push_back({q.value(0).toDouble(), q.value(1).toDouble(), q.value(2).toDouble()});
        if (!q.value(3).isNull()) heights.push_back({rows.back().time, q.value(3).toDouble()});
    }
    if (q.lastError().isValid()) {
        error = QueryError(q);
        return false;
    }
    return true;
}

} // namespace

float UnitsFactor(const QString& units) {
    return units == QLatin1String("Meters") ? 1.0f : kFeetPerMetre;
}

float UnitsFactor(const SettingsStore& settings) {
    return UnitsFactor(settings.Text(keys::GeneralUnits));
}

PlotFlight PlotFlight::FromRecord(const FlightRecord& flight) {
    PlotFlight result;
    result.id = flight.Id();
    result.startTime = OptionalNumber(flight.Value(QStringLiteral("StartTime")));
    result.endTime = OptionalNumber(flight.Value(QStringLiteral("EndTime")));
    result.timeOffset = OptionalNumber(flight.Value(QStringLiteral("TimeOffset")));
    return result;
}

PlotOptions ReadPlotOptions(const SettingsStore& settings, bool ignoreLimit) {
    PlotOptions options;
    options.units = settings.Text(keys::GeneralUnits);
    options.limitView = !ignoreLimit && settings.Number(keys::GeneralLimit) == 1;
    return options;
}

PlotLoadResult LoadPlotData(PlotData& plot, const QSqlDatabase& db, const PlotFlight& flight,
                            const PlotOptions& options) {
    const float unitsFactor = UnitsFactor(options.units);
    double plotTimeOffset = flight.timeOffset.value_or(0);

    QString error;
    std::vector<BaroSample> baroRows;
    if (!ReadBaro(db, flight.id, baroRows, error)) return Failure(error);

    FlightTracks tracks;
    if (!ReadFlightTracks(db, flight.id, tracks, error)) return Failure(error);
    if (tracks.timeOffset && *tracks.timeOffset != 0) plotTimeOffset -= *tracks.timeOffset;
    // An offset that is not a finite number would give times that never
    // compare, and no merge could end.
    if (!std::isfinite(plotTimeOffset))
        return Failure(QStringLiteral("The flight's time offset is not a number."));

    std::vector<TrackSample> trackRows;
    std::vector<BaroSample> trackHeights;
    if (tracks.any) {
        std::optional<std::pair<double, double>> window;
        if (options.limitView) {
            if (!flight.startTime || !flight.endTime)
                return Failure(QStringLiteral("The flight has no start or end time to limit the view to."));
            // Stored track times are GPS times: the window moves by the offset.
            window = std::make_pair(*flight.startTime + plotTimeOffset, *flight.endTime + plotTimeOffset);
        }
        if (!ReadTrack(db, flight.id, window, trackRows, trackHeights, error)) return Failure(error);
    }
    // A flight without barograph samples flies at its GPS heights: each point
    // with a height becomes a sample at its time in the flight's time base,
    // so the merge pairs it with its own position. With samples present the
    // merge is left exactly as it is.
    if (baroRows.empty()) {
        for (BaroSample& h : trackHeights)
            h.time -= plotTimeOffset;
        baroRows = std::move(trackHeights);
    }

    BaroSelection baro(std::move(baroRows));
    TrackSelection track(std::move(trackRows));
    PlotLoadResult result;
    if (!AssemblePlotData(plot, baro, track, plotTimeOffset, unitsFactor)) {
        result.status = PlotLoadResult::Status::NoData;
        result.text = kNoPlotData;
        return result;
    }
    result.status = PlotLoadResult::Status::Loaded;
    result.text = tracks.landFile;
    return result;
}

PlotLoadResult LoadPlotData(PlotData& plot, const QSqlDatabase& db, const PlotFlight& flight,
                            const SettingsStore& settings, bool ignoreLimit) {
    return LoadPlotData(plot, db, flight, ReadPlotOptions(settings, ignoreLimit));
}

} // namespace soarnote
