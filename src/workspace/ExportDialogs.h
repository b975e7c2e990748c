#pragma once

#include <QString>
#include <optional>

// What exporting and sharing ask of the person at the window; the desktop app shows a save
// dialog and a sharing menu, tests answer directly.
class ExportDialogs {
public:
    virtual ~ExportDialogs() = default;
    // A destination file chosen in a save dialog that proposes the given name and allows new
    // folders; none when the user cancelled.
    virtual std::optional<QString> chooseExportLocation(const QString& proposedName) = 0;
    // Offers the file to the user's sharing destinations, anchored to the current window; false
    // when no window is there to show it.
    virtual bool presentSharingPicker(const QString& file) = 0;
};
