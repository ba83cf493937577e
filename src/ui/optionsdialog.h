#pragma once
// The options dialog: the pilot's preferences on four pages (General, Vario,
// GPS, Plot). Nothing is stored before Apply or OK; Apply writes every
// setting the dialog shows, always in the same order.

#include <QDialog>
#include <QString>
#include <QVariant>
#include <array>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTabWidget;

namespace soarnote {

class Prompts;
class SettingsStore;

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    // The colour rows of the Plot page.
    enum ColourRow { TrackRow = 0, LandscapeRow = 1, GliderRow = 2 };
    // The mesh buttons of the Plot page.
    enum MeshButton { GliderMesh = 0, PilotMesh = 1 };
    // The five boxes of a communications frame.
    enum PortBox { PortName = 0, PortSpeed = 1, PortParity = 2, PortBits = 3, PortEndBits = 4 };

    struct StoredValue {
        QString section;
        QString key;
        QVariant value;
    };

    // settings and prompts are borrowed and must outlive the dialog.
    OptionsDialog(SettingsStore& settings, Prompts& prompts, QWidget* parent = nullptr);

    // What Apply writes, in the order it writes it.
    std::vector<StoredValue> ValuesToStore() const;
    void Apply();

    QTabWidget* Tabs() const { return tabs_; }
    // A check box by its caption ("Plot Speed", "Enable Fog", ...).
    QCheckBox* Check(const QString& caption) const;
    QComboBox* UnitsBox() const { return units_; }
    QLineEdit* TerrainFolderBox() const { return terrain_; }
    QComboBox* VarioBox(PortBox box) const { return vario_[box]; }
    QComboBox* GpsBox(PortBox box) const { return gps_[box]; }
    QSlider* GainSlider() const { return gain_; }
    QSlider* FpsSlider() const { return fps_; }
    QLabel* FpsLabel() const { return fpsLabel_; }
    QColor Colour(ColourRow row) const { return colours_[row]; }
    QString TextureFile(ColourRow row) const { return textures_[row]; }
    QLabel* TexturePreview(ColourRow row) const { return previews_[row]; }
    QString MeshFile(MeshButton mesh) const { return meshes_[mesh]; }
    QPushButton* ColourButton(ColourRow row) const { return colourButtons_[row]; }
    QPushButton* TextureButton(ColourRow row) const { return textureButtons_[row]; }
    QPushButton* MeshButtonOf(MeshButton mesh) const { return meshButtons_[mesh]; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    QPushButton* ApplyButton() const { return apply_; }

    // The port names the port lists offer: the serial ports found on this
    // machine, then "COM1" to "COM16".
    static QStringList PortNames();

private:
    QWidget* BuildGeneralPage();
    QWidget* BuildPortPage(std::array<QComboBox*, 5>& boxes);
    QWidget* BuildPlotPage();
    void LoadSettings();
    void ChooseColour(ColourRow row);
    void ChooseTexture(ColourRow row);
    void ChooseMesh(MeshButton mesh);
    void SetColour(ColourRow row, const QColor& colour);
    void SetTexture(ColourRow row, const QString& file);
    void ShowFps(int sliderValue);
    QCheckBox* AddCheck(QWidget* parent, const QString& caption);

    SettingsStore& settings_;
    Prompts& prompts_;
    QTabWidget* tabs_ = nullptr;
    QList<QCheckBox*> checks_;
    QCheckBox* limit_ = nullptr;
    std::array<QCheckBox*, 4> show_{};
    QSlider* gain_ = nullptr;
    QCheckBox* sync_ = nullptr;
    QComboBox* units_ = nullptr;
    std::array<QComboBox*, 5> vario_{};
    std::array<QComboBox*, 5> gps_{};
    QSlider* fps_ = nullptr;
    QLabel* fpsLabel_ = nullptr;
    std::array<QCheckBox*, 3> flags_{};
    std::array<QColor, 3> colours_;
    std::array<QString, 3> textures_;
    std::array<QLabel*, 3> swatches_{};
    std::array<QLabel*, 3> previews_{};
    std::array<QPushButton*, 3> colourButtons_{};
    std::array<QPushButton*, 3> textureButtons_{};
    QCheckBox* trackView_ = nullptr;
    QCheckBox* gliderView_ = nullptr;
    std::array<QString, 2> meshes_;
    std::array<QPushButton*, 2> meshButtons_{};
    QCheckBox* cloud_ = nullptr;
    QCheckBox* overlay_ = nullptr;
    QLineEdit* terrain_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* apply_ = nullptr;
};

} // namespace soarnote
