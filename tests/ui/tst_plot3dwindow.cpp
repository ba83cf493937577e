// The 3D view as a pilot drives it: opened from the main window with its
// shortcut, stepped and played with keys and double-clicks into the real
// window, the landscape moved with held keys and the offsets question
// answered, a landscape loaded and kept as the flight's default.
#include "plot/flightscene/flightscene.h"
#include "sceneview.h"
#include "ui/kit/inputprompt.h"
#include "ui/plot3dwindow.h"
#include "windowfixture.h"

#include <QSlider>

using namespace soarnote;

namespace {

class FakeInput : public InputPrompt {
public:
    QList<std::optional<QString>> answers;
    std::optional<QString> AskText(QWidget*, const QString&, const QString&, const QString&) override {
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }
    QStringList defaults;
    std::optional<QString> AskTextWithDefault(QWidget* parent, const QString& title, const QString& prompt,
                                              const QString& initialText) override {
        defaults << initialText;
        return AskText(parent, title, prompt, QString());
    }
};

constexpr double kStart = 42156.5; // 1 June 2015, 12:00

} // namespace

class TestPlot3DWindow : public WindowFixture {
    Q_OBJECT

    FakeInput input_;
    qint64 flightId_ = 0;

    // A logbook with one flight of 40 track points flown north-east from
    // the Peak District, one per 10 s, and its barograph climbing 2 m/s.
    QString BuildLogbook(int points, double lat0 = 53.35, double lng0 = -1.80) {
        const QString path = dir_->filePath(QStringLiteral("flights.mdb"));
        testlogbook::Builder builder(path);
        const double end = kStart + 400.0 / 86400.0;
        builder.Flight({{"StartTime", kStart}, {"EndTime", end}, {"TimeOffset", 0.0}});
        builder.Row("Tracks", {{"LogID", 1}, {"TimeOffset", 0.0}});
        for (int i = 0; i < points; ++i) {
            const double t = kStart + i * 10.0 / 86400.0;
            builder.Row(
                "TrackData",
                {{"TrackID", 1}, {"TIME", t}, {"LAT", lat0 + i * 0.0004}, {"LNG", lng0 + i * 0.0006}});
            builder.Row("BaroData", {{"LogID", 1}, {"TIME", t}, {"height", 300.0 + i * 20.0}});
        }
        QList<qint64> ids;
        if (!builder.Build(&ids)) return {};
        flightId_ = ids.first();
        return path;
    }

    // The main window on a logbook of that flight, the view opened with its shortcut.
    Plot3DWindow* OpenView(int points = 40, double lat0 = 53.35, double lng0 = -1.80) {
        OpenMain(BuildLogbook(points, lat0, lng0));
        main_->SetInputPrompt(&input_);
        if (!Activate(main_.get())) return nullptr;
        Press(Qt::Key_S, Qt::ControlModifier);
        Plot3DWindow* view = main_->Plot3D();
        if (!view || !QTest::qWaitForWindowActive(view)) return nullptr;
        return view;
    }

private slots:
    void init() {
        QVERIFY(PrepareFolder());
        input_ = FakeInput();
        settings_->Write(keys::GeneralUnits, QStringLiteral("Meters"));
    }
    void cleanup() { TearDown(); }

    void shortcutOpensTheFlightInSpace() {
        Plot3DWindow* view = OpenView();
        QVERIFY(view);
        QVERIFY(view->windowTitle().startsWith(QStringLiteral("3D Plot - ")));
        QCOMPARE(view->Scene()->TrackMeshes(), 1);
        QCOMPARE(view->Scene()->LandscapeMeshes(), 1); // the flat reference ground
        QCOMPARE(view->Playback()->CurrentIndex(), 0);
        // The view drew the sky and the ground under the flight.
        const QImage shot = view->View()->grabFramebuffer();
        int sky = 0;
        int ground = 0;
        for (int y = 0; y < shot.height(); y += 4)
            for (int x = 0; x < shot.width(); x += 4) {
                const QColor c = shot.pixelColor(x, y);
                sky += c == QColor(0xC0, 0xFF, 0xFF);
                ground += c.green() > c.red() + 60 && c.green() > c.blue() + 60;
            }
        QVERIFY(sky > 100);
        QVERIFY(ground > 100);
    }

    void flightWithoutPointsSaysSo() {
        prompts_.otherwise = QMessageBox::Ok;
        OpenView(0);
        // A track without points leaves "&3D Plot" disabled or shows the message.
        if (!prompts_.asked.isEmpty())
            QVERIFY(prompts_.asked.last().text.startsWith(QStringLiteral("No data assigned to this flight")));
        QTRY_VERIFY(!main_->Plot3D() || !main_->Plot3D()->isVisible());
    }

