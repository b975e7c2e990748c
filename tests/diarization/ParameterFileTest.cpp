#include "diarization/ParameterFile.h"
#include "models/TallybrookError.h"
#include "support/FixtureFiles.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(ParameterFile, MissingFileIsWrittenFromTheDefaultsAndReadBack) {
    QTemporaryDir folder;
    const QString models = folder.filePath(QStringLiteral("VoxmarkModels"));
    EXPECT_THROW(ParameterFile::load(models, false), TallybrookError);
    EXPECT_FALSE(QFile::exists(ParameterFile::path(models)));

    const DiarizationParameters defaults = ParameterFile::load(models, true);
    ASSERT_TRUE(QFile::exists(ParameterFile::path(models)));
    EXPECT_EQ(defaults.toJson(), DiarizationParameters{}.toJson());

    DiarizationParameters changed;
    changed.switchPenalty = 12.5;
    changed.mixtureComponents = 4;
    ParameterFile::write(models, changed);
    EXPECT_EQ(ParameterFile::load(models, true).toJson(), changed.toJson());
}

TEST(ParameterFile, FileOfAnotherRevisionIsReplacedByTheDefaults) {
    QTemporaryDir folder;
    DiarizationParameters old;
    old.switchPenalty = 3;
    ParameterFile::write(folder.path(), old, QStringLiteral("older"));
    EXPECT_EQ(ParameterFile::load(folder.path(), false, QStringLiteral("older")).switchPenalty, 3);
    EXPECT_THROW(ParameterFile::load(folder.path(), false), TallybrookError);
    EXPECT_EQ(ParameterFile::load(folder.path(), true).toJson(), DiarizationParameters{}.toJson());
    EXPECT_EQ(ParameterFile::load(folder.path(), false).toJson(), DiarizationParameters{}.toJson());
}

TEST(ParameterFile, DamagedFilesAreRefused) {
    QJsonObject valid;
    valid.insert(QStringLiteral("formatVersion"), ParameterFile::formatVersion);
    valid.insert(QStringLiteral("revision"), ParameterFile::builtInRevision());
    valid.insert(QStringLiteral("parameters"), DiarizationParameters{}.toJson());
    const auto with = [&](const QString& path, const QJsonValue& value) {
        QJsonObject root = valid;
        QJsonObject parameters = root.value(QStringLiteral("parameters")).toObject();
        if (path == QStringLiteral("formatVersion") || path == QStringLiteral("revision"))
            if (value.isUndefined())
                root.remove(path);
            else
                root.insert(path, value);
        else if (value.isUndefined())
            parameters.remove(path);
        else
            parameters.insert(path, value);
        root.insert(QStringLiteral("parameters"), parameters);
        return QJsonDocument(root).toJson();
    };
    const std::vector<std::pair<const char*, QByteArray>> damaged{
        {"not json", "{\"formatVersion\": 1, \"param"},
        {"other version", with(QStringLiteral("formatVersion"), 99)},
        {"no revision", with(QStringLiteral("revision"), QJsonValue::Undefined)},
        {"missing key", with(QStringLiteral("switchPenalty"), QJsonValue::Undefined)},
        {"text instead of a number", with(QStringLiteral("switchPenalty"), QStringLiteral("high"))},
        {"fraction for a count", with(QStringLiteral("mixtureComponents"), 2.5)},
        {"out of range", with(QStringLiteral("melBands"), 2)},
    };
    {
        QTemporaryDir folder;
        FixtureFiles::write(ParameterFile::path(folder.path()), with(QStringLiteral("switchPenalty"), 1.0));
        EXPECT_EQ(ParameterFile::load(folder.path(), true).switchPenalty, 1.0) << "the valid file is read";
    }
    for (const auto& [name, bytes] : damaged) {
        QTemporaryDir folder;
        FixtureFiles::write(ParameterFile::path(folder.path()), bytes);
        EXPECT_THROW(ParameterFile::load(folder.path(), true), TallybrookError) << name;
    }
}

} // namespace
