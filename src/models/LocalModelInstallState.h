#pragma once

#include <QString>

// The install state of the selected Whisper model, as the workspace shows it.
struct LocalModelInstallState {
    enum class Kind { missing, installing, installed, cancelled, failed };

    Kind kind = Kind::missing;
    QString failureMessage; // only for failed

    bool operator==(const LocalModelInstallState&) const = default;

    static LocalModelInstallState missing() { return {Kind::missing, {}}; }
    static LocalModelInstallState installing() { return {Kind::installing, {}}; }
    static LocalModelInstallState installed() { return {Kind::installed, {}}; }
    static LocalModelInstallState cancelled() { return {Kind::cancelled, {}}; }
    static LocalModelInstallState failed(const QString& message) { return {Kind::failed, message}; }

    // The text shown for the state, e.g. "Local model installed".
    QString label() const;
};
