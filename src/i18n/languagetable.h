#pragma once
// The language table: a small database beside the program (translate.mdl,
// table "Table" with the fields English and Language). Every text shown goes
// through Translate(); a text the table does not hold yet is added with
// itself as its translation, so running the program fills the table and a
// translator only edits the Language column.

#include <QHash>
#include <QString>

namespace soarnote {

class LanguageTable {
public:
    LanguageTable() = default;
    ~LanguageTable();
    LanguageTable(const LanguageTable&) = delete;
    LanguageTable& operator=(const LanguageTable&) = delete;

    // Opens an existing table file; a missing or unreadable file leaves the
    // table closed and every text untranslated.
    bool Open(const QString& path);
    void Close();
    bool IsOpen() const { return open_; }

    // The translation of text; adds the text when it is new.
    QString Translate(const QString& text);

    // Creates an empty language table file.
    static bool Create(const QString& path, QString* error);

private:
    QString connectionName_;
    bool open_ = false;
    // English -> Language, as the first row holding each text says. A null
    // string marks a row whose translation is empty.
    QHash<QString, QString> rows_;
};

// The program's language table, open from start to exit.
void OpenLanguageTable(const QString& path);
void CloseLanguageTable();
LanguageTable& CurrentLanguageTable();

// One text through the program's language table.
QString Translate(const QString& text);
inline QString Translate(const char* text) {
    return Translate(QString::fromUtf8(text));
}

} // namespace soarnote
