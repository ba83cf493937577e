#pragma once
// What the table editor needs of the logbook: a grid model over one table
// that shows and reads every field as the main window does (dates as dates),
// and the few statements the editor runs besides plain editing.

#include "logbookschema.h"

#include "storageerror.h"
#include <QList>

#include <QSqlTableModel>
#include <QString>

namespace soarnote {

// A sort text as the editor is given it: a field name, optionally followed by
// "DESC" ("StartTime DESC", "Time DESC", "Type").
struct SortText {
    QString field;
    bool descending = false;
};
SortText ParseSortText(const QString& sort);

// One table of the logbook for an editable grid. Values are shown (the
// display role) as the main window shows them; the edit role gives them as
// stored. A text set into a cell is read as its field reads typed text, and
// a text that does not fit is refused (ValueRefused says why). Edits are kept
// for the row being edited and written when another row is chosen (or on
// submit()); deleted rows are deleted at once.
class LogbookTableModel : public QSqlTableModel {
    Q_OBJECT
public:
    LogbookTableModel(const QSqlDatabase& db, QObject* parent = nullptr);

    // Shows a table of the logbook, sorted by a sort text (as stored when
    // empty). False (with the error) when the table cannot be read.
    bool Open(const QString& table, const QString& sort, QString* error = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // Writes the row being edited; a row the database refuses is reported
    // through WriteFailed and stays as edited. A new row left empty is
    // dropped instead of written.
    bool submit() override;
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    void revertRow(int row) override;
    bool select() override;
    // Drops a new row nothing was typed into yet.
    void DropEmptyNewRow();

    FieldType TypeOf(int column) const;
    // The column of a field, whatever the case of its name; -1 when none.
    int ColumnOf(const QString& field) const;
    // The stored value of a field of a row (the row's ID, its LandFile, ...).
    QVariant Stored(int row, const QString& field) const;

signals:
    void ValueRefused(const QString& field, const QString& text, const QString& reason);
    void WriteFailed(const QString& error);

private:
    QString table_;
    int emptyNewRow_ = -1; // a row added but not typed into, -1 for none
};

// Deletes tracks and/or their points, all in one transaction: a failure
// leaves every track and point as it was. A track's points may go while the
// track row stays. Returns the number of points deleted, or -1 (and the
// engine's text and its kind).
struct TrackDeletion {
    bool tracks = false; // the Tracks rows
    bool points = false; // their TrackData rows
};
int DeleteTracks(const QSqlDatabase& db, const QList<qint64>& trackIds, TrackDeletion what,
                 QString* error = nullptr, StorageError* kind = nullptr);

// How many flights use any of the given rows of a lookup table ("Glider",
// "Locations", "XCType", "Type", "Weather", "Wind"): deleting such a row
// leaves those flights with an empty field. 0 for other tables, -1 (and the
// error) when the count fails.
int FlightsUsingLookup(const QSqlDatabase& db, const QString& table, const QList<qint64>& ids,
                       QString* error = nullptr);

// Gives tracks to a flight (their LogID becomes the flight's ID), all or none.
// Returns the number of tracks changed, or -1 (and the error).
int LinkTracksToFlight(const QSqlDatabase& db, const QList<qint64>& trackIds, qint64 logId,
                       QString* error = nullptr);

// How a chosen landscape file is stored with a track: a file inside the
// program's folder relative to that folder ("terrain/peak.xyz"), any other
// with its full path.
QString LandFileReference(const QString& chosenPath, const QString& programFolder);

} // namespace soarnote
