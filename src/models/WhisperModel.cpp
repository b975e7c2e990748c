#include "models/WhisperModel.h"

#include <QByteArray>
#include <QtGlobal>

namespace WhisperModels {
namespace {

struct ModelInfo {
    const char* rawValue;
    const char* displayName;
    const char* detail;
    const char* fileName;
    const char* legacyFileName;
};

const ModelInfo& info(WhisperModel model) {
    static const ModelInfo fast{"fastEnglish", "Fast English", "English only \u00b7 31 MB",
                                "ggml-tiny.en-q5_1.bin", "ggml-base.en.bin"};
    static const ModelInfo multilingual{"multilingualQuality", "Multilingual Quality",
                                        "Required for Auto and Chinese \u00b7 181 MB", "ggml-small-q5_1.bin",
                                        "ggml-base.bin"};
    return model == WhisperModel::fastEnglish ? fast : multilingual;
}

const char* const builtInBaseAddress = "https://huggingface.co/ggerganov/whisper.cpp/resolve/main/";

} // namespace

QString rawValue(WhisperModel model) {
    return QString::fromUtf8(info(model).rawValue);
}

std::optional<WhisperModel> fromRawValue(const QString& raw) {
    for (const WhisperModel model : allCases) {
        if (rawValue(model) == raw)
            return model;
    }
    return std::nullopt;
}

QString displayName(WhisperModel model) {
    return QString::fromUtf8(info(model).displayName);
}

QString detail(WhisperModel model) {
    return QString::fromUtf8(info(model).detail);
}

QString fileName(WhisperModel model) {
    return QString::fromUtf8(info(model).fileName);
}

QString legacyFileName(WhisperModel model) {
    return QString::fromUtf8(info(model).legacyFileName);
}

bool supports(WhisperModel model, TranscriptionLanguage language) {
    return model == WhisperModel::multilingualQuality || language == TranscriptionLanguage::english;
}

std::optional<WhisperModel> identify(const QString& name) {
    for (const WhisperModel model : allCases) {
        if (name == fileName(model) || name == legacyFileName(model))
            return model;
    }
    return std::nullopt;
}

QString downloadBaseAddress() {
    QString address = qEnvironmentVariable("TALLYBROOK_MODEL_BASE_URL");
    if (address.isEmpty())
        return QString::fromUtf8(builtInBaseAddress);
    if (!address.endsWith(QLatin1Char('/')))
        address += QLatin1Char('/');
    return address;
}

QUrl downloadURL(WhisperModel model, const QString& baseAddress) {
    return QUrl(baseAddress + fileName(model) + QStringLiteral("?download=true"));
}

} // namespace WhisperModels
