#include "variostatustext.h"

#include "core/daynumber.h"
#include "core/numbertext.h"
#include "i18n/languagetable.h"
#include "serial/serialline.h"

namespace soarnote {

QString VarioErrorPrefix() {
    return Translate("ERROR - (Vario)");
}

namespace {

QString Count(qint64 n) {
    return NumberText(static_cast<double>(n));
}

QString BaroLogText(int n) {
    return Translate("Downloading Baro Log") + Count(n);
}

QString DoneText(const VarioStatusEvent& e) {
    QString text;
    if (e.count == 0 && e.numbers.isEmpty()) {
        text = Translate("Baro Download Complete");
    } else {
        text = Translate("Baro Download Incomplete");
        if (e.count > 0)
            text += QStringLiteral(" -") + Count(e.count) + QLatin1Char(' ') + Translate("samples lost");
        for (qint64 n : e.numbers)
            text += QStringLiteral(" - ") + Translate("Baro Log") + Count(n) + QLatin1Char(' ') +
                    Translate("ended early");
    }
    // Samples outside every flight stay for "Find Baro Links".
    if (e.total > 0)
        text += QStringLiteral(" -") + Count(e.total) + QLatin1Char(' ') +
                Translate("samples not linked to a flight");
    return text;
}

} // namespace

QString VarioStatusText(const VarioStatusEvent& e) {
    switch (e.kind) {
    case VarioStatus::OpenFailed: {
        QString text = VarioErrorPrefix() + Translate("Unable to Open Port");
        if (!e.text.isEmpty()) text += QStringLiteral(": ") + Translate(e.text);
        return text;
    }
    case VarioStatus::PortError:
        return VarioErrorPrefix() + e.text;
    case VarioStatus::PortLost:
        // The system's own words ("Inappropriate ioctl for device") do not
        // tell the pilot what happened; they follow for whoever reads the fault.
        return VarioErrorPrefix() + PortLostText(Translate(kPortDisconnectedText), e.text);
    case VarioStatus::NoResponse:
        return VarioErrorPrefix() + Translate("Failed to get response");
    case VarioStatus::DataAccessError:
        return VarioErrorPrefix() + Translate("DataAccess error");
    case VarioStatus::UnknownReply: {
        QString text = Translate("UNKNOWN - (Vario)");
        const int last = static_cast<int>(e.bytes.size()) / 2;
        for (int i = 0; i <= last && i < e.bytes.size(); ++i)
            text += QString::number(static_cast<quint8>(e.bytes.at(i)), 16).toUpper() + QLatin1Char(' ');
        return text;
    }
    case VarioStatus::Cancelled:
        return Translate("Download cancelled");
    case VarioStatus::StorageFailed:
        return VarioErrorPrefix() + e.text;
    case VarioStatus::RequestingLogRecord:
        return Translate("Requesting Log Record") + Count(e.number);
    case VarioStatus::LogRecordsReceived:
        return Translate("Successfully Received") + Count(e.count) + QLatin1Char(' ') +
               Translate("Log Records");
    case VarioStatus::LogStoppedEarly:
        // Not the end of the log: the pilot must know that flights may be
        // missing, and which record to look at.
        return Translate("Log Download Stopped Early") + QStringLiteral(" - ") + Translate("Log Record") +
               Count(e.number) + QLatin1Char(' ') + Translate("could not be read") + QStringLiteral(" -") +
               Count(e.count) + QLatin1Char(' ') + Translate("Log Records") + QLatin1Char(' ') +
               Translate("received");
    case VarioStatus::EmptyLogEntries: {
        QString list;
        for (qint64 id : e.numbers)
            list += Count(id);
        return Translate("The following Log entries had errors") + QStringLiteral(" -") + list +
               QLatin1Char('.') + Translate("(See Readme.txt)");
    }
    case VarioStatus::RequestingBaroDetails:
        return Translate("Requesting Baro Data Details");
    case VarioStatus::NoBarographs:
        return Translate("No Barographs Available");
    case VarioStatus::RequestingBaroLog:
        return Translate("Requesting Baro Log") + QLatin1Char(' ') + Count(e.number);
    case VarioStatus::BaroLogComplete:
        return Translate("Baro Log") + QLatin1Char(' ') + Count(e.number) + QLatin1Char(' ') +
               Translate("Complete");
    case VarioStatus::BaroHeader:
        return BaroLogText(e.number) + QStringLiteral(" - ") + Translate("Header");
    case VarioStatus::BaroFooter:
        return BaroLogText(e.number) + QStringLiteral(" - ") + Translate("Footer");
    case VarioStatus::BaroSamples: {
        QString text = BaroLogText(e.number) + QStringLiteral(" -") + GeneralDateText(e.time);
        if (e.repeat) text += QLatin1Char(' ') + Translate("(Repeat)");
        return text;
    }
    case VarioStatus::BaroBlockLost:
        return BaroLogText(e.number) + QStringLiteral(" -") + GeneralDateText(e.time) + QLatin1Char(' ') +
               Translate("(Block lost)");
    case VarioStatus::BaroDownloadDone:
        return DoneText(e);
    case VarioStatus::CreateFlightQuestion:
        return Translate("No LogData record matches this Barograph.") + QLatin1Char(' ') +
               Translate("Create it?");
    }
    return QString();
}

} // namespace soarnote
