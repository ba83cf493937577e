#pragma once
// Hand-built flights for the plot tests in a logbook file in a temporary folder.

#include "core/daynumber.h"
#include "core/logbookdatabase.h"
#include "core/testlogbook.h"

#include <QTemporaryDir>
#include <QVariant>
#include <optional>

namespace plottest {

// Noon of a summer day: s + 0.6 and s + 1.4 seconds share a merge unit, s + 1.6 does not.
inline double Noon() {
    return soarnote::DayNumber(QDate(2015, 6, 1), 12);
}

inline double At(double seconds) {
    return Noon() + seconds / soarnote::kSecondsPerDay;
}
inline double Seconds(double days) {
    return days * soarnote::kSecondsPerDay;
}

class PlotLogbook {
public:
    bool Create() {
        if (!dir_.isValid()) return false;
        const QString path = dir_.filePath(QStringLiteral("plot.mdb"));
        return testlogbook::CreateLogbookFile(path) && file_.Open(path, nullptr);
    }
    QSqlDatabase Db() const { return file_.Db(); }
    soarnote::LogbookDatabase& File() { return file_; }

    // A LogData row; returns its ID (0 when it could not be stored).
    qint64 AddFlight(const QVariant& start, const QVariant& end, const QVariant& timeOffset) {
        QVariantMap row{{"StartTime", start}, {"EndTime", end}, {"TimeOffset", timeOffset}};
        if (!Check(testlogbook::InsertRow(Db(), "LogData", row))) return 0;
        return testlogbook::Scalar(Db(), "SELECT MAX(ID) FROM LogData").toLongLong();
    }
    // A Tracks row linked to the flight.
    qint64 AddTrack(qint64 logId, const QVariant& timeOffset = 0.0, const QVariant& landFile = QVariant()) {
        QVariantMap row{{"LogID", logId}, {"TimeOffset", timeOffset}, {"LandFile", landFile}};
        if (!Check(testlogbook::InsertRow(Db(), "Tracks", row))) return 0;
        return testlogbook::Scalar(Db(), "SELECT MAX(ID) FROM Tracks").toLongLong();
    }
    bool AddPoint(qint64 trackId, const QVariant& time, const QVariant& lat, const QVariant& lng) {
        return Check(testlogbook::InsertRow(
            Db(), "TrackData", {{"TrackID", trackId}, {"TIME", time}, {"LAT", lat}, {"LNG", lng}}));
    }
    bool AddBaro(qint64 logId, const QVariant& time, const QVariant& height) {
        return Check(
            testlogbook::InsertRow(Db(), "BaroData", {{"LogID", logId}, {"TIME", time}, {"height", height}}));
    }

private:
    static bool Check(const QString& error) {
        if (!error.isEmpty()) qWarning() << error;
        return error.isEmpty();
    }

    QTemporaryDir dir_;
    soarnote::LogbookDatabase file_;
};

} // namespace plottest
