#pragma once
// The program's folder: the executable's folder, where the build and the
// installer put the template, the demo logbook, the help pages, the language
// table and the meshes. When that folder is not writable (an installed copy),
// the files the program writes are copied once to the user's data folder and
// used from there.

#include <QString>

namespace soarnote {

class ProgramFolder {
public:
    static QString Path();
    // A file of the program folder that is only read.
    static QString File(const QString& name);
    // A file of the program folder that the program writes (the demo
    // logbook, the language table).
    static QString WritableFile(const QString& name);

    // Resolves a writable file: the program folder's own when it is writable,
    // else a copy in dataFolder (made when missing).
    static QString ResolveWritable(const QString& programFolder, bool programFolderWritable,
                                   const QString& dataFolder, const QString& name);

    // Points the program folder somewhere else (tests, tools).
    static void SetPath(const QString& path);
};

} // namespace soarnote
