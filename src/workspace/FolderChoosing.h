#pragma once

#include <QString>
#include <optional>

// The folder chooser the import asks the user through; the desktop app shows a dialog, tests
// answer directly.
class FolderChoosing {
public:
    struct Request {
        QString title;
        QString message;
        QString confirmLabel;
        QString initialFolder; // empty: the chooser's own default
    };

    virtual ~FolderChoosing() = default;
    // The chosen folder, or none when the user cancelled.
    virtual std::optional<QString> chooseFolder(const Request& request) = 0;
};
