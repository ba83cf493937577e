#pragma once
// Schema check and upgrade, run every time a logbook file is opened, before
// anything reads it: adds the fields older files lack and offers to convert a
// time offset stored as a time of day into a number of days.

#include <QString>
#include <QStringList>
#include <functional>

namespace soarnote {

enum class Answer { Yes, No, Cancel };

struct UpgradeResult {
    bool ok = true;
    QString error;
    QStringList addedFields;      // "Table.Field", in the order they were added
    bool timeOffsetAsked = false; // the conversion question was asked
    bool timeOffsetConverted = false;
};

// askConvertTimeOffset is called when LogData.TimeOffset is declared DATETIME;
// only Yes converts. A path that does not exist is left alone (ok, nothing done).
UpgradeResult CheckAndUpgradeLogbook(const QString& path,
                                     const std::function<Answer()>& askConvertTimeOffset);

} // namespace soarnote
