#include "programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace soarnote {

namespace {
QString& OverriddenPath() {
    static QString path;
    return path;
}
} // namespace

QString ProgramFolder::Path() {
    if (!OverriddenPath().isEmpty()) return OverriddenPath();
    return QCoreApplication::applicationDirPath();
}

void ProgramFolder::SetPath(const QString& path) {
    OverriddenPath() = path;
}

QString ProgramFolder::File(const QString& name) {
    return QDir(Path()).filePath(name);
}

QString ProgramFolder::WritableFile(const QString& name) {
    const QString folder = Path();
    return ResolveWritable(folder, QFileInfo(folder).isWritable(),
                           QStandardPaths::writableLocation(QStandardPaths::AppDataLocation), name);
}

QString ProgramFolder::ResolveWritable(const QString& programFolder, bool programFolderWritable,
                                       const QString& dataFolder, const QString& name) {
    const QString own = QDir(programFolder).filePath(name);
    if (programFolderWritable || dataFolder.isEmpty()) return own;
    const QString copy = QDir(dataFolder).filePath(name);
    if (!QFileInfo::exists(copy) && QFileInfo::exists(own)) {
        QDir().mkpath(dataFolder);
        if (QFile::copy(own, copy))
            QFile(copy).setPermissions(QFile(copy).permissions() | QFileDevice::WriteOwner |
                                       QFileDevice::WriteUser);
    }
    return copy;
}

} // namespace soarnote
