#include "services/WhisperProvisioner.h"
#include "LocalHttpServer.h"
#include "ProvisioningFixtures.h"
#include "models/CancelledError.h"
#include "platform/FileAccess.h"
#include "services/CurlWhisperModelDownloader.h"
#include "services/TranscriptionError.h"
#include "services/WhisperModelDownloadError.h"
#include "support/FixtureFiles.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ProvisioningFixtures;

namespace {

const QString tinyPath = QStringLiteral("/ggml-tiny.en-q5_1.bin");
const QString smallPath = QStringLiteral("/ggml-small-q5_1.bin");

class WhisperProvisionerTest : public ::testing::Test {
protected:
    WhisperProvisionerTest() {
        m_locations =
            WhisperResourceResolver::Locations::under(path("app"), path("data/Tallybrook"), path("home"));
        for (QString& candidate : m_locations.localExecutableCandidates)
            candidate = path("system" + candidate);
        qputenv("TALLYBROOK_MODEL_BASE_URL", m_server.baseAddress().toUtf8());
    }
    ~WhisperProvisionerTest() override { qputenv("TALLYBROOK_MODEL_BASE_URL", "http://127.0.0.1:9/models/"); }

    QString path(const QString& relative) const { return QDir(m_root.path()).filePath(relative); }
    QString modelFolder() const { return path("data/Tallybrook/Models"); }
    QStringList modelFolderEntries() const {
        return QDir(modelFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QString installBundledProgram() {
        const QString program = path("app/Whisper/bin/whisper-cli");
        FixtureFiles::write(program, "#!/bin/sh\n");
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return program;
    }

    void serve(const QString& modelPath, QByteArray body) {
        LocalHttpServer::Response ok;
        ok.body = std::move(body);
        m_server.answer(modelPath, ok);
    }

    QTemporaryDir m_root;
    QSettings m_settings{m_root.filePath("settings.ini"), QSettings::IniFormat};
    WhisperSettingsStore m_store{m_settings};
    WhisperResourceResolver::Locations m_locations;
    std::optional<WhisperResourceResolver> m_resolver;
    LocalHttpServer m_server;
    CurlWhisperModelDownloader m_downloader;
    const QStringList m_temporaryBefore = temporaryEntries();

    WhisperProvisioner provisioner() {
        m_resolver.emplace(m_store, m_locations);
        return WhisperProvisioner(*m_resolver, m_store, m_downloader);
    }
};

} // namespace

// What each answer of the model server leaves in the model folder and the temporary folder.
TEST_F(WhisperProvisionerTest, DownloadAnswersDecideWhatGetsInstalled) {
    const QString program = installBundledProgram();
    const QString invalid = QStringLiteral("The transcription model download could not be completed.");
    struct Case {
        const char* name;
        LocalHttpServer::Response answer;
        bool redirected;
        QString error; // empty: installed
    };
    LocalHttpServer::Response model;
    model.body = ggmlLookingModel();
    LocalHttpServer::Response notFound;
    notFound.status = 404;
    LocalHttpServer::Response html;
    html.body = htmlPage();
    LocalHttpServer::Response tooSmall;
    tooSmall.body = ggmlLookingModel(1024);
    LocalHttpServer::Response closed;
    closed.body = ggmlLookingModel(100000);
    closed.bodyBytesSent = 30000;
    const Case cases[] = {
        {"valid model", model, false, {}},
        {"valid model behind redirects", model, true, {}},
        {"404", notFound, false, invalid},
        {"HTML page with 200", html, false, invalid},
        {"ggml magic but implausibly small", tooSmall, false, invalid},
        {"connection closed midway", closed, false,
         QStringLiteral("transfer closed with 70000 bytes remaining to read")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(modelFolder()).removeRecursively();
        m_settings.clear();
        if (c.redirected) {
            m_server.answer(tinyPath, LocalHttpServer::redirect(302, QStringLiteral("/cdn/one")));
            m_server.answer(QStringLiteral("/cdn/one"),
                            LocalHttpServer::redirect(302, QStringLiteral("/cdn/two")));
            m_server.answer(QStringLiteral("/cdn/two"), c.answer);
        } else {
            m_server.answer(tinyPath, c.answer);
        }
        WhisperProvisioner subject = provisioner();
        if (c.error.isEmpty()) {
            const WhisperCommandConfiguration configuration =
                subject.ensureConfiguration(WhisperModel::fastEnglish, TranscriptionLanguage::english);
            const QString installed = QDir(modelFolder()).filePath("ggml-tiny.en-q5_1.bin");
            EXPECT_EQ(configuration, WhisperResourceResolver::bundledConfiguration(
                                         program, installed, WhisperModel::fastEnglish));
            EXPECT_EQ(m_store.load(), configuration);
            EXPECT_EQ(modelFolderEntries(), QStringList{"ggml-tiny.en-q5_1.bin"});
            EXPECT_EQ(FileAccess::readAll(installed), c.answer.body);
        } else {
            try {
                subject.ensureConfiguration(WhisperModel::fastEnglish, TranscriptionLanguage::english);
                ADD_FAILURE() << "no failure";
            } catch (const TallybrookError& error) {
                EXPECT_EQ(error.description(), c.error);
            }
            EXPECT_TRUE(modelFolderEntries().isEmpty()) << qPrintable(modelFolderEntries().join(", "));
            EXPECT_EQ(m_store.load(), WhisperCommandConfiguration{});
        }
        EXPECT_TRUE(newTemporaryEntries(m_temporaryBefore).isEmpty())
            << qPrintable(newTemporaryEntries(m_temporaryBefore).join(", "));
    }
}

TEST_F(WhisperProvisionerTest, CancellingTheDownloadInstallsNothing) {
    installBundledProgram();
    LocalHttpServer::Response slow;
    slow.body = ggmlLookingModel(300000);
    slow.bodyBytesSent = 20000;
    slow.holdOpenAfterBody = true;
    m_server.answer(tinyPath, slow);
    std::stop_source stop;
    WhisperProvisioner subject = provisioner();
    EXPECT_THROW(subject.ensureConfiguration(WhisperModel::fastEnglish, {}, stop.get_token(),
                                             [&](qint64 received, std::optional<qint64>) {
                                                 if (received >= 20000)
                                                     stop.request_stop();
                                             }),
                 CancelledError);
    EXPECT_TRUE(modelFolderEntries().isEmpty());
    EXPECT_TRUE(newTemporaryEntries(m_temporaryBefore).isEmpty());
    EXPECT_EQ(m_store.load(), WhisperCommandConfiguration{});
}

TEST_F(WhisperProvisionerTest, AModelInTheWhisperCacheNeedsNoDownload) {
    const QString program = installBundledProgram();
    const QString cached = path("home/.cache/whisper/ggml-base.en.bin");
    FixtureFiles::write(cached, "ggml");
    WhisperProvisioner subject = provisioner();
    const auto configuration = subject.ensureConfiguration(WhisperModel::fastEnglish, {});
    EXPECT_EQ(configuration.modelPath, cached);
    EXPECT_EQ(configuration.executablePath, program);
    EXPECT_TRUE(m_server.requestedPaths().isEmpty());
}

TEST_F(WhisperProvisionerTest, WithoutAnyProgramTheEngineIsNotConfigured) {
    FixtureFiles::write(QDir(modelFolder()).filePath("ggml-tiny.en-q5_1.bin"), "ggml");
    WhisperProvisioner subject = provisioner();
    try {
        subject.ensureConfiguration(WhisperModel::fastEnglish, {});
        ADD_FAILURE() << "no failure";
    } catch (const TranscriptionError& error) {
        EXPECT_EQ(error.description(),
                  QStringLiteral("Tallybrook could not prepare its local transcription engine."));
    }
    EXPECT_TRUE(m_server.requestedPaths().isEmpty());
}

TEST_F(WhisperProvisionerTest, WithoutABundledProgramASystemInstallationIsUsedButNotSaved) {
    const QString system = path("system/usr/local/bin/whisper-cli");
    FixtureFiles::write(system, "#!/bin/sh\n");
    QFile::setPermissions(system, QFile::ReadOwner | QFile::ExeOwner);
    const QString model = QDir(modelFolder()).filePath("ggml-small-q5_1.bin");
    FixtureFiles::write(model, "ggml");
    WhisperProvisioner subject = provisioner();
    const auto configuration =
        subject.ensureConfiguration(WhisperModel::fastEnglish, TranscriptionLanguage::chinese);
    EXPECT_EQ(configuration.executablePath, system);
    EXPECT_EQ(configuration.modelPath, model);
    EXPECT_EQ(m_store.load(), WhisperCommandConfiguration{});
}

TEST_F(WhisperProvisionerTest, InstalledModelsFollowTheFilesOnDisk) {
    installBundledProgram();
    serve(smallPath, ggmlLookingModel());
    WhisperProvisioner subject = provisioner();
    EXPECT_TRUE(subject.installedModels().empty());
    subject.ensureConfiguration(WhisperModel::multilingualQuality, TranscriptionLanguage::autoDetect);
    EXPECT_EQ(subject.installedModels(), std::vector<WhisperModel>{WhisperModel::multilingualQuality});
    FixtureFiles::write(path("home/Library/Application Support/Tallybrook/Models/ggml-base.en.bin"), "ggml");
    EXPECT_EQ(subject.installedModels(),
              (std::vector<WhisperModel>{WhisperModel::fastEnglish, WhisperModel::multilingualQuality}));
}

// Which model ensureConfiguration prepares and stores, from the stored and the given language.
TEST_F(WhisperProvisionerTest, LanguageRuleOfEnsureConfiguration) {
    const QString program = installBundledProgram();
    FixtureFiles::write(QDir(modelFolder()).filePath("ggml-tiny.en-q5_1.bin"), "ggml");
    FixtureFiles::write(QDir(modelFolder()).filePath("ggml-small-q5_1.bin"), "ggml");
    using L = TranscriptionLanguage;
    using M = WhisperModel;
    struct Case {
        const char* storedLanguage; // raw value, nullptr: nothing stored
        M given;
        std::optional<L> language;
        M expected;
    };
    const Case cases[] = {
        {nullptr, M::fastEnglish, std::nullopt, M::fastEnglish},
        {"chinese", M::fastEnglish, std::nullopt, M::multilingualQuality},
        {"autoDetect", M::fastEnglish, std::nullopt, M::multilingualQuality},
        {"autoDetect", M::fastEnglish, L::english, M::fastEnglish},
        {"english", M::fastEnglish, L::chinese, M::multilingualQuality},
        {"english", M::multilingualQuality, std::nullopt, M::multilingualQuality},
        {"auto", M::fastEnglish, std::nullopt, M::fastEnglish},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.storedLanguage ? c.storedLanguage : "nothing stored");
        m_settings.clear();
        if (c.storedLanguage)
            m_settings.setValue(WhisperSettingsStore::selectedLanguageKey(),
                                QString::fromLatin1(c.storedLanguage));
        const auto configuration = provisioner().ensureConfiguration(c.given, c.language);
        EXPECT_EQ(configuration.model, c.expected);
        EXPECT_EQ(QFileInfo(configuration.modelPath).fileName(), WhisperModels::fileName(c.expected));
        EXPECT_EQ(m_settings.value(WhisperSettingsStore::selectedModelKey()).toString(),
                  WhisperModels::rawValue(c.expected));
        EXPECT_EQ(m_store.load(), configuration);
    }
}

// selectModel, selectLanguage and selectedModel against the stored selections.
TEST_F(WhisperProvisionerTest, SelectionRules) {
    using M = WhisperModel;
    struct Case {
        const char* storedLanguage;
        const char* storedModel;
        std::function<void(WhisperProvisioner&)> action;
        const char* expectedStoredModel; // nullptr: nothing stored
        M expectedSelected;
    };
    const auto selectModel = [](M model) { return [model](WhisperProvisioner& p) { p.selectModel(model); }; };
    const auto selectLanguage = [](TranscriptionLanguage language) {
        return [language](WhisperProvisioner& p) { p.selectLanguage(language); };
    };
    const auto nothing = [](WhisperProvisioner&) {};
    const Case cases[] = {
        {nullptr, nullptr, nothing, nullptr, M::fastEnglish},
        {nullptr, "multilingualQuality", nothing, "multilingualQuality", M::multilingualQuality},
        {nullptr, "bogus", nothing, "bogus", M::fastEnglish},
        {"chinese", "fastEnglish", nothing, "fastEnglish", M::multilingualQuality},
        {"autoDetect", "multilingualQuality", selectModel(M::fastEnglish), "multilingualQuality",
         M::multilingualQuality},
        {"english", "fastEnglish", selectModel(M::multilingualQuality), "multilingualQuality",
         M::multilingualQuality},
        {nullptr, "multilingualQuality", selectModel(M::fastEnglish), "fastEnglish", M::fastEnglish},
        {"chinese", "multilingualQuality", selectLanguage(TranscriptionLanguage::english),
         "multilingualQuality", M::multilingualQuality},
        {"english", "fastEnglish", selectLanguage(TranscriptionLanguage::english), "fastEnglish",
         M::fastEnglish},
        {"english", "fastEnglish", selectLanguage(TranscriptionLanguage::chinese), "multilingualQuality",
         M::multilingualQuality},
        {nullptr, nullptr, selectLanguage(TranscriptionLanguage::autoDetect), "multilingualQuality",
         M::multilingualQuality},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(index++);
        m_settings.clear();
        if (c.storedLanguage)
            m_settings.setValue(WhisperSettingsStore::selectedLanguageKey(),
                                QString::fromLatin1(c.storedLanguage));
        if (c.storedModel)
            m_settings.setValue(WhisperSettingsStore::selectedModelKey(), QString::fromLatin1(c.storedModel));
        WhisperProvisioner subject = provisioner();
        c.action(subject);
        const QVariant stored = m_settings.value(WhisperSettingsStore::selectedModelKey());
        if (c.expectedStoredModel)
            EXPECT_EQ(stored.toString(), QString::fromLatin1(c.expectedStoredModel));
        else
            EXPECT_FALSE(stored.isValid());
        EXPECT_EQ(subject.selectedModel(), c.expectedSelected);
    }
}

TEST_F(WhisperProvisionerTest, SelectingAnInstalledModelRecordsItsBundledConfiguration) {
    const QString program = installBundledProgram();
    const QString small = QDir(modelFolder()).filePath("ggml-small-q5_1.bin");
    FixtureFiles::write(small, "ggml");
    WhisperProvisioner subject = provisioner();
    subject.selectModel(WhisperModel::fastEnglish);
    EXPECT_EQ(m_store.load(), WhisperCommandConfiguration{});
    subject.selectModel(WhisperModel::multilingualQuality);
    EXPECT_EQ(m_store.load(), WhisperResourceResolver::bundledConfiguration(
                                  program, small, WhisperModel::multilingualQuality));
}

TEST_F(WhisperProvisionerTest, AModelFolderThatCannotBeCreatedFailsWithTheFileSystemText) {
    installBundledProgram();
    serve(tinyPath, ggmlLookingModel());
    FixtureFiles::write(modelFolder(), "a file where the folder belongs");
    WhisperProvisioner subject = provisioner();
    try {
        subject.ensureConfiguration(WhisperModel::fastEnglish, TranscriptionLanguage::english);
        ADD_FAILURE() << "no failure";
    } catch (const PlatformError& error) {
        EXPECT_TRUE(error.description().contains(QStringLiteral("couldn’t be created"))) << error.what();
    }
    EXPECT_TRUE(m_server.requestedPaths().isEmpty());
    EXPECT_EQ(m_store.load(), WhisperCommandConfiguration{});
}
