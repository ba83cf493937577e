// The settings store: every key's default, sections found whatever their
// case, and values kept as the texts they were written as.

#include "core/programfolder.h"
#include "settings/settingkeys.h"
#include "settings/settingsstore.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <array>

using namespace soarnote;

namespace {

const SettingKey* FindKey(const QString& section, const QString& key) {
    for (const SettingKey* k : AllSettingKeys())
        if (k->section == section && k->key == key) return k;
    return nullptr;
}

QString IniText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Section headers of an INI text, as written.
QStringList IniSections(const QString& ini) {
    QStringList sections;
    for (const QString& line : ini.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1Char('['))) sections << line.trimmed();
    return sections;
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void defaults_data();
    void defaults();
    void everyKeyListed();
    void tableEditorKeys_data();
    void tableEditorKeys();
    void sectionCase_data();
    void sectionCase();
    void generalSection();
    void textsKept_data();
    void textsKept();
    void numbersAsText();

private:
    QTemporaryDir dir_;
    QString program_;
    QString ini_;
    int counter_ = 0;
};

void TestSettingsStore::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(dir_.isValid());
    program_ = dir_.filePath("program");
    QVERIFY(QDir().mkpath(program_));
    ProgramFolder::SetPath(program_);
}

void TestSettingsStore::init() {
    ini_ = dir_.filePath(QStringLiteral("settings%1.conf").arg(++counter_));
}

// With an empty store every reader gets the default of the settings table.
void TestSettingsStore::defaults_data() {
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected"); // "@file" = that file of the program folder

    const QList<std::array<const char*, 3>> table = {
        {"General", "Units", "Feet"},
        {"General", "Sync", "1"},
        {"General", "Limit", "0"},
        {"General", "Toolbar", ""},
        {"Print", "Show", "15"},
        {"Print", "Gain", "2000"},
        {"GPS", "Port", "COM2"},
        {"GPS", "Speed", "9600"},
        {"GPS", "Parity", "NONE"},
        {"GPS", "Bit", "8"},
        {"GPS", "End", "1"},
        {"Vario", "Port", "COM1"},
        {"Vario", "Speed", "4800"},
        {"Vario", "Parity", "NONE"},
        {"Vario", "Bit", "8"},
        {"Vario", "End", "1"},
        {"Plot", "TrackColor", "16711680"},
        {"Plot", "TrackTexture", ""},
        {"Plot", "TrackView", "1"},
        {"Plot", "LandscapeColor", "114688"},
        {"Plot", "LandscapeTexture", ""},
        {"Plot", "GliderColor", "255"},
        {"Plot", "GliderTexture", ""},
        {"Plot", "GliderView", "1"},
        {"Plot", "Glider", "@para.x"},
        {"Plot", "Pilot", "@parapilot.x"},
        {"Plot", "Cloud", "0"},
        {"Plot", "Overlay", "0"},
        {"Plot", "FPS", "5"},
        {"Plot", "Flag0", "0"},
        {"Plot", "Flag1", "0"},
        {"Plot", "Flag2", "0"},
        {"Plot", "InstrLeft", "0"},
        {"Plot", "InstrTop", "0"},
        {"Main", "Height", "5450"},
        {"Database", "Name", "@demo.mdb"},
    };
    for (const auto& [section, key, expected] : table)
        QTest::newRow(qPrintable(QStringLiteral("%1/%2").arg(section, key))) << section << key << expected;
}

void TestSettingsStore::defaults() {
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    if (expected.startsWith(QLatin1Char('@'))) expected = QDir(program_).filePath(expected.mid(1));

    const SettingKey* setting = FindKey(section, key);
    QVERIFY2(setting, "not among the setting keys");
    SettingsStore store(ini_);
    QCOMPARE(store.Text(*setting), expected);
    bool numeric = false;
    const int n = expected.toInt(&numeric);
    if (numeric) {
        QCOMPARE(store.Int(*setting), n);
        QCOMPARE(store.Number(*setting), double(n));
    }
    QVERIFY(!store.Contains(section, key));
    store.Sync();
    QVERIFY(IniText(ini_).trimmed().isEmpty()); // reading writes nothing
}

// Keys that are not read through the table's list still have their readers'
// defaults; the list holds each key once.
void TestSettingsStore::everyKeyListed() {
    QCOMPARE(keys::PlotGliderColor3D.Default().toInt(), 16711680); // the 3D view's own default
    QCOMPARE(keys::PlotInstrState.Default().toBool(), false);
    QSet<QString> seen;
    for (const SettingKey* k : AllSettingKeys()) {
        const QString name = k->section.toLower() + '/' + k->key.toLower();
        QVERIFY2(!seen.contains(name), qPrintable(name));
        seen.insert(name);
    }
}

// One section per table of the table editor.
void TestSettingsStore::tableEditorKeys_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("columnKey");

    QTest::newRow("Glider column 2") << "Glider" << 2 << "ColWidth 2";
    QTest::newRow("LogData column 0") << "LogData" << 0 << "ColWidth 0";
    QTest::newRow("TrackData column 12") << "TrackData" << 12 << "ColWidth 12";
}

void TestSettingsStore::tableEditorKeys() {
    QFETCH(QString, table);
    QFETCH(int, column);
    QFETCH(QString, columnKey);
    const SettingKey width = TableColumnWidthKey(table, column);
    QCOMPARE(width.section, table);
    QCOMPARE(width.key, columnKey);
    SettingsStore store(ini_);
    QCOMPARE(store.Text(width), QString("2000"));
    QCOMPARE(store.Text(TableWidthKey(table)), QString("5800"));
    QCOMPARE(store.Text(TableHeightKey(table)), QString("2200"));
    store.Write(width, 1500);
    store.Sync();
    SettingsStore again(ini_);
    QCOMPARE(again.Int(width), 1500);
    QCOMPARE(again.Int(TableColumnWidthKey(table, column + 1)), 2000);
}

