// soarnote --import as a script runs it: no window, one summary line per file, the rows in the named logbook,
// exit code 1 when a file was refused and 2 for a logbook that cannot be written.

#include "common/testlogbook.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QStringList lines;
};

Run Import(const QTemporaryDir& home, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The program's settings and language table stay in the test's folder.
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(SOARNOTE_BIN_DIR "/soarnote"), QStringList{QStringLiteral("--import")} + args);
    Run run;
    if (!p.waitForFinished(120000)) return run;
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return run;
}

} // namespace

class TestImportCli : public QObject {
    Q_OBJECT
private slots:
    void importsAndReports() {
        QTemporaryDir home;
        const QString logbook = home.filePath(QStringLiteral("season.mdb"));
        QVERIFY(testlogbook::Builder(logbook).Build());
        const QString good = QStringLiteral(SOARNOTE_TEST_DATA "/igc/aerofiles-skydrop-2019-04-15.igc");
        const QString bad = home.filePath(QStringLiteral("notes.igc"));
        QVERIFY(testlogbook::WriteBytes(bad, "not a flight log\n"));

        Run run = Import(home, {good, QStringLiteral("--logbook"), logbook});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.size(), 1);
        QVERIFY2(
            run.lines[0].startsWith(QLatin1String("aerofiles-skydrop-2019-04-15.igc: added as flight 1")),
            qPrintable(run.lines[0]));

        run = Import(home, {good, bad, QStringLiteral("--logbook"), logbook});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.lines.size(), 2);
        QVERIFY(run.lines[0].contains(QLatin1String("already in the logbook")));
        QVERIFY2(run.lines[1].startsWith(QLatin1String("notes.igc: refused: Not an IGC or GPX file")),
                 qPrintable(run.lines[1]));

        soarnote::LogbookDatabase file;
        QVERIFY(file.Open(logbook, nullptr));
        QCOMPARE(testlogbook::Scalar(file.Db(), QStringLiteral("SELECT COUNT(*) FROM TrackData")).toInt(),
                 533);
        QCOMPARE(testlogbook::Scalar(file.Db(), QStringLiteral("SELECT COUNT(*) FROM LogData")).toInt(), 1);
    }

    void refusesAMissingLogbook() {
        QTemporaryDir home;
        const Run run =
            Import(home, {QStringLiteral(SOARNOTE_TEST_DATA "/igc/aerofiles-example.igc"),
                          QStringLiteral("--logbook"), home.filePath(QStringLiteral("none.mdb"))});
        QCOMPARE(run.exitCode, 2);
        QVERIFY(!QFileInfo::exists(home.filePath(QStringLiteral("none.mdb"))));
    }
};

QTEST_GUILESS_MAIN(TestImportCli)
#include "tst_importcli.moc"
