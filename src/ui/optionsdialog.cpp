#include "optionsdialog.h"

#include "kit/prompts.h"
#include "translateform.h"

#include "i18n/languagetable.h"
#include "serial/serialsettings.h"
#include "settings/plotcolours.h"
#include "settings/settingsstore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

namespace soarnote {

namespace {

constexpr quint32 kWhite = 0xFFFFFF;
const QSize kPreviewSize(48, 32);

QComboBox* MakeCombo(QWidget* parent, const QStringList& items, bool editable = false) {
    auto* combo = new QComboBox(parent);
    combo->addItems(items);
    combo->setEditable(editable);
    if (editable) combo->setInsertPolicy(QComboBox::NoInsert);
    return combo;
}

// Shows a stored text; a value the list does not offer is shown all the same.
void ShowText(QComboBox* combo, const QString& text) {
    const int index = combo->findText(text);
    if (index >= 0) {
        combo->setCurrentIndex(index);
    } else if (combo->isEditable()) {
        combo->setEditText(text);
    } else {
        combo->addItem(text);
        combo->setCurrentIndex(combo->count() - 1);
    }
}

} // namespace

QStringList OptionsDialog::PortNames() {
    return SerialPortChoices();
}

OptionsDialog::OptionsDialog(SettingsStore& settings, Prompts& prompts, QWidget* parent)
    : QDialog(parent), settings_(settings), prompts_(prompts) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("TabStrip1"));
    tabs_->addTab(BuildGeneralPage(), QStringLiteral("General"));
    tabs_->addTab(BuildPortPage(vario_), QStringLiteral("Vario"));
    tabs_->addTab(BuildPortPage(gps_), QStringLiteral("GPS"));
    tabs_->addTab(BuildPlotPage(), QStringLiteral("Plot"));

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("cmdOK"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cmdCancel"));
    apply_ = new QPushButton(QStringLiteral("Apply"), this);
    apply_->setObjectName(QStringLiteral("cmdApply"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    buttons->addWidget(apply_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, [this] {
        Apply();
        accept();
    });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply_, &QPushButton::clicked, this, &OptionsDialog::Apply);

    TranslateForm(this, true);
    LoadSettings();
}

QCheckBox* OptionsDialog::AddCheck(QWidget* parent, const QString& caption) {
    auto* check = new QCheckBox(caption, parent);
    check->setProperty("caption", caption); // found by its caption also once translated
    checks_ << check;
    return check;
}

QCheckBox* OptionsDialog::Check(const QString& caption) const {
    for (QCheckBox* check : checks_)
        if (check->property("caption").toString() == caption) return check;
    return nullptr;
}

QWidget* OptionsDialog::BuildGeneralPage() {
    auto* page = new QWidget;
    auto* print = new QGroupBox(QStringLiteral("Print Options"), page);
    limit_ = AddCheck(print, QStringLiteral("Restrict View"));
    limit_->setToolTip(QStringLiteral("Plot only the flight's own time"));
    const char* curves[] = {"Show Ascent Rate", "Show Descent Rate", "Plot Speed", "Plot Climb Rate"};
    for (int i = 0; i < 4; ++i)
        show_[i] = AddCheck(print, QString::fromLatin1(curves[i]));
    gain_ = new QSlider(Qt::Horizontal, print);
    gain_->setObjectName(QStringLiteral("Slider1"));
    gain_->setRange(100, 10000);
    gain_->setSingleStep(100);
    gain_->setPageStep(1000);
    gain_->setToolTip(QStringLiteral("How strongly climb and sink tint the printed track"));
    auto* printGrid = new QGridLayout(print);
    printGrid->addWidget(limit_, 0, 0, 1, 2);
    printGrid->addWidget(show_[0], 1, 0);
    printGrid->addWidget(show_[1], 1, 1);
    printGrid->addWidget(show_[2], 2, 0);
    printGrid->addWidget(show_[3], 2, 1);
    printGrid->addWidget(new QLabel(QStringLiteral("Colour Gain"), print), 3, 0);
    printGrid->addWidget(gain_, 3, 1);

    auto* unitsFrame = new QGroupBox(QStringLiteral("Units"), page);
    sync_ = AddCheck(unitsFrame, QStringLiteral("Enable Auto Syncronization"));
    sync_->setToolTip(QStringLiteral("Read the instruments' clocks before each download"));
    units_ = MakeCombo(unitsFrame, {QStringLiteral("Meters"), QStringLiteral("Feet")});
    units_->setObjectName(QStringLiteral("Combo1"));
    units_->setToolTip(QStringLiteral("Units of heights on screen"));
    auto* unitsGrid = new QGridLayout(unitsFrame);
    unitsGrid->addWidget(sync_, 0, 0, 1, 2);
    unitsGrid->addWidget(new QLabel(QStringLiteral("Units"), unitsFrame), 1, 0);
    unitsGrid->addWidget(units_, 1, 1);
    unitsGrid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(print);
    layout->addWidget(unitsFrame);
    layout->addStretch(1);
    return page;
}

QWidget* OptionsDialog::BuildPortPage(std::array<QComboBox*, 5>& boxes) {
    auto* page = new QWidget;
    auto* frame = new QGroupBox(QStringLiteral("Communications"), page);
    boxes[PortName] = MakeCombo(frame, PortNames(), true);
    boxes[PortName]->setToolTip(
        QStringLiteral("A serial port: COM1 to COM16 or a device such as /dev/ttyUSB0"));
    boxes[PortSpeed] =
        MakeCombo(frame, {QStringLiteral("115200"), QStringLiteral("56660"), QStringLiteral("28800"),
                          QStringLiteral("14400"), QStringLiteral("9600"), QStringLiteral("4800"),
                          QStringLiteral("2400"), QStringLiteral("1200"), QStringLiteral("600")});
    boxes[PortParity] =
        MakeCombo(frame, {QStringLiteral("NONE"), QStringLiteral("ODD"), QStringLiteral("EVEN")});
    boxes[PortBits] = MakeCombo(frame, {QStringLiteral("7"), QStringLiteral("8")});
    boxes[PortEndBits] = MakeCombo(frame, {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")});
    const char* captions[] = {"Port", "Speed", "Parity", "Bits", "End Bits"};
    auto* grid = new QGridLayout(frame);
    for (int i = 0; i < 5; ++i) {
        auto* label = new QLabel(QString::fromLatin1(captions[i]), frame);
        label->setBuddy(boxes[i]);
        grid->addWidget(label, i, 0);
        grid->addWidget(boxes[i], i, 1);
    }
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(frame);
    layout->addStretch(1);
    return page;
}

QWidget* OptionsDialog::BuildPlotPage() {
    auto* page = new QWidget;

    auto* performance = new QGroupBox(QStringLiteral("Graphics Perfomance"), page);
    fps_ = new QSlider(Qt::Horizontal, performance);
    fps_->setObjectName(QStringLiteral("Slider2"));
    fps_->setRange(5, 300); // tenths of a frame per second
    fps_->setSingleStep(5);
    fps_->setPageStep(50);
    fps_->setToolTip(QStringLiteral("Frames per second of the 3D playback"));
    fpsLabel_ = new QLabel(performance);
    fpsLabel_->setObjectName(QStringLiteral("FPSValue"));
    fpsLabel_->setMinimumWidth(fpsLabel_->fontMetrics().horizontalAdvance(QStringLiteral("00.0")));
    const char* flagCaptions[] = {"Enable Perspective", "Enable Z-Buffering", "Enable Fog"};
    for (int i = 0; i < 3; ++i)
        flags_[i] = AddCheck(performance, QString::fromLatin1(flagCaptions[i]));
    auto* perfGrid = new QGridLayout(performance);
    perfGrid->addWidget(new QLabel(QStringLiteral("FPS"), performance), 0, 0);
    perfGrid->addWidget(fps_, 0, 1, 1, 2);
    perfGrid->addWidget(fpsLabel_, 0, 3);
    for (int i = 0; i < 3; ++i)
        perfGrid->addWidget(flags_[i], 1, i);
    perfGrid->setColumnStretch(1, 1);

    auto* colours = new QGroupBox(QStringLiteral("Colours"), page);
    auto* grid = new QGridLayout(colours);
    const char* rows[] = {"Track", "Landscape", "Glider"};
    for (int i = 0; i < 3; ++i) {
        const auto row = static_cast<ColourRow>(i);
        grid->addWidget(new QLabel(QString::fromLatin1(rows[i]), colours), i, 0);
        swatches_[i] = new QLabel(colours);
        swatches_[i]->setFixedSize(kPreviewSize);
        swatches_[i]->setObjectName(QStringLiteral("Swatch%1").arg(i));
        grid->addWidget(swatches_[i], i, 1);
        colourButtons_[i] = new QPushButton(QStringLiteral("Color"), colours);
        colourButtons_[i]->setObjectName(QStringLiteral("cmdColor%1").arg(i));
        grid->addWidget(colourButtons_[i], i, 2);
        previews_[i] = new QLabel(colours);
        previews_[i]->setFixedSize(kPreviewSize);
        previews_[i]->setFrameShape(QFrame::StyledPanel);
        previews_[i]->setObjectName(QStringLiteral("Texture%1").arg(i));
        grid->addWidget(previews_[i], i, 3);
        textureButtons_[i] = new QPushButton(QStringLiteral("Texture"), colours);
        textureButtons_[i]->setObjectName(QStringLiteral("cmdTexture%1").arg(i));
        grid->addWidget(textureButtons_[i], i, 4);
        connect(colourButtons_[i], &QPushButton::clicked, this, [this, row] { ChooseColour(row); });
        connect(textureButtons_[i], &QPushButton::clicked, this, [this, row] { ChooseTexture(row); });
    }
    trackView_ = AddCheck(colours, QStringLiteral("Show"));
    trackView_->setObjectName(QStringLiteral("TrackView"));
    trackView_->setProperty("caption", QStringLiteral("TrackView"));
    trackView_->setToolTip(QStringLiteral("Show the track"));
    grid->addWidget(trackView_, TrackRow, 5);
    gliderView_ = AddCheck(colours, QStringLiteral("Show"));
    gliderView_->setObjectName(QStringLiteral("GliderView"));
    gliderView_->setProperty("caption", QStringLiteral("GliderView"));
    gliderView_->setToolTip(QStringLiteral("Show the glider"));
    grid->addWidget(gliderView_, GliderRow, 5);

    const char* meshCaptions[] = {"Glider", "Pilot"};
    auto* meshRow = new QHBoxLayout;
    meshRow->addWidget(new QLabel(QStringLiteral("Mesh"), colours));
    for (int i = 0; i < 2; ++i) {
        const auto mesh = static_cast<MeshButton>(i);
        meshButtons_[i] = new QPushButton(QString::fromLatin1(meshCaptions[i]), colours);
        meshButtons_[i]->setObjectName(QStringLiteral("cmdMesh%1").arg(i));
        meshRow->addWidget(meshButtons_[i]);
        connect(meshButtons_[i], &QPushButton::clicked, this, [this, mesh] { ChooseMesh(mesh); });
    }
    meshRow->addStretch(1);
    grid->addLayout(meshRow, 3, 0, 1, 6);
    cloud_ = AddCheck(colours, QStringLiteral("Enable Clouds"));
    overlay_ = AddCheck(colours, QStringLiteral("Auto Overlays"));
    grid->addWidget(cloud_, 4, 0, 1, 3);
    grid->addWidget(overlay_, 4, 3, 1, 3);

    // Terrain tiles (SRTM .hgt, ESRI .bil/.dem) under flights that have no
    // landscape of their own.
    auto* terrain = new QGroupBox(QStringLiteral("Terrain"), page);
    auto* terrainRow = new QHBoxLayout(terrain);
    auto* terrainLabel = new QLabel(QStringLiteral("Terrain folder"), terrain);
    terrain_ = new QLineEdit(terrain);
    terrain_->setObjectName(QStringLiteral("TerrainFolder"));
    terrainLabel->setBuddy(terrain_);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), terrain);
    browse->setObjectName(QStringLiteral("cmdTerrain"));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(
            this, Translate(QStringLiteral("Terrain folder")), terrain_->text());
        if (!folder.isEmpty()) terrain_->setText(QDir::toNativeSeparators(folder));
    });
    terrainRow->addWidget(terrainLabel);
    terrainRow->addWidget(terrain_, 1);
    terrainRow->addWidget(browse);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(performance);
    layout->addWidget(colours);
    layout->addWidget(terrain);
    layout->addStretch(1);

    connect(fps_, &QSlider::valueChanged, this, &OptionsDialog::ShowFps);
    return page;
}

