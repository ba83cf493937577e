// The language table: every text shown is looked up, and a text it does not
// hold yet is added with itself as its translation.

#include "i18n/languagetable.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace soarnote;

namespace {

struct Row {
    QString english;
    QVariant language; // null for an empty field
};

// Reads or writes the table file behind the program's back, as a translator would.
class TableFile {
public:
    explicit TableFile(const QString& path) : name_(QStringLiteral("tablefile-%1").arg(++counter_)) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name_);
        db.setDatabaseName(path);
        db.open();
    }
    ~TableFile() {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    QList<Row> Rows() const {
        QList<Row> rows;
        QSqlQuery q(QSqlDatabase::database(name_, false));
        q.exec("SELECT English, Language FROM \"Table\" ORDER BY rowid");
        while (q.next())
            rows.append({q.value(0).toString(), q.value(1)});
        return rows;
    }
    bool Add(const QString& english, const QVariant& language) {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        q.prepare("INSERT INTO \"Table\" (English, Language) VALUES (?, ?)");
        q.addBindValue(english);
        q.addBindValue(language.isNull() ? QVariant(QMetaType(QMetaType::QString)) : language);
        return q.exec();
    }

    bool SetLanguage(const QString& english, const QString& language) {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        q.prepare("UPDATE \"Table\" SET Language = ? WHERE English = ?");
        q.addBindValue(language);
        q.addBindValue(english);
        return q.exec() && q.numRowsAffected() == 1;
    }

private:
    static inline int counter_ = 0;
    QString name_;
};

} // namespace

class TestLanguageTable : public QObject {
    Q_OBJECT
private slots:
    void init();
    void firstRunFillsSecondRunAddsNone();
    void textsLikeAnyOther_data();
    void textsLikeAnyOther();
    void emptyTextNotLookedUp();
    void translations_data();
    void translations();
    void missingFile();
    void programTable();

private:
    QTemporaryDir dir_;
    QString path_;
    int counter_ = 0;
};

void TestLanguageTable::init() {
    path_ = dir_.filePath(QStringLiteral("translate%1.mdl").arg(++counter_));
    QString error;
    QVERIFY2(LanguageTable::Create(path_, &error), qPrintable(error));
}

// A first run with an empty table adds each distinct text once, translated as
// itself, in the order shown; a second run over the same texts adds none.
void TestLanguageTable::firstRunFillsSecondRunAddsNone() {
    const QStringList shown = {"&File",         "Open Database", "&File", "Soarnote",
                               "Open Database", "Info",          "&File"};
    const QStringList distinct = {"&File", "Open Database", "Soarnote", "Info"};
    {
        LanguageTable table;
        QVERIFY(table.Open(path_));
        for (const QString& text : shown)
            QCOMPARE(table.Translate(text), text);
    }
    {
        TableFile file(path_);
        const QList<Row> rows = file.Rows();
        QCOMPARE(rows.size(), distinct.size());
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i].english, distinct[i]);
            QCOMPARE(rows[i].language.toString(), distinct[i]);
        }
    }
    {
        LanguageTable table;
        QVERIFY(table.Open(path_));
        for (const QString& text : shown)
            QCOMPARE(table.Translate(text), text);
    }
    TableFile file(path_);
    QCOMPARE(file.Rows().size(), distinct.size());
}

// Texts with quotes, wildcard characters or a menu separator's "-" are looked
// up, added and found again like any other text.
void TestLanguageTable::textsLikeAnyOther_data() {
    QTest::addColumn<QString>("text");

    QTest::newRow("apostrophe") << "Pilot's log";
    QTest::newRow("two apostrophes") << "'quoted'";
    QTest::newRow("double quote") << "Say \"when\"";
    QTest::newRow("menu separator") << "-";
    QTest::newRow("percent") << "100%";
    QTest::newRow("underscore") << "a_b";
    QTest::newRow("star") << "*.mdb";
    QTest::newRow("brackets") << "[Info]";
    QTest::newRow("non-ASCII") << "Zürich – Höhe";
    QTest::newRow("blanks around") << " Info ";
}

