// The options dialog: what an empty store shows, what each control stores,
// the order of the stored keys, the colour, texture and mesh buttons.

#include "windowfixture.h"

#include "ui/optionsdialog.h"

#include <QCheckBox>
#include <QImage>
#include <QSerialPortInfo>
#include <QSettings>
#include <QSlider>
#include <QTabWidget>

using namespace soarnote;

namespace {

// Every key of the INI file with its value, sections as stored.
QMap<QString, QString> StoredKeys(const QString& ini) {
    QSettings raw(ini, QSettings::IniFormat);
    QMap<QString, QString> keys;
    for (const QString& key : raw.allKeys())
        keys.insert(key, raw.value(key).toString());
    return keys;
}

bool HasPicture(const QLabel* label) {
    return !label->pixmap().isNull();
}

} // namespace

class TestOptionsDialog : public WindowFixture {
    Q_OBJECT

    QString Ini() const { return Path(QStringLiteral("settings.ini")); }
    std::unique_ptr<OptionsDialog> OpenDialog() {
        auto dialog = std::make_unique<OptionsDialog>(*settings_, prompts_);
        dialog->show();
        return dialog;
    }
    QString Bitmap(const QString& name, Qt::GlobalColor colour) {
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = Path(name);
        image.save(path, "BMP");
        return path;
    }

private slots:
    void init() { QVERIFY(PrepareFolder()); }
    void cleanup() { TearDown(); }

    // The values an empty store gives are the settings table's; here what the
    // dialog makes of them, and what it stores: nothing on opening or Cancel,
    // every key once on OK.
    void emptyStoreShowsAndStoresTheDefaults() {
        auto d = OpenDialog();
        QCOMPARE(d->UnitsBox()->currentText(), QStringLiteral("Feet"));
        for (const char* curve : {"Show Ascent Rate", "Show Descent Rate", "Plot Speed", "Plot Climb Rate"})
            QVERIFY2(d->Check(QString::fromLatin1(curve))->isChecked(), curve);
        QCOMPARE(d->VarioBox(OptionsDialog::PortEndBits)->currentText(), QStringLiteral("1"));
        QCOMPARE(d->FpsLabel()->text(), QStringLiteral("5.0"));
        QCOMPARE(d->Colour(OptionsDialog::LandscapeRow), QColor(0, 0xC0, 0x01)); // dark green
        QCOMPARE(d->MeshFile(OptionsDialog::PilotMesh), ProgramFolder::File(QStringLiteral("parapilot.x")));
        d->Check(QStringLiteral("Enable Fog"))->setChecked(true);
        d->UnitsBox()->setCurrentIndex(0);
        ClickAt(d->CancelButton());
        QVERIFY(!d->isVisible());
        QVERIFY(StoredKeys(Ini()).isEmpty());

        d = OpenDialog();
        d->Tabs()->setCurrentIndex(0);
        QCheckBox* speed = d->Check(QStringLiteral("Plot Speed"));
        QTest::mouseClick(speed, Qt::LeftButton, {}, QPoint(8, speed->height() / 2));
        QVERIFY(!speed->isChecked());
        ClickAt(d->OkButton());
        QVERIFY(!d->isVisible());
        QCOMPARE(d->result(), int(QDialog::Accepted));
        QCOMPARE(settings_->Text(keys::PrintShow), QStringLiteral("11"));
        // Every other key holds what an empty store gave, colours red in the low byte.
        const QMap<QString, QString> stored = StoredKeys(Ini());
        QCOMPARE(stored.size(), qsizetype(d->ValuesToStore().size()));
        for (const SettingKey* key : AllSettingKeys()) {
            const QString path = key->section + QLatin1Char('/') + key->key;
            if (!stored.contains(path) || key == &keys::PrintShow) continue;
            QCOMPARE(stored.value(path), key->Default().toString());
        }
        QCOMPARE(stored.value(QStringLiteral("Plot/FPS")), QStringLiteral("5"));
        QCOMPARE(settings_->Text(keys::PlotTrackColor), QStringLiteral("16711680"));
        QCOMPARE(settings_->Text(keys::PlotLandscapeColor), QStringLiteral("114688"));
    }