    void keysStepAndDoubleClicksPlay() {
        Plot3DWindow* view = OpenView();
        QVERIFY(view);
        QTest::keyClick(view->View(), Qt::Key_PageDown);
        QCOMPARE(view->Playback()->CurrentIndex(), 0);
        QTest::keyClick(view->View(), Qt::Key_PageUp);
        QTest::keyClick(view->View(), Qt::Key_PageUp);
        QCOMPARE(view->Playback()->CurrentIndex(), 2);
        QTest::keyClick(view->View(), Qt::Key_PageDown);
        QCOMPARE(view->Playback()->CurrentIndex(), 1);
        // The glider stands on the point it stepped to.
        const QVector3D glider = view->Scene()->GliderFrame()->Position(view->Scene()->WorldFrame());
        QCOMPARE(glider.x(), view->Plot().points[1].x);
        QCOMPARE(glider.y(), view->Plot().points[1].y);
        // A double-click plays, the next pauses, the one after resumes.
        DoubleClickAt(view->View());
        QVERIFY(view->Item(QStringLiteral("&Play"))->isChecked());
        QVERIFY(!view->Item(QStringLiteral("P&ause"))->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(view->Playback()->CurrentIndex() > 0, 5000);
        DoubleClickAt(view->View());
        QVERIFY(view->Item(QStringLiteral("P&ause"))->isChecked());
        DoubleClickAt(view->View());
        QVERIFY(!view->Item(QStringLiteral("P&ause"))->isChecked());
        QVERIFY(view->Item(QStringLiteral("&Play"))->isChecked());
    }

    void movedLandscapeAsksOnClose_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("stillOpen");
        QTest::newRow("yes") << int(QMessageBox::Yes) << true << false;
        QTest::newRow("no") << int(QMessageBox::No) << false << false;
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << false << true;
    }
    void movedLandscapeAsksOnClose() {
        QFETCH(int, answer);
        QFETCH(bool, stored);
        QFETCH(bool, stillOpen);
        QPointer<Plot3DWindow> view = OpenView();
        QVERIFY(view);
        view->Item(QStringLiteral("&Offset"))->trigger();
        QVERIFY(view->windowTitle().startsWith(QStringLiteral("3D Plot - OFFSET MODE")));
        // A raises the landscape while it is held; Right moves it east.
        QTest::keyPress(view->View(), Qt::Key_A);
        QTest::keyRelease(view->View(), Qt::Key_A);
        QTest::keyPress(view->View(), Qt::Key_Right);
        QTest::keyRelease(view->View(), Qt::Key_Right);
        const QVector3D moved = view->LandscapeOffsets();
        QVERIFY(moved.z() > 0);
        QVERIFY(moved.x() != 0);
        Answers({answer});
        const int asked = prompts_.asked.size();
        QTest::keyClick(view->View(), Qt::Key_Escape);
        QCOMPARE(prompts_.asked.size(), asked + 1);
        QVERIFY(prompts_.asked.last().text.startsWith(QStringLiteral("Position offsets have changed.")));
        QCOMPARE(!view.isNull() && view->isVisible(), stillOpen);
        const QSqlDatabase db = main_->Session().Db();
        const QVariant height =
            testlogbook::Scalar(db, "SELECT HeightOffset FROM LogData WHERE ID = ?", {flightId_});
        const QVariant east =
            testlogbook::Scalar(db, "SELECT LatOffset FROM LogData WHERE ID = ?", {flightId_});
        if (stored) {
            QCOMPARE(height.toFloat(), moved.z());
            QCOMPARE(east.toFloat(), moved.x());
        } else {
            QVERIFY(height.isNull() || height.toDouble() == 0.0);
        }
        if (stillOpen) {
            prompts_.answers = {QMessageBox::No};
            view->close();
        }
    }

