// The logbook file commands: open, new from the template, archive and
// compact, and the files of the program folder.

#include "core/flightstore.h"
#include "core/logbookfiles.h"
#include "core/logbooksession.h"
#include "core/programfolder.h"
#include "testlogbook.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace soarnote;
using namespace testlogbook;

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
private slots:
    void initTestCase();
    void captionName_data();
    void captionName();
    void openMissingChangesNothing();
    void openBrokenFileKeepsCurrent();
    void reopenSamePath();
    void openUpgradesOlderFile_data();
    void openUpgradesOlderFile();
    void newFromTemplate_data();
    void newFromTemplate();
    void newWithoutTemplateKeepsCurrent();
    void archiveIsByteCopy_data();
    void archiveIsByteCopy();
    void archiveHoldsPendingEdits();
    void archiveOntoItselfRefused();
    void compactLeavesPreviousState();
    void compactShrinksFile();
    void failedCompactionRestores_data();
    void failedCompactionRestores();
    void writableProgramFiles_data();
    void writableProgramFiles();

private:
    QString Path(const QString& name) const { return dir_.filePath(name); }
    // A logbook file copied from the template, with some flights.
    QString MakeLogbook(const QString& name, int flights);

    QTemporaryDir dir_;
    QString template_;
};

void TestLogbookFiles::initTestCase() {
    QVERIFY(dir_.isValid());
    template_ = Path(QString::fromLatin1(kTemplateFileName));
    QVERIFY(CreateLogbookFile(template_));
}

QString TestLogbookFiles::MakeLogbook(const QString& name, int flights) {
    const QString path = Path(name);
    QFile::remove(path);
    if (!QFile::copy(template_, path)) return {};
    LogbookDatabase file;
    if (!file.Open(path, nullptr)) return {};
    for (int i = 0; i < flights; ++i) {
        const double start = 37045.4 + i * 3.0;
        if (!InsertRow(file.Db(), "LogData",
                       {{"StartTime", start},
                        {"EndTime", start + 0.1},
                        {"StartHeight", 300 + i},
                        {"Comments", QStringLiteral("%1 flight %2").arg(name).arg(i)}})
                 .isEmpty())
            return {};
    }
    return path;
}

// The window caption shows the file name up to its first ".".
void TestLogbookFiles::captionName_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("caption");

    QTest::newRow("flights2001.mdb") << "/home/pilot/logs/flights2001.mdb"
                                     << "flights2001";
    QTest::newRow("demo") << "/opt/soarnote/demo.mdb"
                          << "demo";
    QTest::newRow("no dot") << "/home/pilot/logbook"
                            << "logbook";
    QTest::newRow("two dots") << "/home/pilot/a.b.mdb"
                              << "a";
    QTest::newRow("dot in the folder only") << "/home/pilot/v1.2/logbook"
                                            << "logbook";
    QTest::newRow("relative") << "flights2001.mdb"
                              << "flights2001";
}

void TestLogbookFiles::captionName() {
    QFETCH(QString, path);
    QFETCH(QString, caption);
    QCOMPARE(LogbookCaptionName(path), caption);
}

void TestLogbookFiles::openMissingChangesNothing() {
    LogbookSession session;
    const QString current = MakeLogbook("current.mdb", 3);
    QVERIFY(session.OpenLogbook(current).Ok());
    QVERIFY(session.Flights().MoveTo(1));
    const qint64 shown = session.Flights().Current().Id();
    QSignalSpy opened(&session, &LogbookSession::LogbookOpened);
    QSignalSpy closed(&session, &LogbookSession::LogbookClosed);

    const QString missing = Path("missing.mdb");
    const OpenOutcome outcome = session.OpenLogbook(missing);
    QCOMPARE(outcome.kind, OpenOutcome::Kind::NotFound);
    QVERIFY(session.IsOpen());
    QCOMPARE(session.Path(), QFileInfo(current).absoluteFilePath());
    QCOMPARE(session.Flights().AbsolutePosition(), 1);
    QCOMPARE(session.Flights().Current().Id(), shown);
    QCOMPARE(opened.count(), 0);
    QCOMPARE(closed.count(), 0);
    QVERIFY(!QFileInfo::exists(missing));
}

