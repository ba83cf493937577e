#include "waypointplusimport.h"

#include "core/daynumber.h"
#include "core/numbertext.h"
#include "i18n/languagetable.h"

#include <QDate>
#include <QFile>
#include <QList>
#include <cmath>

namespace soarnote {

namespace {

// Comma-separated fields; a field may be quoted ("" inside quotes is a quote)
// and blanks around fields are dropped.
QList<QByteArray> SplitFields(const QByteArray& line) {
    QList<QByteArray> fields;
    QByteArray field;
    bool quoted = false;
    bool wasQuoted = false;
    const qsizetype n = line.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < n && line[i + 1] == '"') {
                    field.append('"');
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field.append(c);
            }
        } else if (c == '"' && field.trimmed().isEmpty()) {
            field.clear();
            quoted = true;
            wasQuoted = true;
        } else if (c == ',') {
            fields.append(wasQuoted ? field : field.trimmed());
            field.clear();
            wasQuoted = false;
        } else {
            field.append(c);
        }
    }
    fields.append(wasQuoted ? field : field.trimmed());
    return fields;
}

std::optional<double> Number(const QByteArray& text) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

// Whole number of 1 to maxDigits digits.
std::optional<int> Digits(const QByteArray& text, int maxDigits) {
    if (text.isEmpty() || text.size() > maxDigits) return std::nullopt;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

} // namespace

std::optional<WaypointPlusPoint> ParseWaypointPlusLine(const QByteArray& rawLine, QString* problem) {
    QByteArray line = rawLine;
    while (!line.isEmpty() && (line.endsWith('\r') || line.endsWith('\n')))
        line.chop(1);
    const qsizetype comma = line.indexOf(',');
    QByteArray first = (comma < 0 ? line : line.left(comma)).trimmed();
    if (first.size() >= 2 && first.startsWith('"') && first.endsWith('"'))
        first = first.mid(1, first.size() - 2);
    if (first != "TP") return std::nullopt;

    auto refuse = [problem](const char* why) -> std::optional<WaypointPlusPoint> {
        if (problem) *problem = QString::fromLatin1(why);
        return std::nullopt;
    };
    const QList<QByteArray> f = SplitFields(line);
    if (f.size() < 6) return refuse("too few fields");
    const auto lat = Number(f[2]);
    const auto lng = Number(f[3]);
    if (!lat || !lng || std::fabs(*lat) > 90 || std::fabs(*lng) > 360) return refuse("bad position");

    const QList<QByteArray> d = f[4].split('/');
    if (d.size() != 3) return refuse("bad date");
    const auto month = Digits(d[0], 2), day = Digits(d[1], 2), year = Digits(d[2], 4);
    if (!month || !day || !year || !QDate(*year, *month, *day).isValid()) return refuse("bad date");

    const QList<QByteArray> t = f[5].split(':');
    if (t.size() != 3) return refuse("bad time");
    const auto hour = Digits(t[0], 2), minute = Digits(t[1], 2);
    // Seconds may carry a fraction ("15:25:12.812").
    const QByteArray secText = t[2];
    const qsizetype dot = secText.indexOf('.');
    const auto wholeSec = Digits(dot < 0 ? secText : secText.left(dot), 2);
    std::optional<double> second;
    if (wholeSec) {
        second = *wholeSec;
        if (dot >= 0) {
            const QByteArray frac = secText.mid(dot + 1);
            if (!frac.isEmpty() && !Digits(frac, 9))
                second.reset();
            else if (!frac.isEmpty())
                *second += QByteArray("0." + frac).toDouble();
        }
    }
    if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second >= 60) return refuse("bad time");

    bool newTrack = false;
    const bool flagGiven = f.size() > 6 && !f[6].isEmpty();
    if (flagGiven) {
        const auto flag = Number(f[6]);
        if (!flag) return refuse("bad new-track flag");
        newTrack = *flag != 0;
    }
    return WaypointPlusPoint{*lat, *lng, DayNumber(QDate(*year, *month, *day), *hour, *minute, *second),
                             newTrack, flagGiven};
}

ImportResult ImportWaypointPlusFile(TrackStorage& storage, TrackState& state, double gpsTimeOffset,
                                    const QString& path) {
    ImportResult result;
    state.StartTransfer();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status =
            Translate("ERROR - (GPS)") + QLatin1Char(' ') + file.errorString() + QStringLiteral(": ") + path;
        return result;
    }
    const QByteArray content = file.readAll();
    file.close();

    qsizetype pos = 0;
    qint64 lineNumber = 0;
    while (pos < content.size()) {
        qsizetype end = content.indexOf('\n', pos);
        if (end < 0) end = content.size();
        const QByteArray line = content.mid(pos, end - pos);
        pos = end + 1;
        ++lineNumber;

        QString problem;
        const std::optional<WaypointPlusPoint> point = ParseWaypointPlusLine(line, &problem);
        if (!point && problem.isEmpty()) continue;
        if (!point) {
            storage.Commit();
            result.failedLine = lineNumber;
            result.pointsStored = state.pointsStored;
            QString shown = QString::fromLatin1(line).trimmed();
            if (shown.size() > 80) shown = shown.left(77) + QStringLiteral("...");
            result.status = Translate("Import stopped at line") +
                            NumberText(static_cast<double>(lineNumber)) + QStringLiteral(" (") +
                            Translate(problem) + QStringLiteral("): ") + shown + QStringLiteral(" [") +
                            PlainNumberText(static_cast<double>(state.pointsStored)) + QLatin1Char(' ') +
                            Translate("Entered") + QLatin1Char(']');
            return result;
        }
        const bool newTrack = point->newTrack || (result.recordsReceived == 0 && !point->flagGiven);
        ++result.recordsReceived;
        const StoreOutcome outcome =
            storage.StoreTrackPoint(state, point->time, point->lat, point->lng, newTrack, gpsTimeOffset);
        if (outcome == StoreOutcome::Failed) {
            storage.Commit();
            result.failedLine = lineNumber;
            result.pointsStored = state.pointsStored;
            result.status = Translate("ERROR - (GPS)") + QLatin1Char(' ') + storage.LastError();
            return result;
        }
    }
    if (!storage.Commit()) {
        result.pointsStored = state.pointsStored;
        result.status = Translate("ERROR - (GPS)") + QLatin1Char(' ') + storage.LastError();
        return result;
    }
    result.ok = true;
    result.pointsStored = state.pointsStored;
    result.status = Translate("Successfully Imported ") +
                    NumberText(static_cast<double>(result.recordsReceived)) + QLatin1Char(' ') +
                    Translate("Track Records") + QStringLiteral(" [") +
                    NumberText(static_cast<double>(result.pointsStored)) + QLatin1Char(' ') +
                    Translate("Entered") + QLatin1Char(']');
    return result;
}

} // namespace soarnote