void OptionsDialog::LoadSettings() {
    using namespace keys;
    limit_->setChecked(settings_.Int(GeneralLimit) != 0);
    const int show = settings_.Int(PrintShow);
    for (int i = 0; i < 4; ++i)
        show_[i]->setChecked((show & (1 << i)) != 0);
    gain_->setValue(settings_.Int(PrintGain));
    sync_->setChecked(settings_.Int(GeneralSync) != 0);
    ShowText(units_, settings_.Text(GeneralUnits));

    const SettingKey* varioKeys[] = {&VarioPort, &VarioSpeed, &VarioParity, &VarioBit, &VarioEnd};
    const SettingKey* gpsKeys[] = {&GpsPort, &GpsSpeed, &GpsParity, &GpsBit, &GpsEnd};
    for (int i = 0; i < 5; ++i) {
        ShowText(vario_[i], settings_.Text(*varioKeys[i]));
        ShowText(gps_[i], settings_.Text(*gpsKeys[i]));
    }

    fps_->setValue(static_cast<int>(settings_.Number(PlotFps) * 10.0 + 0.5));
    ShowFps(fps_->value());
    const SettingKey* flagKeys[] = {&PlotFlag0, &PlotFlag1, &PlotFlag2};
    for (int i = 0; i < 3; ++i)
        flags_[i]->setChecked(settings_.Int(*flagKeys[i]) != 0);

    SetColour(TrackRow, ColourFromBgr(static_cast<quint32>(settings_.Int(PlotTrackColor))));
    SetColour(LandscapeRow, ColourFromBgr(static_cast<quint32>(settings_.Int(PlotLandscapeColor))));
    SetColour(GliderRow, ColourFromBgr(static_cast<quint32>(settings_.Int(PlotGliderColor))));
    SetTexture(TrackRow, settings_.Text(PlotTrackTexture));
    SetTexture(LandscapeRow, settings_.Text(PlotLandscapeTexture));
    SetTexture(GliderRow, settings_.Text(PlotGliderTexture));
    trackView_->setChecked(settings_.Int(PlotTrackView) != 0);
    gliderView_->setChecked(settings_.Int(PlotGliderView) != 0);
    meshes_[GliderMesh] = settings_.Text(PlotGlider);
    meshes_[PilotMesh] = settings_.Text(PlotPilot);
    for (int i = 0; i < 2; ++i)
        meshButtons_[i]->setToolTip(meshes_[i]);
    cloud_->setChecked(settings_.Int(PlotCloud) != 0);
    overlay_->setChecked(settings_.Int(PlotOverlay) != 0);
    terrain_->setText(settings_.Text(PlotTerrainFolder));
}