// A file that cannot be opened as a logbook is reported, and the logbook that
// was open stays open.
void TestLogbookFiles::openBrokenFileKeepsCurrent() {
    LogbookSession session;
    const QString current = MakeLogbook("keep.mdb", 2);
    QVERIFY(session.OpenLogbook(current).Ok());
    const QString broken = Path("broken.mdb");
    QVERIFY(WriteBytes(broken, "this is a text file, not a logbook\n"));

    const OpenOutcome outcome = session.OpenLogbook(broken);
    QCOMPARE(outcome.kind, OpenOutcome::Kind::Failed);
    QVERIFY(!outcome.error.isEmpty());
    QVERIFY(session.IsOpen());
    QCOMPARE(session.Path(), QFileInfo(current).absoluteFilePath());
    QCOMPARE(session.Flights().RecordCount(), 2);
    QVERIFY(session.Flights().IsLast());
}

void TestLogbookFiles::reopenSamePath() {
    LogbookSession session;
    const QString current = MakeLogbook("again.mdb", 4);
    QVERIFY(session.OpenLogbook(current).Ok());
    QVERIFY(session.Flights().MoveFirst());
    QSignalSpy opened(&session, &LogbookSession::LogbookOpened);

    const OpenOutcome outcome = session.OpenLogbook(current);
    QVERIFY2(outcome.Ok(), qPrintable(outcome.error));
    QCOMPARE(opened.count(), 1);
    QVERIFY(session.IsOpen());
    QCOMPARE(session.Flights().RecordCount(), 4);
    QVERIFY(session.Flights().IsLast());
    QCOMPARE(FlightRows(session.Db()).size(), 4);
}

// Every open checks the file first: an older logbook gets its missing fields
// and the time offset question before its flights are shown.
void TestLogbookFiles::openUpgradesOlderFile_data() {
    QTest::addColumn<int>("answer"); // Answer
    QTest::addColumn<QString>("timeOffsetType");

    QTest::newRow("Yes") << int(Answer::Yes) << "DOUBLE";
    QTest::newRow("Cancel") << int(Answer::Cancel) << "DATETIME";
}

void TestLogbookFiles::openUpgradesOlderFile() {
    QFETCH(int, answer);
    QFETCH(QString, timeOffsetType);
    const QString path = Path(QStringLiteral("older-%1.mdb").arg(answer));
    QVERIFY(CreateLogbookFile(path, SchemaLayout{{"LogData.CloudBase", "TrackData.Height"}, true}));
    {
        LogbookDatabase file;
        QVERIFY(file.Open(path, nullptr));
        QCOMPARE(InsertRow(file.Db(), "LogData", {{"StartTime", 37045.4}, {"TimeOffset", 0.25}}), QString());
    }
    LogbookSession session;
    int asked = 0;
    const OpenOutcome outcome = session.OpenLogbook(path, [&] {
        ++asked;
        return Answer(answer);
    });
    QVERIFY2(outcome.Ok(), qPrintable(outcome.error));
    QCOMPARE(asked, 1);
    QCOMPARE(outcome.upgrade.addedFields, (QStringList{"LogData.CloudBase", "TrackData.Height"}));
    QCOMPARE(DeclaredTypeOf(session.Db(), "LogData", "TimeOffset"), timeOffsetType);
    QCOMPARE(session.Flights().RecordCount(), 1);
    QVERIFY(session.Flights().HasCurrent());
    QVERIFY(session.Flights().Current().Value("CloudBase").isNull());
}

// A new logbook is a copy of the template, also over an existing file and
// over the logbook that is open.
void TestLogbookFiles::newFromTemplate_data() {
    QTest::addColumn<QString>("target"); // "missing", "other file", "current"

    QTest::newRow("new file") << "missing";
    QTest::newRow("replaces an existing file") << "other file";
    QTest::newRow("replaces the open logbook") << "current";
}

void TestLogbookFiles::newFromTemplate() {
    QFETCH(QString, target);
    LogbookSession session;
    const QString current = MakeLogbook("before-new.mdb", 3);
    QVERIFY(session.OpenLogbook(current).Ok());

    QString name = Path("new.mdb");
    QFile::remove(name);
    if (target == "other file")
        name = MakeLogbook("existing.mdb", 5);
    else if (target == "current")
        name = current;

    const FileCommandResult result = NewLogbook(session, template_, name);
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(session.IsOpen());
    QCOMPARE(session.Path(), QFileInfo(name).absoluteFilePath());
    QCOMPARE(session.Flights().RecordCount(), 0);
    QCOMPARE(session.Flights().AbsolutePosition(), -1);
    QCOMPARE(RowCount(session.Db(), "LogData"), 0);
    if (target != "current") {
        // The logbook left behind is untouched.
        session.CloseLogbook();
        LogbookDatabase old;
        QVERIFY(old.Open(current, nullptr));
        QCOMPARE(RowCount(old.Db(), "LogData"), 3);
    }
}

