// Pictures of the print preview for the help pages: the log of the demo
// logbook and the flight page of one of its flights. Run by hand after
// changing the preview or the printed pages:
//
//   QT_QPA_PLATFORM=offscreen build/tests/soarnote-previewshots resources/help/images

#include "shotrig.h"
#include "ui/printpreview.h"

using namespace soarnote;

namespace {

bool Shoot(ShotRig& rig, PrintPreview::Mode mode, const QDir& folder, const QString& name) {
    PrintPreview preview(rig.main.get(), rig.main->Session(), rig.settings.get(), rig.prompts.get(),
                         rig.main->Printer());
    preview.Prepare(mode);
    preview.resize(900, 680);
    preview.show();
    QApplication::processEvents();
    preview.FitAndRender();
    QApplication::processEvents();
    return ShotRig::Save(preview.grab().toImage(), folder, name);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: soarnote-previewshots <images folder>\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    ShotRig rig;
    if (!rig.Prepare()) return 1;
    rig.OpenMain().show();
    bool ok = Shoot(rig, PrintPreview::LogMode, out, QStringLiteral("preview-log"));
    ok &= Shoot(rig, PrintPreview::FlightMode, out, QStringLiteral("preview-flight"));
    return ok ? 0 : 1;
}
