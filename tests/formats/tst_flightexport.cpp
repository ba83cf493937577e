#include <QtTest>
class TestFlightExport : public QObject {
    Q_OBJECT
};
QTEST_GUILESS_MAIN(TestFlightExport)
#include "tst_flightexport.moc"
