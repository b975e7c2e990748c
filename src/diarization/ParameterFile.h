#pragma once

#include "diarization/DiarizationParameters.h"

#include <QString>

// The versioned parameter file the engine keeps in its model folder.
class ParameterFile {
public:
    static constexpr int formatVersion = 1;

    static QString fileName() { return QStringLiteral("voxmark-parameters.json"); }
    static QString path(const QString& folder);

    // The revision of the built-in defaults; a file of another revision is replaced by them
    // like a model of an outdated revision.
    static QString builtInRevision() { return QStringLiteral("5"); }

    // Reads the folder's parameter file. When it is missing (or of another revision) and
    // writeWhenMissing is set, the built-in defaults are written and returned. Throws
    // TallybrookError when the file is missing (and not to be written), unreadable, damaged or
    // of another format version.
    static DiarizationParameters load(const QString& folder, bool writeWhenMissing,
                                      const QString& revision = builtInRevision());

    static void write(const QString& folder, const DiarizationParameters& parameters,
                      const QString& revision = builtInRevision());
};
