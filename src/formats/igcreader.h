#pragma once
// IGC flight recorder files read as a stream: bytes in, fixes and a typed
// problem out, memory bounded by one line whatever the file's size.
//
// Read: the A record (logger), the H records of date (both "HFDTE150419" and
// "HFDTEDATE:150419,01"), time zone, pilot and glider from any source (F, O,
// P), the I record's B-record extensions (FXA fix accuracy, LAD/LOD extra
// decimals of the latitude and longitude minutes), and B records with their
// validity flag, pressure and GNSS altitudes. B records carry no date: one
// whose time lies far before the previous one is taken to be on the next UTC
// day. Every other record (G security records, L comments, C task lines...)
// is kept out of the flight data. A malformed B record is skipped and counted;
// reading stops at the first problem that makes the file unusable.

#include "trackfix.h"

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

namespace soarnote {

struct IgcExtension {
    int start = 0; // 1-based byte of the B record
    int end = 0;   // last byte, inclusive
    QByteArray code;
};

class IgcReader {
public:
    // No IGC line is anywhere near this long; a longer one is not kept whole.
    static constexpr qsizetype kMaxLineLength = 1024;

    void Feed(QByteArrayView bytes);
    // The end of the file: a last line without a line end is read.
    void Finish();
    // The fixes read since the last call, in file order.
    std::vector<TrackFix> TakeFixes();

    const TrackFileHeader& Header() const { return header_; }
    TrackFileProblem Problem() const { return problem_; }
    qint64 ProblemLine() const { return problemLine_; }
    qint64 Lines() const { return lines_; }
    qint64 FixCount() const { return fixCount_; }
    // Malformed B records skipped, and the line of the first of them.
    qint64 SkippedFixes() const { return skipped_; }
    qint64 FirstSkippedLine() const { return firstSkippedLine_; }
    const std::vector<IgcExtension>& Extensions() const { return extensions_; }

private:
    void Keep(QByteArrayView part);
    void EndLine(QByteArrayView line, bool overlong, bool terminated);
    void ReadLine(QByteArrayView line, bool terminated);
    void ReadHeader(QByteArrayView line);
    void ReadExtensions(QByteArrayView line);
    bool ReadFix(QByteArrayView line, TrackFix& fix);
    void Stop(TrackFileProblem problem);

    TrackFileHeader header_;
    std::vector<IgcExtension> extensions_;
    std::vector<TrackFix> fixes_;
    QByteArray line_;
    bool overlong_ = false;
    bool afterCr_ = false;
    bool finished_ = false;
    bool sawA_ = false;
    qint64 lines_ = 0;
    qint64 fixCount_ = 0;
    qint64 skipped_ = 0;
    qint64 firstSkippedLine_ = 0;
    int dayOffset_ = 0;
    int previousSecond_ = -1;
    TrackFileProblem problem_ = TrackFileProblem::None;
    qint64 problemLine_ = 0;
};

} // namespace soarnote
