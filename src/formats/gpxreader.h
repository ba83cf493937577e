#pragma once
// GPX 1.0 and 1.1 track files read as a stream through a real XML reader:
// bytes in, fixes and a typed problem out. Elements are matched by their
// local name, so any namespace prefix (or none) is read; only trk/trkseg/trkpt
// with their ele and time children are used, waypoints and routes are not
// part of a flight; the author's name (GPX 1.1 metadata/author/name, GPX 1.0
// author) is the pilot. A track point without a readable position or time is
// skipped and counted.

#include "trackfix.h"

#include <QByteArrayView>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <optional>
#include <vector>

namespace soarnote {

class GpxReader {
public:
    void Feed(QByteArrayView bytes);
    void Finish();
    std::vector<TrackFix> TakeFixes();

    const TrackFileHeader& Header() const { return header_; }
    TrackFileProblem Problem() const { return problem_; }
    qint64 ProblemLine() const { return problemLine_; }
    QString XmlError() const { return xmlError_; }
    qint64 FixCount() const { return fixCount_; }
    qint64 SkippedFixes() const { return skipped_; }
    qint64 FirstSkippedLine() const { return firstSkippedLine_; }

private:
    enum class Text { None, Ele, Time, TrackName, Author };

    void Decode(QByteArrayView bytes);
    void Pump();
    void StartElement();
    void EndElement();
    void Stop(TrackFileProblem problem);

    QXmlStreamReader xml_;
    std::optional<QStringDecoder> decoder_;
    QByteArray head_;
    QString pending_; // decoded text after the last complete tag
    static constexpr qsizetype kMaxPending = 1 << 20;
    TrackFileHeader header_;
    std::vector<TrackFix> fixes_;
    bool sawRoot_ = false;
    bool done_ = false;
    int depth_ = 0;
    int trkDepth_ = -1;
    int pointDepth_ = -1;
    bool segmentStart_ = false;
    bool pointOk_ = false;
    TrackFix point_;
    QString eleText_;
    QString timeText_;
    int metadataDepth_ = -1;
    int authorDepth_ = -1;
    int authorTextDepth_ = -1;
    QString authorText_;
    Text text_ = Text::None;
    qint64 fixCount_ = 0;
    qint64 skipped_ = 0;
    qint64 firstSkippedLine_ = 0;
    TrackFileProblem problem_ = TrackFileProblem::None;
    qint64 problemLine_ = 0;
    QString xmlError_;
};

} // namespace soarnote