    void storedValuesAreShown() {
        settings_->Write(keys::GeneralUnits, QStringLiteral("Meters"));
        settings_->Write(keys::PrintShow, 5);
        settings_->Write(keys::PlotFps, QStringLiteral("7.5"));
        settings_->Write(keys::PlotFlag1, 1);
        settings_->Write(keys::PlotGliderColor, 16777215);
        settings_->Write(keys::GpsSpeed, QStringLiteral("19200")); // not in the list: shown all the same
        settings_->Write(keys::VarioPort, QStringLiteral("/dev/ttyUSB3"));
        auto d = OpenDialog();
        QCOMPARE(d->UnitsBox()->currentText(), QStringLiteral("Meters"));
        QVERIFY(d->Check(QStringLiteral("Show Ascent Rate"))->isChecked());
        QVERIFY(!d->Check(QStringLiteral("Show Descent Rate"))->isChecked());
        QVERIFY(d->Check(QStringLiteral("Plot Speed"))->isChecked());
        QVERIFY(!d->Check(QStringLiteral("Plot Climb Rate"))->isChecked());
        QCOMPARE(d->FpsSlider()->value(), 75);
        QCOMPARE(d->FpsLabel()->text(), QStringLiteral("7.5"));
        QVERIFY(d->Check(QStringLiteral("Enable Z-Buffering"))->isChecked());
        QCOMPARE(d->Colour(OptionsDialog::GliderRow), QColor(Qt::white));
        QCOMPARE(d->GpsBox(OptionsDialog::PortSpeed)->currentText(), QStringLiteral("19200"));
        QCOMPARE(d->VarioBox(OptionsDialog::PortName)->currentText(), QStringLiteral("/dev/ttyUSB3"));
    }

    void varioEndBitsReadBackByTheVariometer_data() {
        QTest::addColumn<QString>("oldSection"); // a section an older run left behind, or none
        QTest::newRow("empty store") << QString();
        QTest::newRow("written before as Vario") << QStringLiteral("Vario");
    }

    void varioEndBitsReadBackByTheVariometer() {
        QFETCH(QString, oldSection);
        if (!oldSection.isEmpty()) {
            QSettings raw(Ini(), QSettings::IniFormat);
            raw.setValue(oldSection + QStringLiteral("/End"), QStringLiteral("0"));
        }
        settings_ = std::make_unique<SettingsStore>(Ini());
        auto d = OpenDialog();
        QCOMPARE(d->VarioBox(OptionsDialog::PortEndBits)->currentText(), oldSection.isEmpty() ? "1" : "0");
        d->VarioBox(OptionsDialog::PortEndBits)->setCurrentText(QStringLiteral("2"));
        d->GpsBox(OptionsDialog::PortEndBits)->setCurrentText(QStringLiteral("0"));
        ClickAt(d->ApplyButton());
        QCOMPARE(settings_->Text(keys::VarioEnd), QStringLiteral("2"));
        QCOMPARE(settings_->Text(keys::GpsEnd), QStringLiteral("0"));
        // A fresh reader of the file, as the variometer link at its next opening.
        SettingsStore again(Ini());
        QCOMPARE(again.Text(keys::VarioEnd), QStringLiteral("2"));
        QCOMPARE(again.Text(QStringLiteral("VARIO"), QStringLiteral("end"), QString()), QStringLiteral("2"));
        // One section holds the variometer's keys, whatever its case.
        QStringList varioGroups;
        for (const QString& g : QSettings(Ini(), QSettings::IniFormat).childGroups())
            if (g.compare(QLatin1String("vario"), Qt::CaseInsensitive) == 0) varioGroups << g;
        QCOMPARE(varioGroups.size(), 1);
    }

