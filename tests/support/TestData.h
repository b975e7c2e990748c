#pragma once

#include <QString>

// Locations of the shared test data and of the built programs.
namespace TestData {

// ../shared/data beside the repository, or an empty string when it is absent.
QString sharedDataFolder();

// A file below ../shared/data, or an empty string when it is absent.
QString sharedFile(const QString& relativePath);

// The folder that holds the built executables (tallybrook-afconvert, the Whisper bundle).
QString binFolder();

// The user's temporary folder as the code under test sees it.
QString temporaryFolder();

} // namespace TestData

// Skips the current test with a clear message when a shared data file is missing.
#define TALLYBROOK_REQUIRE_SHARED_FILE(var, relative)                                                        \
    const QString var = TestData::sharedFile(relative);                                                      \
    if (var.isEmpty())                                                                                       \
    GTEST_SKIP() << "test data " << qPrintable(QString(relative)) << " is absent (../shared/data)"
