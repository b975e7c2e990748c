#pragma once

#include "models/TranscriptionLanguage.h"
#include "models/WhisperCommandConfiguration.h"

#include <QTextStream>
#include <optional>
#include <stop_token>

// The Whisper setup the app would use for a run, with the model and language it was prepared for.
struct ProvisionedWhisper {
    WhisperCommandConfiguration configuration;
    WhisperModel model = WhisperModel::fastEnglish;
    TranscriptionLanguage language = TranscriptionLanguage::english;
};

// Prepares the Whisper configuration as the app does: the bundled program with a model from our
// folders, downloading the model when it is missing (progress lines on err). Without a model the
// stored selection decides; without a language the stored one. Throws the provisioner's errors.
ProvisionedWhisper provisionWhisper(std::optional<WhisperModel> model,
                                    std::optional<TranscriptionLanguage> language, QTextStream& err,
                                    std::stop_token stopToken = {});
