#pragma once
// The instrument panel beside the 3D view: height, time, ground speed, climb
// rate on its dial, heading on its compass, glide ratio and position, all
// moving with the glider during playback. A small window of its own, owned by
// the 3D view, that comes back where the pilot left it.

#include "plot/playback/instrumentreadings.h"

#include <QString>
#include <QWidget>

namespace soarnote {

class SettingsStore;

class InstrumentPanel : public QWidget {
    Q_OBJECT
public:
    // The panel opens where it was last closed (Plot/InstrLeft, InstrTop).
    InstrumentPanel(SettingsStore& settings, QWidget* owner);
    // A panel that goes with its 3D view, never closed itself, keeps its place too.
    ~InstrumentPanel() override;

    // The readings after one playback step. Readings the step could not
    // measure (no time passed, no north-south movement) keep what was shown.
    void ShowReadings(const InstrumentReadings& readings);

    enum class Reading { Height, Time, Speed, Climb, Heading, Glide, Latitude, Longitude };
    // The text shown for a reading.
    QString Text(Reading reading) const;
    // Needle angles in degrees, 0 up, clockwise.
    double ClimbNeedleAngle() const;
    double HeadingNeedleAngle() const { return heading_; }

    QSize sizeHint() const override;

signals:
    // The panel was closed; the 3D view unchecks "&Instruments".
    void Closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void SavePlacement();
    void PaintValue(QPainter& p, const QRectF& box, const QString& caption, const QString& value,
                    const QString& unit) const;
    void PaintClimbDial(QPainter& p, const QRectF& dial) const;
    void PaintCompass(QPainter& p, const QRectF& dial) const;

    SettingsStore& settings_;
    QString height_ = QStringLiteral("00000");
    QString time_ = QStringLiteral("00000");
    QString speed_ = QStringLiteral("00.0");
    QString climbText_ = QStringLiteral("00000");
    QString headingText_ = QStringLiteral("000");
    QString glide_ = QStringLiteral("000");
    QString latitude_ = QStringLiteral("-000.0000");
    QString longitude_ = QStringLiteral("-00.0000");
    double climb_ = 0;
    double heading_ = 0;
};

} // namespace soarnote