std::vector<OptionsDialog::StoredValue> OptionsDialog::ValuesToStore() const {
    using namespace keys;
    std::vector<StoredValue> values;
    auto add = [&values](const QString& section, const QString& key, const QVariant& value) {
        values.push_back({section, key, value});
    };
    auto addKey = [&add](const SettingKey& key, const QVariant& value) { add(key.section, key.key, value); };
    auto checked = [](const QCheckBox* check) { return check->isChecked() ? 1 : 0; };

    addKey(GeneralUnits, units_->currentText());
    addKey(GeneralSync, checked(sync_));
    addKey(GeneralLimit, checked(limit_));
    int show = 0;
    for (int i = 0; i < 4; ++i)
        if (show_[i]->isChecked()) show |= 1 << i;
    addKey(PrintShow, show);
    addKey(PrintGain, gain_->value());

    addKey(VarioPort, vario_[PortName]->currentText().trimmed());
    addKey(VarioSpeed, vario_[PortSpeed]->currentText());
    addKey(VarioParity, vario_[PortParity]->currentText());
    addKey(VarioBit, vario_[PortBits]->currentText());
    // The variometer's stop bits have always been kept under "vario"; the
    // store finds them under "Vario" all the same.
    add(QStringLiteral("vario"), VarioEnd.key, vario_[PortEndBits]->currentText());
    addKey(GpsPort, gps_[PortName]->currentText().trimmed());
    addKey(GpsSpeed, gps_[PortSpeed]->currentText());
    addKey(GpsParity, gps_[PortParity]->currentText());
    addKey(GpsBit, gps_[PortBits]->currentText());
    addKey(GpsEnd, gps_[PortEndBits]->currentText());

    addKey(PlotTrackColor, static_cast<int>(BgrFromColour(colours_[TrackRow])));
    addKey(PlotTrackTexture, textures_[TrackRow]);
    addKey(PlotTrackView, checked(trackView_));
    addKey(PlotLandscapeColor, static_cast<int>(BgrFromColour(colours_[LandscapeRow])));
    addKey(PlotLandscapeTexture, textures_[LandscapeRow]);
    addKey(PlotGliderColor, static_cast<int>(BgrFromColour(colours_[GliderRow])));
    addKey(PlotGliderTexture, textures_[GliderRow]);
    addKey(PlotGliderView, checked(gliderView_));
    addKey(PlotFps, fps_->value() / 10.0);
    addKey(PlotGlider, meshes_[GliderMesh]);
    addKey(PlotPilot, meshes_[PilotMesh]);
    addKey(PlotCloud, checked(cloud_));
    addKey(PlotOverlay, checked(overlay_));
    for (int i = 0; i < 3; ++i)
        add(PlotFlag0.section, QStringLiteral("Flag%1").arg(i), checked(flags_[i]));
    // Not one of the original keys: written after them.
    addKey(PlotTerrainFolder, terrain_->text().trimmed());
    return values;
}

