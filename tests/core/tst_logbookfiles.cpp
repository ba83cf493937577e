// The logbook file commands: open, new from the template, archive and compact, and the files of the program
// folder.

#include "common/testlogbook.h"
#include "core/flightstore.h"
#include "core/logbookfiles.h"
#include "core/logbooksession.h"
#include "core/programfolder.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace soarnote;
using namespace testlogbook;

Q_DECLARE_METATYPE(soarnote::LogbookFault)

namespace {

// The flights of an open logbook, in ID order, with the fields that tell them apart.
QStringList FlightRows(const QSqlDatabase& db) {
    QStringList rows;
    QSqlQuery q(db);
    q.exec("SELECT ID, StartTime, EndTime, Comments FROM LogData ORDER BY ID");
    while (q.next())
        rows << QStringLiteral("%1|%2|%3|%4")
                    .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                         q.value(3).toString());
    return rows;
}

} // namespace

class TestLogbookFiles : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString template_;

    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString Absolute(const QString& path) const { return QFileInfo(path).absoluteFilePath(); }

    // A logbook file copied from the template, with some flights.
    QString MakeLogbook(const QString& name, int flights) {
        Builder logbook(Path(name));
        logbook.FromTemplate(template_);
        for (int i = 0; i < flights; ++i)
            logbook.Flight({{"StartTime", 37045.4 + i * 3.0},
                            {"EndTime", 37045.5 + i * 3.0},
                            {"Comments", QStringLiteral("%1 flight %2").arg(name).arg(i)}});
        return logbook.Build() ? logbook.Path() : QString();
    }

