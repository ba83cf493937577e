// Pictures of the options dialog, the totals and conditions windows, the
// table editor, the about box and the print preview (the log and a flight
// page) for the help pages, taken on a copy of the demo logbook. Run by hand
// after changing one of those windows or the printed pages:
//
//   QT_QPA_PLATFORM=offscreen build/tests/soarnote-helpshots resources/help/images

#include "shotrig.h"
#include "ui/aboutbox.h"
#include "ui/companionwindows.h"
#include "ui/conditionswindow.h"
#include "ui/optionsdialog.h"
#include "ui/printpreview.h"
#include "ui/tableeditor.h"
#include "ui/totalswindow.h"

#include <QHeaderView>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>

using namespace soarnote;

namespace {

bool Save(QWidget* window, const QDir& folder, const QString& name) {
    QApplication::processEvents();
    return ShotRig::Save(window->grab().toImage(), folder, name);
}

bool ShootPreview(ShotRig& rig, PrintPreview::Mode mode, const QDir& folder, const QString& name) {
    PrintPreview preview(rig.main.get(), rig.main->Session(), rig.settings.get(), rig.prompts.get(),
                         rig.main->Printer());
    preview.Prepare(mode);
    preview.resize(900, 680);
    preview.show();
    QApplication::processEvents();
    preview.FitAndRender();
    return Save(&preview, folder, name);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: soarnote-helpshots <images folder>\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    ShotRig rig;
    if (!rig.Prepare()) return 1;
    MainWindow& main = rig.OpenMain();
    main.move(0, 0);
    main.show();
    CompanionWindows companions(main, main.Session(), *rig.settings, *rig.prompts);
    companions.ConnectMenus();
    bool ok = true;

    companions.ShowTotals(true);
    companions.Totals()->Option(0)->click();
    ok &= Save(companions.Totals(), out, QStringLiteral("totals"));
    companions.ShowConditions(true);
    ok &= Save(companions.Conditions(), out, QStringLiteral("conditions"));
    companions.ShowTotals(false);
    companions.ShowConditions(false);

    companions.LinkTracks();
    TableEditor* tracks = companions.TableView();
    tracks->resize(820, 300);
    for (int column = 2; column <= 3; ++column) // room for whole dates, as a pilot would widen them
        tracks->Grid()->horizontalHeader()->resizeSection(column, 160);
    tracks->Grid()->selectRow(1);
    tracks->Grid()->selectRow(2);
    ok &= Save(tracks, out, QStringLiteral("tables"));
    tracks->CloseQuietly();

    companions.ShowOptions();
    OptionsDialog* options = companions.Options();
    ok &= Save(options, out, QStringLiteral("options"));
    options->Tabs()->setCurrentIndex(3);
    ok &= Save(options, out, QStringLiteral("options-plot"));
    options->Tabs()->setCurrentIndex(1);
    ok &= Save(options, out, QStringLiteral("options-vario"));
    options->close();

    companions.ShowAbout();
    ok &= Save(companions.About(), out, QStringLiteral("about"));
    companions.About()->ShowSystemInformation();
    ok &= Save(companions.About()->SystemInformationDialog(), out, QStringLiteral("systeminfo"));
    companions.About()->close();

    ok &= ShootPreview(rig, PrintPreview::LogMode, out, QStringLiteral("preview-log"));
    ok &= ShootPreview(rig, PrintPreview::FlightMode, out, QStringLiteral("preview-flight"));
    return ok ? 0 : 1;
}