void TestLogbookFiles::newWithoutTemplateKeepsCurrent() {
    LogbookSession session;
    const QString current = MakeLogbook("no-template.mdb", 2);
    QVERIFY(session.OpenLogbook(current).Ok());
    const QString existing = MakeLogbook("precious.mdb", 4);
    const QByteArray before = FileBytes(existing);

    const FileCommandResult result = NewLogbook(session, Path("no-such-template"), existing);
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(session.Path(), QFileInfo(current).absoluteFilePath());
    QCOMPARE(session.Flights().RecordCount(), 2);
    QVERIFY(FileBytes(existing) == before);
}

// The archive is a byte copy of the logbook, and the logbook is open again.
void TestLogbookFiles::archiveIsByteCopy_data() {
    QTest::addColumn<bool>("targetExists");
    QTest::newRow("new file") << false;
    QTest::newRow("replaces an existing file") << true;
}

void TestLogbookFiles::archiveIsByteCopy() {
    QFETCH(bool, targetExists);
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
    QCOMPARE(rows.size(), 5);

    QString name = Path("archive.mdb");
    QFile::remove(name);
    if (targetExists) name = MakeLogbook("old-archive.mdb", 9);

    const FileCommandResult result = ArchiveLogbook(session, name);
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(session.IsOpen());
    QCOMPARE(session.Path(), QFileInfo(current).absoluteFilePath());
    QCOMPARE(FlightRows(session.Db()), rows);
    QVERIFY(session.Flights().IsLast());

    session.CloseLogbook();
    const QByteArray archived = FileBytes(name);
    QVERIFY(!archived.isEmpty());
    QVERIFY(archived == FileBytes(current));
    LogbookDatabase copy;
    QVERIFY(copy.Open(name, nullptr));
    QCOMPARE(FlightRows(copy.Db()), rows);
}

