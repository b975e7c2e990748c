#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Builders for files that tests need on disk.
namespace FixtureFiles {

// Writes bytes to path, creating the parent folders.
void write(const QString& path, const QByteArray& bytes = {});

// A 16-bit PCM WAV file of the given length holding a quiet tone.
void writeWav(const QString& path, double seconds, int sampleRate = 16000, int channels = 1);

// Runs a program to completion and returns its exit status (-1 when it could not start).
int run(const QString& program, const QStringList& arguments, QByteArray* standardOutput = nullptr,
        QByteArray* standardError = nullptr);

} // namespace FixtureFiles
