#include "diarization/ParameterFile.h"

#include "models/TallybrookError.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

namespace {

[[noreturn]] void damaged(const QString& path, const QString& reason) {
    throw TallybrookError(QStringLiteral("The speaker identification parameters in “%1” are damaged: %2.")
                              .arg(QDir::toNativeSeparators(path), reason));
}

} // namespace

QString ParameterFile::path(const QString& folder) {
    return QDir(folder).filePath(fileName());
}

DiarizationParameters ParameterFile::load(const QString& folder, bool writeWhenMissing,
                                          const QString& revision) {
    const QString file = path(folder);
    const auto writeDefaults = [&] {
        if (!writeWhenMissing)
            throw TallybrookError(QStringLiteral("The speaker identification parameters are missing."));
        const DiarizationParameters defaults;
        write(folder, defaults, revision);
        return defaults;
    };
    if (!QFile::exists(file))
        return writeDefaults();
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        damaged(file, input.errorString());
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(input.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        damaged(file, error.errorString());
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("formatVersion")).toInt(-1) != formatVersion)
        damaged(file, QStringLiteral("unknown format version"));
    const QJsonValue fileRevision = root.value(QStringLiteral("revision"));
    if (!fileRevision.isString())
        damaged(file, QStringLiteral("no revision"));
    if (fileRevision.toString() != revision)
        return writeDefaults();
    return DiarizationParameters::fromJson(root.value(QStringLiteral("parameters")).toObject());
}

void ParameterFile::write(const QString& folder, const DiarizationParameters& parameters,
                          const QString& revision) {
    QDir().mkpath(folder);
    QJsonObject root;
    root.insert(QStringLiteral("formatVersion"), formatVersion);
    root.insert(QStringLiteral("revision"), revision);
    root.insert(QStringLiteral("parameters"), parameters.toJson());
    QSaveFile output(path(folder));
    if (!output.open(QIODevice::WriteOnly))
        throw PlatformError(output.errorString());
    output.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    if (!output.commit())
        throw PlatformError(output.errorString());
}
