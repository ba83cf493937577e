#include "gpxreader.h"

#include <QDateTime>
#include <QTimeZone>
#include <cmath>

namespace soarnote {

void GpxReader::Stop(TrackFileProblem problem) {
    problem_ = problem;
    problemLine_ = xml_.lineNumber();
}

void GpxReader::Decode(QByteArrayView bytes) {
    // Decoded here, not by the XML reader: it decodes ahead of what it has
    // read, so where it meets a bad byte would depend on the chunk sizes. A
    // byte that is not text becomes a replacement character; positions and
    // times are plain ASCII in any case.
    pending_ += decoder_->decode(bytes);
    // The XML reader is handed text up to the end of a tag: split inside a
    // tag or an attribute value it can go wrong, depending on where a chunk
    // happened to end. A file without any '>' is no GPX; past a bound its
    // text goes on anyway, so memory stays bounded.
    qsizetype end = pending_.lastIndexOf(QLatin1Char('>'));
    if (end < 0 && pending_.size() < kMaxPending) return;
    end = end < 0 ? pending_.size() : end + 1;
    xml_.addData(pending_.left(end));
    pending_.remove(0, end);
    Pump();
}

void GpxReader::Feed(QByteArrayView bytes) {
    if (done_ || problem_ != TrackFileProblem::None) return;
    if (!decoder_) {
        // A byte-order mark (UTF-16, UTF-32) needs the first four bytes.
        head_.append(bytes);
        if (head_.size() < 4) return;
        decoder_.emplace(QStringConverter::encodingForData(head_).value_or(QStringConverter::Utf8));
        Decode(head_);
        head_.clear();
        return;
    }
    Decode(bytes);
}

void GpxReader::Finish() {
    if (!decoder_ && problem_ == TrackFileProblem::None && !done_) {
        decoder_.emplace(QStringConverter::encodingForData(head_).value_or(QStringConverter::Utf8));
        Decode(head_);
    }
    if (problem_ == TrackFileProblem::None && !done_ && !pending_.isEmpty()) {
        xml_.addData(pending_);
        pending_.clear();
        Pump();
    }
    if (problem_ != TrackFileProblem::None || done_) return;
    // All bytes are in: a document still open is a file cut short.
    Stop(sawRoot_ ? TrackFileProblem::Truncated : TrackFileProblem::NotTrackFile);
}

std::vector<TrackFix> GpxReader::TakeFixes() {
    std::vector<TrackFix> out;
    out.swap(fixes_);
    return out;
}

void GpxReader::Pump() {
    while (!xml_.atEnd()) {
        switch (xml_.readNext()) {
        case QXmlStreamReader::StartElement:
            StartElement();
            break;
        case QXmlStreamReader::EndElement:
            EndElement();
            break;
        case QXmlStreamReader::Characters:
            if (text_ == Text::Ele)
                eleText_ += xml_.text();
            else if (text_ == Text::Time)
                timeText_ += xml_.text();
            else if (text_ == Text::Author)
                authorText_ += xml_.text();
            break;
        case QXmlStreamReader::EndDocument:
            done_ = true;
            return;
        default:
            break;
        }
        if (problem_ != TrackFileProblem::None || done_) return;
    }
    // The file began as XML (that is how it came here): any fault is bad XML,
    // however far the reader got before it met it (it may decode ahead).
    if (xml_.hasError() && xml_.error() != QXmlStreamReader::PrematureEndOfDocumentError) {
        xmlError_ = xml_.errorString();
        Stop(TrackFileProblem::BadXml);
    }
}

void GpxReader::StartElement() {
    ++depth_;
    const QStringView name = xml_.name();
    if (!sawRoot_) {
        if (name != QLatin1String("gpx")) {
            Stop(TrackFileProblem::NotGpx);
            return;
        }
        sawRoot_ = true;
        return;
    }
    if (pointDepth_ >= 0) {
        // Only the point's own children: ele and time inside extensions are
        // some other program's values.
        if (depth_ == pointDepth_ + 1) {
            if (name == QLatin1String("ele")) text_ = Text::Ele;
            if (name == QLatin1String("time")) text_ = Text::Time;
        }
        return;
    }
    // Who made the file: GPX 1.1 names the author in the metadata, GPX 1.0
    // gives the name as the root's author element.
    if (depth_ == 2 && name == QLatin1String("metadata")) {
        metadataDepth_ = depth_;
    } else if (depth_ == 2 && name == QLatin1String("author")) {
        authorText_.clear();
        authorTextDepth_ = depth_;
        text_ = Text::Author;
    } else if (metadataDepth_ >= 0 && depth_ == metadataDepth_ + 1 && name == QLatin1String("author")) {
        authorDepth_ = depth_;
    } else if (authorDepth_ >= 0 && depth_ == authorDepth_ + 1 && name == QLatin1String("name")) {
        authorText_.clear();
        authorTextDepth_ = depth_;
        text_ = Text::Author;
    } else if (name == QLatin1String("trk")) {
        trkDepth_ = depth_;
        segmentStart_ = true;
    } else if (name == QLatin1String("trkseg") && trkDepth_ >= 0) {
        segmentStart_ = true;
    } else if (name == QLatin1String("trkpt") && trkDepth_ >= 0) {
        pointDepth_ = depth_;
        point_ = TrackFix();
        point_.line = xml_.lineNumber();
        eleText_.clear();
        timeText_.clear();
        const QXmlStreamAttributes attributes = xml_.attributes();
        bool latOk = false, lngOk = false;
        point_.lat = attributes.value(QLatin1String("lat")).toDouble(&latOk);
        point_.lng = attributes.value(QLatin1String("lon")).toDouble(&lngOk);
        pointOk_ = latOk && lngOk && std::fabs(point_.lat) <= 90 && std::fabs(point_.lng) <= 180;
    }
}

void GpxReader::EndElement() {
    const int depth = depth_--;
    // The root closed: the document is complete, whatever bytes follow it
    // (some writers leave padding or a second copy behind).
    if (depth == 1) {
        done_ = true;
        return;
    }
    if (pointDepth_ < 0) {
        if (depth == trkDepth_) trkDepth_ = -1;
        if (depth == authorTextDepth_) {
            header_.pilot = authorText_.simplified();
            authorTextDepth_ = -1;
            text_ = Text::None;
        }
        if (depth == authorDepth_) authorDepth_ = -1;
        if (depth == metadataDepth_) metadataDepth_ = -1;
        return;
    }
    if (depth == pointDepth_ + 1) {
        text_ = Text::None;
        return;
    }
    if (depth != pointDepth_) return;
    pointDepth_ = -1;
    text_ = Text::None;
    QDateTime time = QDateTime::fromString(timeText_.trimmed(), Qt::ISODateWithMs);
    // GPX times are UTC; a time written without a zone is taken as such.
    if (time.isValid() && time.timeSpec() == Qt::LocalTime) time.setTimeZone(QTimeZone::utc());
    if (!pointOk_ || !time.isValid()) {
        ++skipped_;
        if (firstSkippedLine_ == 0) firstSkippedLine_ = point_.line;
        return;
    }
    time = time.toUTC();
    point_.time = UtcDayNumber(time.date(), time.time().msecsSinceStartOfDay());
    bool eleOk = false;
    const double ele = eleText_.trimmed().toDouble(&eleOk);
    if (eleOk && std::isfinite(ele)) point_.gnssHeight = ele;
    point_.newSegment = segmentStart_;
    segmentStart_ = false;
    if (!header_.date.isValid()) header_.date = time.date();
    fixes_.push_back(point_);
    ++fixCount_;
}

} // namespace soarnote
