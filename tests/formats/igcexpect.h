#pragma once
// What an IGC file states, read with regular expressions independently of the program's reader: the date, the
// time zone header and every well-formed B record with its LAD/LOD digits, as the tests expect to find them
// stored. Also the scratch logbook and the stored track the track file suites share.

#include "common/testlogbook.h"
#include "core/daynumber.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>
#include <vector>

namespace igcexpect {

inline QString IgcPath(const QString& name) {
    return QStringLiteral(SOARNOTE_TEST_DATA "/igc/") + name;
}

// An empty logbook of the current layout, open, in a folder of its own.
struct Logbook {
    Logbook() {
        testlogbook::Builder(path).Build();
        file.Open(path, nullptr);
    }
    QSqlDatabase Db() { return file.Db(); }
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("log.mdb"));
    soarnote::LogbookDatabase file;
};

struct Point {
    double time, lat, lng;
    QVariant height = {};
};

// The stored track points in time order.
inline std::vector<Point> TrackPoints(const QSqlDatabase& db) {
    std::vector<Point> points;
    QSqlQuery q(db);
    q.exec(QStringLiteral("SELECT TIME, LAT, LNG, Height FROM TrackData ORDER BY TIME, rowid"));
    while (q.next())
        points.push_back({q.value(0).toDouble(), q.value(1).toDouble(), q.value(2).toDouble(), q.value(3)});
    return points;
}

struct Fix {
    double time = 0; // UTC day number
    double lat = 0;
    double lng = 0;
    bool valid = true;
    int pressure = 0;
    int gnss = 0;
    int line = 0;
};

struct File {
    QDate date;
    std::optional<double> tzHours;
    QString glider;
    std::vector<Fix> fixes;
    std::vector<int> badLines;
};

inline File Read(const QString& path) {
    File file;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return file;
    const QStringList lines =
        QString::fromUtf8(f.readAll()).split(QRegularExpression(QStringLiteral("\r?\n")));
    const QRegularExpression dte(QStringLiteral("^HFDTE(?:DATE:)?(\\d\\d)(\\d\\d)(\\d\\d)"));
    const QRegularExpression tzn(QStringLiteral("^H[FOP]TZN[^:]*:\\s*([-+]?[0-9.]+)"));
    const QRegularExpression gty(QStringLiteral("^H[FOP]GTY[^:]*:(.*)$"));
    const QRegularExpression fix(QStringLiteral("^B(\\d\\d)(\\d\\d)(\\d\\d)(\\d\\d)(\\d{5})([NS])(\\d{3})("
                                                "\\d{5})([EW])([AV])([-\\d]\\d{4})([-\\d]\\d{4})([-\\d]*)$"));
    int lad = 0, lod = 0; // 1-based byte of the one-digit extensions, 0 when none
    double previous = -1;
    int dayOffset = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (auto m = dte.match(line); m.hasMatch())
            file.date = QDate(2000 + m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
        if (auto m = tzn.match(line); m.hasMatch()) file.tzHours = m.captured(1).toDouble();
        if (auto m = gty.match(line); m.hasMatch()) file.glider = m.captured(1).trimmed();
        if (line.startsWith(QLatin1Char('I'))) {
            for (int k = 0; k < line.mid(1, 2).toInt(); ++k) {
                const QString e = line.mid(3 + 7 * k, 7);
                if (e.endsWith(QLatin1String("LAD"))) lad = e.left(2).toInt();
                if (e.endsWith(QLatin1String("LOD"))) lod = e.left(2).toInt();
            }
        }
        if (!line.startsWith(QLatin1Char('B'))) continue;
        const auto m = fix.match(line);
        if (!m.hasMatch()) {
            file.badLines.push_back(i + 1);
            continue;
        }
        const int seconds = m.captured(1).toInt() * 3600 + m.captured(2).toInt() * 60 + m.captured(3).toInt();
        // A step back of more than half a day is the next UTC day; a shorter one is a logger glitch on the
        // same day.
        if (previous >= 0 && seconds + 43200 < previous) ++dayOffset;
        previous = seconds;
        Fix f2;
        f2.time = soarnote::DayNumber(file.date.addDays(dayOffset), 0, 0, seconds);
        double latMin = m.captured(5).toDouble() / 1000.0;
        double lngMin = m.captured(8).toDouble() / 1000.0;
        if (lad > 0) latMin += line.mid(lad - 1, 1).toDouble() / 10000.0;
        if (lod > 0) lngMin += line.mid(lod - 1, 1).toDouble() / 10000.0;
        f2.lat = (m.captured(4).toDouble() + latMin / 60.0) * (m.captured(6) == QLatin1String("S") ? -1 : 1);
        f2.lng = (m.captured(7).toDouble() + lngMin / 60.0) * (m.captured(9) == QLatin1String("W") ? -1 : 1);
        f2.valid = m.captured(10) == QLatin1String("A");
        f2.pressure = m.captured(11).toInt();
        f2.gnss = m.captured(12).toInt();
        f2.line = i + 1;
        file.fixes.push_back(f2);
    }
    return file;
}

} // namespace igcexpect
