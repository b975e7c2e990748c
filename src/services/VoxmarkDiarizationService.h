#pragma once

#include "diarization/AudioSamples.h"
#include "diarization/VoxmarkSegment.h"
#include "services/SpeakerDiarizationService.h"

#include <functional>

// Speaker identification on our own Voxmark engine: loads the audio, runs the engine with fixed
// options, and recovers once from a failed run by deleting the engine's model folder.
class VoxmarkDiarizationService : public SpeakerDiarizationService {
public:
    using SampleLoader = std::function<AudioSamples(
        const QString& audioPath, std::optional<double> limitSeconds, std::stop_token stopToken)>;
    using EngineRun = std::function<std::vector<VoxmarkSegment>(
        const AudioSamples& samples, const QString& modelFolder, std::stop_token stopToken)>;

    // The real loader and engine.
    VoxmarkDiarizationService();
    // Stand-ins for tests.
    VoxmarkDiarizationService(SampleLoader loader, EngineRun engineRun);

    std::vector<DiarizedSpeakerSegment> diarize(const QString& audioPath, std::optional<double> limitSeconds,
                                                std::stop_token stopToken) override;

    // The application folder's "VoxmarkModels".
    static QString modelFolder();

    static AudioSamples loadSamples(const QString& audioPath, std::optional<double> limitSeconds,
                                    std::stop_token stopToken);
    static std::vector<VoxmarkSegment> runEngine(const AudioSamples& samples, const QString& modelFolder,
                                                 std::stop_token stopToken);

private:
    std::vector<DiarizedSpeakerSegment> diarize(const AudioSamples& samples, const QString& folder,
                                                std::stop_token stopToken) const;

    SampleLoader m_loader;
    EngineRun m_engineRun;
};
