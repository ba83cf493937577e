#pragma once
// The flights of the open logbook as a positioned row set: an ordered list of
// flight IDs with a current position, moved by the navigation bar, the keys
// and the commands. Before every move a guard may refuse it (the main window
// saves its edited fields there and refuses when they cannot be saved).

#include "flightstore.h"

#include <QObject>
#include <QSqlDatabase>
#include <functional>
#include <vector>

namespace soarnote {

class LogDataSet : public QObject {
    Q_OBJECT
public:
    explicit LogDataSet(QObject* parent = nullptr);

    // Binds to a logbook and reads its flights in StartTime order, positioned
    // on no row. Unbind leaves an empty set.
    bool Bind(const QSqlDatabase& db, QString* error = nullptr);
    void Unbind();
    bool IsBound() const { return db_.isValid(); }
    QSqlDatabase Database() const { return db_; }

    // Re-reads the flights, sorted by a field ("StartTime", "StartTime DESC");
    // an empty set stays unsorted. Keeps the current flight when it still exists.
    bool SortDataSet(const QString& sort);
    // Re-reads the flights in the current order, keeping the current flight.
    bool Refresh();
    const QString& Sort() const { return sort_; }

    int RecordCount() const { return static_cast<int>(ids_.size()); }
    // 0-based position of the current flight, -1 when there is none.
    int AbsolutePosition() const { return position_; }
    bool HasCurrent() const { return position_ >= 0; }
    bool IsFirst() const { return position_ == 0; }
    bool IsLast() const { return position_ >= 0 && position_ == RecordCount() - 1; }

    bool MoveTo(int position);
    bool MoveFirst() { return MoveTo(0); }
    bool MoveLast() { return MoveTo(RecordCount() - 1); }
    bool MoveNext() { return position_ + 1 < RecordCount() && MoveTo(position_ + 1); }
    bool MovePrevious() { return position_ > 0 && MoveTo(position_ - 1); }
    bool MoveToId(qint64 id);

    // The current flight as stored.
    const FlightRecord& Current() const { return current_; }
    // Saves edited fields of the current flight.
    bool SaveCurrent(const FlightRecord& edited, QString* error, StorageError* kind = nullptr);
    // Adds a flight with the given start and end, then moves to the last row.
    bool AddNew(double startTime, double endTime, QString* error);
    // Deletes the current flight, then moves to the last row.
    bool DeleteCurrent(QString* error);
    // Re-reads the current flight's fields (after another part wrote them).
    void ReloadCurrent();

    // Runs the move guard (saving edits of the flight shown); false when they
    // could not be saved.
    bool CommitPending() { return !moveGuard_ || !HasCurrent() || moveGuard_(); }

    // Called before every move; returning false cancels the move.
    void SetMoveGuard(std::function<bool()> guard) { moveGuard_ = std::move(guard); }

signals:
    // The current flight changed (or was re-read); also sent when the set
    // became empty.
    void Repositioned();

private:
    bool Requery(qint64 keepId, QString* error);
    void LoadPosition(int position);

    QSqlDatabase db_;
    QString sort_ = QStringLiteral("StartTime");
    std::vector<qint64> ids_;
    int position_ = -1;
    FlightRecord current_;
    std::function<bool()> moveGuard_;
};

} // namespace soarnote
