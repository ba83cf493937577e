// The Vario menu's commands on a window (offscreen), against the emulated
// instrument: their questions and messages, the progress bar, one transfer
// at a time and a cancelled one.

#include "core/logbooksession.h"
#include "linkharness.h"
#include "settings/settingsstore.h"
#include "solemulator.h"
#include "ui/fakeprompts.h"
#include "ui/kit/inputprompt.h"
#include "ui/variocommands.h"
#include "vario/varioconnection.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QtTest>

using namespace soarnote;
using namespace testlogbook;

namespace {

class FakeInput : public InputPrompt {
public:
    QList<std::optional<QString>> answers;
    QStringList prompts;
    QStringList helpTopics;
    std::optional<QString> AskText(QWidget*, const QString&, const QString& prompt,
                                   const QString& helpTopic) override {
        prompts << prompt;
        helpTopics << helpTopic;
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }
};

struct Window {
    QTemporaryDir dir;
    solemu::SolEmulator emulator;
    SettingsStore settings;
    LogbookSession session;
    FakePrompts prompts;
    FakeInput input;
    QWidget window;
    QLabel* info = new QLabel(&window);
    VarioCommands* commands = nullptr;

    explicit Window(const solemu::SolMemory& memory)
        : emulator(memory), settings(dir.filePath("settings.ini")) {}

    bool Open() {
        if (!emulator.Open()) return false;
        settings.Write(keys::VarioPort, emulator.DevicePath());
        const QString path = dir.filePath("logbook.mdb");
        if (!CreateLogbookFile(path) || !session.OpenLogbook(path).Ok()) return false;
        commands = new VarioCommands(session, settings, prompts, info, &window);
        commands->SetInputPrompt(&input);
        return true;
    }
    bool Wait() {
        // Short waits: the emulated instrument answers from this thread's event loop.
        QElapsedTimer t;
        t.start();
        while (commands->Busy() && t.elapsed() < 20000)
            QTest::qWait(5);
        return !commands->Busy();
    }
    QSqlDatabase Db() { return session.Db(); }
};

} // namespace

class TestVarioCommands : public QObject {
    Q_OBJECT
private slots:

    // "Update Log" asks for the instrument's display time when the clocks
    // are synchronised, and stores the difference with every flight; an
    // answer that is no time starts nothing.
    void updateLogDisplayTime_data() {
        QTest::addColumn<int>("sync");
        QTest::addColumn<QString>("typed"); // "behind": the time an hour ago; null: cancelled
        QTest::addColumn<double>("offset");
        QTest::addColumn<QString>("info");
        const QString done = "Successfully Received 3 Log Records - 3 flights added";
        const QString invalid = "ERROR - (Vario)Valid Vario Time Not Entered";
        QTest::newRow("an hour behind") << 1 << "behind" << 1.0 / 24 << done;
        QTest::newRow("cancelled") << 1 << QString() << -1.0 << invalid;
        QTest::newRow("hour 25") << 1 << "25:10" << -1.0 << invalid;
        QTest::newRow("clocks not synchronised") << 0 << QString() << 0.0 << done;
    }
    void updateLogDisplayTime() {
        QFETCH(int, sync);
        QFETCH(QString, typed);
        QFETCH(double, offset);
        QFETCH(QString, info);
        Window w(solemu::MakeDemoMemory({.flights = 3, .traces = 0}));
        QVERIFY(w.Open());
        w.settings.Write(keys::GeneralSync, sync);
        QSignalSpy changed(w.commands, &VarioCommands::FlightsChanged);
        const double now = DayNumberNow();
        if (typed == "behind")
            typed = ShortTimeText(now - 1.0 / 24) + QStringLiteral(":") +
                    QString::number(SplitDayNumber(now).second).rightJustified(2, QLatin1Char('0'));
        w.input.answers << (typed.isNull() ? std::nullopt : std::optional<QString>(typed));
        w.commands->DownloadVarioLog();
        QCOMPARE(w.input.prompts, sync ? QStringList{"Enter Vario Display Time"} : QStringList());
        QCOMPARE(w.input.helpTopics, sync ? QStringList{"vario.html#display-time"} : QStringList());
        QVERIFY(w.Wait());
        QCOMPARE(w.info->text(), info);
        const int rows = offset < 0 ? 0 : 3;
        QCOMPARE(RowCount(w.Db(), "LogData"), rows);
        QCOMPARE(changed.count(), rows ? 1 : 0);
        QVERIFY(w.commands->ProgressBar()->isHidden());
        if (rows)
            QVERIFY(Scalar(w.Db(), "SELECT MAX(ABS(TimeOffset - ?)) FROM LogData", {offset}).toDouble() <
                    5.0 / 86400);
    }

