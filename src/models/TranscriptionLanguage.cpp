#include "models/TranscriptionLanguage.h"

namespace TranscriptionLanguages {

QString rawValue(TranscriptionLanguage language) {
    switch (language) {
    case TranscriptionLanguage::autoDetect:
        return QStringLiteral("autoDetect");
    case TranscriptionLanguage::english:
        return QStringLiteral("english");
    case TranscriptionLanguage::chinese:
        break;
    }
    return QStringLiteral("chinese");
}

std::optional<TranscriptionLanguage> fromRawValue(const QString& raw) {
    for (const TranscriptionLanguage language : allCases) {
        if (rawValue(language) == raw)
            return language;
    }
    return std::nullopt;
}

QString displayName(TranscriptionLanguage language) {
    switch (language) {
    case TranscriptionLanguage::autoDetect:
        return QStringLiteral("Auto-detect");
    case TranscriptionLanguage::english:
        return QStringLiteral("English");
    case TranscriptionLanguage::chinese:
        break;
    }
    return QStringLiteral("Chinese");
}

QString whisperLanguageCode(TranscriptionLanguage language) {
    switch (language) {
    case TranscriptionLanguage::autoDetect:
        return QStringLiteral("auto");
    case TranscriptionLanguage::english:
        return QStringLiteral("en");
    case TranscriptionLanguage::chinese:
        break;
    }
    return QStringLiteral("zh");
}

bool needsMultilingualModel(TranscriptionLanguage language) {
    return language != TranscriptionLanguage::english;
}

} // namespace TranscriptionLanguages
