#include "waypointplusimport.h"

#include "core/numbertext.h"
#include "i18n/languagetable.h"

#include <QFile>

namespace soarnote {

namespace {

// Big enough that a gigabyte file is a few thousand reads and progress
// reports, small enough to keep the window answering between them.
constexpr qint64 kChunkSize = 256 * 1024;

QString EnteredText(qint64 pointsStored) {
    return QStringLiteral(" [") + NumberText(static_cast<double>(pointsStored)) + QLatin1Char(' ') +
           Translate("Entered") + QLatin1Char(']');
}

} // namespace

ImportResult ImportWaypointPlusFile(TrackStorage& storage, TrackState& state, double gpsTimeOffset,
                                    const QString& path, const ImportProgress& progress) {
    ImportResult result;
    state.StartTransfer();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status =
            Translate("ERROR - (GPS)") + QLatin1Char(' ') + file.errorString() + QStringLiteral(": ") + path;
        return result;
    }
    const qint64 size = file.size();

    WaypointPlusReader reader;
    QByteArray chunk(kChunkSize, Qt::Uninitialized);
    qint64 bytesRead = 0;
    bool atEnd = false;
    bool storeFailed = false;
    bool firstPoint = true;
    while (!atEnd && !storeFailed && reader.Problem() == WaypointPlusProblem::None) {
        const qint64 n = file.read(chunk.data(), kChunkSize);
        if (n < 0) {
            storage.Commit();
            result.pointsStored = state.pointsStored;
            result.status = Translate("ERROR - (GPS)") + QLatin1Char(' ') + file.errorString() +
                            QStringLiteral(": ") + path;
            return result;
        }
        bytesRead += n;
        if (n == 0) {
            atEnd = true;
            reader.Finish();
        } else {
            reader.Feed(QByteArrayView(chunk.constData(), n));
        }
        for (const WaypointPlusReader::Item& item : reader.TakePoints()) {
            const WaypointPlusPoint& p = item.point;
            ++result.recordsReceived;
            const StoreOutcome outcome =
                storage.StoreTrackPoint(state, p.time, p.lat, p.lng, p.newTrack || firstPoint, gpsTimeOffset);
            firstPoint = false;
            if (outcome == StoreOutcome::Failed) {
                result.failedLine = item.line;
                storeFailed = true;
                break;
            }
        }
        // The caller's progress handling may run the event loop, where the
        // logbook can be closed: what this chunk stored is committed first.
        if (!atEnd && !storeFailed && progress && !storage.Commit()) storeFailed = true;
        if (!atEnd && !storeFailed && progress && !progress(bytesRead, size)) {
            result.cancelled = true;
            break;
        }
    }
    // Whatever ended the import, what was stored so far stays stored.
    const bool committed = storage.Commit();
    result.pointsStored = state.pointsStored;
    if (storeFailed || !committed) {
        result.status = Translate("ERROR - (GPS)") + QLatin1Char(' ') + storage.LastError();
        return result;
    }
    if (result.cancelled) {
        result.status = Translate("Import cancelled after") +
                        NumberText(static_cast<double>(result.recordsReceived)) + QLatin1Char(' ') +
                        Translate("Track Records") + EnteredText(result.pointsStored);
        return result;
    }
    if (reader.Problem() != WaypointPlusProblem::None) {
        result.failedLine = reader.ProblemLine();
        QString shown = QString::fromUtf8(reader.ProblemText()).trimmed();
        if (shown.size() > 80) shown = shown.left(77) + QStringLiteral("...");
        result.status = Translate("Import stopped at line") +
                        NumberText(static_cast<double>(result.failedLine)) + QStringLiteral(" (") +
                        Translate(WaypointPlusProblemText(reader.Problem())) + QStringLiteral("): ") + shown +
                        EnteredText(result.pointsStored);
        return result;
    }
    if (reader.TrackPointLines() == 0) {
        result.noTrackPoints = true;
        result.status = Translate("No track points found in the file") + QStringLiteral(": ") + path;
        return result;
    }
    result.ok = true;
    result.status = Translate("Successfully Imported ") +
                    NumberText(static_cast<double>(result.recordsReceived)) + QLatin1Char(' ') +
                    Translate("Track Records") + EnteredText(result.pointsStored);
    return result;
}

} // namespace soarnote
