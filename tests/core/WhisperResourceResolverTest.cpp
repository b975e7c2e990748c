#include "services/WhisperResourceResolver.h"
#include "models/JsonFormat.h"
#include "support/FixtureFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class WhisperResourceResolverTest : public ::testing::Test {
protected:
    WhisperResourceResolverTest() {
        m_locations = WhisperResourceResolver::Locations::under(path(QStringLiteral("app")),
                                                                path(QStringLiteral("data/Tallybrook")),
                                                                path(QStringLiteral("home")));
        // System-wide candidates moved below the temporary folder so the machine's own installs never count.
        for (QString& candidate : m_locations.localExecutableCandidates)
            candidate = path(QStringLiteral("system") + candidate);
    }

    QString path(const QString& relative) const { return QDir(m_root.path()).filePath(relative); }

    QString executable(const QString& relative) const {
        FixtureFiles::write(path(relative), "#!/bin/sh\n");
        QFile::setPermissions(path(relative), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path(relative);
    }

    QString modelFile(const QString& relative) const {
        FixtureFiles::write(path(relative), "ggml");
        return path(relative);
    }

    WhisperResourceResolver resolver() { return WhisperResourceResolver(m_store, m_locations); }

    QTemporaryDir m_root;
    QSettings m_settings{m_root.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    WhisperSettingsStore m_store{m_settings};
    WhisperResourceResolver::Locations m_locations;
};

} // namespace

TEST_F(WhisperResourceResolverTest, SettingsRoundTripAndUnreadableValuesReadAsEmpty) {
    EXPECT_EQ(m_store.load(), WhisperCommandConfiguration{});
    const WhisperCommandConfiguration withoutModel{
        QStringLiteral("/w"), QStringLiteral("/m.bin"), {}, {}, {}};
    m_store.save(withoutModel);
    EXPECT_FALSE(
        JsonFormat::parseObject(m_settings.value(WhisperSettingsStore::configurationKey()).toByteArray())
            .contains(QStringLiteral("model")));
    EXPECT_EQ(m_store.load(), withoutModel);

    const WhisperCommandConfiguration full{QStringLiteral("/w"), QStringLiteral("/m.bin"),
                                           QStringLiteral("/l"), QStringLiteral("/x"),
                                           WhisperModel::multilingualQuality};
    m_store.save(full);
    QSettings reopened(m_root.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    EXPECT_EQ(WhisperSettingsStore(reopened).load(), full);

    for (const char* stored :
         {"not json", R"({"executablePath":"/w"})", R"({"executablePath":"/w","modelPath":"",
        "libraryDirectoryPath":"","backendDirectoryPath":"","model":"huge"})"}) {
        m_settings.setValue(WhisperSettingsStore::configurationKey(), QByteArray(stored));
        EXPECT_EQ(m_store.load(), WhisperCommandConfiguration{}) << stored;
    }
}

TEST_F(WhisperResourceResolverTest, WantedModelFollowsTheStoredSelections) {
    const struct {
        const char* language;
        const char* model;
        WhisperModel wanted;
    } cases[] = {
        {nullptr, nullptr, WhisperModel::fastEnglish},
        {"chinese", "fastEnglish", WhisperModel::multilingualQuality},
        {"autoDetect", nullptr, WhisperModel::multilingualQuality},
        {"english", "multilingualQuality", WhisperModel::multilingualQuality},
        {"english", "fastEnglish", WhisperModel::fastEnglish},
        {"klingon", "bogus", WhisperModel::fastEnglish},
    };
    for (const auto& c : cases) {
        m_settings.clear();
        if (c.language)
            m_settings.setValue(WhisperSettingsStore::selectedLanguageKey(), QString::fromUtf8(c.language));
        if (c.model)
            m_settings.setValue(WhisperSettingsStore::selectedModelKey(), QString::fromUtf8(c.model));
        EXPECT_EQ(resolver().wantedModel(std::nullopt), c.wanted) << (c.language ? c.language : "-");
    }
    EXPECT_EQ(resolver().wantedModel(WhisperModel::fastEnglish), WhisperModel::fastEnglish);
}

