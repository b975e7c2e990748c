#include "services/VoxmarkDiarizationService.h"

#include "diarization/AudioFileLoader.h"
#include "diarization/VoxmarkEngine.h"
#include "models/CancelledError.h"
#include "models/TallybrookError.h"
#include "platform/AppPaths.h"

#include <QDir>

namespace {

void createFolder(const QString& folder) {
    if (!QDir().mkpath(folder))
        throw PlatformError(
            QStringLiteral("The folder “%1” could not be created.").arg(QDir::toNativeSeparators(folder)));
}

} // namespace

VoxmarkDiarizationService::VoxmarkDiarizationService()
    : VoxmarkDiarizationService(loadSamples, runEngine) {}

VoxmarkDiarizationService::VoxmarkDiarizationService(SampleLoader loader, EngineRun engineRun)
    : m_loader(std::move(loader))
    , m_engineRun(std::move(engineRun)) {}

QString VoxmarkDiarizationService::modelFolder() {
    return QDir(AppPaths::applicationFolder()).filePath(QStringLiteral("VoxmarkModels"));
}

AudioSamples VoxmarkDiarizationService::loadSamples(const QString& audioPath,
                                                    std::optional<double> limitSeconds,
                                                    std::stop_token stopToken) {
    return AudioFileLoader::load(audioPath, AudioFileLoader::ChannelMode::summed, 0, limitSeconds, stopToken);
}

std::vector<VoxmarkSegment> VoxmarkDiarizationService::runEngine(const AudioSamples& samples,
                                                                 const QString& modelFolder,
                                                                 std::stop_token stopToken) {
    VoxmarkConfiguration configuration;
    configuration.downloadBase = modelFolder;
    const VoxmarkEngine engine(configuration);
    return engine.diarize(samples, VoxmarkOptions{}, stopToken);
}

std::vector<DiarizedSpeakerSegment> VoxmarkDiarizationService::diarize(const QString& audioPath,
                                                                       std::optional<double> limitSeconds,
                                                                       std::stop_token stopToken) {
    const AudioSamples samples = m_loader(audioPath, limitSeconds, stopToken);
    const QString folder = modelFolder();
    createFolder(folder);
    try {
        return diarize(samples, folder, stopToken);
    } catch (const CancelledError&) {
        throw;
    } catch (const std::exception&) {
        // A damaged model folder is rebuilt once; whatever the second run gives is final.
        QDir(folder).removeRecursively();
        createFolder(folder);
        return diarize(samples, folder, stopToken);
    }
}

std::vector<DiarizedSpeakerSegment> VoxmarkDiarizationService::diarize(const AudioSamples& samples,
                                                                       const QString& folder,
                                                                       std::stop_token stopToken) const {
    std::vector<DiarizedSpeakerSegment> result;
    for (const VoxmarkSegment& segment : m_engineRun(samples, folder, stopToken))
        if (segment.speaker)
            result.push_back({*segment.speaker + 1, static_cast<double>(segment.startSeconds),
                              static_cast<double>(segment.endSeconds)});
    return result;
}
