#pragma once

#include <QJsonObject>

// The engine's tunable settings. The built-in values are the defaults written to a fresh
// parameter file; a file may override every one of them.
struct DiarizationParameters {
    // Speech detection: a two-class fit on frame log energy, then smoothing.
    double speechThresholdPosition = 0.35; // lowest place of the boundary between the class means
    double speechThresholdShift = 0.0;     // added to the log-energy boundary between the classes
    double speechHangoverSeconds = 0.0;
    double speechBridgeSeconds = 0.25;
    double minimumSpeechSeconds = 0.3;
    int speechResegmentationPasses = 1; // speech/non-speech mixtures relabelling the frames
    double speechSwitchPenalty = 10.0;
    double speechMinimumVoicing = 0.55; // least mean periodicity of a stretch of speech

    // Frame features.
    int melBands = 24;
    int cepstra = 19;

    // Per-window speaker statistics and clustering.
    double windowSeconds = 1.5;
    double windowStepSeconds = 0.75;
    double minimumWindowSpeechSeconds = 0.4;
    int maximumClusterWindows = 3000;
    int centreWindowStatistics = 1; // subtract the recording's mean window before comparing
    double spreadWeight = 1.0;      // weight of the spread half of a window's statistics
    double pitchWeight = 2.0;       // weight of the window's mean pitch, in spreads over the file
    double clusterDistanceThreshold = 0.7;
    double minimumClusterSpeechShare = 0.1;
    double bicPenaltyWeight = 2.5; // clusters merge while the information criterion prefers one Gaussian

    // Resegmentation with per-speaker Gaussian mixtures.
    int mixtureComponents = 8;
    int resegmentationPasses = 2;
    double switchPenalty = 45.0;
    int maximumTrainingFrames = 20000;

    // Final turns.
    double mergeGapSeconds = 0.3;
    double minimumTurnSeconds = 0.3;

    QJsonObject toJson() const;
    // Throws TallybrookError when a key is missing or not a number in range.
    static DiarizationParameters fromJson(const QJsonObject& object);
};
