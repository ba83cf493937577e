// The language table: every text shown is looked up, and a text it does not hold yet is added with itself as
// its translation.

#include "common/testlogbook.h"
#include "i18n/languagetable.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace soarnote;

namespace {

// The table file's rows as "English=Language" (Language "<null>" when empty), read behind the program's back
// as a translator would.
QStringList Rows(const QString& path) {
    LogbookDatabase file;
    QStringList rows;
    if (!file.Open(path, nullptr)) return rows;
    QSqlQuery q(file.Db());
    q.exec(QStringLiteral("SELECT English, Language FROM \"Table\" ORDER BY rowid"));
    while (q.next())
        rows << q.value(0).toString() + QLatin1Char('=') +
                    (q.value(1).isNull() ? QStringLiteral("<null>") : q.value(1).toString());
    return rows;
}

void AddRow(const QString& path, const QString& english, const QVariant& language) {
    LogbookDatabase file;
    QVERIFY(file.Open(path, nullptr));
    QCOMPARE(testlogbook::Exec(
                 file.Db(), QStringLiteral("INSERT INTO \"Table\" (English, Language) VALUES (?, ?)"),
                 {english, language.isNull() ? QVariant(QMetaType(QMetaType::QString)) : language}),
             QString());
}

} // namespace

class TestLanguageTable : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path_;
    int counter_ = 0;

private slots:
    void init() {
        path_ = dir_.filePath(QStringLiteral("translate%1.mdl").arg(++counter_));
        QString error;
        QVERIFY2(LanguageTable::Create(path_, &error), qPrintable(error));
    }

    // A first run adds each distinct text once, translated as itself, in the order shown, whatever characters
    // it holds (quotes, wildcards, a menu separator's "-"); a text that merely resembles one is another text;
    // the empty text is not looked up; a second run adds none.
    void firstRunFillsSecondRunAddsNone() {
        const QStringList shown = {
            "&File",        "1000", "100%",          "&File",  "x.mdb", "*.mdb", "Pilot's log",
            "Say \"when\"", "-",    "Zürich – Höhe", " Info ", "Info",  "",      "1000"};
        QStringList rows;
        for (const QString& text : shown)
            if (!text.isEmpty() && !rows.contains(text + '=' + text)) rows << text + '=' + text;
        for (int run = 0; run < 2; ++run) {
            LanguageTable table;
            QVERIFY(table.Open(path_));
            for (const QString& text : shown)
                QCOMPARE(table.Translate(text), text);
            table.Close();
            QCOMPARE(Rows(path_), rows);
        }
    }

    // A row's Language is the text shown; an empty one shows the English text. A later row with the same text
    // does not override the first, and nothing is added for a text the table holds.
    void translations_data() {
        QTest::addColumn<QString>("english");
        QTest::addColumn<QVariant>("language");
        QTest::addColumn<QString>("shown");
        QTest::newRow("translated with apostrophe")
            << "Pilot's log" << QVariant("Carnet d'un pilote") << "Carnet d'un pilote";
        QTest::newRow("empty Language field") << "Info" << QVariant() << "Info";
        QTest::newRow("Language an empty text") << "Info" << QVariant("") << "Info";
    }
    void translations() {
        QFETCH(QString, english);
        QFETCH(QVariant, language);
        AddRow(path_, english, language);
        AddRow(path_, english, QStringLiteral("later row"));
        LanguageTable table;
        QVERIFY(table.Open(path_));
        QTEST(table.Translate(english), "shown");
        table.Close();
        QCOMPARE(Rows(path_).size(), 2);
    }

    // Without its file the table translates nothing, adds nothing and creates no file; a file that is not a
    // language table is the same as none.
    void missingFile() {
        const QString missing = dir_.filePath("no-such.mdl");
        LanguageTable table;
        QVERIFY(!table.Open(missing));
        QVERIFY(!table.IsOpen());
        QCOMPARE(table.Translate("Open Database"), QString("Open Database"));
        QVERIFY(!QFileInfo::exists(missing));
        const QString other = dir_.filePath("other.mdl");
        QVERIFY(testlogbook::WriteBytes(other, "not a database at all"));
        QVERIFY(!table.Open(other));
        QCOMPARE(table.Translate("Open Database"), QString("Open Database"));
    }
};

QTEST_GUILESS_MAIN(TestLanguageTable)
#include "tst_languagetable.moc"
