#include "platform/PlatformTools.h"

#include "platform/AppPaths.h"

#include <QDir>

namespace PlatformTools {

QString audioConverterPath() {
#ifdef Q_OS_MACOS
    return QStringLiteral("/usr/bin/afconvert");
#else
    return QDir(AppPaths::executableFolder()).filePath(QStringLiteral("tallybrook-afconvert"));
#endif
}

QString libraryPathVariable() {
#ifdef Q_OS_MACOS
    return QStringLiteral("DYLD_LIBRARY_PATH");
#else
    return QStringLiteral("LD_LIBRARY_PATH");
#endif
}

} // namespace PlatformTools
