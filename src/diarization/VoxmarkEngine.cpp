#include "diarization/VoxmarkEngine.h"

#include "diarization/AverageLinkageClusterer.h"
#include "diarization/BicClusterMerger.h"
#include "diarization/FeatureExtractor.h"
#include "diarization/ParameterFile.h"
#include "diarization/SmallClusterFolder.h"
#include "diarization/SpeechDetector.h"
#include "diarization/SpeechResegmenter.h"
#include "diarization/TurnBuilder.h"
#include "diarization/ViterbiResegmenter.h"
#include "models/CancelledError.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace {

QString parameterFolder(const VoxmarkConfiguration& configuration) {
    return configuration.modelFolder.value_or(configuration.downloadBase);
}

} // namespace

VoxmarkEngine::VoxmarkEngine(const VoxmarkConfiguration& configuration)
    : m_segmentationWorkers(std::max(1, configuration.segmentationWorkers))
    , m_embeddingWorkers(configuration.embeddingWorkers.value_or(
          std::max(1, static_cast<int>(std::thread::hardware_concurrency())))) {
    if (configuration.loadOnCreation)
        m_parameters = ParameterFile::load(parameterFolder(configuration), configuration.downloadWhenMissing,
                                           configuration.modelRevision);
}

DiarizationParameters VoxmarkEngine::effectiveParameters(const VoxmarkOptions& options) const {
    DiarizationParameters parameters = m_parameters;
    if (options.clusterDistanceThreshold)
        parameters.clusterDistanceThreshold = *options.clusterDistanceThreshold;
    if (options.minimumClusterSize)
        parameters.minimumClusterSpeechShare = *options.minimumClusterSize;
    if (options.minimumActiveOffset)
        parameters.minimumTurnSeconds = *options.minimumActiveOffset;
    return parameters;
}

std::vector<VoxmarkSegment> VoxmarkEngine::diarize(const AudioSamples& samples, const VoxmarkOptions& options,
                                                   std::stop_token stopToken) const {
    const DiarizationParameters parameters = effectiveParameters(options);
    FrameFeatures features = FeatureExtractor(parameters.melBands, parameters.cepstra, m_segmentationWorkers)
                                 .extract(samples, stopToken);
    const std::vector<bool> speech = detectSpeech(features, options, stopToken);
    FeatureExtractor::normalise(features, speech);

    const std::vector<SpeakerWindow> windows = WindowEmbedder(parameters).embed(features, speech, stopToken);
    std::vector<int> labels;
    int speakers = 0;
    if (windows.empty()) {
        for (const bool s : speech)
            labels.push_back(s ? 0 : -1);
        speakers = 1;
    } else {
        const std::vector<int> windowLabels = clusterWindows(windows, parameters, options, stopToken);
        speakers = *std::max_element(windowLabels.begin(), windowLabels.end()) + 1;
        labels = frameLabels(windows, windowLabels, speech);
        if (!options.speakerCount && parameters.bicPenaltyWeight > 0)
            labels = BicClusterMerger(parameters.bicPenaltyWeight).merge(features, labels, stopToken);
        speakers = 0;
        for (const int label : labels)
            speakers = std::max(speakers, label + 1);
    }
    labels = ViterbiResegmenter(parameters, m_embeddingWorkers)
                 .resegment(features, std::move(labels), speakers, stopToken);

    std::vector<VoxmarkSegment> segments;
    for (const SpeakerTurn& turn : TurnBuilder(parameters).build(labels))
        segments.push_back(
            {static_cast<float>(static_cast<double>(turn.firstFrame) * FrameFeatures::frameSeconds),
             static_cast<float>(static_cast<double>(turn.endFrame) * FrameFeatures::frameSeconds),
             turn.speaker});
    return segments;
}

std::vector<bool> VoxmarkEngine::detectSpeech(const FrameFeatures& features, const VoxmarkOptions& options,
                                              std::stop_token stopToken) const {
    const SpeechDetector detector(m_parameters);
    std::vector<bool> speech =
        SpeechResegmenter(m_parameters).refine(features, detector.detect(features.logEnergy), stopToken);
    detector.smooth(speech);
    detector.dropUnvoiced(speech, features.voicing, features.logEnergy);
    if (options.clipTimestamps.empty())
        return speech;
    std::vector<bool> inClip(speech.size(), false);
    for (const auto& [start, end] : options.clipTimestamps) {
        const auto first = static_cast<std::size_t>(std::max(0.0, start / FrameFeatures::frameSeconds));
        const auto last = static_cast<std::size_t>(std::max(0.0, end / FrameFeatures::frameSeconds));
        for (std::size_t f = first; f < std::min(last, speech.size()); ++f)
            inClip[f] = true;
    }
    for (std::size_t f = 0; f < speech.size(); ++f)
        speech[f] = speech[f] && inClip[f];
    return speech;
}

std::vector<int> VoxmarkEngine::clusterWindows(const std::vector<SpeakerWindow>& windows,
                                               const DiarizationParameters& parameters,
                                               const VoxmarkOptions& options, std::stop_token stopToken) {
    std::vector<std::vector<float>> vectors;
    vectors.reserve(windows.size());
    for (const SpeakerWindow& window : windows)
        vectors.push_back(window.statistics);
    std::optional<int> count = options.speakerCount;
    if (count)
        count = std::clamp(*count, 1, SmallClusterFolder::maximumSpeakers);
    std::vector<int> labels =
        AverageLinkageClusterer::cluster(vectors, parameters.clusterDistanceThreshold, count, stopToken);
    if (!options.speakerCount)
        labels = SmallClusterFolder::fold(vectors, labels, parameters.minimumClusterSpeechShare);
    return labels;
}

std::vector<int> VoxmarkEngine::frameLabels(const std::vector<SpeakerWindow>& windows,
                                            const std::vector<int>& windowLabels,
                                            const std::vector<bool>& speech) {
    // Every speech frame takes the label of the window whose centre is nearest.
    std::vector<int> labels(speech.size(), -1);
    std::size_t w = 0;
    for (std::size_t f = 0; f < speech.size(); ++f) {
        if (!speech[f])
            continue;
        while (w + 1 < windows.size() &&
               std::llabs(static_cast<long long>(windows[w + 1].centreFrame()) - static_cast<long long>(f)) <=
                   std::llabs(static_cast<long long>(windows[w].centreFrame()) - static_cast<long long>(f)))
            ++w;
        labels[f] = windowLabels[w];
    }
    return labels;
}
