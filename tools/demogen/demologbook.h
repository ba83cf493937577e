#pragma once
// Writes the logbooks the program ships with: the template every new
// logbook is copied from (schema and lookup rows, no flights) and the demo
// logbook (the same, plus sites, gliders and two seasons of flights with
// their tracks and barograph traces).

#include "core/logbookdatabase.h"

#include <QHash>
#include <QString>
#include <vector>

namespace demogen {

struct DemoFlight;

struct LogbookFigures {
    int flights = 0;
    int tracks = 0;
    int trackPoints = 0;
    int baroSamples = 0;
};

class DemoLogbook {
public:
    // Replaces any file at path with a new logbook holding the schema and
    // the lookup rows, and opens the transaction everything else goes into.
    bool Create(const QString& path, QString* error);

    bool AddSites(const std::vector<QString>& names, QString* error);
    bool AddGliders(const std::vector<QString>& makeModels, QString* error);
    // landFile is stored with the flight's track as its default landscape
    // (empty for none).
    bool AddFlight(const DemoFlight& flight, const QString& landFile, QString* error);

    // Commits and closes; the file is complete, with no journal beside it.
    bool Finish(QString* error);
    // Closes without keeping anything and removes the file.
    void Discard();

    const LogbookFigures& Figures() const { return figures_; }

private:
    bool AddLookupRows(QString* error);
    bool InsertLookup(const QString& table, const QString& field, const QString& text,
                      const QVariant& cloudCover, QString* error);
    QVariant LookupId(const QString& table, const QString& text) const;

    soarnote::LogbookDatabase database_;
    QString path_;
    bool inTransaction_ = false;
    // "Table\ntext" -> ID of the row
    QHash<QString, qint64> lookupIds_;
    LogbookFigures figures_;
};

// Removes a logbook file together with any journal files SQLite left beside it.
bool RemoveLogbookFile(const QString& path, QString* error);

} // namespace demogen