// Edits of the flight shown are saved (by the move guard) before the copy is taken.
void TestLogbookFiles::archiveHoldsPendingEdits() {
    LogbookSession session;
    const QString current = MakeLogbook("pending.mdb", 2);
    QVERIFY(session.OpenLogbook(current).Ok());
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

void TestLogbookFiles::archiveOntoItselfRefused() {
    LogbookSession session;
    const QString current = MakeLogbook("self.mdb", 3);
    QVERIFY(session.OpenLogbook(current).Ok());
    const QStringList rows = FlightRows(session.Db());

    const FileCommandResult result = ArchiveLogbook(session, current);
    QVERIFY(!result.ok);
    QVERIFY(session.IsOpen());
    QCOMPARE(FlightRows(session.Db()), rows);
}

// "<logbook>.tmp" holds the logbook as it was before the compaction; the next
// compaction replaces it.
void TestLogbookFiles::compactLeavesPreviousState() {
    LogbookSession session;
    const QString current = MakeLogbook("compacted.mdb", 4);
    const QString moved = current + ".tmp";
    QVERIFY(session.OpenLogbook(current).Ok());
    QString error;
    QVERIFY(session.Flights().DeleteCurrent(&error));
    const QStringList rows = FlightRows(session.Db());
    session.CloseLogbook();
    const QByteArray firstState = FileBytes(current);
    QVERIFY(session.OpenLogbook(current).Ok());

    FileCommandResult result = CompactLogbook(session);
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(session.IsOpen());
    QCOMPARE(session.Path(), QFileInfo(current).absoluteFilePath());
    QCOMPARE(FlightRows(session.Db()), rows);
    QCOMPARE(session.Flights().RecordCount(), 3);
    QVERIFY(session.Flights().IsLast());
    QVERIFY(FileBytes(moved) == firstState);

    QVERIFY(InsertFlight(session.Db(), 38000.5, 38000.6, &error));
    session.CloseLogbook();
    const QByteArray secondState = FileBytes(current);
    QVERIFY(secondState != firstState);
    QVERIFY(session.OpenLogbook(current).Ok());

    result = CompactLogbook(session);
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(FileBytes(moved) == secondState);
    QCOMPARE(session.Flights().RecordCount(), 4);
}

// The compaction gives back the room of deleted rows.
void TestLogbookFiles::compactShrinksFile() {
    LogbookSession session;
    const QString current = MakeLogbook("shrink.mdb", 0);
    QVERIFY(session.OpenLogbook(current).Ok());
    const QString comment(2000, QLatin1Char('x'));
    for (int i = 0; i < 300; ++i)
        QCOMPARE(InsertRow(session.Db(), "LogData", {{"StartTime", 37000.0 + i}, {"Comments", comment}}),
                 QString());
    QCOMPARE(Exec(session.Db(), "DELETE FROM LogData WHERE StartTime > 37001"), QString());
    QVERIFY(session.Flights().Refresh());

    QVERIFY(CompactLogbook(session).ok);
    QCOMPARE(session.Flights().RecordCount(), 2);
    session.CloseLogbook();
    QVERIFY2(QFileInfo(current).size() * 4 < QFileInfo(current + ".tmp").size(),
             qPrintable(QStringLiteral("%1 after, %2 before")
                            .arg(QFileInfo(current).size())
                            .arg(QFileInfo(current + ".tmp").size())));
}

// A compaction that fails after the logbook was moved aside puts the logbook
// back and opens it again: nothing is lost.
void TestLogbookFiles::failedCompactionRestores_data() {
    QTest::addColumn<QByteArray>("leftBehind"); // what the failing compaction wrote
    QTest::addColumn<QString>("message");

    QTest::newRow("nothing written") << QByteArray() << QString();
    QTest::newRow("half-written file") << QByteArray(1000, '\0') << QStringLiteral("disk full");
    QTest::newRow("garbage file") << QByteArray("not a database") << QStringLiteral("I/O error");
}

void TestLogbookFiles::failedCompactionRestores() {
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
    QVERIFY(!result.error.isEmpty());
    if (!message.isEmpty()) QVERIFY(result.error.contains(message));
    QVERIFY(session.IsOpen());
    QCOMPARE(session.Path(), QFileInfo(current).absoluteFilePath());
    QCOMPARE(FlightRows(session.Db()), rows);
    QCOMPARE(session.Flights().RecordCount(), 3);
    QVERIFY(session.Flights().HasCurrent());
    QCOMPARE(opened.count(), 1);
    QVERIFY(QFileInfo::exists(current + ".tmp"));
}

// Files the program writes come from the program folder when it is writable,
// else from a copy in the user's data folder, made once and then kept.
void TestLogbookFiles::writableProgramFiles_data() {
    QTest::addColumn<bool>("folderWritable");
    QTest::addColumn<bool>("copyExists");
    QTest::addColumn<QString>("expectedFolder"); // "program" or "data"
    QTest::addColumn<QByteArray>("expectedContent");

    QTest::newRow("writable program folder") << true << false << "program" << QByteArray("installed");
    QTest::newRow("read-only, first run") << false << false << "data" << QByteArray("installed");
    QTest::newRow("read-only, user's copy kept") << false << true << "data" << QByteArray("user's own");
}

void TestLogbookFiles::writableProgramFiles() {
    QFETCH(bool, folderWritable);
    QFETCH(bool, copyExists);
    QFETCH(QString, expectedFolder);
    QFETCH(QByteArray, expectedContent);

    QTemporaryDir root;
    const QString program = root.filePath("program");
    const QString data = root.filePath("data/Soarnote");
    QVERIFY(QDir().mkpath(program));
    QVERIFY(WriteBytes(program + "/translate.mdl", "installed"));
    QFile(program + "/translate.mdl").setPermissions(QFileDevice::ReadOwner);
    if (copyExists) {
        QVERIFY(QDir().mkpath(data));
        QVERIFY(WriteBytes(data + "/translate.mdl", "user's own"));
    }

    for (int run = 0; run < 2; ++run) {
        const QString file = ProgramFolder::ResolveWritable(program, folderWritable, data, "translate.mdl");
        QCOMPARE(QFileInfo(file).absolutePath(),
                 QFileInfo(expectedFolder == "program" ? program : data).absoluteFilePath());
        QCOMPARE(FileBytes(file), expectedContent);
        if (expectedFolder == "data") {
            QVERIFY(QFileInfo(file).isWritable());
            QVERIFY(WriteBytes(file, expectedContent)); // the program writes its copy
        }
    }
}

QTEST_GUILESS_MAIN(TestLogbookFiles)
#include "tst_logbookfiles.moc"