    void portListsOfferPortsFoundAndTypedPaths() {
        auto d = OpenDialog();
        QComboBox* port = d->VarioBox(OptionsDialog::PortName);
        QStringList items;
        for (int i = 0; i < port->count(); ++i)
            items << port->itemText(i);
        for (const QSerialPortInfo& found : QSerialPortInfo::availablePorts())
            QVERIFY2(items.contains(found.systemLocation()), qPrintable(found.systemLocation()));
        QCOMPARE(items, OptionsDialog::PortNames());
        // A device path typed into the box is stored as typed.
        port->lineEdit()->selectAll();
        QTest::keyClicks(port->lineEdit(), QStringLiteral("/dev/ttyUSB7"));
        QComboBox* gpsPort = d->GpsBox(OptionsDialog::PortName);
        gpsPort->setCurrentIndex(gpsPort->findText(QStringLiteral("COM5")));
        d->Apply();
        QCOMPARE(settings_->Text(keys::VarioPort), QStringLiteral("/dev/ttyUSB7"));
        QCOMPARE(settings_->Text(keys::GpsPort), QStringLiteral("COM5"));
    }

    void colourReplacesTheTexture() {
        settings_->Write(keys::PlotTrackTexture, Bitmap(QStringLiteral("rope.bmp"), Qt::yellow));
        auto d = OpenDialog();
        d->Tabs()->setCurrentIndex(3);
        QVERIFY(HasPicture(d->TexturePreview(OptionsDialog::TrackRow)));
        // A cancelled colour dialog changes nothing.
        QTest::mouseClick(d->ColourButton(OptionsDialog::TrackRow), Qt::LeftButton);
        QCOMPARE(d->Colour(OptionsDialog::TrackRow), QColor(0, 0, 255));
        QVERIFY(!d->TextureFile(OptionsDialog::TrackRow).isEmpty());
        prompts_.colors = {QColor(255, 0, 0)};
        QTest::mouseClick(d->ColourButton(OptionsDialog::TrackRow), Qt::LeftButton);
        QCOMPARE(d->Colour(OptionsDialog::TrackRow), QColor(255, 0, 0));
        QVERIFY(d->TextureFile(OptionsDialog::TrackRow).isEmpty());
        QVERIFY(!HasPicture(d->TexturePreview(OptionsDialog::TrackRow)));
        d->Apply();
        QCOMPARE(settings_->Text(keys::PlotTrackColor), QStringLiteral("255")); // red in the low byte
        QCOMPARE(settings_->Text(keys::PlotTrackTexture), QString());
    }

    void textureButtonShowsTheChosenFile() {
        const QString old = Bitmap(QStringLiteral("old.bmp"), Qt::gray);
        const QString grass = Bitmap(QStringLiteral("grass.bmp"), Qt::green);
        settings_->Write(keys::PlotLandscapeTexture, old);
        auto d = OpenDialog();
        prompts_.fileNames = {grass};
        QTest::mouseClick(d->TextureButton(OptionsDialog::LandscapeRow), Qt::LeftButton);
        QCOMPARE(prompts_.dialogTitles, QStringList{QStringLiteral("Select Texture")});
        QCOMPARE(prompts_.startPaths, QStringList{old});
        QCOMPARE(d->TextureFile(OptionsDialog::LandscapeRow), grass);
        QVERIFY(HasPicture(d->TexturePreview(OptionsDialog::LandscapeRow)));
        QCOMPARE(d->TexturePreview(OptionsDialog::LandscapeRow)->pixmap().toImage().pixelColor(4, 4),
                 QColor(Qt::green));
        // Cancelling the file dialog keeps the texture.
        QTest::mouseClick(d->TextureButton(OptionsDialog::LandscapeRow), Qt::LeftButton);
        QCOMPARE(d->TextureFile(OptionsDialog::LandscapeRow), grass);
        d->Apply();
        QCOMPARE(settings_->Text(keys::PlotLandscapeTexture), grass);
    }

    void meshAsksForAWhiteGlider_data() {
        QTest::addColumn<int>("storedColour");
        QTest::addColumn<QString>("chosenFile");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("questions");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("red glider, yes")
            << 255 << "/models/wing.x" << int(QMessageBox::Yes) << 1 << QColor(Qt::white);
        QTest::newRow("red glider, no")
            << 255 << "/models/wing.x" << int(QMessageBox::No) << 1 << QColor(Qt::red);
        QTest::newRow("white glider: no question")
            << 16777215 << "/models/wing.x" << int(QMessageBox::Yes) << 0 << QColor(Qt::white);
        QTest::newRow("dialog cancelled") << 255 << "" << int(QMessageBox::Yes) << 0 << QColor(Qt::red);
    }

