#include "igcreader.h"

#include <cmath>

namespace soarnote {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A run of digits as a number; false when any byte is not a digit, or when
// the run is longer than any field of a fix (an extension declared wider
// than nine digits would overflow).
bool Digits(QByteArrayView text, int& value) {
    if (text.isEmpty() || text.size() > 9) return false;
    int v = 0;
    for (char c : text) {
        if (!IsDigit(c)) return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

// A signed whole number as loggers write altitudes and extensions: a leading
// minus (or plus) in place of the first digit, blanks before it.
bool SignedNumber(QByteArrayView text, int& value) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int v = 0;
    if (!Digits(text.sliced(i), v)) return false;
    value = negative ? -v : v;
    return true;
}

QString HeaderValue(QByteArrayView line) {
    // "HFPLTPILOTINCHARGE: Bloggs Bill D": the value follows the first colon;
    // the oldest form has none and the value follows the three-letter code.
    const qsizetype colon = line.indexOf(':');
    const QByteArrayView value =
        colon >= 0 ? line.sliced(colon + 1) : line.sliced(qMin<qsizetype>(5, line.size()));
    return QString::fromUtf8(value).trimmed();
}

} // namespace

void IgcReader::Stop(TrackFileProblem problem) {
    problem_ = problem;
    problemLine_ = lines_;
}

void IgcReader::Feed(QByteArrayView bytes) {
    if (finished_ || problem_ != TrackFileProblem::None) return;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p < end) {
        // The LF of a CR LF pair that a chunk boundary split.
        if (afterCr_) {
            afterCr_ = false;
            if (*p == '\n') {
                ++p;
                continue;
            }
        }
        const char* eol = p;
        while (eol < end && *eol != '\r' && *eol != '\n')
            ++eol;
        const qsizetype length = eol - p;
        if (eol == end) {
            // A line the next chunk ends: keep what it has so far.
            Keep(QByteArrayView(p, length));
            return;
        }
        afterCr_ = *eol == '\r';
        if (line_.isEmpty() && !overlong_) {
            // The whole line lies in this chunk: read it where it is, with
            // no copy (nearly every line of a file).
            EndLine(QByteArrayView(p, length), length > kMaxLineLength, true);
        } else {
            Keep(QByteArrayView(p, length));
            EndLine(line_, overlong_, true);
        }
        line_.clear();
        overlong_ = false;
        if (problem_ != TrackFileProblem::None) return;
        p = eol + 1;
    }
}

void IgcReader::Keep(QByteArrayView part) {
    const qsizetype room = kMaxLineLength - line_.size();
    if (part.size() > room) {
        overlong_ = true;
        part = part.first(room);
    }
    line_.append(part);
}

void IgcReader::Finish() {
    if (finished_) return;
    if (problem_ == TrackFileProblem::None && (!line_.isEmpty() || overlong_))
        EndLine(line_, overlong_, false);
    line_.clear();
    overlong_ = false;
    finished_ = true;
    if (problem_ == TrackFileProblem::None && !sawA_) Stop(TrackFileProblem::NotTrackFile);
}

std::vector<TrackFix> IgcReader::TakeFixes() {
    std::vector<TrackFix> out;
    out.swap(fixes_);
    return out;
}

void IgcReader::EndLine(QByteArrayView line, bool overlong, bool terminated) {
    ++lines_;
    // A byte-order mark some writers put before the A record.
    if (lines_ == 1 && line.startsWith("\xEF\xBB\xBF")) line = line.sliced(3);
    if (overlong) {
        // Only a fix that long is worth a note; other records are skipped.
        if (line.startsWith('B')) {
            ++skipped_;
            if (firstSkippedLine_ == 0) firstSkippedLine_ = lines_;
        }
    } else {
        ReadLine(line, terminated);
    }
}

void IgcReader::ReadLine(QByteArrayView line, bool terminated) {
    if (line.trimmed().isEmpty()) return;
    if (!sawA_) {
        // The A record comes first in every IGC file; anything else is some
        // other kind of file, and reading it on would only count errors.
        if (line[0] != 'A') {
            Stop(TrackFileProblem::NotTrackFile);
            return;
        }
        sawA_ = true;
        header_.loggerId = QString::fromUtf8(line.sliced(1)).trimmed();
        return;
    }
    switch (line[0]) {
    case 'H':
        ReadHeader(line);
        break;
    case 'I':
        ReadExtensions(line);
        break;
    case 'B': {
        if (!header_.date.isValid()) {
            Stop(TrackFileProblem::NoDate);
            return;
        }
        TrackFix fix;
        if (!ReadFix(line, fix)) {
            // The last line of a file cut off in the middle of a fix.
            if (!terminated) {
                Stop(TrackFileProblem::Truncated);
                return;
            }
            ++skipped_;
            if (firstSkippedLine_ == 0) firstSkippedLine_ = lines_;
            return;
        }
        fixes_.push_back(fix);
        ++fixCount_;
        break;
    }
    default:
        break;
    }
}

