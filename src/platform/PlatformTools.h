#pragma once

#include <QString>

// The external tools and variables whose names differ by operating system.
namespace PlatformTools {

// The audio converter that takes "-f WAVE -d LEI16@16000 SRC DST": /usr/bin/afconvert on macOS,
// tallybrook-afconvert beside the application executable elsewhere.
QString audioConverterPath();

// The variable through which a child finds shared libraries: DYLD_LIBRARY_PATH on macOS,
// LD_LIBRARY_PATH elsewhere.
QString libraryPathVariable();

} // namespace PlatformTools