void TestLanguageTable::textsLikeAnyOther() {
    QFETCH(QString, text);
    {
        LanguageTable table;
        QVERIFY(table.Open(path_));
        QCOMPARE(table.Translate(text), text);
        QCOMPARE(table.Translate(text), text);
        // A text that merely resembles it is another text.
        QCOMPARE(table.Translate(QStringLiteral("x") + text), QStringLiteral("x") + text);
    }
    {
        TableFile file(path_);
        QList<Row> rows = file.Rows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].english, text);
        QCOMPARE(rows[0].language.toString(), text);
        // The translator fills in the translation.
        QVERIFY(file.SetLanguage(text, QStringLiteral("<%1>").arg(text)));
    }
    LanguageTable table;
    QVERIFY(table.Open(path_));
    QCOMPARE(table.Translate(text), QStringLiteral("<%1>").arg(text));
    TableFile file(path_);
    QCOMPARE(file.Rows().size(), 2);
}

void TestLanguageTable::emptyTextNotLookedUp() {
    LanguageTable table;
    QVERIFY(table.Open(path_));
    QCOMPARE(table.Translate(QString()), QString());
    QCOMPARE(table.Translate(QStringLiteral("")), QString(""));
    TableFile file(path_);
    QCOMPARE(file.Rows().size(), 0);
}

// A row's Language is the text shown; an empty one shows the English text.
void TestLanguageTable::translations_data() {
    QTest::addColumn<QString>("english");
    QTest::addColumn<QVariant>("language");
    QTest::addColumn<QString>("shown");

    QTest::newRow("translated") << "Open Database" << QVariant("Ouvrir le carnet") << "Ouvrir le carnet";
    QTest::newRow("translated with apostrophe")
        << "Pilot's log" << QVariant("Carnet d'un pilote") << "Carnet d'un pilote";
    QTest::newRow("separator kept") << "-" << QVariant("-") << "-";
    QTest::newRow("empty Language field") << "Info" << QVariant() << "Info";
    QTest::newRow("Language an empty text") << "Info" << QVariant("") << "Info";
}

void TestLanguageTable::translations() {
    QFETCH(QString, english);
    QFETCH(QVariant, language);
    QFETCH(QString, shown);
    {
        TableFile file(path_);
        QVERIFY(file.Add(english, language));
        // A later row with the same text does not override the first.
        QVERIFY(file.Add(english, QStringLiteral("later row")));
    }
    LanguageTable table;
    QVERIFY(table.Open(path_));
    QCOMPARE(table.Translate(english), shown);
    QCOMPARE(table.Translate(english), shown);
    TableFile file(path_);
    QCOMPARE(file.Rows().size(), 2); // nothing added for a text the table holds
}

// Without its file the table translates nothing, adds nothing and creates no file.
void TestLanguageTable::missingFile() {
    const QString missing = dir_.filePath("no-such.mdl");
    LanguageTable table;
    QVERIFY(!table.Open(missing));
    QVERIFY(!table.IsOpen());
    QCOMPARE(table.Translate("Open Database"), QString("Open Database"));
    QCOMPARE(table.Translate("-"), QString("-"));
    QVERIFY(!QFileInfo::exists(missing));

    // A file that is not a language table is the same as none.
    const QString other = dir_.filePath("other.mdl");
    {
        QFile f(other);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a database at all");
    }
    QVERIFY(!table.Open(other));
    QCOMPARE(table.Translate("Open Database"), QString("Open Database"));
}

// The program's table, open from start to exit.
void TestLanguageTable::programTable() {
    {
        TableFile file(path_);
        QVERIFY(file.Add("&File", "&Fichier"));
    }
    OpenLanguageTable(path_);
    QVERIFY(CurrentLanguageTable().IsOpen());
    QCOMPARE(Translate("&File"), QString("&Fichier"));
    QCOMPARE(Translate(QStringLiteral("&Help")), QString("&Help"));
    CloseLanguageTable();
    QVERIFY(!CurrentLanguageTable().IsOpen());
    QCOMPARE(Translate("&File"), QString("&File"));
    TableFile file(path_);
    QCOMPARE(file.Rows().size(), 2);
}

QTEST_GUILESS_MAIN(TestLanguageTable)
#include "tst_languagetable.moc"
