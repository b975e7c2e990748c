#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stop_token>
#include <sys/types.h>

// Runs one external program to completion and returns its exit status. Cancelling the token
// sends the running child SIGTERM; run() still waits for the child to end and then throws
// CancelledError. Standard input and output stay the caller's. One instance per run.
class CancellableProcess {
public:
    CancellableProcess() = default;
    CancellableProcess(const CancellableProcess&) = delete;
    CancellableProcess& operator=(const CancellableProcess&) = delete;

    // environment, when given, is the child's whole environment; otherwise it inherits ours.
    // A child killed by signal N reports 128 + N, so that a crash never reads as success.
    // Throws PlatformError with the system's text when the program cannot be started.
    std::int32_t run(const QString& executablePath, const QStringList& arguments,
                     const std::optional<QProcessEnvironment>& environment, std::stop_token stopToken);

private:
    pid_t launch(const QString& executablePath, const QStringList& arguments,
                 const std::optional<QProcessEnvironment>& environment, const std::stop_token& stopToken);
    void waitUntilEnded(pid_t pid);
    std::int32_t reap(pid_t pid);
    void terminate();

    std::mutex m_lock;
    std::optional<pid_t> m_process; // set while the child runs and has not been reaped
};
