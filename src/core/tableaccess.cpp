#include "tableaccess.h"

#include "logcategories.h"

#include "flightstore.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace soarnote {

SortText ParseSortText(const QString& sort) {
    const QStringList parts = sort.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    SortText result;
    if (parts.isEmpty()) return result;
    result.field = parts.at(0);
    result.descending =
        parts.size() > 1 && parts.at(1).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
    return result;
}

LogbookTableModel::LogbookTableModel(const QSqlDatabase& db, QObject* parent) : QSqlTableModel(parent, db) {
    setEditStrategy(QSqlTableModel::OnRowChange);
}

bool LogbookTableModel::Open(const QString& table, const QString& sort, QString* error) {
    table_ = LogbookTable(table).name.isEmpty() ? table : LogbookTable(table).name;
    setTable(table_);
    if (lastError().isValid() || record().isEmpty()) {
        if (error)
            *error =
                lastError().text().isEmpty() ? QStringLiteral("No table %1").arg(table) : lastError().text();
        return false;
    }
    const SortText order = ParseSortText(sort);
    const int column = order.field.isEmpty() ? -1 : ColumnOf(order.field);
    if (column >= 0) setSort(column, order.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    if (!select()) {
        if (error) *error = lastError().text();
        return false;
    }
    return true;
}

FieldType LogbookTableModel::TypeOf(int column) const {
    const FieldDef* def = LogbookTable(table_).Field(record().fieldName(column));
    return def ? def->type : FieldType::Text;
}

int LogbookTableModel::ColumnOf(const QString& field) const {
    const QSqlRecord rec = record();
    for (int i = 0; i < rec.count(); ++i)
        if (rec.fieldName(i).compare(field, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QVariant LogbookTableModel::Stored(int row, const QString& field) const {
    const int column = ColumnOf(field);
    return column < 0 ? QVariant() : QSqlTableModel::data(index(row, column), Qt::EditRole);
}

QVariant LogbookTableModel::data(const QModelIndex& index, int role) const {
    // Only what is shown is formatted: the model finds its rows again by
    // the stored values (EditRole), so those stay as stored.
    if (role != Qt::DisplayRole) return QSqlTableModel::data(index, role);
    return FieldText(TypeOf(index.column()), QSqlTableModel::data(index, Qt::EditRole));
}

bool LogbookTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid()) return QSqlTableModel::setData(index, value, role);
    if (value.typeId() != QMetaType::QString) return QSqlTableModel::setData(index, value, role);
    const QString text = value.toString();
    // An editor closed without a change must not round what it showed.
    if (text == data(index, Qt::DisplayRole).toString()) return true;
    QString reason;
    const std::optional<QVariant> parsed = ParseFieldText(TypeOf(index.column()), text, &reason);
    if (!parsed) {
        emit ValueRefused(record().fieldName(index.column()), text, reason);
        return false;
    }
    if (!QSqlTableModel::setData(index, *parsed, role)) return false;
    if (index.row() == emptyNewRow_) emptyNewRow_ = -1; // typed into: written like any row
    return true;
}

bool LogbookTableModel::submit() {
    DropEmptyNewRow();
    if (QSqlTableModel::submit()) return true;
    emit WriteFailed(lastError().text());
    return false;
}

bool LogbookTableModel::insertRows(int row, int count, const QModelIndex& parent) {
    if (!QSqlTableModel::insertRows(row, count, parent)) return false;
    emptyNewRow_ = count == 1 ? row : -1;
    return true;
}

void LogbookTableModel::revertRow(int row) {
    if (row == emptyNewRow_) emptyNewRow_ = -1;
    QSqlTableModel::revertRow(row);
}

bool LogbookTableModel::select() {
    emptyNewRow_ = -1;
    return QSqlTableModel::select();
}

void LogbookTableModel::DropEmptyNewRow() {
    if (emptyNewRow_ >= 0) revertRow(emptyNewRow_);
}

int DeleteTracks(const QSqlDatabase& db, const QList<qint64>& trackIds, TrackDeletion what, QString* error,
                 StorageError* kind) {
    QSqlDatabase conn = db;
    auto fail = [&](const QSqlError& e) {
        if (error) *error = e.text();
        if (kind) *kind = ClassifySqlError(e);
        qCWarning(lcStorage) << "tracks not deleted:" << e.text();
        conn.rollback();
        return -1;
    };
    if (!conn.transaction()) return fail(conn.lastError());
    int points = 0;
    QSqlQuery deletePoints(conn);
    QSqlQuery deleteTrack(conn);
    if (!deletePoints.prepare(QStringLiteral("DELETE FROM TrackData WHERE TrackID = ?")))
        return fail(deletePoints.lastError());
    if (!deleteTrack.prepare(QStringLiteral("DELETE FROM Tracks WHERE ID = ?")))
        return fail(deleteTrack.lastError());
    for (qint64 id : trackIds) {
        if (what.points) {
            deletePoints.addBindValue(id);
            if (!deletePoints.exec()) return fail(deletePoints.lastError());
            points += deletePoints.numRowsAffected();
        }
        if (what.tracks) {
            deleteTrack.addBindValue(id);
            if (!deleteTrack.exec()) return fail(deleteTrack.lastError());
        }
    }
    if (!conn.commit()) return fail(conn.lastError());
    return points;
}

int FlightsUsingLookup(const QSqlDatabase& db, const QString& table, const QList<qint64>& ids,
                       QString* error) {
    static const char* const kUses[][2] = {{"Glider", "Glider"},   {"Locations", "Location"},
                                           {"XCType", "XCType"},   {"Type", "Type"},
                                           {"Weather", "Weather"}, {"Wind", "Wind"}};
    QString field;
    for (const auto& use : kUses)
        if (table.compare(QLatin1String(use[0]), Qt::CaseInsensitive) == 0) field = QLatin1String(use[1]);
    if (field.isEmpty() || ids.isEmpty()) return 0;
    QStringList marks;
    for (qsizetype i = 0; i < ids.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM LogData WHERE \"%1\" IN (%2)")
                  .arg(field, marks.join(QLatin1Char(','))));
    for (qint64 id : ids)
        q.addBindValue(id);
    if (!q.exec() || !q.next()) {
        if (error) *error = q.lastError().text();
        return -1;
    }
    return q.value(0).toInt();
}

int LinkTracksToFlight(const QSqlDatabase& db, const QList<qint64>& trackIds, qint64 logId, QString* error) {
    QSqlDatabase conn = db;
    const bool ownTransaction = conn.transaction();
    int changed = 0;
    QSqlQuery q(conn);
    q.prepare(QStringLiteral("UPDATE Tracks SET LogID = ? WHERE ID = ?"));
    for (qint64 id : trackIds) {
        q.addBindValue(logId);
        q.addBindValue(id);
        if (!q.exec()) {
            if (error) *error = q.lastError().text();
            if (ownTransaction) conn.rollback();
            return -1;
        }
        changed += q.numRowsAffected();
    }
    if (ownTransaction && !conn.commit()) {
        if (error) *error = conn.lastError().text();
        return -1;
    }
    return changed;
}

QString LandFileReference(const QString& chosenPath, const QString& programFolder) {
    if (programFolder.isEmpty()) return chosenPath;
    QString folder = QDir::cleanPath(programFolder);
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    // Only a file really inside the folder: "/opt/soarnote2/x" is not in "/opt/soarnote".
    if (chosenPath.startsWith(folder) && chosenPath.size() > folder.size())
        return chosenPath.mid(folder.size());
    return chosenPath;
}

} // namespace soarnote