    // The questions and messages of the commands, and what each answer does.
    void questions_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("info");
        QTest::addColumn<int>("flights");
        QTest::addColumn<int>("traceOn"); // the flight the 40 samples are on, -1 no trace
        const QString all =
            "This option downloads all log entries. Use Update Log in normal conditions.OK to contrinue?";
        const int okCancel = QMessageBox::Ok | QMessageBox::Cancel;
        const QString create = "No LogData record matches this Barograph. Create it?";
        const int yesNoCancel = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        const QString traceAdded = "Baro Download Complete - 1 barograph trace added";
        QTest::newRow("Get All Entry, Cancel")
            << "all" << int(QMessageBox::Cancel) << all << okCancel << "" << 1 << -1;
        QTest::newRow("Get All Entry, OK: the stored record is skipped")
            << "all" << int(QMessageBox::Ok) << all << okCancel
            << "Successfully Received 100 Log Records - 3 flights added" << 4 << -1;
        QTest::newRow("a flight without take-off")
            << "update" << int(QMessageBox::Ok) << "The following Log entries had errors - 2.(See Readme.txt)"
            << int(QMessageBox::Ok) << "Successfully Received 2 Log Records - 2 flights added" << 2 << -1;
        QTest::newRow("Create it? Yes")
            << "baro" << int(QMessageBox::Yes) << create << yesNoCancel
            << "Baro Download Complete - 1 flight, 1 barograph trace added" << 1 << 1;
        QTest::newRow("Create it? No")
            << "baro" << int(QMessageBox::No) << create << yesNoCancel << traceAdded << 0 << 0;
        QTest::newRow("Create it? Cancel")
            << "baro" << int(QMessageBox::Cancel) << create << yesNoCancel << traceAdded << 0 << 0;
    }
    void questions() {
        QFETCH(QString, command);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(int, buttons);
        QFETCH(QString, info);
        QFETCH(int, flights);
        QFETCH(int, traceOn);
        solemu::SolMemory memory = solemu::MakeDemoMemory({.flights = command == "all" ? 4 : 1, .traces = 0});
        if (command == "update")
            memory.records[1] = solemu::EncodeLogRecord({.date = QDate(2024, 5, 1), .endHour = 15});
        if (command == "baro") memory = solemu::SolMemory{};
        if (command == "baro") memory.traces.push_back(solemu::DemoTrace(0, {.samplesPerTrace = 40}));
        Window w(memory);
        QVERIFY(w.Open());
        w.settings.Write(keys::GeneralSync, 0);
        if (command == "all") {
            SqlVarioStore store(w.Db());
            QVERIFY(store.StoreLogRecord(*DecodeLogRecord(memory.records[1]), 0, nullptr));
        }
        QSignalSpy changed(w.commands, &VarioCommands::FlightsChanged);
        w.info->setText("left from before");
        w.prompts.answers << QMessageBox::StandardButton(answer);
        if (command == "all") w.commands->DownloadAllVarioLog();
        if (command == "update") w.commands->DownloadVarioLog();
        if (command == "baro") w.commands->DownloadBarographs();
        QVERIFY(w.Wait());
        QCOMPARE(w.prompts.asked.size(), 1);
        QCOMPARE(w.prompts.asked[0].text, question);
        QCOMPARE(int(w.prompts.asked[0].buttons), buttons);
        QCOMPARE(w.info->text(), info);
        QCOMPARE(changed.count(), info.isEmpty() ? 0 : 1);
        QCOMPARE(RowCount(w.Db(), "LogData"), flights);
        if (traceOn >= 0)
            QCOMPARE(Scalar(w.Db(), "SELECT COUNT(*) FROM BaroData WHERE LogID = ?", {traceOn}).toInt(), 40);
    }

    void oneTransferAtATime() {
        Window w(solemu::MakeDemoMemory({.flights = 3, .traces = 1, .samplesPerTrace = 30}));
        QVERIFY(w.Open());
        w.emulator.SetPacing(4800);
        w.input.answers << "12:00"
                        << "12:00";
        w.commands->DownloadVarioLog();
        QVERIFY(w.commands->Busy());
        QVERIFY(w.commands->ProgressBar()->isVisible() || !w.window.isVisible());
        w.commands->DownloadVarioLog();
        w.commands->DownloadAllVarioLog();
        w.commands->DownloadBarographs();
        QCOMPARE(w.input.prompts.size(), 1);
        QVERIFY(w.prompts.asked.isEmpty());
        QVERIFY(w.Wait());
        QCOMPARE(w.info->text(), "Successfully Received 3 Log Records - 3 flights added");
        QCOMPARE(RowCount(w.Db(), "LogData"), 3);
        QVERIFY(w.emulator.Device().CommandsSeen() >= 4); // a busy machine may have asked twice
    }

    // Stopped half-way: the port is closed at once, the samples stored so far
    // stay (with the heights the instrument sent) and the status says so.
    void cancelBarographDownload() {
        solemu::SolMemory memory;
        memory.traces.push_back(solemu::DemoTrace(0, {.samplesPerTrace = 300}));
        Window w(memory);
        QVERIFY(w.Open());
        w.emulator.SetPacing(4800);
        w.prompts.answers << QMessageBox::No;
        w.commands->DownloadBarographs();
        QTRY_VERIFY_WITH_TIMEOUT(RowCount(w.Db(), "BaroData") > 0, 20000);
        w.commands->CancelTransfer();
        QVERIFY(!w.commands->Busy());
        QVERIFY(!w.commands->Connection().Port().isOpen());
        QCOMPARE(w.info->text(), "Download cancelled - 1 barograph trace added");
        const int stored = RowCount(w.Db(), "BaroData");
        QVERIFY(stored < 300);
        CompareTrace(w.Db(), memory.traces[0], std::nullopt, [stored](int i) { return i >= stored; });
        QVERIFY(w.Db().transaction()); // none left open
        w.Db().rollback();
    }

    void noLogbookOpen() {
        Window w({});
        QVERIFY(w.Open());
        w.session.CloseLogbook();
        w.settings.Write(keys::GeneralSync, 0);
        w.commands->DownloadBarographs();
        QVERIFY(!w.commands->Busy());
        QCOMPARE(w.info->text(), "ERROR - (Vario)No logbook is open.");
    }
};

QTEST_MAIN(TestVarioCommands)
#include "tst_variocommands.moc"
