#include "flightimport.h"

#include "flightimportwriter.h"
#include "flightstatistics.h"
#include "formats/gpxreader.h"
#include "formats/igcreader.h"
#include "i18n/languagetable.h"
#include "logcategories.h"
#include "numbertext.h"
#include "storageerror.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <cmath>
#include <memory>

namespace soarnote {

namespace {

constexpr qint64 kChunkSize = 256 * 1024;

// The reader a file's first bytes call for.
class FileReader {
public:
    virtual ~FileReader() = default;
    virtual void Feed(QByteArrayView bytes) = 0;
    virtual void Finish() = 0;
    virtual std::vector<TrackFix> TakeFixes() = 0;
    virtual const TrackFileHeader& Header() const = 0;
    virtual TrackFileProblem Problem() const = 0;
    virtual qint64 ProblemLine() const = 0;
    virtual qint64 Skipped() const = 0;
    virtual qint64 FirstSkippedLine() const = 0;
};

template <typename Reader> class ReaderOf : public FileReader {
public:
    void Feed(QByteArrayView bytes) override { reader_.Feed(bytes); }
    void Finish() override { reader_.Finish(); }
    std::vector<TrackFix> TakeFixes() override { return reader_.TakeFixes(); }
    const TrackFileHeader& Header() const override { return reader_.Header(); }
    TrackFileProblem Problem() const override { return reader_.Problem(); }
    qint64 ProblemLine() const override { return reader_.ProblemLine(); }
    qint64 Skipped() const override { return reader_.SkippedFixes(); }
    qint64 FirstSkippedLine() const override { return reader_.FirstSkippedLine(); }

private:
    Reader reader_;
};

// IGC files begin with their A record, GPX files with XML.
std::unique_ptr<FileReader> ReaderFor(QByteArrayView head) {
    if (head.startsWith("\xEF\xBB\xBF")) head = head.sliced(3);
    qsizetype i = 0;
    while (i < head.size() && (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n'))
        ++i;
    if (i >= head.size()) return nullptr;
    if (head[i] == '<') return std::make_unique<ReaderOf<GpxReader>>();
    if (head[i] == 'A') return std::make_unique<ReaderOf<IgcReader>>();
    return nullptr;
}

bool IsNoPosition(const TrackFix& fix) {
    // Loggers without a satellite fix write zeros with the "V" flag.
    return !fix.positionValid && fix.lat == 0 && fix.lng == 0;
}

std::optional<qint64> GliderId(const QSqlDatabase& db, const QString& name, QString& error) {
    const QString wanted = name.simplified();
    if (wanted.isEmpty()) return std::nullopt;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT ID, MakeModel FROM Glider ORDER BY ID"))) {
        error = StorageErrorText(ClassifySqlError(q.lastError()));
        return std::nullopt;
    }
    // Pilots and loggers write the same glider in any case and spacing.
    while (q.next())
        if (q.value(1).toString().simplified().compare(wanted, Qt::CaseInsensitive) == 0)
            return q.value(0).toLongLong();
    QSqlQuery add(db);
    add.prepare(QStringLiteral("INSERT INTO Glider (MakeModel) VALUES (?)"));
    add.addBindValue(wanted);
    if (!add.exec()) {
        error = StorageErrorText(ClassifySqlError(add.lastError()));
        return std::nullopt;
    }
    return add.lastInsertId().toLongLong();
}

} // namespace

FlightImportResult ImportFlightFile(const QSqlDatabase& db, const QString& path,
                                    const FlightImportOptions& options,
                                    const FlightImportProgress& progress) {
    FlightImportResult result;
    result.path = path;
    auto refuse = [&result](TrackFileProblem problem, qint64 line = 0) {
        result.outcome = FlightImportResult::Outcome::Refused;
        result.problem = problem;
        result.line = line;
        return result;
    };

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return refuse(TrackFileProblem::Unreadable);
    const qint64 size = file.size();
    if (size > kMaxFlightFileSize) return refuse(TrackFileProblem::TooLarge);
    QByteArray chunk(kChunkSize, Qt::Uninitialized);
    qint64 n = file.read(chunk.data(), kChunkSize);
    if (n < 0) return refuse(TrackFileProblem::Unreadable);
    std::unique_ptr<FileReader> reader = ReaderFor(QByteArrayView(chunk.constData(), n));
    if (!reader) return refuse(TrackFileProblem::NotTrackFile, n > 0 ? 1 : 0);

    QSqlDatabase conn(db);
    if (!conn.transaction()) {
        result.storageError = StorageErrorText(ClassifySqlError(conn.lastError()));
        return refuse(TrackFileProblem::None);
    }
    auto rollback = [&conn]() { conn.rollback(); };

    FlightImportWriter writer(db);
    if (!writer.Ready()) {
        rollback();
        result.storageError = writer.error;
        return refuse(TrackFileProblem::None);
    }
    // Heights for the flight's figures: pressure when the logger has a
    // sensor, else the satellite heights; both are gathered until the end
    // shows which the file has.
    FlightStatistics pressureStats, gnssStats;
    bool anyPressure = false;
    std::optional<double> offset; // days, as the Tracks row stores it (single)
    qint64 bytesRead = 0;
    bool atEnd = false;
    while (true) {
        bytesRead += n;
        if (n == 0) {
            atEnd = true;
            reader->Finish();
        } else {
            reader->Feed(QByteArrayView(chunk.constData(), n));
        }
        for (const TrackFix& fix : reader->TakeFixes()) {
            ++result.fixes;
            if (!offset) {
                const TrackFileHeader& header = reader->Header();
                double hours = 0;
                if (header.utcOffsetHours) {
                    hours = *header.utcOffsetHours;
                } else {
                    const QDateTime utc = UtcDateTimeOfDayNumber(fix.time);
                    hours = options.zone.offsetFromUtc(utc) / 3600.0;
                }
                // Flight and trace times are built with the very value the
                // track row keeps, so the plot brings both to one time base.
                offset = ToSingle(hours / 24.0);
                if (!writer.Open(fix.time, *offset)) {
                    rollback();
                    result.storageError = writer.error;
                    return refuse(TrackFileProblem::None, fix.line);
                }
            }
            const bool hasPosition = !IsNoPosition(fix);
            if (hasPosition && !writer.AddPoint(fix)) {
                rollback();
                result.storageError = writer.error;
                return refuse(TrackFileProblem::None, fix.line);
            }
            const double local = fix.time + *offset;
            if (fix.pressureHeight) {
                if (*fix.pressureHeight != 0) anyPressure = true;
                if (!writer.AddSample(local, static_cast<int>(std::lround(*fix.pressureHeight)))) {
                    rollback();
                    result.storageError = writer.error;
                    return refuse(TrackFileProblem::None, fix.line);
                }
            }
            std::optional<double> lat, lng;
            if (hasPosition) {
                lat = fix.lat;
                lng = fix.lng;
            }
            // Positions once: speed and distance come from the first.
            pressureStats.Add(local, lat, lng, fix.pressureHeight);
            gnssStats.Add(local, std::nullopt, std::nullopt, fix.gnssHeight);
        }
        if (reader->Problem() != TrackFileProblem::None) {
            rollback();
            return refuse(reader->Problem(), reader->ProblemLine());
        }
        if (atEnd) break;
        if (progress && !progress(bytesRead, size)) {
            rollback();
            result.outcome = FlightImportResult::Outcome::Cancelled;
            return result;
        }
        n = file.read(chunk.data(), kChunkSize);
        if (n < 0) {
            rollback();
            return refuse(TrackFileProblem::Unreadable);
        }
    }
    result.skippedFixes = reader->Skipped();
    result.pilot = reader->Header().pilot;
    result.firstSkippedLine = reader->FirstSkippedLine();
    if (result.fixes == 0) {
        rollback();
        return refuse(TrackFileProblem::NoFixes, result.firstSkippedLine);
    }
    result.timeOffset = *offset;

    auto storageFailure = [&](const QString& error) {
        rollback();
        result.storageError = error;
        return refuse(TrackFileProblem::None);
    };
    if (!writer.Flush()) return storageFailure(writer.error);
    // A logger without a pressure sensor writes zeros: no trace from those.
    if (!anyPressure && !writer.DropSamples()) return storageFailure(writer.error);
    if (writer.PointsStored() == 0 && writer.SamplesStored() == 0) {
        rollback();
        result.outcome = FlightImportResult::Outcome::AlreadyStored;
        return result;
    }
    const FlightStatistics& stats = anyPressure ? pressureStats : gnssStats;

    // A flight whose own time base covers the file's time: track times plus
    // the track offset less the flight's offset are times of that flight.
    QSqlQuery find(db);
    find.prepare(QStringLiteral(
        "SELECT ID, Glider, (SELECT COUNT(*) FROM BaroData b WHERE b.LogID = LogData.ID) FROM LogData "
        "WHERE StartTime + COALESCE(TimeOffset, 0) <= ? AND EndTime + COALESCE(TimeOffset, 0) >= ? "
        "ORDER BY StartTime, ID LIMIT 1"));
    find.addBindValue(stats.EndTime());
    find.addBindValue(stats.StartTime());
    if (!find.exec()) return storageFailure(StorageErrorText(ClassifySqlError(find.lastError())));
    QString error;
    const QString gliderName = reader->Header().gliderType;
    if (find.next()) {
        result.flightId = find.value(0).toLongLong();
        const bool hasGlider = !find.value(1).isNull();
        const bool hasTrace = find.value(2).toLongLong() > 0;
        find.finish();
        // A variometer's own trace stays the flight's heights; a second trace
        // at the same times would zigzag between the two.
        if (hasTrace && !writer.DropSamples()) return storageFailure(writer.error);
        if (!writer.JoinFlight(result.flightId)) return storageFailure(writer.error);
        if (!hasGlider) {
            const std::optional<qint64> glider = GliderId(db, gliderName, error);
            if (!error.isEmpty()) return storageFailure(error);
            if (glider) {
                QSqlQuery set(db);
                set.prepare(QStringLiteral("UPDATE LogData SET Glider = ? WHERE ID = ?"));
                set.addBindValue(*glider);
                set.addBindValue(result.flightId);
                if (!set.exec()) return storageFailure(StorageErrorText(ClassifySqlError(set.lastError())));
            }
        }
    } else {
        find.finish();
        ImportedFlightFields fields;
        fields.glider = GliderId(db, gliderName, error);
        if (!error.isEmpty()) return storageFailure(error);
        fields.startTime = stats.StartTime();
        fields.endTime = stats.EndTime();
        fields.startHeight = stats.StartHeight();
        fields.maxHeight = stats.MaxHeight();
        fields.minHeight = stats.MinHeight();
        fields.maxAscent = stats.MaxAscent();
        fields.maxDescent = stats.MaxDescent();
        fields.aveSpeed = pressureStats.AveSpeed();
        fields.distance = pressureStats.Distance();
        if (!writer.FillNewFlight(fields)) return storageFailure(writer.error);
        result.flightId = writer.FlightId();
        result.newFlight = true;
    }
    if (!writer.CloseTrack()) return storageFailure(writer.error);
    if (!conn.commit()) {
        const QString commitError = StorageErrorText(ClassifySqlError(conn.lastError()));
        return storageFailure(commitError);
    }
    result.pointsStored = writer.PointsStored();
    result.samplesStored = writer.SamplesStored();
    result.outcome = FlightImportResult::Outcome::Added;
    return result;
}

QString FlightImportResult::Text() const {
    const QString name = QFileInfo(path).fileName();
    const auto count = [](qint64 n) { return NumberText(static_cast<double>(n)); };
    QString text = name + QStringLiteral(": ");
    switch (outcome) {
    case Outcome::Added:
        text += (newFlight ? Translate("added as flight") : Translate("linked to flight")) + count(flightId) +
                QStringLiteral(" (") + Translate("track points") + count(pointsStored) +
                QStringLiteral(", ") + Translate("barograph samples") + count(samplesStored) +
                QLatin1Char(')');
        break;
    case Outcome::AlreadyStored:
        text += Translate("already in the logbook, nothing added");
        break;
    case Outcome::Cancelled:
        text += Translate("cancelled, nothing added");
        return text;
    case Outcome::Refused:
        text += Translate("refused") + QStringLiteral(": ") +
                (problem != TrackFileProblem::None
                     ? Translate(TrackFileProblemText(problem))
                     : Translate("the logbook could not store it") + QStringLiteral(" (") +
                           Translate(storageError) + QLatin1Char(')'));
        if (line > 0) text += QStringLiteral(", ") + Translate("line") + count(line);
        return text;
    }
    if (skippedFixes > 0)
        text += QStringLiteral("; ") + Translate("malformed fixes skipped:") + count(skippedFixes) +
                QStringLiteral(", ") + Translate("first at line") + count(firstSkippedLine);
    return text;
}

} // namespace soarnote
