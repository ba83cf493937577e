#include "logdataset.h"

#include <algorithm>

namespace soarnote {

LogDataSet::LogDataSet(QObject* parent) : QObject(parent) {}

bool LogDataSet::Bind(const QSqlDatabase& db, QString* error) {
    db_ = db;
    sort_ = QStringLiteral("StartTime");
    position_ = -1;
    current_ = {};
    QString problem;
    ids_ = FlightIds(db_, sort_, &problem);
    if (!problem.isEmpty()) {
        if (error) *error = problem;
        Unbind();
        return false;
    }
    return true;
}

void LogDataSet::Unbind() {
    db_ = QSqlDatabase();
    ids_.clear();
    position_ = -1;
    current_ = {};
    emit Repositioned();
}

bool LogDataSet::Requery(qint64 keepId, QString* error) {
    QString problem;
    std::vector<qint64> ids = FlightIds(db_, sort_, &problem);
    if (!problem.isEmpty()) {
        if (error) *error = problem;
        return false;
    }
    ids_ = std::move(ids);
    auto it = std::find(ids_.begin(), ids_.end(), keepId);
    if (it != ids_.end())
        LoadPosition(static_cast<int>(it - ids_.begin()));
    else
        LoadPosition(ids_.empty() ? -1 : 0);
    return true;
}

bool LogDataSet::SortDataSet(const QString& sort) {
    if (!IsBound()) return false;
    if (moveGuard_ && !moveGuard_()) return false;
    const qint64 keep = HasCurrent() ? current_.Id() : -1;
    if (!ids_.empty() || !sort.isEmpty()) sort_ = sort.isEmpty() ? sort_ : sort;
    return Requery(keep, nullptr);
}

bool LogDataSet::Refresh() {
    if (!IsBound()) return false;
    if (moveGuard_ && !moveGuard_()) return false;
    return Requery(HasCurrent() ? current_.Id() : -1, nullptr);
}

void LogDataSet::LoadPosition(int position) {
    position_ = position;
    current_ = {};
    if (position_ >= 0) {
        if (std::optional<FlightRecord> flight = ReadFlight(db_, ids_[position_])) current_ = *flight;
    }
    emit Repositioned();
}

bool LogDataSet::MoveTo(int position) {
    if (position < 0 || position >= RecordCount()) return false;
    if (moveGuard_ && !moveGuard_()) return false;
    LoadPosition(position);
    return true;
}

bool LogDataSet::MoveToId(qint64 id) {
    auto it = std::find(ids_.begin(), ids_.end(), id);
    return it != ids_.end() && MoveTo(static_cast<int>(it - ids_.begin()));
}

bool LogDataSet::SaveCurrent(const FlightRecord& edited, QString* error, StorageError* kind) {
    if (!HasCurrent()) return true;
    if (!UpdateFlight(db_, current_, edited, error, kind)) return false;
    if (std::optional<FlightRecord> flight = ReadFlight(db_, current_.Id())) current_ = *flight;
    return true;
}

bool LogDataSet::AddNew(double startTime, double endTime, QString* error) {
    if (!IsBound()) return false;
    if (moveGuard_ && !moveGuard_()) return false;
    if (!InsertFlight(db_, startTime, endTime, error)) return false;
    QString problem;
    std::vector<qint64> ids = FlightIds(db_, sort_, &problem);
    if (!problem.isEmpty()) {
        if (error) *error = problem;
        return false;
    }
    ids_ = std::move(ids);
    LoadPosition(RecordCount() - 1);
    return true;
}

bool LogDataSet::DeleteCurrent(QString* error) {
    if (!HasCurrent()) return false;
    if (!DeleteFlight(db_, current_.Id(), error)) return false;
    // The deleted flight's edits go with it: no guard here.
    if (!Requery(-1, error)) return false;
    LoadPosition(RecordCount() - 1);
    return true;
}

void LogDataSet::ReloadCurrent() {
    if (HasCurrent()) LoadPosition(position_);
}

} // namespace soarnote