// The options dialog writes the variometer's stop bits under "vario", and the
// variometer link reads them under "Vario": one section, whatever the case in
// which it was first written, and a write under another case goes to it.
void TestSettingsStore::sectionCase_data() {
    QTest::addColumn<QString>("writeSection");
    QTest::addColumn<QString>("writeKey");
    QTest::addColumn<QString>("readSection");
    QTest::addColumn<QString>("readKey");

    QTest::newRow("written vario, read Vario") << "vario"
                                               << "End"
                                               << "Vario"
                                               << "End";
    QTest::newRow("written Vario, read vario") << "Vario"
                                               << "End"
                                               << "vario"
                                               << "End";
    QTest::newRow("key case differs too") << "VARIO"
                                          << "end"
                                          << "Vario"
                                          << "End";
    QTest::newRow("General") << "general"
                             << "Units"
                             << "General"
                             << "units";
}

void TestSettingsStore::sectionCase() {
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
        // Another run, reading the file.
        SettingsStore store(ini_);
        QCOMPARE(store.Text(readSection, readKey, "1"), QString("2"));
        // Written back under the other case, next to another key.
        store.Write(readSection, readKey, "0");
        store.Write(readSection, "Port", "COM3");
        QCOMPARE(store.Text(writeSection, writeKey, "1"), QString("0"));
    }
    SettingsStore store(ini_);
    QCOMPARE(store.Text(writeSection, writeKey, "1"), QString("0"));
    QCOMPARE(store.Text(readSection, readKey, "1"), QString("0"));
    QCOMPARE(store.Text(writeSection, "Port", "COM1"), QString("COM3"));

    const QString ini = IniText(ini_);
    const QStringList sections = IniSections(ini);
    QCOMPARE(sections.size(), 1);
    QCOMPARE(ini.count(QRegularExpression(QStringLiteral("^%1=").arg(writeKey),
                                          QRegularExpression::MultilineOption |
                                              QRegularExpression::CaseInsensitiveOption)),
             1);
}

// "General" keys are kept in the INI file's [%General] section (a plain
// [General] holds keys without a section) and read back under "General".
void TestSettingsStore::generalSection() {
    {
        SettingsStore store(ini_);
        store.Write(keys::GeneralUnits, "Meters");
        store.Write(keys::GeneralSync, 0);
        store.Write(keys::GeneralToolbar, "Open,New,|,Archive");
        store.Write(keys::VarioEnd, "2");
    }
    const QString ini = IniText(ini_);
    QVERIFY2(ini.contains("[%General]"), qPrintable(ini));
    QVERIFY2(!ini.contains("[General]"), qPrintable(ini));

    SettingsStore store(ini_);
    QCOMPARE(store.Text(keys::GeneralUnits), QString("Meters"));
    QCOMPARE(store.Int(keys::GeneralSync), 0);
    QCOMPARE(store.Text(keys::GeneralToolbar), QString("Open,New,|,Archive"));
    QCOMPARE(store.Text("vario", "End", "1"), QString("2"));
    QCOMPARE(store.Text(keys::GeneralLimit), QString("0"));
}

// A text comes back as it was written: paths with blanks and commas, quotes,
// characters that mean something to the INI format.
void TestSettingsStore::textsKept_data() {
    QTest::addColumn<QString>("text");

    QTest::newRow("plain path") << "/home/pilot/flights2001.mdb";
    QTest::newRow("blanks in the path") << "/home/pilot/My Flights/2001 season.mdb";
    QTest::newRow("comma in the path") << "/home/pilot/Smith, John/logbook.mdb";
    QTest::newRow("two commas") << "a,b,c";
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

void TestSettingsStore::textsKept() {
    QFETCH(QString, text);
    {
        SettingsStore store(ini_);
        store.Write(keys::DatabaseName, text);
        store.Write(keys::PlotTrackTexture, text);
        QCOMPARE(store.Text(keys::DatabaseName), text);
    }
    SettingsStore store(ini_);
    QCOMPARE(store.Text(keys::DatabaseName), text);
    QCOMPARE(store.Text(keys::PlotTrackTexture), text);
}

// Every value is kept as text: numbers as decimal text, check boxes as 0 or 1.
void TestSettingsStore::numbersAsText() {
    {
        SettingsStore store(ini_);
        store.Write(keys::PrintShow, 11);
        store.Write(keys::PlotFps, 2.5);
        store.Write(keys::PlotCloud, true);
        store.Write(keys::PlotOverlay, false);
        store.Write(keys::PlotTrackColor, 16777215);
        store.Write(keys::MainHeight, "not a number");
    }
    const QString ini = IniText(ini_);
    QVERIFY2(ini.contains("Show=11\n") && ini.contains("FPS=2.5\n") && ini.contains("Cloud=1\n") &&
                 ini.contains("Overlay=0\n") && ini.contains("TrackColor=16777215\n"),
             qPrintable(ini));
    SettingsStore store(ini_);
    QCOMPARE(store.Int(keys::PrintShow), 11);
    QCOMPARE(store.Number(keys::PlotFps), 2.5);
    QCOMPARE(store.Int(keys::PlotCloud), 1);
    QCOMPARE(store.Int(keys::PlotTrackColor), 16777215);
    QCOMPARE(store.Int(keys::MainHeight), 5450); // not numeric: the default
    store.Remove("main", "height");
    QVERIFY(!store.Contains(keys::MainHeight.section, keys::MainHeight.key));
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