void IgcReader::ReadHeader(QByteArrayView line) {
    if (line.size() < 5) return;
    const QByteArrayView code = line.sliced(2, 3);
    if (code == "DTE") {
        QByteArrayView rest = line.sliced(5);
        if (rest.startsWith("DATE:")) rest = rest.sliced(5);
        int day = 0, month = 0, year = 0;
        if (rest.size() < 6 || !Digits(rest.sliced(0, 2), day) || !Digits(rest.sliced(2, 2), month) ||
            !Digits(rest.sliced(4, 2), year)) {
            Stop(TrackFileProblem::BadDate);
            return;
        }
        // Two-digit years: the IGC format dates from the 1990s.
        const QDate date(year >= 80 ? 1900 + year : 2000 + year, month, day);
        if (!date.isValid()) {
            Stop(TrackFileProblem::BadDate);
            return;
        }
        // A second date record after fixes would break the day count; the
        // first one stands.
        if (!header_.date.isValid() || fixCount_ == 0) header_.date = date;
    } else if (code == "TZN") {
        bool ok = false;
        const double hours = HeaderValue(line).toDouble(&ok);
        if (ok && std::isfinite(hours) && std::fabs(hours) <= 14) header_.utcOffsetHours = hours;
    } else if (code == "PLT") {
        header_.pilot = HeaderValue(line);
    } else if (code == "GTY") {
        header_.gliderType = HeaderValue(line);
    } else if (code == "GID") {
        header_.gliderId = HeaderValue(line);
    }
}

void IgcReader::ReadExtensions(QByteArrayView line) {
    extensions_.clear();
    int count = 0;
    if (line.size() < 3 || !Digits(line.sliced(1, 2), count)) return;
    for (int i = 0; i < count; ++i) {
        const qsizetype at = 3 + 7 * i;
        if (at + 7 > line.size()) break;
        IgcExtension e;
        if (!Digits(line.sliced(at, 2), e.start) || !Digits(line.sliced(at + 2, 2), e.end)) continue;
        // Extensions live after the fixed fields (byte 36 on) and run forwards.
        if (e.start < 36 || e.end < e.start) continue;
        e.code = line.sliced(at + 4, 3).toByteArray();
        extensions_.push_back(e);
    }
}

bool IgcReader::ReadFix(QByteArrayView line, TrackFix& fix) {
    // B HHMMSS DDMMmmm N DDDMMmmm E V PPPPP GGGGG: 35 bytes before the extensions.
    if (line.size() < 35) return false;
    int hh, mm, ss, latDeg, latMin, lngDeg, lngMin;
    if (!Digits(line.sliced(1, 2), hh) || !Digits(line.sliced(3, 2), mm) || !Digits(line.sliced(5, 2), ss) ||
        hh > 23 || mm > 59 || ss > 59)
        return false;
    if (!Digits(line.sliced(7, 2), latDeg) || !Digits(line.sliced(9, 5), latMin) ||
        !Digits(line.sliced(15, 3), lngDeg) || !Digits(line.sliced(18, 5), lngMin))
        return false;
    const char ns = line[14], ew = line[23], validity = line[24];
    if ((ns != 'N' && ns != 'S') || (ew != 'E' && ew != 'W') || (validity != 'A' && validity != 'V'))
        return false;
    int pressure = 0, gnss = 0;
    if (!SignedNumber(line.sliced(25, 5), pressure) || !SignedNumber(line.sliced(30, 5), gnss)) return false;
    if (latMin >= 60000 || lngMin >= 60000) return false;

    // Extra decimals of the minutes (LAD, LOD) and the fix accuracy.
    double latMinutes = latMin / 1000.0;
    double lngMinutes = lngMin / 1000.0;
    long long latExtra = 0, lngExtra = 0;
    int latExtraDigits = 0, lngExtraDigits = 0;
    for (const IgcExtension& e : extensions_) {
        if (e.end > line.size()) continue; // a shorter record leaves it out
        const QByteArrayView text = line.sliced(e.start - 1, e.end - e.start + 1);
        int value = 0;
        if (e.code == "LAD" || e.code == "LOD") {
            if (!Digits(text, value) || text.size() > 6) return false;
            if (e.code == "LAD") {
                latExtra = value;
                latExtraDigits = static_cast<int>(text.size());
            } else {
                lngExtra = value;
                lngExtraDigits = static_cast<int>(text.size());
            }
            continue;
        }
        // Every extension is a number; bytes that are not are a garbled record.
        if (!SignedNumber(text, value)) return false;
        if (e.code == "FXA") fix.fixAccuracy = value;
    }
    if (latExtraDigits > 0)
        latMinutes =
            (static_cast<double>(latMin) * std::pow(10.0, latExtraDigits) + static_cast<double>(latExtra)) /
            (1000.0 * std::pow(10.0, latExtraDigits));
    if (lngExtraDigits > 0)
        lngMinutes =
            (static_cast<double>(lngMin) * std::pow(10.0, lngExtraDigits) + static_cast<double>(lngExtra)) /
            (1000.0 * std::pow(10.0, lngExtraDigits));
    double lat = latDeg + latMinutes / 60.0;
    double lng = lngDeg + lngMinutes / 60.0;
    if (lat > 90 || lng > 180) return false;
    fix.lat = ns == 'S' ? -lat : lat;
    fix.lng = ew == 'W' ? -lng : lng;
    fix.positionValid = validity == 'A';
    fix.pressureHeight = pressure;
    // "V": no three-dimensional fix, the GNSS altitude is not a measured one.
    if (validity == 'A') fix.gnssHeight = gnss;

    const int second = hh * 3600 + mm * 60 + ss;
    // Times only: a fix far earlier than the one before is past midnight UTC.
    // Half a day keeps a logger's small steps back from counting as a day.
    if (previousSecond_ >= 0 && second + 43200 < previousSecond_) ++dayOffset_;
    previousSecond_ = second;
    fix.time = UtcDayNumber(header_.date.addDays(dayOffset_), static_cast<qint64>(second) * 1000);
    fix.line = lines_;
    return true;
}

} // namespace soarnote
