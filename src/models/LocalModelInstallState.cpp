#include "models/LocalModelInstallState.h"

QString LocalModelInstallState::label() const {
    switch (kind) {
    case Kind::missing:
        return QStringLiteral("Model required before first transcription");
    case Kind::installing:
        return QStringLiteral("Downloading local model");
    case Kind::installed:
        return QStringLiteral("Local model installed");
    case Kind::cancelled:
        return QStringLiteral("Model install cancelled");
    case Kind::failed:
        return QStringLiteral("Model install failed: ") + failureMessage;
    }
    return {};
}
