#include "models/WhisperModel.h"

#include <gtest/gtest.h>

TEST(WhisperModel, SupportsOnlyEnglishOnTheEnglishModel) {
    using L = TranscriptionLanguage;
    EXPECT_TRUE(WhisperModels::supports(WhisperModel::fastEnglish, L::english));
    EXPECT_FALSE(WhisperModels::supports(WhisperModel::fastEnglish, L::autoDetect));
    EXPECT_FALSE(WhisperModels::supports(WhisperModel::fastEnglish, L::chinese));
    for (const L language : TranscriptionLanguages::allCases) {
        EXPECT_TRUE(WhisperModels::supports(WhisperModel::multilingualQuality, language));
        EXPECT_EQ(TranscriptionLanguages::needsMultilingualModel(language), language != L::english);
    }
}

TEST(WhisperModel, IdentifiesOnlyExactFileNames) {
    const struct {
        const char* name;
        std::optional<WhisperModel> model;
    } cases[] = {
        {"ggml-tiny.en-q5_1.bin", WhisperModel::fastEnglish},
        {"ggml-base.en.bin", WhisperModel::fastEnglish},
        {"ggml-small-q5_1.bin", WhisperModel::multilingualQuality},
        {"ggml-base.bin", WhisperModel::multilingualQuality},
        {"GGML-BASE.BIN", std::nullopt},
        {"ggml-large-v3.bin", std::nullopt},
        {"/models/ggml-base.bin", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WhisperModels::identify(QString::fromUtf8(c.name)), c.model) << c.name;
}

TEST(WhisperModel, CataloguePropertiesAndOrder) {
    EXPECT_EQ(WhisperModels::allCases[0], WhisperModel::fastEnglish);
    EXPECT_EQ(WhisperModels::displayName(WhisperModel::multilingualQuality),
              QStringLiteral("Multilingual Quality"));
    EXPECT_EQ(WhisperModels::detail(WhisperModel::fastEnglish), QStringLiteral("English only \u00b7 31 MB"));
    EXPECT_EQ(WhisperModels::detail(WhisperModel::multilingualQuality),
              QStringLiteral("Required for Auto and Chinese \u00b7 181 MB"));
    EXPECT_EQ(TranscriptionLanguages::allCases[0], TranscriptionLanguage::autoDetect);
    EXPECT_EQ(TranscriptionLanguages::whisperLanguageCode(TranscriptionLanguage::chinese),
              QStringLiteral("zh"));
    EXPECT_EQ(TranscriptionLanguages::displayName(TranscriptionLanguage::autoDetect),
              QStringLiteral("Auto-detect"));
}

TEST(WhisperModel, RawValuesRoundTripAndRejectOthers) {
    for (const WhisperModel model : WhisperModels::allCases)
        EXPECT_EQ(WhisperModels::fromRawValue(WhisperModels::rawValue(model)), model);
    for (const TranscriptionLanguage language : TranscriptionLanguages::allCases)
        EXPECT_EQ(TranscriptionLanguages::fromRawValue(TranscriptionLanguages::rawValue(language)), language);
    EXPECT_FALSE(TranscriptionLanguages::fromRawValue(QStringLiteral("auto")));
    EXPECT_FALSE(WhisperModels::fromRawValue(QStringLiteral("FastEnglish")));
}

TEST(WhisperModel, DownloadAddressIsBaseThenFileNameThenQuery) {
    EXPECT_EQ(
        WhisperModels::downloadURL(WhisperModel::multilingualQuality, QStringLiteral("http://127.0.0.1:8/m/"))
            .toString(),
        QStringLiteral("http://127.0.0.1:8/m/ggml-small-q5_1.bin?download=true"));
    qunsetenv("TALLYBROOK_MODEL_BASE_URL");
    EXPECT_TRUE(WhisperModels::downloadBaseAddress().startsWith(QStringLiteral("https://")));
    EXPECT_TRUE(WhisperModels::downloadBaseAddress().endsWith(QLatin1Char('/')));
    qputenv("TALLYBROOK_MODEL_BASE_URL", "http://127.0.0.1:9/mirror");
    EXPECT_EQ(WhisperModels::downloadBaseAddress(), QStringLiteral("http://127.0.0.1:9/mirror/"));
    qputenv("TALLYBROOK_MODEL_BASE_URL", "http://127.0.0.1:9/models/");
}
