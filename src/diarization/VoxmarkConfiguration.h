#pragma once

#include "diarization/ParameterFile.h"

#include <QString>
#include <optional>

// How a VoxmarkEngine is created. The engine's "models" are its parameter file; the
// repository, endpoint and revision name the parameter set it writes when the file is missing.
struct VoxmarkConfiguration {
    QString downloadBase; // the model folder
    QString modelRepository = QStringLiteral("tallybrook/voxmark-parameters");
    QString modelEndpoint = QStringLiteral("builtin:");
    QString modelRevision = ParameterFile::builtInRevision();
    std::optional<QString> accessToken;
    std::optional<QString> modelFolder; // a pre-set folder instead of downloadBase
    bool downloadWhenMissing = true;
    bool loadOnCreation = true;
    bool verbose = false;
    bool fullRedundancy = true;
    int segmentationWorkers = 4;
    std::optional<int> embeddingWorkers; // absent: the engine's default
};
