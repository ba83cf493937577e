#pragma once
// Waypoint+ text files read as a stream: bytes in, track points and typed
// problems out, with memory bounded by one line whatever the file's size.
// Track point lines are "TP,<format>,lat,lng,MM/DD/YYYY,hh:mm:ss[.fff],flag";
// every other line is skipped whole. UTF-8 (with or without a byte-order mark)
// and UTF-16 with a byte-order mark are read, and lines may end in CR LF, LF
// or a lone CR, as the programs that write these files differ.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>
#include <vector>

namespace soarnote {

struct WaypointPlusPoint {
    double lat = 0;
    double lng = 0;
    double time = 0; // day number
    bool newTrack = false;
    bool flagGiven = false; // some programs leave the flag field empty
};

enum class WaypointPlusProblem {
    None,
    TooFewFields,
    BadLatitude,  // not a number, or outside -90..90
    BadLongitude, // not a number, or outside -180..180
    BadDate,
    BadTime,
    BadFlag,
    LineTooLong,
};

// The problem as the status line names it, in English (the caller translates).
QString WaypointPlusProblemText(WaypointPlusProblem problem);

// One line, without or with its line end. Nothing and no problem: not a track
// point line. Nothing and a problem: a track point line that cannot be read.
std::optional<WaypointPlusPoint> ParseWaypointPlusLine(QByteArrayView line, WaypointPlusProblem* problem);

class WaypointPlusReader {
public:
    // Longer lines are not kept whole: a track point line that long is refused,
    // another line is skipped as any other.
    static constexpr qsizetype kMaxLineLength = 4096;

    struct Item {
        qint64 line = 0; // 1-based line number in the file
        WaypointPlusPoint point;
    };

    // The next bytes of the file, in any chunk sizes. Reading stops at the
    // first unreadable track point line; later bytes are ignored.
    void Feed(QByteArrayView bytes);
    // The end of the file: a last line without a line end is read.
    void Finish();
    // The points read since the last call, in file order.
    std::vector<Item> TakePoints();

    WaypointPlusProblem Problem() const { return problem_; }
    qint64 ProblemLine() const { return problemLine_; }
    // The unreadable line as read (at most kMaxLineLength bytes, UTF-8).
    const QByteArray& ProblemText() const { return problemText_; }
    qint64 Lines() const { return lines_; }
    qint64 TrackPointLines() const { return trackPointLines_; }

private:
    enum class Encoding { Undecided, Utf8, Utf16Le, Utf16Be };

    void FeedDecided(QByteArrayView bytes);
    void FeedUtf8(QByteArrayView bytes);
    void FeedUtf16(QByteArrayView bytes);
    void AppendUnit(char16_t unit);
    void EndLine();

    Encoding encoding_ = Encoding::Undecided;
    QByteArray head_;  // the first bytes, until the byte-order mark is known
    int oddByte_ = -1; // UTF-16: the first byte of a unit split between chunks
    char16_t highSurrogate_ = 0;
    QByteArray line_;
    bool overlong_ = false;
    bool afterCr_ = false; // an LF right after a CR ends no second line
    bool finished_ = false;
    qint64 lines_ = 0;
    qint64 trackPointLines_ = 0;
    std::vector<Item> points_;
    WaypointPlusProblem problem_ = WaypointPlusProblem::None;
    qint64 problemLine_ = 0;
    QByteArray problemText_;
};

} // namespace soarnote
