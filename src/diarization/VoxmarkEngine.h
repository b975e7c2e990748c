#pragma once

#include "diarization/AudioSamples.h"
#include "diarization/DiarizationParameters.h"
#include "diarization/FrameFeatures.h"
#include "diarization/VoxmarkConfiguration.h"
#include "diarization/VoxmarkOptions.h"
#include "diarization/VoxmarkSegment.h"
#include "diarization/WindowEmbedder.h"

#include <stop_token>
#include <vector>

// Who speaks when, by signal processing alone: speech detection, cepstral window statistics,
// average-linkage clustering with an automatic speaker count, then Gaussian-mixture Viterbi
// resegmentation. At most one speaker at any moment.
class VoxmarkEngine {
public:
    // Reads (or, when missing, writes) the parameter file of the model folder. Throws
    // TallybrookError when it is damaged.
    explicit VoxmarkEngine(const VoxmarkConfiguration& configuration);

    const DiarizationParameters& parameters() const { return m_parameters; }

    // Segments in time order with speakers numbered from 0 in order of appearance. Throws
    // CancelledError when stopToken is cancelled.
    std::vector<VoxmarkSegment> diarize(const AudioSamples& samples, const VoxmarkOptions& options,
                                        std::stop_token stopToken) const;

private:
    DiarizationParameters effectiveParameters(const VoxmarkOptions& options) const;
    std::vector<bool> detectSpeech(const FrameFeatures& features, const VoxmarkOptions& options,
                                   std::stop_token stopToken) const;
    static std::vector<int> clusterWindows(const std::vector<SpeakerWindow>& windows,
                                           const DiarizationParameters& parameters,
                                           const VoxmarkOptions& options, std::stop_token stopToken);
    static std::vector<int> frameLabels(const std::vector<SpeakerWindow>& windows,
                                        const std::vector<int>& windowLabels,
                                        const std::vector<bool>& speech);

    DiarizationParameters m_parameters;
    int m_segmentationWorkers;
    int m_embeddingWorkers;
};
