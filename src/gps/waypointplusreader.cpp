#include "waypointplusreader.h"

#include "core/daynumber.h"

#include <QDate>
#include <QList>
#include <cmath>

namespace soarnote {

namespace {

// Comma-separated fields; a field may be quoted ("" inside quotes is a quote)
// and blanks around fields are dropped.
QList<QByteArray> SplitFields(QByteArrayView line) {
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
std::optional<int> Digits(QByteArrayView text, int maxDigits) {
    if (text.isEmpty() || text.size() > maxDigits) return std::nullopt;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Whether the first field is "TP" (blanks around it and quotes allowed),
// without splitting the line: most lines of a big file are looked at only
// this far.
bool StartsWithTrackPointField(QByteArrayView line) {
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n && IsBlank(line[i]))
        ++i;
    const bool quoted = i < n && line[i] == '"';
    if (quoted) ++i;
    if (i + 2 > n || line[i] != 'T' || line[i + 1] != 'P') return false;
    i += 2;
    if (quoted) {
        if (i >= n || line[i] != '"') return false;
        ++i;
    }
    while (i < n && IsBlank(line[i]))
        ++i;
    return i == n || line[i] == ',';
}

// "hh:mm:ss" with an optional fraction of the second ("15:25:12.812").
std::optional<double> SecondsOfDay(QByteArrayView text) {
    const QList<QByteArray> parts = text.toByteArray().split(':');
    if (parts.size() != 3) return std::nullopt;
    const auto hour = Digits(parts[0], 2), minute = Digits(parts[1], 2);
    const QByteArray& secText = parts[2];
    const qsizetype dot = secText.indexOf('.');
    const auto wholeSec = Digits(dot < 0 ? QByteArrayView(secText) : QByteArrayView(secText).first(dot), 2);
    if (!hour || !minute || !wholeSec || *hour > 23 || *minute > 59 || *wholeSec > 59) return std::nullopt;
    double second = *wholeSec;
    if (dot >= 0) {
        const QByteArray frac = secText.mid(dot + 1);
        if (!frac.isEmpty()) {
            if (!Digits(frac, 9)) return std::nullopt;
            second += QByteArray("0." + frac).toDouble();
        }
    }
    return *hour * 3600.0 + *minute * 60.0 + second;
}

} // namespace

QString WaypointPlusProblemText(WaypointPlusProblem problem) {
    switch (problem) {
    case WaypointPlusProblem::None:
        return {};
    case WaypointPlusProblem::TooFewFields:
        return QStringLiteral("too few fields");
    case WaypointPlusProblem::BadLatitude:
        return QStringLiteral("latitude not between -90 and 90");
    case WaypointPlusProblem::BadLongitude:
        return QStringLiteral("longitude not between -180 and 180");
    case WaypointPlusProblem::BadDate:
        return QStringLiteral("bad date");
    case WaypointPlusProblem::BadTime:
        return QStringLiteral("bad time");
    case WaypointPlusProblem::BadFlag:
        return QStringLiteral("bad new-track flag");
    case WaypointPlusProblem::LineTooLong:
        return QStringLiteral("line too long");
    }
    return {};
}

std::optional<WaypointPlusPoint> ParseWaypointPlusLine(QByteArrayView line, WaypointPlusProblem* problem) {
    if (problem) *problem = WaypointPlusProblem::None;
    while (!line.isEmpty() && (line.back() == '\r' || line.back() == '\n'))
        line.chop(1);
    if (!StartsWithTrackPointField(line)) return std::nullopt;

    auto refuse = [problem](WaypointPlusProblem why) -> std::optional<WaypointPlusPoint> {
        if (problem) *problem = why;
        return std::nullopt;
    };
    const QList<QByteArray> f = SplitFields(line);
    if (f.size() < 6) return refuse(WaypointPlusProblem::TooFewFields);
    const auto lat = Number(f[2]);
    if (!lat || std::fabs(*lat) > 90) return refuse(WaypointPlusProblem::BadLatitude);
    const auto lng = Number(f[3]);
    if (!lng || std::fabs(*lng) > 180) return refuse(WaypointPlusProblem::BadLongitude);

    const QList<QByteArray> d = f[4].split('/');
    if (d.size() != 3) return refuse(WaypointPlusProblem::BadDate);
    const auto month = Digits(d[0], 2), day = Digits(d[1], 2), year = Digits(d[2], 4);
    if (!month || !day || !year || !QDate(*year, *month, *day).isValid())
        return refuse(WaypointPlusProblem::BadDate);

    const std::optional<double> seconds = SecondsOfDay(f[5]);
    if (!seconds) return refuse(WaypointPlusProblem::BadTime);

    bool newTrack = false;
    const bool flagGiven = f.size() > 6 && !f[6].isEmpty();
    if (flagGiven) {
        const auto flag = Number(f[6]);
        if (!flag) return refuse(WaypointPlusProblem::BadFlag);
        newTrack = *flag != 0;
    }
    return WaypointPlusPoint{*lat, *lng, DayNumber(QDate(*year, *month, *day), 0, 0, *seconds), newTrack,
                             flagGiven};
}

void WaypointPlusReader::Feed(QByteArrayView bytes) {
    if (finished_ || problem_ != WaypointPlusProblem::None || bytes.isEmpty()) return;
    if (encoding_ == Encoding::Undecided) {
        // The byte-order mark decides; it is at most three bytes long.
        head_.append(bytes.data(), bytes.size());
        if (head_.size() < 3) return;
        const QByteArray head = std::exchange(head_, QByteArray());
        if (head.startsWith("\xEF\xBB\xBF")) {
            encoding_ = Encoding::Utf8;
            FeedDecided(QByteArrayView(head).sliced(3));
        } else if (head.startsWith("\xFF\xFE")) {
            encoding_ = Encoding::Utf16Le;
            FeedDecided(QByteArrayView(head).sliced(2));
        } else if (head.startsWith("\xFE\xFF")) {
            encoding_ = Encoding::Utf16Be;
            FeedDecided(QByteArrayView(head).sliced(2));
        } else {
            encoding_ = Encoding::Utf8;
            FeedDecided(head);
        }
        return;
    }
    FeedDecided(bytes);
}

void WaypointPlusReader::FeedDecided(QByteArrayView bytes) {
    if (encoding_ == Encoding::Utf8)
        FeedUtf8(bytes);
    else
        FeedUtf16(bytes);
}

void WaypointPlusReader::FeedUtf8(QByteArrayView bytes) {
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p < end && problem_ == WaypointPlusProblem::None) {
        const char* stop = p;
        while (stop < end && *stop != '\n' && *stop != '\r')
            ++stop;
        if (stop > p) {
            afterCr_ = false;
            const qsizetype room = kMaxLineLength - line_.size();
            const qsizetype take = std::min<qsizetype>(room, stop - p);
            if (take > 0) line_.append(p, take);
            if (stop - p > take) overlong_ = true;
        }
        if (stop == end) break;
        if (*stop == '\n' && afterCr_) {
            afterCr_ = false; // the LF of a CR LF
        } else {
            EndLine();
            afterCr_ = *stop == '\r';
        }
        p = stop + 1;
    }
}

void WaypointPlusReader::FeedUtf16(QByteArrayView bytes) {
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    auto unitOf = [this](unsigned char first, unsigned char second) -> char16_t {
        return encoding_ == Encoding::Utf16Le ? static_cast<char16_t>(first | (second << 8))
                                              : static_cast<char16_t>((first << 8) | second);
    };
    if (oddByte_ >= 0 && n > 0) {
        AppendUnit(unitOf(static_cast<unsigned char>(oddByte_), static_cast<unsigned char>(bytes[0])));
        oddByte_ = -1;
        i = 1;
    }
    for (; i + 1 < n && problem_ == WaypointPlusProblem::None; i += 2)
        AppendUnit(unitOf(static_cast<unsigned char>(bytes[i]), static_cast<unsigned char>(bytes[i + 1])));
    if (i < n && problem_ == WaypointPlusProblem::None) oddByte_ = static_cast<unsigned char>(bytes[i]);
}

void WaypointPlusReader::AppendUnit(char16_t unit) {
    if (unit == u'\n' || unit == u'\r') {
        highSurrogate_ = 0;
        if (unit == u'\n' && afterCr_) {
            afterCr_ = false;
        } else {
            EndLine();
            afterCr_ = unit == u'\r';
        }
        return;
    }
    afterCr_ = false;
    QByteArray utf8;
    if (unit < 0x80) {
        utf8 = QByteArray(1, static_cast<char>(unit));
    } else if (QChar::isHighSurrogate(unit)) {
        highSurrogate_ = unit;
        return;
    } else if (QChar::isLowSurrogate(unit) && highSurrogate_) {
        const char16_t pair[2] = {highSurrogate_, unit};
        utf8 = QString::fromUtf16(pair, 2).toUtf8();
    } else {
        utf8 = QString(QChar(unit)).toUtf8();
    }
    highSurrogate_ = 0;
    if (line_.size() + utf8.size() > kMaxLineLength)
        overlong_ = true;
    else
        line_.append(utf8);
}

void WaypointPlusReader::EndLine() {
    ++lines_;
    const bool overlong = std::exchange(overlong_, false);
    const QByteArray line = std::exchange(line_, QByteArray());
    if (problem_ != WaypointPlusProblem::None) return;
    WaypointPlusProblem why = WaypointPlusProblem::None;
    std::optional<WaypointPlusPoint> point;
    if (overlong) {
        if (StartsWithTrackPointField(line)) why = WaypointPlusProblem::LineTooLong;
    } else {
        point = ParseWaypointPlusLine(line, &why);
    }
    if (point || why != WaypointPlusProblem::None) ++trackPointLines_;
    if (point) {
        points_.push_back(Item{lines_, *point});
    } else if (why != WaypointPlusProblem::None) {
        problem_ = why;
        problemLine_ = lines_;
        problemText_ = line;
    }
}

void WaypointPlusReader::Finish() {
    if (finished_) return;
    if (encoding_ == Encoding::Undecided && !head_.isEmpty()) {
        // A file shorter than any byte-order mark.
        encoding_ = Encoding::Utf8;
        FeedUtf8(std::exchange(head_, QByteArray()));
    }
    finished_ = true;
    if (problem_ == WaypointPlusProblem::None && (!line_.isEmpty() || overlong_)) EndLine();
}

std::vector<WaypointPlusReader::Item> WaypointPlusReader::TakePoints() {
    return std::exchange(points_, {});
}

} // namespace soarnote