    void meshAsksForAWhiteGlider() {
        QFETCH(int, storedColour);
        QFETCH(QString, chosenFile);
        QFETCH(int, answer);
        QFETCH(int, questions);
        settings_->Write(keys::PlotGliderColor, storedColour);
        auto d = OpenDialog();
        prompts_.fileNames = {chosenFile};
        Answers({answer});
        QTest::mouseClick(d->MeshButtonOf(OptionsDialog::PilotMesh), Qt::LeftButton);
        QCOMPARE(prompts_.dialogTitles, QStringList{QStringLiteral("Select Mesh")});
        QCOMPARE(prompts_.startPaths, QStringList{ProgramFolder::File(QStringLiteral("parapilot.x"))});
        QCOMPARE(prompts_.asked.size(), questions);
        if (questions)
            QCOMPARE(
                prompts_.asked.first().text,
                QStringLiteral("If this Model contains texture details the background color should be white. "
                               "Do you want to change the background color now?"));
        QTEST(d->Colour(OptionsDialog::GliderRow), "colour");
        QCOMPARE(d->MeshFile(OptionsDialog::PilotMesh),
                 chosenFile.isEmpty() ? ProgramFolder::File(QStringLiteral("parapilot.x")) : chosenFile);
        QCOMPARE(d->MeshFile(OptionsDialog::GliderMesh), ProgramFolder::File(QStringLiteral("para.x")));
    }

    void controlsStoreWhatTheyShow() {
        auto d = OpenDialog();
        d->Tabs()->setCurrentIndex(3);
        d->FpsSlider()->setFocus();
        QTest::keyClick(d->FpsSlider(), Qt::Key_Right); // one step: half a frame per second
        QCOMPARE(d->FpsLabel()->text(), QStringLiteral("5.5"));
        d->FpsSlider()->setValue(125);
        QCOMPARE(d->FpsLabel()->text(), QStringLiteral("12.5"));
        const std::pair<const char*, bool> checks[] = {{"Restrict View", true},
                                                       {"Enable Auto Syncronization", false},
                                                       {"Enable Fog", true},
                                                       {"Enable Clouds", true},
                                                       {"GliderView", false}};
        for (const auto& [name, on] : checks)
            d->Check(QString::fromLatin1(name))->setChecked(on);
        d->UnitsBox()->setCurrentText(QStringLiteral("Meters"));
        d->GainSlider()->setValue(3500);
        d->Apply();
        QCOMPARE(settings_->Number(keys::PlotFps), 12.5);
        const QStringList stored = {
            settings_->Text(keys::PlotFps),        settings_->Text(keys::GeneralLimit),
            settings_->Text(keys::GeneralSync),    settings_->Text(keys::PlotFlag2),
            settings_->Text(keys::PlotFlag0),      settings_->Text(keys::PlotCloud),
            settings_->Text(keys::PlotGliderView), settings_->Text(keys::GeneralUnits),
            settings_->Text(keys::PrintGain)};
        QCOMPARE(stored, (QStringList{"12.5", "1", "0", "1", "0", "1", "0", "Meters", "3500"}));
    }

    void ctrlTabMovesToTheNextPageAndWraps() {
        auto d = OpenDialog();
        QVERIFY(Activate(d.get()));
        QCheckBox* fog = d->Check(QStringLiteral("Enable Fog"));
        d->Tabs()->setCurrentIndex(3);
        fog->setFocus();
        QTest::keyClick(fog, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(d->Tabs()->currentIndex(), 0); // from the last page to the first
        QCheckBox* limit = d->Check(QStringLiteral("Restrict View"));
        limit->setFocus();
        QTest::keyClick(limit, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(d->Tabs()->currentIndex(), 1);
    }
};

QTEST_MAIN(TestOptionsDialog)
#include "tst_optionsdialog.moc"