    void loadedLandscapeBecomesTheDefault_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("stored");
        QTest::newRow("yes") << int(QMessageBox::Yes) << true;
        QTest::newRow("no") << int(QMessageBox::No) << false;
    }
    void loadedLandscapeBecomesTheDefault() {
        QFETCH(int, answer);
        QFETCH(bool, stored);
        Plot3DWindow* view = OpenView();
        QVERIFY(view);
        // An apostrophe in the name is stored as it stands.
        const QString path = dir_->filePath(QStringLiteral("pilot's ridge.xyz"));
        QVERIFY(testlogbook::WriteBytes(path, "ridge,0,0,200,200,100,100\n53.35,-1.80\n1\n"
                                              "0 0 310\n100 0 320\n200 0 330\n0 100 315\n100 100 325\n"
                                              "200 100 335\n0 200 318\n100 200 328\n200 200 338\n"));
        prompts_.fileNames = {path};
        Answers({answer});
        const int before = view->Scene()->LandscapeMeshes();
        view->Item(QStringLiteral("Load &XYZ"))->trigger();
        QCOMPARE(view->Scene()->LandscapeMeshes(), before + 1);
        QCOMPARE(prompts_.asked.last().text,
                 QStringLiteral("Use this landscape as the default for this record?"));
        const QVariant landFile = testlogbook::Scalar(
            main_->Session().Db(), "SELECT LandFile FROM Tracks WHERE LogID = ?", {flightId_});
        // Kept beside the program, it is stored by name only.
        QCOMPARE(landFile.toString(), stored ? QStringLiteral("pilot's ridge.xyz") : QString());
    }

    void terrainFolderGroundsFlightsWithoutLandscape_data() {
        QTest::addColumn<double>("lat0");
        QTest::addColumn<double>("lng0");
        QTest::addColumn<bool>("onTerrain");
        QTest::newRow("over the tile") << 57.8 << 11.9 << true;
        QTest::newRow("off the tile") << 53.35 << -1.80 << false;
    }
    void terrainFolderGroundsFlightsWithoutLandscape() {
        QFETCH(double, lat0);
        QFETCH(double, lng0);
        const QString tiles = dir_->filePath(QStringLiteral("tiles"));
        QVERIFY(QDir().mkpath(tiles));
        QVERIFY(QFile::copy(QStringLiteral(SOARNOTE_TEST_DATA "/terrain/N57E011.hgt"),
                            tiles + QStringLiteral("/N57E011.hgt")));
        settings_->Write(keys::PlotTerrainFolder, tiles);
        Plot3DWindow* view = OpenView(40, lat0, lng0);
        QVERIFY(view);
        QCOMPARE(view->Scene()->LandscapeMeshes(), 1);
        const scene::Mesh* ground = view->Scene()->LandscapeFrame()->Visuals().front();
        // The tile's window holds real heights; the reference ground is flat.
        float lowest = 1e9f;
        float highest = -1e9f;
        for (const QVector3D& v : ground->Positions()) {
            lowest = std::min(lowest, v.z());
            highest = std::max(highest, v.z());
        }
        QTEST(highest - lowest > 1.0f, "onTerrain");
    }

    void sunPositionRelightsForTheTimeTyped() {
        Plot3DWindow* view = OpenView();
        QVERIFY(view);
        const QVector3D noon = view->Scene()->LightFrame()->Position(view->Scene()->WorldFrame());
        input_.answers = {QStringLiteral("19:30")};
        view->Item(QStringLiteral("&Sun Position"))->trigger();
        // The box starts with the glider's time of day.
        QCOMPARE(input_.defaults, QStringList{QStringLiteral("12:00")});
        const QVector3D evening = view->Scene()->LightFrame()->Position(view->Scene()->WorldFrame());
        // At noon the sun stands south, in a June evening in the north-west.
        QVERIFY(noon.y() < 0);
        QVERIFY(evening.y() > 0);
        QVERIFY(evening.x() > 0); // west: minus the easting
        // An answer that is no time leaves the sun where it is.
        input_.answers = {QStringLiteral("teatime")};
        view->Item(QStringLiteral("&Sun Position"))->trigger();
        QCOMPARE(view->Scene()->LightFrame()->Position(view->Scene()->WorldFrame()), evening);
    }

    void speedSliderAndInstrumentPanel() {
        settings_->Write(keys::PlotFps, 5);
        settings_->Write(keys::PlotInstrState, true);
        QPointer<Plot3DWindow> view = OpenView();
        QVERIFY(view);
        view->Item(QStringLiteral("&Speed"))->trigger();
        QVERIFY(view->SpeedSlider()->isVisible());
        view->SpeedSlider()->setValue(2);
        QCOMPARE(view->SpeedSlider()->toolTip(), QStringLiteral("2 "));
        QCOMPARE(view->Playback()->PlaySpeed(), float(1.0 / 86400.0 / 5.0 * 2.0));
        // A click on the view hides the slider again.
        ClickAt(view->View());
        QVERIFY(!view->SpeedSlider()->isVisible());
        // The instrument panel comes back as it was left: open, then closed.
        QVERIFY(view->Instruments());
        QVERIFY(view->Item(QStringLiteral("&Instruments"))->isChecked());
        view->Item(QStringLiteral("&Instruments"))->trigger();
        QTRY_VERIFY(!view->Instruments());
        QTest::keyClick(view->View(), Qt::Key_Escape);
        QCOMPARE(settings_->Int(keys::PlotInstrState), 0);
    }
};

QTEST_MAIN(TestPlot3DWindow)
#include "tst_plot3dwindow.moc"