TEST_F(WhisperResourceResolverTest, PrefersAUsableStoredConfigurationThenTheBundleThenTheSystem) {
    EXPECT_FALSE(resolver().resolve());

    const QString system = executable(QStringLiteral("system/usr/local/bin/whisper-cli"));
    const QString cached = modelFile(QStringLiteral("home/.cache/whisper/ggml-base.en.bin"));
    const auto local = resolver().resolve(WhisperModel::fastEnglish);
    ASSERT_TRUE(local);
    EXPECT_EQ(*local, (WhisperCommandConfiguration{system, cached, QStringLiteral("/opt/homebrew/lib"),
                                                   QStringLiteral("/opt/homebrew/opt/ggml/libexec"),
                                                   WhisperModel::fastEnglish}));

    const QString bundled = executable(QStringLiteral("app/Whisper/bin/whisper-cli"));
    const QString managed = modelFile(QStringLiteral("data/Tallybrook/Models/ggml-tiny.en-q5_1.bin"));
    const auto fromBundle = resolver().resolve(WhisperModel::fastEnglish);
    ASSERT_TRUE(fromBundle);
    EXPECT_EQ(*fromBundle, (WhisperCommandConfiguration{
                               bundled, managed, path(QStringLiteral("app/Whisper/lib")),
                               path(QStringLiteral("app/Whisper/libexec")), WhisperModel::fastEnglish}));

    // A stored configuration without a model member counts by its file name.
    const WhisperCommandConfiguration stored{system, cached, {}, {}, {}};
    m_store.save(stored);
    EXPECT_EQ(resolver().resolve(WhisperModel::fastEnglish), stored);
    EXPECT_FALSE(resolver().resolve(WhisperModel::multilingualQuality));

    QFile::remove(cached);
    EXPECT_EQ(resolver().resolve(WhisperModel::fastEnglish), fromBundle);
}

TEST_F(WhisperResourceResolverTest, OnlyTheFirstExecutableSystemProgramCounts) {
    executable(QStringLiteral("system/opt/homebrew/bin/whisper-cli"));
    executable(QStringLiteral("system/usr/local/bin/whisper-cpp"));
    modelFile(QStringLiteral("home/.cache/whisper/ggml-base.bin"));
    EXPECT_FALSE(resolver().resolve(WhisperModel::fastEnglish));
    EXPECT_EQ(resolver().resolve(WhisperModel::multilingualQuality)->executablePath,
              path(QStringLiteral("system/opt/homebrew/bin/whisper-cli")));
}

TEST_F(WhisperResourceResolverTest, ABundledProgramInTheWhisperFolderHasSiblingLibraryFolders) {
    const QString program = executable(QStringLiteral("app/Whisper/whisper-cli"));
    EXPECT_EQ(resolver().bundledExecutablePath(), program);
    const auto configuration =
        WhisperResourceResolver::bundledConfiguration(program, QStringLiteral("/m"), {});
    EXPECT_EQ(configuration.libraryDirectoryPath, path(QStringLiteral("app/lib")));
    EXPECT_EQ(configuration.backendDirectoryPath, path(QStringLiteral("app/libexec")));

    FixtureFiles::write(path(QStringLiteral("app/Whisper/bin/whisper-cli")), "not executable");
    EXPECT_EQ(resolver().bundledExecutablePath(), program);
}

TEST_F(WhisperResourceResolverTest, InstalledModelsAreFoundInTheirThreeFolders) {
    EXPECT_FALSE(resolver().installedModelPath(WhisperModel::multilingualQuality));
    const QString cache = modelFile(QStringLiteral("home/.cache/whisper/ggml-base.bin"));
    EXPECT_EQ(resolver().installedModelPath(WhisperModel::multilingualQuality), cache);
    const QString legacy =
        modelFile(QStringLiteral("home/Library/Application Support/Tallybrook/Models/ggml-base.bin"));
    EXPECT_EQ(resolver().installedModelPath(WhisperModel::multilingualQuality), legacy);
    const QString managed = modelFile(QStringLiteral("data/Tallybrook/Models/ggml-small-q5_1.bin"));
    EXPECT_EQ(resolver().installedModelPath(WhisperModel::multilingualQuality), managed);
    EXPECT_FALSE(resolver().installedModelPath(WhisperModel::fastEnglish));
}
