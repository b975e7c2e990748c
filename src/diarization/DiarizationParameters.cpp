#include "diarization/DiarizationParameters.h"

#include "models/TallybrookError.h"

#include <QJsonValue>
#include <array>
#include <cmath>
#include <variant>

namespace {

struct Field {
    const char* name;
    std::variant<double DiarizationParameters::*, int DiarizationParameters::*> member;
};

constexpr std::array fields{
    Field{"speechThresholdPosition", &DiarizationParameters::speechThresholdPosition},
    Field{"speechThresholdShift", &DiarizationParameters::speechThresholdShift},
    Field{"speechHangoverSeconds", &DiarizationParameters::speechHangoverSeconds},
    Field{"speechBridgeSeconds", &DiarizationParameters::speechBridgeSeconds},
    Field{"minimumSpeechSeconds", &DiarizationParameters::minimumSpeechSeconds},
    Field{"speechResegmentationPasses", &DiarizationParameters::speechResegmentationPasses},
    Field{"speechSwitchPenalty", &DiarizationParameters::speechSwitchPenalty},
    Field{"speechMinimumVoicing", &DiarizationParameters::speechMinimumVoicing},
    Field{"melBands", &DiarizationParameters::melBands},
    Field{"cepstra", &DiarizationParameters::cepstra},
    Field{"windowSeconds", &DiarizationParameters::windowSeconds},
    Field{"windowStepSeconds", &DiarizationParameters::windowStepSeconds},
    Field{"minimumWindowSpeechSeconds", &DiarizationParameters::minimumWindowSpeechSeconds},
    Field{"maximumClusterWindows", &DiarizationParameters::maximumClusterWindows},
    Field{"centreWindowStatistics", &DiarizationParameters::centreWindowStatistics},
    Field{"spreadWeight", &DiarizationParameters::spreadWeight},
    Field{"pitchWeight", &DiarizationParameters::pitchWeight},
    Field{"clusterDistanceThreshold", &DiarizationParameters::clusterDistanceThreshold},
    Field{"bicPenaltyWeight", &DiarizationParameters::bicPenaltyWeight},
    Field{"minimumClusterSpeechShare", &DiarizationParameters::minimumClusterSpeechShare},
    Field{"mixtureComponents", &DiarizationParameters::mixtureComponents},
    Field{"resegmentationPasses", &DiarizationParameters::resegmentationPasses},
    Field{"switchPenalty", &DiarizationParameters::switchPenalty},
    Field{"maximumTrainingFrames", &DiarizationParameters::maximumTrainingFrames},
    Field{"mergeGapSeconds", &DiarizationParameters::mergeGapSeconds},
    Field{"minimumTurnSeconds", &DiarizationParameters::minimumTurnSeconds},
};

[[noreturn]] void damaged(const char* name) {
    throw TallybrookError(QStringLiteral("The speaker identification parameter “%1” is missing or invalid.")
                              .arg(QLatin1String(name)));
}

void checkRanges(const DiarizationParameters& p) {
    if (p.melBands < 8 || p.melBands > 64)
        damaged("melBands");
    if (p.cepstra < 4 || p.cepstra >= p.melBands)
        damaged("cepstra");
    if (p.windowSeconds < 0.2 || p.windowStepSeconds < 0.05)
        damaged("windowSeconds");
    if (p.maximumClusterWindows < 10 || p.maximumClusterWindows > 20000)
        damaged("maximumClusterWindows");
    if (p.mixtureComponents < 1 || p.mixtureComponents > 64)
        damaged("mixtureComponents");
    if (p.resegmentationPasses < 0 || p.resegmentationPasses > 10)
        damaged("resegmentationPasses");
    if (p.maximumTrainingFrames < 100)
        damaged("maximumTrainingFrames");
}

} // namespace

QJsonObject DiarizationParameters::toJson() const {
    QJsonObject object;
    for (const Field& field : fields)
        std::visit([&](auto member) { object.insert(QLatin1String(field.name), this->*member); },
                   field.member);
    return object;
}

DiarizationParameters DiarizationParameters::fromJson(const QJsonObject& object) {
    DiarizationParameters parameters;
    for (const Field& field : fields) {
        const QJsonValue value = object.value(QLatin1String(field.name));
        if (!value.isDouble() || !std::isfinite(value.toDouble()))
            damaged(field.name);
        std::visit(
            [&](auto member) {
                using Type = std::remove_reference_t<decltype(parameters.*member)>;
                if constexpr (std::is_same_v<Type, int>) {
                    if (value.toDouble() != std::floor(value.toDouble()))
                        damaged(field.name);
                    parameters.*member = value.toInt();
                } else {
                    parameters.*member = value.toDouble();
                }
            },
            field.member);
    }
    checkRanges(parameters);
    return parameters;
}
