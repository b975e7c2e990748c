#pragma once

#include <QString>
#include <stdexcept>

// Base of every failure this system reports; what() is the user-facing description (UTF-8).
class TallybrookError : public std::runtime_error {
public:
    explicit TallybrookError(const QString& description)
        : std::runtime_error(description.toStdString()) {}

    QString description() const { return QString::fromUtf8(what()); }
};

// A failure of the file system, the JSON reader or another platform facility, carrying the
// platform's own text.
class PlatformError : public TallybrookError {
public:
    using TallybrookError::TallybrookError;
};
