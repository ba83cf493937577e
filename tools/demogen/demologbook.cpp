#include "demologbook.h"

#include "demoseason.h"
#include "seededlookups.h"

#include "core/logbookschema.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <utility>

namespace demogen {

namespace {

bool Fail(QString* error, const QString& what, const QSqlQuery& query) {
    if (error) *error = what + QStringLiteral(": ") + query.lastError().text();
    return false;
}

QString LookupKey(const QString& table, const QString& text) {
    return table + QLatin1Char('\n') + text;
}

} // namespace

bool RemoveLogbookFile(const QString& path, QString* error) {
    for (const QString& file : {path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm"),
                                path + QStringLiteral("-journal")}) {
        if (QFile::exists(file) && !QFile::remove(file)) {
            if (error) *error = QStringLiteral("Cannot remove %1").arg(file);
            return false;
        }
    }
    return true;
}

bool DemoLogbook::Create(const QString& path, QString* error) {
    path_ = path;
    figures_ = {};
    lookupIds_.clear();
    if (!RemoveLogbookFile(path, error) || !database_.Create(path, error)) return false;
    QSqlDatabase db = database_.Db();
    if (!soarnote::CreateLogbookSchema(db, error)) return false;
    // The schema commits on its own; everything after it is one transaction.
    if (!db.transaction()) {
        if (error) *error = db.lastError().text();
        return false;
    }
    inTransaction_ = true;
    return AddLookupRows(error);
}

bool DemoLogbook::InsertLookup(const QString& table, const QString& field, const QString& text,
                               const QVariant& cloudCover, QString* error) {
    QSqlQuery q(database_.Db());
    if (cloudCover.isValid()) {
        q.prepare(QStringLiteral("INSERT INTO \"%1\" (\"%2\", CloudCover) VALUES (?, ?)").arg(table, field));
        q.addBindValue(text);
        q.addBindValue(cloudCover);
    } else {
        q.prepare(QStringLiteral("INSERT INTO \"%1\" (\"%2\") VALUES (?)").arg(table, field));
        q.addBindValue(text);
    }
    if (!q.exec()) return Fail(error, QStringLiteral("Cannot add %1 to %2").arg(text, table), q);
    lookupIds_.insert(LookupKey(table, text), q.lastInsertId().toLongLong());
    return true;
}

bool DemoLogbook::AddLookupRows(QString* error) {
    const QString type = QStringLiteral("Type");
    for (const char* text : kLaunchMethods)
        if (!InsertLookup(QStringLiteral("Type"), type, QString::fromLatin1(text), {}, error)) return false;
    for (const char* text : kXCTypes)
        if (!InsertLookup(QStringLiteral("XCType"), type, QString::fromLatin1(text), {}, error)) return false;
    for (const WeatherRow& row : kWeather)
        if (!InsertLookup(QStringLiteral("Weather"), type, QString::fromLatin1(row.type),
                          static_cast<double>(row.cloudCover), error))
            return false;
    for (const char* text : kWinds)
        if (!InsertLookup(QStringLiteral("Wind"), type, QString::fromLatin1(text), {}, error)) return false;
    return true;
}

bool DemoLogbook::AddSites(const std::vector<QString>& names, QString* error) {
    for (const QString& name : names)
        if (!InsertLookup(QStringLiteral("Locations"), QStringLiteral("Type"), name, {}, error)) return false;
    return true;
}

bool DemoLogbook::AddGliders(const std::vector<QString>& makeModels, QString* error) {
    for (const QString& makeModel : makeModels)
        if (!InsertLookup(QStringLiteral("Glider"), QStringLiteral("MakeModel"), makeModel, {}, error))
            return false;
    return true;
}

QVariant DemoLogbook::LookupId(const QString& table, const QString& text) const {
    const auto it = lookupIds_.constFind(LookupKey(table, text));
    return it == lookupIds_.constEnd() ? QVariant() : QVariant(*it);
}

bool DemoLogbook::AddFlight(const DemoFlight& flight, const QString& landFile, QString* error) {
    const QSqlDatabase db = database_.Db();
    const LogRecord& log = flight.recorded.log;
    const double timeOffset = flight.clockOffsetSeconds / 86400.0;

    for (const auto& [table, text] : {std::pair{QStringLiteral("Type"), flight.type},
                                      {QStringLiteral("XCType"), flight.xcType},
                                      {QStringLiteral("Locations"), flight.location},
                                      {QStringLiteral("Glider"), flight.glider},
                                      {QStringLiteral("Weather"), flight.weather},
                                      {QStringLiteral("Wind"), flight.wind}}) {
        if (!LookupId(table, text).isValid()) {
            if (error) *error = QStringLiteral("No row \"%1\" in %2").arg(text, table);
            return false;
        }
    }

    QSqlQuery q(db);
    q.prepare(QStringLiteral(
        "INSERT INTO LogData (StartTime, EndTime, StartHeight, MaxHeight, MinHeight, MaxAscent, MaxDescent, "
        "AveSpeed, MinTemp, MaxTemp, TimeOffset, LatOffset, LngOffset, HeightOffset, \"Type\", XCType, "
        "Location, "
        "Glider, Weather, Wind, Distance, Comments, WindSpeed, CloudBase, CloudCover) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, 0, 0, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant& value : {QVariant(log.startTime),
                                  QVariant(log.endTime),
                                  QVariant(log.startHeight),
                                  QVariant(log.maxHeight),
                                  QVariant(log.minHeight),
                                  QVariant(log.maxAscent),
                                  QVariant(log.maxDescent),
                                  QVariant(log.aveSpeed),
                                  QVariant(log.minTemp),
                                  QVariant(log.maxTemp),
                                  QVariant(timeOffset),
                                  LookupId(QStringLiteral("Type"), flight.type),
                                  LookupId(QStringLiteral("XCType"), flight.xcType),
                                  LookupId(QStringLiteral("Locations"), flight.location),
                                  LookupId(QStringLiteral("Glider"), flight.glider),
                                  LookupId(QStringLiteral("Weather"), flight.weather),
                                  LookupId(QStringLiteral("Wind"), flight.wind),
                                  QVariant(flight.distance),
                                  QVariant(flight.comments),
                                  QVariant(flight.windSpeed),
                                  flight.cloudBase ? QVariant(*flight.cloudBase) : QVariant(),
                                  QVariant(flight.cloudCover)})
        q.addBindValue(value);
    if (!q.exec()) return Fail(error, QStringLiteral("Cannot add a flight"), q);
    const qint64 logId = q.lastInsertId().toLongLong();
    ++figures_.flights;

    // The GPS track, linked to the flight as the download and linking leave it.
    const std::vector<TrackPoint>& points = flight.recorded.track;
    if (!points.empty()) {
        QSqlQuery track(db);
        track.prepare(QStringLiteral("INSERT INTO Tracks (LogID, StartTime, EndTime, TimeOffset, LandFile) "
                                     "VALUES (?, ?, ?, ?, ?)"));
        track.addBindValue(logId);
        track.addBindValue(points.front().time);
        track.addBindValue(points.back().time);
        track.addBindValue(static_cast<double>(0.0f));
        track.addBindValue(landFile.isEmpty() ? QVariant() : QVariant(landFile));
        if (!track.exec()) return Fail(error, QStringLiteral("Cannot add a track"), track);
        const qint64 trackId = track.lastInsertId().toLongLong();
        ++figures_.tracks;

        QSqlQuery point(db);
        point.prepare(
            QStringLiteral("INSERT INTO TrackData (TrackID, \"TIME\", LAT, LNG) VALUES (?, ?, ?, ?)"));
        for (const TrackPoint& p : points) {
            point.bindValue(0, trackId);
            point.bindValue(1, p.time);
            point.bindValue(2, p.lat);
            point.bindValue(3, p.lng);
            if (!point.exec()) return Fail(error, QStringLiteral("Cannot add a track point"), point);
            ++figures_.trackPoints;
        }
    }

    QSqlQuery sample(db);
    sample.prepare(QStringLiteral("INSERT INTO BaroData (LogID, \"TIME\", height) VALUES (?, ?, ?)"));
    for (const BaroSample& s : flight.recorded.baro) {
        sample.bindValue(0, logId);
        sample.bindValue(1, s.time);
        sample.bindValue(2, s.height);
        if (!sample.exec()) return Fail(error, QStringLiteral("Cannot add a barograph sample"), sample);
        ++figures_.baroSamples;
    }
    return true;
}

bool DemoLogbook::Finish(QString* error) {
    if (inTransaction_) {
        QSqlDatabase db = database_.Db();
        if (!db.commit()) {
            if (error) *error = db.lastError().text();
            return false;
        }
        inTransaction_ = false;
    }
    // Closing the last connection folds the write-ahead log back into the file.
    database_.Close();
    if (QFile::exists(path_ + QStringLiteral("-wal"))) {
        if (error) *error = QStringLiteral("%1 still has its write-ahead log beside it").arg(path_);
        return false;
    }
    return true;
}

void DemoLogbook::Discard() {
    if (inTransaction_) {
        database_.Db().rollback();
        inTransaction_ = false;
    }
    database_.Close();
    if (!path_.isEmpty()) RemoveLogbookFile(path_, nullptr);
}

} // namespace demogen