void OptionsDialog::Apply() {
    for (const StoredValue& v : ValuesToStore())
        settings_.Write(v.section, v.key, v.value);
    settings_.Sync();
}

void OptionsDialog::SetColour(ColourRow row, const QColor& colour) {
    colours_[row] = colour;
    swatches_[row]->setStyleSheet(
        QStringLiteral("background-color: %1; border: 1px solid palette(dark);").arg(colour.name()));
    swatches_[row]->setToolTip(QString::number(BgrFromColour(colour)));
}

void OptionsDialog::SetTexture(ColourRow row, const QString& file) {
    textures_[row] = file;
    QLabel* preview = previews_[row];
    preview->setToolTip(file);
    const QPixmap picture = file.isEmpty() ? QPixmap() : QPixmap(file);
    if (picture.isNull())
        preview->clear();
    else
        preview->setPixmap(picture.scaled(kPreviewSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

void OptionsDialog::ChooseColour(ColourRow row) {
    const std::optional<QColor> chosen = prompts_.ChooseColor(this, colours_[row]);
    if (!chosen) return;
    SetColour(row, *chosen);
    // A colour replaces the row's texture.
    SetTexture(row, QString());
}

void OptionsDialog::ChooseTexture(ColourRow row) {
    const QString file = prompts_.OpenFileNameAt(
        this, Translate("Select Texture"),
        Translate("Texture Files") + QStringLiteral(" (*.bmp;*.dib)|*.bmp;*.dib|All Files (*.*)|*.*"),
        textures_[row]);
    if (!file.isEmpty()) SetTexture(row, file);
}

void OptionsDialog::ChooseMesh(MeshButton mesh) {
    const QString file = prompts_.OpenFileNameAt(
        this, Translate("Select Mesh"),
        Translate("Shape Mesh Files") + QStringLiteral(" (*.x)|*.x|All Files (*.*)|*.*"), meshes_[mesh]);
    if (file.isEmpty()) return;
    meshes_[mesh] = file;
    meshButtons_[mesh]->setToolTip(file);
    if (BgrFromColour(colours_[GliderRow]) == kWhite) return;
    // A textured model shows its texture only over a white glider.
    const QString question = Translate("If this Model contains texture details") + QLatin1Char(' ') +
                             Translate("the background color should be white.") + QLatin1Char(' ') +
                             Translate("Do you want to change the background color now?");
    if (prompts_.Ask(this, QString(), question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question) ==
        QMessageBox::Yes)
        SetColour(GliderRow, ColourFromBgr(kWhite));
}

void OptionsDialog::ShowFps(int sliderValue) {
    fpsLabel_->setText(QString::number(sliderValue / 10.0, 'f', 1));
}

} // namespace soarnote
