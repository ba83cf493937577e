// The settings store: every key's default, sections found whatever their case, and values kept as the texts
// they were written as.

#include "core/programfolder.h"
#include "settings/plotcolours.h"
#include "settings/settingkeys.h"
#include "settings/settingsstore.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace soarnote;

namespace {

QString IniText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString program_;
    QString ini_;
    int counter_ = 0;

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        program_ = dir_.filePath("program");
        QVERIFY(QDir().mkpath(program_));
        ProgramFolder::SetPath(program_);
    }
    void init() { ini_ = dir_.filePath(QStringLiteral("settings%1.conf").arg(++counter_)); }

    // Reading a key of an empty store gives its default and writes nothing.
    void readingWritesNothing() {
        SettingsStore store(ini_);
        QCOMPARE(store.Text(keys::DatabaseName), QDir(program_).filePath(QStringLiteral("demo.mdb")));
        QCOMPARE(store.Int(keys::MainHeight), 5450);
        QVERIFY(!store.Contains(keys::MainHeight.section, keys::MainHeight.key));
        store.Sync();
        QVERIFY(IniText(ini_).trimmed().isEmpty());
    }

    // Colours are stored red in the low byte; the 3D view's landscape default is dark green, not a dark blue.
    void plotColours_data() {
        QTest::addColumn<quint32>("bgr");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("landscape default") << kDefaultLandscapeBgr << QColor(0, 0xC0, 0x01);
        QTest::newRow("track default") << kDefaultTrackBgr << QColor(0, 0, 0xFF);
        QTest::newRow("red") << quint32(0xFF) << QColor(0xFF, 0, 0);
        QTest::newRow("mixed") << quint32(0x123456) << QColor(0x56, 0x34, 0x12);
    }
    void plotColours() {
        QFETCH(quint32, bgr);
        QFETCH(QColor, colour);
        QCOMPARE(ColourFromBgr(bgr), colour);
        QCOMPARE(BgrFromColour(colour), bgr);
    }

    // The options dialog writes the variometer's stop bits under "vario", and the variometer link reads them
    // under "Vario": one section, whatever the case in which it was first written, and a write under another
    // case goes to it.
    void sectionCase_data() {
        QTest::addColumn<QString>("writeSection");
        QTest::addColumn<QString>("writeKey");
        QTest::addColumn<QString>("readSection");
        QTest::addColumn<QString>("readKey");
        auto row = [](const char* name, const char* ws, const char* wk, const char* rs, const char* rk) {
            QTest::newRow(name) << QString(ws) << QString(wk) << QString(rs) << QString(rk);
        };
        row("written vario, read Vario", "vario", "End", "Vario", "End");
        row("key case differs too", "VARIO", "end", "Vario", "End");
        row("General", "general", "Units", "General", "units");
    }
    void sectionCase() {
        QFETCH(QString, writeSection);
        QFETCH(QString, writeKey);
        QFETCH(QString, readSection);
        QFETCH(QString, readKey);
        {
            SettingsStore store(ini_);
            store.Write(writeSection, writeKey, "2");
            QCOMPARE(store.Text(readSection, readKey, "1"), QString("2"));
            QVERIFY(store.Contains(readSection, readKey));
        }
        {
            // Another run, reading the file, writes back under the other case next to another key.
            SettingsStore store(ini_);
            QCOMPARE(store.Text(readSection, readKey, "1"), QString("2"));
            store.Write(readSection, readKey, "0");
            store.Write(readSection, "Port", "COM3");
        }
        SettingsStore store(ini_);
        QCOMPARE(store.Text(writeSection, writeKey, "1"), QString("0"));
        QCOMPARE(store.Text(writeSection, "Port", "COM1"), QString("COM3"));
        const QString ini = IniText(ini_);
        QCOMPARE(ini.count(QRegularExpression(QStringLiteral("^\\["), QRegularExpression::MultilineOption)),
                 1);
        QCOMPARE(ini.count(QRegularExpression(QStringLiteral("^%1=").arg(writeKey),
                                              QRegularExpression::MultilineOption |
                                                  QRegularExpression::CaseInsensitiveOption)),
                 1);
    }

    // A text comes back as it was written: paths with blanks and commas, quotes, characters that mean
    // something to the INI format.
    void textsKept_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("blanks in the path") << "/home/pilot/My Flights/2001 season.mdb";
        QTest::newRow("comma in the path") << "/home/pilot/Smith, John/logbook.mdb";
        QTest::newRow("semicolon") << "/data/clouds;old/cloud1.bmp";
        QTest::newRow("equals sign") << "a=b";
        QTest::newRow("quotes") << "say \"yes\"";
        QTest::newRow("backslashes") << "C:\\Program Files\\Soarnote\\demo.mdb";
        QTest::newRow("leading and trailing blanks") << "  spaced  ";
        QTest::newRow("at sign first") << "@Variant(odd)";
        QTest::newRow("non-ASCII") << "/home/pilot/Höhenflüge.mdb";
        QTest::newRow("number-like") << "0009600";
        QTest::newRow("empty") << "";
    }
    void textsKept() {
        QFETCH(QString, text);
        SettingsStore(ini_).Write(keys::DatabaseName, text);
        QCOMPARE(SettingsStore(ini_).Text(keys::DatabaseName), text);
    }

    // Every value is kept as text: numbers as decimal text, check boxes as 0 or 1. "General" keys are
    // kept in the [%General] section (a plain [General] holds keys without a section).
    void numbersAsText() {
        {
            SettingsStore store(ini_);
            store.Write(keys::PrintShow, 11);
            store.Write(keys::PlotFps, 2.5);
            store.Write(keys::PlotCloud, true);
            store.Write(keys::PlotOverlay, false);
            store.Write(keys::MainHeight, "not a number");
            store.Write(keys::GeneralUnits, "Meters");
        }
        const QString ini = IniText(ini_);
        QVERIFY2(ini.contains("Show=11\n") && ini.contains("FPS=2.5\n") && ini.contains("Cloud=1\n") &&
                     ini.contains("Overlay=0\n") && ini.contains("[%General]") && !ini.contains("[General]"),
                 qPrintable(ini));
        SettingsStore store(ini_);
        QCOMPARE(store.Number(keys::PlotFps), 2.5);
        QCOMPARE(store.Int(keys::PlotCloud), 1);
        QCOMPARE(store.Int(keys::MainHeight), 5450); // not numeric: the default
        QCOMPARE(store.Text(keys::GeneralUnits), QString("Meters"));
        QCOMPARE(store.Text(keys::GeneralLimit), QString("0"));
        store.Remove("main", "height");
        QVERIFY(!store.Contains(keys::MainHeight.section, keys::MainHeight.key));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
