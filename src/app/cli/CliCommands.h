#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

// What every command of tallybrook-cli gets: its arguments (after the command word), the
// storage root given with --storage (empty: the default), and the two output streams.
struct CliContext {
    QStringList arguments;
    QString storageFolder;
    QTextStream& out;
    QTextStream& err;
};

// Each command returns the process exit status: 0 on success, non-zero with the user-facing
// message written to err on failure.
int runScanCommand(const CliContext& context);
int runTranscribeCommand(const CliContext& context);
int runDiarizeCommand(const CliContext& context);
int runSearchCommand(const CliContext& context);
int runExportCommand(const CliContext& context);
