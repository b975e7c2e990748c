#pragma once

#include <QString>

// Where Tallybrook keeps its files on this platform.
namespace AppPaths {

// The per-user data folder: $XDG_DATA_HOME (or ~/.local/share) on Linux, Application Support on
// macOS, followed by "Tallybrook". Not created here.
QString applicationFolder();

// The folder of the running executable, where the Whisper bundle and tallybrook-afconvert lie.
QString executableFolder();

} // namespace AppPaths
