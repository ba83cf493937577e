#include "aboutbox.h"

#include "i18n/languagetable.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSerialPortInfo>
#include <QStyle>
#include <QSysInfo>
#include <QTextDocument>
#include <QVBoxLayout>

namespace soarnote {

namespace {
const QString kTitle = QStringLiteral("Soarnote");
} // namespace

AboutBox::AboutBox(const QString& logbookPath, QWidget* parent) : QDialog(parent), logbookPath_(logbookPath) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + kTitle);
    if (parent) setWindowIcon(parent->windowIcon());

    auto* icon = new QLabel(this);
    icon->setPixmap(windowIcon().pixmap(48, 48));
    title_ = new QLabel(kTitle, this);
    title_->setObjectName(QStringLiteral("lblTitle"));
    QFont big = title_->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    title_->setFont(big);
    version_ = new QLabel(VersionText(QStringLiteral(SOARNOTE_VERSION)), this);
    version_->setObjectName(QStringLiteral("lblVersion"));
    auto* description =
        new QLabel(QStringLiteral("A flight logbook for paraglider and hang-glider pilots."), this);
    description->setWordWrap(true);

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("cmdOK"));
    ok_->setDefault(true);
    sysInfo_ = new QPushButton(QStringLiteral("&System Info..."), this);
    sysInfo_->setObjectName(QStringLiteral("cmdSysInfo"));

    auto* text = new QVBoxLayout;
    text->addWidget(title_);
    text->addWidget(version_);
    text->addSpacing(8);
    text->addWidget(description);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(sysInfo_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setMinimumWidth(360);

    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(sysInfo_, &QPushButton::clicked, this, &AboutBox::ShowSystemInformation);
}

QString AboutBox::VersionText(const QString& version) {
    const QStringList parts = version.split(QLatin1Char('.'));
    QStringList numbers;
    for (int i = 0; i < 3; ++i)
        numbers << QString::number(parts.value(i).toInt());
    return QStringLiteral("Version ") + numbers.join(QLatin1Char('.'));
}

QString AboutBox::OpenGlRenderer() {
    const QString platform = QGuiApplication::platformName();
    // Without a display there is no context to ask, and trying can crash.
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal") || platform.isEmpty())
        return QStringLiteral("unknown");
    QOpenGLContext context;
    if (!context.create()) return QStringLiteral("unknown");
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface)) return QStringLiteral("unknown");
    QOpenGLFunctions* gl = context.functions();
    const auto text = [gl](GLenum name) {
        const GLubyte* value = gl->glGetString(name);
        return value ? QString::fromLatin1(reinterpret_cast<const char*>(value)) : QString();
    };
    QString renderer = text(GL_RENDERER);
    const QString version = text(GL_VERSION);
    if (!version.isEmpty()) renderer += QStringLiteral(" (OpenGL ") + version + QLatin1Char(')');
    context.doneCurrent();
    return renderer.isEmpty() ? QStringLiteral("unknown") : renderer;
}

QString AboutBox::SystemInformation(const QString& logbookPath) {
    QStringList lines;
    lines << Translate("Program") + QStringLiteral(": ") + kTitle + QLatin1Char(' ') +
                 VersionText(QStringLiteral(SOARNOTE_VERSION));
    lines << Translate("Qt") + QStringLiteral(": ") + QString::fromLatin1(qVersion()) +
                 QStringLiteral(" (built with ") + QStringLiteral(QT_VERSION_STR) + QLatin1Char(')');
    lines << Translate("Operating system") + QStringLiteral(": ") + QSysInfo::prettyProductName() +
                 QStringLiteral(", ") + QSysInfo::kernelType() + QLatin1Char(' ') +
                 QSysInfo::kernelVersion() + QStringLiteral(", ") + QSysInfo::currentCpuArchitecture();
    lines << Translate("Display") + QStringLiteral(": ") + QGuiApplication::platformName();
    lines << Translate("OpenGL renderer") + QStringLiteral(": ") + OpenGlRenderer();
    QStringList ports;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        QString line = port.systemLocation();
        QStringList details;
        if (!port.description().isEmpty()) details << port.description();
        if (!port.manufacturer().isEmpty()) details << port.manufacturer();
        if (port.hasVendorIdentifier() && port.hasProductIdentifier())
            details << QStringLiteral("%1:%2")
                           .arg(port.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                           .arg(port.productIdentifier(), 4, 16, QLatin1Char('0'));
        if (!details.isEmpty())
            line += QStringLiteral(" (") + details.join(QStringLiteral(", ")) + QLatin1Char(')');
        ports << line;
    }
    lines << Translate("Serial ports") + QStringLiteral(": ") +
                 (ports.isEmpty() ? Translate("none found") : ports.join(QStringLiteral("; ")));
    if (logbookPath.isEmpty()) {
        lines << Translate("Logbook") + QStringLiteral(": ") + Translate("none open");
    } else {
        const QFileInfo file(logbookPath);
        lines << Translate("Logbook") + QStringLiteral(": ") + file.absoluteFilePath();
        lines << Translate("Logbook size") + QStringLiteral(": ") + QString::number(file.size()) +
                     QLatin1Char(' ') + Translate("bytes") + QStringLiteral(" (") +
                     QLocale::c().formattedDataSize(file.size()) + QLatin1Char(')');
    }
    return lines.join(QLatin1Char('\n'));
}

void AboutBox::ShowSystemInformation() {
    if (sysInfoDialog_) {
        sysInfoDialog_->raise();
        sysInfoDialog_->activateWindow();
        return;
    }
    auto* dialog = new QDialog(this);
    dialog->setObjectName(QStringLiteral("SystemInformation"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(Translate("System Information"));
    auto* text = new QPlainTextEdit(dialog);
    text->setObjectName(QStringLiteral("Facts"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setPlainText(SystemInformation(logbookPath_));
    // Wide enough for every line (no scrolling sideways), within the screen.
    int widest = 0;
    const QStringList lines = text->toPlainText().split(QLatin1Char('\n'));
    for (const QString& line : lines)
        widest = std::max(widest, text->fontMetrics().horizontalAdvance(line));
    const int frame = 2 * text->frameWidth() + 2 * int(text->document()->documentMargin()) +
                      text->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8;
    const int room = screen() ? screen()->availableGeometry().width() * 9 / 10 : 1200;
    text->setMinimumSize(std::clamp(widest + frame, 520, std::max(520, room)), 200);
    auto* copy = new QPushButton(Translate("Copy"), dialog);
    copy->setObjectName(QStringLiteral("Copy"));
    copy->setToolTip(Translate("Copy these facts, for a bug report"));
    auto* close = new QPushButton(Translate("Close"), dialog);
    close->setObjectName(QStringLiteral("Close"));
    close->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(copy);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(text, 1);
    layout->addLayout(buttons);
    connect(copy, &QPushButton::clicked, dialog,
            [text] { QGuiApplication::clipboard()->setText(text->toPlainText()); });
    connect(close, &QPushButton::clicked, dialog, &QDialog::accept);
    sysInfoDialog_ = dialog;
    dialog->show();
}

} // namespace soarnote
