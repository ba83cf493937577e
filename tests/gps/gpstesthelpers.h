#pragma once
// Shared by the GPS tests: a recording stand-in for the link's port and
// timer, logbook files in a temporary folder, and receiver packets.

#include "common/testlogbook.h"

#include "core/daynumber.h"
#include "core/logbookdatabase.h"
#include "gps/garminpacket.h"
#include "gps/gpslink.h"
#include "gps/gpsstatustext.h"

#include <QTemporaryDir>
#include <cmath>
#include <memory>
#include <vector>

namespace gpstest {

using namespace soarnote;

inline QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}

// Little-endian, as the receiver sends its numbers.
inline void Put32(QByteArray& b, std::int32_t v) {
    for (int i = 0; i < 4; ++i)
        b.append(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
}

inline std::int32_t Semicircles(double degrees) {
    return static_cast<std::int32_t>(std::llround(degrees * 2147483648.0 / 180.0));
}
inline std::int32_t GarminSeconds(double dayNumber) {
    return static_cast<std::int32_t>(std::llround((dayNumber - 32873.0) * 86400.0));
}

inline QByteArray Framed(std::uint8_t id, const QByteArray& data = {}) {
    return FramePacket(MakePacket(id, data));
}

// A framed track point (13-byte layout).
inline QByteArray PointFrame(double lat, double lng, double day, bool newTrack) {
    QByteArray d;
    Put32(d, Semicircles(lat));
    Put32(d, Semicircles(lng));
    Put32(d, GarminSeconds(day));
    return Framed(garmin::PidTrackPoint, d + (newTrack ? '\x01' : '\x00'));
}

inline QByteArray ProductFrame(int id = 17, int version = 310, const QByteArray& text = "GPS 12") {
    return Framed(garmin::PidProductData, Bytes({id, id >> 8, version, version >> 8}) + text + '\0');
}

inline QByteArray DateTimeFrame(const QDateTime& t) {
    const QDate d = t.date();
    return Framed(garmin::PidDateTime, Bytes({d.month(), d.day(), d.year(), d.year() >> 8, t.time().hour(), 0,
                                              t.time().minute(), t.time().second()}));
}

inline QByteArray RecordsFrame(int count) {
    return Framed(garmin::PidRecords, Bytes({count, count >> 8}));
}

inline QByteArray CompleteFrame() {
    return Framed(garmin::PidTransferComplete, Bytes({6, 0}));
}

// Everything the link does to its port and timer, and the status line its
// events give.
class FakeLinkIo : public GpsLinkIo {
public:
    bool open = false;
    int opens = 0;
    int opensAllowed = 1000; // the port refuses to open after this many
    QList<QPair<qint64, qint64>> progress;
    QList<QByteArray> writes;
    int timerMs = -1; // running interval, -1 stopped
    int timerStarts = 0;
    QString status;
    QStringList statusHistory;
    QStringList questions;
    double now = 45000.5;
    QList<QPair<GpsCommand, bool>> finished;

    bool OpenPort(QString* error) override {
        if (opens >= opensAllowed) {
            *error = QStringLiteral("No such device");
            return false;
        }
        open = true;
        ++opens;
        return true;
    }
    void ClosePort() override { open = false; }
    bool IsPortOpen() const override { return open; }
    void Write(const QByteArray& bytes) override { writes << bytes; }
    void StartTimer(int ms) override {
        timerMs = ms;
        ++timerStarts;
    }
    void StopTimer() override { timerMs = -1; }
    void Status(const GpsStatusEvent& event) override {
        status = ApplyGpsStatus(status, event);
        statusHistory << status;
    }
    void AskUnknownPacket(const QString& text) override { questions << text; }
    double Now() const override { return now; }
    void CommandFinished(GpsCommand command, bool ok) override { finished.append({command, ok}); }
    void TrackProgress(qint64 received, qint64 expected) override { progress.append({received, expected}); }

    QByteArray LastWrite() const { return writes.isEmpty() ? QByteArray() : writes.last(); }
};

// A logbook file of the current layout in a folder of its own, open.
class TempLogbook {
public:
    TempLogbook() {
        path_ = dir_.filePath(QStringLiteral("log.mdb"));
        testlogbook::CreateLogbookFile(path_);
        db_.Open(path_, nullptr);
    }
    QSqlDatabase Db() const { return db_.Db(); }
    QString Dir() const { return dir_.path(); }
    int Count(const QString& table) const { return testlogbook::RowCount(Db(), table); }
    QVariant Scalar(const QString& sql, const QVariantList& values = {}) const {
        return testlogbook::Scalar(Db(), sql, values);
    }
    // As another connection sees it: only what was committed.
    QVariant Committed(const QString& sql) const {
        LogbookDatabase other;
        other.Open(path_, nullptr);
        return testlogbook::Scalar(other.Db(), sql);
    }
    qint64 AddFlight(double start, double end, QVariant timeOffset = 0.0) {
        testlogbook::InsertRow(Db(), QStringLiteral("LogData"),
                               {{QStringLiteral("StartTime"), start},
                                {QStringLiteral("EndTime"), end},
                                {QStringLiteral("TimeOffset"), timeOffset}});
        return Scalar(QStringLiteral("SELECT MAX(ID) FROM LogData")).toLongLong();
    }

private:
    QTemporaryDir dir_;
    QString path_;
    LogbookDatabase db_;
};

inline double Day(int y, int m, int d, int h = 0, int min = 0, int s = 0) {
    return DayNumber(QDate(y, m, d), h, min, s);
}

} // namespace gpstest
