#include "languagetable.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>

namespace soarnote {

namespace {
QString NextConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("language-%1").arg(++counter);
}
} // namespace

LanguageTable::~LanguageTable() {
    Close();
}

bool LanguageTable::Open(const QString& path) {
    Close();
    if (!QFileInfo(path).isFile()) return false;
    connectionName_ = NextConnectionName();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            // Rows in the order they were added; the first row of a text wins.
            if (q.exec(QStringLiteral("SELECT English, Language FROM \"Table\" ORDER BY rowid"))) {
                ok = true;
                while (q.next()) {
                    const QString english = q.value(0).toString();
                    if (!rows_.contains(english))
                        rows_.insert(english, q.value(1).isNull() ? QString() : q.value(1).toString());
                }
            }
            if (!ok) db.close();
        }
    }
    if (!ok) {
        QSqlDatabase::removeDatabase(connectionName_);
        connectionName_.clear();
        rows_.clear();
    }
    open_ = ok;
    return ok;
}

void LanguageTable::Close() {
    if (connectionName_.isEmpty()) return;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName_);
    connectionName_.clear();
    rows_.clear();
    open_ = false;
}

QString LanguageTable::Translate(const QString& text) {
    if (text.isEmpty() || !open_) return text;
    auto it = rows_.constFind(text);
    if (it != rows_.constEnd()) return it->isEmpty() ? text : *it;
    QSqlQuery q(QSqlDatabase::database(connectionName_, false));
    q.prepare(QStringLiteral("INSERT INTO \"Table\" (English, Language) VALUES (?, ?)"));
    q.addBindValue(text);
    q.addBindValue(text);
    if (q.exec()) rows_.insert(text, text);
    return text;
}

bool LanguageTable::Create(const QString& path, QString* error) {
    const QString name = NextConnectionName();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS \"Table\" (English TEXT, Language TEXT)"));
            if (!ok && error) *error = q.lastError().text();
            db.close();
        } else if (error) {
            *error = db.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

LanguageTable& CurrentLanguageTable() {
    static LanguageTable table;
    return table;
}

void OpenLanguageTable(const QString& path) {
    CurrentLanguageTable().Open(path);
}
void CloseLanguageTable() {
    CurrentLanguageTable().Close();
}
QString Translate(const QString& text) {
    return CurrentLanguageTable().Translate(text);
}

} // namespace soarnote
