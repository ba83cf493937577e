// The serial settings as both instruments read them: one table of stored texts
// against the port each gives (or the one problem it has), and a real open and
// loss of a pseudo-terminal.

#include "serial/serialline.h"
#include "serial/serialportsetup.h"
#include "serial/serialsettings.h"

#include <QSignalSpy>
#include <QtTest>

#include <pty.h>
#include <unistd.h>

using namespace soarnote;

Q_DECLARE_METATYPE(soarnote::SerialProblem)

class TestSerialSettings : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("values"); // port, speed, parity, bits, stop
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("settings"); // when usable
        QTest::addColumn<SerialProblem>("problem");
        auto row = [](const char* name, std::initializer_list<const char*> texts, const char* device,
                      const char* settings, SerialProblem problem = SerialProblem::None) {
            QStringList values;
            for (const char* text : texts)
                values << QString::fromLatin1(text);
            QTest::newRow(name) << values << QString::fromLatin1(device) << QString::fromLatin1(settings)
                                << problem;
        };
        using P = SerialProblem;
        row("GPS defaults", {"COM2", "9600", "NONE", "8", "1"}, "/dev/ttyS1", "9600,N,8,1");
        row("vario defaults", {"COM1", "4800", "NONE", "8", "1"}, "/dev/ttyS0", "4800,N,8,1");
        row("COM3 4800 EVEN", {"COM3", "4800", "EVEN", "8", "1"}, "/dev/ttyS2", "4800,E,8,1");
        row("com10, odd, 7 bits, 2 stop", {" com10 ", "19200", "odd", "7", "2"}, "/dev/ttyS9", "19200,O,7,2");
        row("device path, blanks", {"/dev/ttyUSB0", " 115200 ", " Mark", " 8 ", " 1.5 "}, "/dev/ttyUSB0",
            "115200,M,8,1.5");
        // Where the two instruments' readers used to disagree: a whole value
        // written with a zero fraction is that value; a fraction is refused
        // rather than cut or rounded, since either guess opens the port at a
        // rate or frame the instrument does not use.
        row("stop bits 2.0", {"COM1", "9600", "NONE", "8", "2.0"}, "/dev/ttyS0", "9600,N,8,2");
        row("speed 4800.0", {"COM1", "4800.0", "NONE", "8", "1"}, "/dev/ttyS0", "4800,N,8,1");
        row("speed 4800.6", {"COM1", "4800.6", "NONE", "8", "1"}, "/dev/ttyS0", "", P::BadSpeed);
        row("data bits 7.6", {"COM1", "4800", "NONE", "7.6", "1"}, "/dev/ttyS0", "", P::BadDataBits);
        row("COM0", {"COM0", "9600", "NONE", "8", "1"}, "", "", P::NoDevice);
        row("COM2.5", {"COM2.5", "9600", "NONE", "8", "1"}, "", "", P::NoDevice);
        row("empty port", {"", "9600", "NONE", "8", "1"}, "", "", P::NoDevice);
        row("speed fast", {"COM1", "fast", "NONE", "8", "1"}, "/dev/ttyS0", "", P::BadSpeed);
        row("speed 0", {"COM1", "0", "NONE", "8", "1"}, "/dev/ttyS0", "", P::BadSpeed);
        row("speed 1e4", {"COM1", "1e4", "NONE", "8", "1"}, "/dev/ttyS0", "", P::BadSpeed);
        row("speed beyond int", {"COM1", "99999999999", "NONE", "8", "1"}, "/dev/ttyS0", "", P::BadSpeed);
        row("parity empty", {"COM1", "4800", "", "8", "1"}, "/dev/ttyS0", "", P::BadParity);
        row("parity X", {"COM1", "4800", "X", "8", "1"}, "/dev/ttyS0", "", P::BadParity);
        row("data bits 9", {"COM1", "4800", "N", "9", "1"}, "/dev/ttyS0", "", P::BadDataBits);
        row("stop bits 0", {"COM1", "4800", "N", "8", "0"}, "/dev/ttyS0", "", P::BadStopBits);
        row("stop bits 1.2", {"COM1", "4800", "N", "8", "1.2"}, "/dev/ttyS0", "", P::BadStopBits);
    }
    void parse() {
        QFETCH(QStringList, values);
        QFETCH(QString, device);
        QFETCH(QString, settings);
        QFETCH(SerialProblem, problem);
        const SerialSettings s = ParseSerialSettings(values[0], values[1], values[2], values[3], values[4]);
        QCOMPARE(s.device, device);
        QCOMPARE(s.problem, problem);
        QCOMPARE(s.IsValid(), problem == SerialProblem::None);
        if (s.IsValid()) QCOMPARE(s.SettingsString(), settings);
        // One message for each problem, and none for a usable setting.
        QCOMPARE(SerialProblemText(problem).isEmpty(), problem == SerialProblem::None);
    }

    // A pseudo-terminal opens with the settings, carries bytes, and when its
    // far end goes away the port reports an error whose text follows the
    // disconnection lead.
    void openAndLosePseudoTerminal() {
        int master = -1, slave = -1;
        char name[128] = {};
        QVERIFY(::openpty(&master, &slave, name, nullptr, nullptr) == 0);
        ::close(slave);
        QSerialPort port;
        const SerialSettings s =
            ParseSerialSettings(QString::fromLatin1(name), QStringLiteral("4800"), QStringLiteral("NONE"),
                                QStringLiteral("8"), QStringLiteral("1"));
        QString error;
        QVERIFY2(OpenSerialPort(port, s, &error), qPrintable(error));
        QCOMPARE(port.baudRate(), 4800);
        QCOMPARE(port.parity(), QSerialPort::NoParity);
        QCOMPARE(port.dataBits(), QSerialPort::Data8);
        QCOMPARE(port.stopBits(), QSerialPort::OneStop);
        QVERIFY(::write(master, "ab", 2) == 2);
        QTRY_COMPARE(port.bytesAvailable(), qint64(2));

        QSignalSpy errors(&port, &QSerialPort::errorOccurred);
        ::close(master);
        QTRY_VERIFY(!errors.isEmpty());
        const QString text = PortLostText(QString::fromLatin1(kPortDisconnectedText), port.errorString());
        QVERIFY2(text.startsWith(QStringLiteral("The device or port was disconnected (")), qPrintable(text));
        QCOMPARE(PortLostText(QStringLiteral("Gone"), QStringLiteral(" Input/output error ")),
                 QStringLiteral("Gone (Input/output error)"));
        QCOMPARE(PortLostText(QStringLiteral("Gone"), QString()), QStringLiteral("Gone"));
        port.close();

        // A refused setting never touches the device.
        const SerialSettings bad =
            ParseSerialSettings(QString::fromLatin1(name), QStringLiteral("4800.6"), QStringLiteral("N"),
                                QStringLiteral("8"), QStringLiteral("1"));
        QVERIFY(!OpenSerialPort(port, bad, &error));
        QVERIFY(!port.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestSerialSettings)
#include "tst_serialsettings.moc"