private slots:
    void initTestCase() {
        template_ = Path(QString::fromLatin1(kTemplateFileName));
        QVERIFY(CreateLogbookFile(template_));
    }

    // The window caption shows the file name up to its first ".".
    void captionName_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("caption");
        QTest::newRow("flights2001.mdb") << "/home/pilot/logs/flights2001.mdb" << QString("flights2001");
        QTest::newRow("no dot") << "/home/pilot/logbook" << QString("logbook");
        QTest::newRow("two dots") << "/home/pilot/a.b.mdb" << QString("a");
        QTest::newRow("dot in the folder only") << "/home/pilot/v1.2/logbook" << QString("logbook");
    }
    void captionName() {
        QFETCH(QString, path);
        QTEST(LogbookCaptionName(path), "caption");
    }

    // A name that does not exist changes nothing, not even the flight shown; opening the logbook that is open
    // opens it again on its newest flight.
    void openMissingOrSame() {
        LogbookSession session;
        const QString current = MakeLogbook("current.mdb", 3);
        QVERIFY(session.OpenLogbook(current).Ok());
        QVERIFY(session.Flights().MoveTo(1));
        const qint64 shown = session.Flights().Current().Id();
        QSignalSpy opened(&session, &LogbookSession::LogbookOpened);
        QSignalSpy closed(&session, &LogbookSession::LogbookClosed);

        QCOMPARE(session.OpenLogbook(Path("missing.mdb")).kind, OpenOutcome::Kind::NotFound);
        QCOMPARE(session.Path(), Absolute(current));
        QCOMPARE(session.Flights().Current().Id(), shown);
        QCOMPARE(opened.count() + closed.count(), 0);
        QVERIFY(!QFileInfo::exists(Path("missing.mdb")));

        QVERIFY(session.OpenLogbook(current).Ok());
        QCOMPARE(opened.count(), 1);
        QCOMPARE(session.Flights().RecordCount(), 3);
        QVERIFY(session.Flights().IsLast());
    }

    // Every open checks the file first: an older logbook gets its missing fields and the time offset question
    // before its flights show; declined, it converts when opened again while open.
    void openUpgradesOlderFile() {
        const QString path = Path("older.mdb");
        QVERIFY(Builder(path)
                    .Layout(SchemaLayout{{"LogData.CloudBase", "TrackData.Height"}, true})
                    .Flight({{"StartTime", 37045.4}, {"TimeOffset", 0.25}})
                    .Build());
        LogbookSession session;
        int asked = 0;
        Answer answer = Answer::No;
        const auto ask = [&] { return ++asked, answer; };
        OpenOutcome outcome = session.OpenLogbook(path, ask);
        QVERIFY2(outcome.Ok() && !outcome.upgrade.timeOffsetConverted, qPrintable(outcome.problem.detail));
        QCOMPARE(outcome.upgrade.addedFields, (QStringList{"LogData.CloudBase", "TrackData.Height"}));
        QCOMPARE(session.Flights().RecordCount(), 1);
        QVERIFY(session.Flights().Current().Value("CloudBase").isNull());
        answer = Answer::Yes;
        outcome = session.OpenLogbook(path, ask);
        QVERIFY2(outcome.Ok() && outcome.upgrade.timeOffsetConverted, qPrintable(outcome.problem.detail));
        QCOMPARE(asked, 2);
        QCOMPARE(session.Flights().RecordCount(), 1);
        QVERIFY(session.Flights().Current().Value("TimeOffset").isNull());
        QCOMPARE(DeclaredTypeOf(session.Db(), "LogData", "TimeOffset"), QStringLiteral("DOUBLE"));
    }

    // A file that is not a logbook is refused after a read-only look: not a byte of it changes, no journal
    // appears beside it, the message names the file and the fault, and the logbook that was open stays open
    // and usable.
    void notALogbookLeftAsItWas_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<LogbookFault>("fault");
        QTest::addColumn<QString>("detail");
        QTest::newRow("empty file") << "empty" << LogbookFault::EmptyFile << QString();
        QTest::newRow("garbage") << "garbage" << LogbookFault::NotADatabase << QString();
        QTest::newRow("damaged header") << "damaged" << LogbookFault::Unreadable << QString();
        QTest::newRow("another program's database") << "other" << LogbookFault::MissingTable << "LogData";
        QTest::newRow("LogData of other columns")
            << "foreign-logdata" << LogbookFault::MissingField << "LogData.ID";
        QTest::newRow("logbook without a lookup table") << "no-wind" << LogbookFault::MissingTable << "Wind";
    }
    void notALogbookLeftAsItWas() {
        QFETCH(QString, kind);
        QFETCH(QString, detail);
        const QString bad = Path(kind + ".mdb");
        QFile::remove(bad);
        if (kind == "empty") {
            QVERIFY(WriteBytes(bad, {}));
        } else if (kind == "garbage") {
            QVERIFY(WriteBytes(bad, QByteArray(4096, '\x5a')));
        } else if (kind == "damaged") {
            QByteArray bytes = FileBytes(template_);
            bytes.replace(100, 3900, QByteArray(3900, '\xff'));
            QVERIFY(WriteBytes(bad, bytes));
        } else {
            // Written in the rollback journal's mode, as another program would.
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "foreign");
            db.setDatabaseName(bad);
            QVERIFY(db.open());
            if (kind == "other")
                QCOMPARE(Exec(db, "CREATE TABLE Settings (Key TEXT, Value TEXT)"), QString());
            if (kind == "foreign-logdata")
                QCOMPARE(Exec(db, "CREATE TABLE LogData (Level INTEGER, Message TEXT)"), QString());
            if (kind == "no-wind") {
                for (const TableDef& t : LogbookTables())
                    if (t.name != "Wind") QCOMPARE(Exec(db, CreateTableStatement(t)), QString());
            }
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase("foreign");
        }
        const QByteArray before = FileBytes(bad);
        const QDateTime modified = QFileInfo(bad).lastModified();
        LogbookSession session;
        const QString current = MakeLogbook("kept-open.mdb", 3);
        QVERIFY(session.OpenLogbook(current).Ok());
        QSignalSpy closed(&session, &LogbookSession::LogbookClosed);

        const OpenOutcome outcome = session.OpenLogbook(bad);
        QCOMPARE(outcome.kind, OpenOutcome::Kind::Failed);
        QTEST(outcome.problem.fault, "fault");
        if (!detail.isEmpty()) QCOMPARE(outcome.problem.detail, detail);
        const QString text =
            LogbookProblemText(outcome.problem, [](const char* key) { return QString::fromLatin1(key); });
        QVERIFY2(text.startsWith(Absolute(bad) + '\n'), qPrintable(text));
        QVERIFY(FileBytes(bad) == before);
        QCOMPARE(QFileInfo(bad).lastModified(), modified);
        QVERIFY(!QFileInfo::exists(bad + "-wal") && !QFileInfo::exists(bad + "-shm"));

        QCOMPARE(closed.count(), 0);
        QCOMPARE(session.Path(), Absolute(current));
        QCOMPARE(session.Flights().RecordCount(), 3);
        QVERIFY(session.Flights().MoveFirst());
        QCOMPARE(session.Flights().Current().Value("Comments").toString(),
                 QStringLiteral("kept-open.mdb flight 0"));
    }

    // A logbook that cannot be written (the file or its folder marked read-only) opens read-only: its flights
    // show, nothing is written to it or beside it, and a change is refused by the engine.
    void readOnlyLogbook_data() {
        QTest::addColumn<bool>("folderReadOnly");
        QTest::newRow("read-only file") << false;
        QTest::newRow("read-only folder") << true;
    }
    void readOnlyLogbook() {
        QFETCH(bool, folderReadOnly);
        const QString folder = Path(folderReadOnly ? "ro-folder" : "ro-file");
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + "/flights.mdb";
        QFile::remove(path);
        QVERIFY(QFile::copy(MakeLogbook("ro-source.mdb", 2), path));
        const QFile::Permissions readable = QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(path, readable));
        if (folderReadOnly) {
            QFile::setPermissions(path, readable | QFile::WriteOwner | QFile::WriteUser);
            QVERIFY(QFile::setPermissions(folder, readable | QFile::ExeOwner | QFile::ExeUser));
        }
        const QByteArray before = FileBytes(path);
        LogbookSession session;
        const OpenOutcome outcome = session.OpenLogbook(path);
        QVERIFY2(outcome.Ok(), qPrintable(outcome.problem.detail));
        QVERIFY(outcome.readOnly && session.IsReadOnly());
        QCOMPARE(session.Flights().RecordCount(), 2);
        FlightRecord edited = session.Flights().Current();
        edited.SetValue("Comments", QStringLiteral("changed"));
        QString error;
        StorageError kind = StorageError::None;
        QVERIFY(!session.Flights().SaveCurrent(edited, &error, &kind));
        QCOMPARE(kind, StorageError::ReadOnly);
        session.CloseLogbook();
        QVERIFY(!session.IsReadOnly()); // nothing open: the next logbook's commands are not greyed
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(FileBytes(path) == before);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"flights.mdb"});
    }

    // A new logbook is a copy of the template, also over the logbook that is open (over another existing file
    // see tst_mainwindow); without the template nothing changes.
    void newFromTemplate_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("new file") << "new.mdb";
        QTest::newRow("replaces the open logbook") << "before-new.mdb";
        QTest::newRow("no template") << "precious.mdb";
    }
    void newFromTemplate() {
        QFETCH(QString, target);
        LogbookSession session;
        const QString current = MakeLogbook("before-new.mdb", 3);
        QVERIFY(session.OpenLogbook(current).Ok());
        const bool noTemplate = target == "precious.mdb";
        const QString name = noTemplate ? MakeLogbook(target, 4) : Path(target);
        const QByteArray before = FileBytes(name);

        // Journals a crash left beside a replaced file go with it: a stale log would be replayed.
        if (!noTemplate && name != current)
            for (const char* suffix : {"-wal", "-shm"})
                QVERIFY(WriteBytes(name + QLatin1String(suffix), QByteArray(64, 'j')));

        const FileCommandResult result =
            NewLogbook(session, noTemplate ? Path("no-such-template") : template_, name);
        QCOMPARE(result.ok, !noTemplate);
        QCOMPARE(result.problem.fault, noTemplate ? LogbookFault::TemplateMissing : LogbookFault::None);
        QCOMPARE(session.Path(), Absolute(noTemplate ? current : name));
        QCOMPARE(session.Flights().RecordCount(), noTemplate ? 3 : 0);
        if (noTemplate) QVERIFY(FileBytes(name) == before);
        if (name != current) {
            // The logbook left behind is untouched.
            session.CloseLogbook();
            LogbookDatabase old;
            QVERIFY(old.Open(current, nullptr));
            QCOMPARE(RowCount(old.Db(), "LogData"), 3);
            QVERIFY(!QFileInfo::exists(name + "-shm") && !QFileInfo::exists(name + "-wal"));
        }
    }

    // The archive is a byte copy of the logbook, replacing an older archive, and the logbook is open again;
    // it cannot be archived onto itself.
    void archiveIsByteCopy() {
        LogbookSession session;
        const QString current = MakeLogbook("archived.mdb", 5);
        QVERIFY(session.OpenLogbook(current).Ok());
        // Changes made through the open logbook, some still in its journal.
        QString error;
        QVERIFY(session.Flights().MoveFirst());
        QVERIFY(session.Flights().DeleteCurrent(&error));
        QVERIFY(InsertFlight(session.Db(), 38000.5, 38000.6, &error));
        QVERIFY(session.Flights().Refresh());
        const QStringList rows = FlightRows(session.Db());

        QVERIFY(!ArchiveLogbook(session, current).ok);
        const QString name = MakeLogbook("old-archive.mdb", 9);
        const FileCommandResult result = ArchiveLogbook(session, name);
        QVERIFY2(result.ok, qPrintable(result.problem.detail));
        QCOMPARE(session.Path(), Absolute(current));
        QCOMPARE(FlightRows(session.Db()), rows);
        QVERIFY(session.Flights().IsLast());

        session.CloseLogbook();
        QVERIFY(!FileBytes(name).isEmpty());
        QVERIFY(FileBytes(name) == FileBytes(current));
    }

    // Edits of the flight shown are saved (by the move guard) before the copy is taken.
    void archiveHoldsPendingEdits() {
        LogbookSession session;
        QVERIFY(session.OpenLogbook(MakeLogbook("pending.mdb", 2)).Ok());
        LogDataSet& flights = session.Flights();
        flights.SetMoveGuard([&flights] {
            FlightRecord edited = flights.Current();
            edited.SetValue("Comments", QStringLiteral("typed, not yet saved"));
            return flights.SaveCurrent(edited, nullptr);
        });
        const qint64 id = flights.Current().Id();
        const QString name = Path("pending-archive.mdb");
        QVERIFY(ArchiveLogbook(session, name).ok);
        flights.SetMoveGuard({});
        LogbookDatabase copy;
        QVERIFY(copy.Open(name, nullptr));
        QCOMPARE(Scalar(copy.Db(), "SELECT Comments FROM LogData WHERE ID = ?", {id}).toString(),
                 QStringLiteral("typed, not yet saved"));
    }

    // "<logbook>.tmp" holds the logbook as it was before the compaction, and the next compaction replaces it;
    // the room of deleted rows is given back.
    void compactLeavesPreviousState() {
        LogbookSession session;
        const QString current = MakeLogbook("compacted.mdb", 4);
        const QString moved = current + ".tmp";
        QVERIFY(session.OpenLogbook(current).Ok());
        const QString comment(2000, QLatin1Char('x'));
        for (int i = 0; i < 300; ++i)
            QCOMPARE(InsertRow(session.Db(), "LogData", {{"StartTime", 30000.0 + i}, {"Comments", comment}}),
                     QString());
        QCOMPARE(Exec(session.Db(), "DELETE FROM LogData WHERE StartTime < 37000"), QString());
        QVERIFY(session.Flights().Refresh());
        const QStringList rows = FlightRows(session.Db());
        session.CloseLogbook();
        const QByteArray firstState = FileBytes(current);
        QVERIFY(session.OpenLogbook(current).Ok());

        FileCommandResult result = CompactLogbook(session);
        QVERIFY2(result.ok, qPrintable(result.problem.detail));
        QCOMPARE(session.Path(), Absolute(current));
        QCOMPARE(FlightRows(session.Db()), rows);
        QVERIFY(session.Flights().IsLast());
        QVERIFY(FileBytes(moved) == firstState);
        QVERIFY(QFileInfo(current).size() * 4 < QFileInfo(moved).size());

        QString error;
        QVERIFY(InsertFlight(session.Db(), 38000.5, 38000.6, &error));
        session.CloseLogbook();
        const QByteArray secondState = FileBytes(current);
        QVERIFY(session.OpenLogbook(current).Ok());
        QVERIFY(CompactLogbook(session).ok);
        QVERIFY(FileBytes(moved) == secondState);
        QCOMPARE(session.Flights().RecordCount(), 5);
    }

    // A compaction that fails after the logbook was moved aside puts the logbook back and opens it again:
    // nothing is lost.
    void failedCompactionRestores_data() {
        QTest::addColumn<QByteArray>("leftBehind"); // what the failing compaction wrote
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing written") << QByteArray() << QString();
        QTest::newRow("garbage file") << QByteArray("not a database") << QStringLiteral("I/O error");
    }
    void failedCompactionRestores() {
        QFETCH(QByteArray, leftBehind);
        QFETCH(QString, message);
        LogbookSession session;
        const QString current = MakeLogbook("failing.mdb", 3);
        QVERIFY(session.OpenLogbook(current).Ok());
        const QStringList rows = FlightRows(session.Db());
        QSignalSpy opened(&session, &LogbookSession::LogbookOpened);

        int calls = 0;
        bool movedAside = false;
        const Compactor failing = [&](const QString& from, const QString& to, QString* error) {
            ++calls;
            movedAside = !QFileInfo::exists(to) && QFileInfo::exists(from);
            if (!leftBehind.isEmpty()) WriteBytes(to, leftBehind);
            *error = message;
            return false;
        };
        const FileCommandResult result = CompactLogbook(session, {}, failing);
        QCOMPARE(calls, 1);
        QVERIFY(movedAside);
        QVERIFY(!result.ok);
        QCOMPARE(result.problem.fault, LogbookFault::CompactFailed);
        QCOMPARE(result.problem.detail, message);
        QCOMPARE(session.Path(), Absolute(current));
        QCOMPARE(FlightRows(session.Db()), rows);
        QVERIFY(session.Flights().HasCurrent());
        QCOMPARE(opened.count(), 1);
        QVERIFY(QFileInfo::exists(current + ".tmp"));
    }

    // Files the program writes come from the program folder when it is writable, else from a copy in the
    // user's data folder, made once and then kept.
    void writableProgramFiles_data() {
        QTest::addColumn<bool>("folderWritable");
        QTest::addColumn<bool>("copyExists");
        QTest::addColumn<QByteArray>("expectedContent");
        QTest::newRow("writable program folder") << true << false << QByteArray("installed");
        QTest::newRow("read-only, first run") << false << false << QByteArray("installed");
        QTest::newRow("read-only, user's copy kept") << false << true << QByteArray("user's own");
    }
    void writableProgramFiles() {
        QFETCH(bool, folderWritable);
        QFETCH(bool, copyExists);
        QFETCH(QByteArray, expectedContent);
        QTemporaryDir root;
        const QString program = root.filePath("program");
        const QString data = root.filePath("data/Soarnote");
        QVERIFY(QDir().mkpath(program));
        QVERIFY(WriteBytes(program + "/translate.mdl", "installed"));
        QFile(program + "/translate.mdl").setPermissions(QFileDevice::ReadOwner);
        if (copyExists) QVERIFY(QDir().mkpath(data) && WriteBytes(data + "/translate.mdl", "user's own"));

        for (int run = 0; run < 2; ++run) {
            const QString file =
                ProgramFolder::ResolveWritable(program, folderWritable, data, "translate.mdl");
            QCOMPARE(QFileInfo(file).absolutePath(), Absolute(folderWritable ? program : data));
            QCOMPARE(FileBytes(file), expectedContent);
            if (!folderWritable) QVERIFY(WriteBytes(file, expectedContent)); // the program writes its copy
        }
    }
};

QTEST_GUILESS_MAIN(TestLogbookFiles)
#include "tst_logbookfiles.moc"
