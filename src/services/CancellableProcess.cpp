#include "services/CancellableProcess.h"

#include "models/CancelledError.h"
#include "models/TallybrookError.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

// Owns the byte strings behind an argv- or envp-style array.
class CStringList {
public:
    explicit CStringList(const QStringList& strings) {
        for (const QString& string : strings)
            m_storage.push_back(string.toStdString());
        for (std::string& string : m_storage)
            m_pointers.push_back(string.data());
        m_pointers.push_back(nullptr);
    }

    char** data() { return m_pointers.data(); }

private:
    std::vector<std::string> m_storage;
    std::vector<char*> m_pointers;
};

// The child starts with no blocked signals and default handlers, so SIGTERM always reaches it
// whatever the calling thread blocks or ignores.
class SpawnAttributes {
public:
    SpawnAttributes() {
        posix_spawnattr_init(&m_attributes);
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int signal : {SIGTERM, SIGINT, SIGPIPE, SIGHUP})
            sigaddset(&defaults, signal);
        posix_spawnattr_setsigmask(&m_attributes, &none);
        posix_spawnattr_setsigdefault(&m_attributes, &defaults);
        posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&m_attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    const posix_spawnattr_t* get() const { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
};

} // namespace

std::int32_t CancellableProcess::run(const QString& executablePath, const QStringList& arguments,
                                     const std::optional<QProcessEnvironment>& environment,
                                     std::stop_token stopToken) {
    if (stopToken.stop_requested())
        throw CancelledError();
    const std::stop_callback onStop(stopToken, [this] { terminate(); });
    const pid_t pid = launch(executablePath, arguments, environment, stopToken);
    waitUntilEnded(pid);
    const std::int32_t status = reap(pid);
    if (stopToken.stop_requested())
        throw CancelledError();
    return status;
}

// The check for cancellation and the spawn happen under the lock that terminate() takes, so a
// cancellation either prevents the launch or finds the child and stops it.
pid_t CancellableProcess::launch(const QString& executablePath, const QStringList& arguments,
                                 const std::optional<QProcessEnvironment>& environment,
                                 const std::stop_token& stopToken) {
    CStringList argv(QStringList{executablePath} + arguments);
    std::optional<CStringList> envp;
    if (environment)
        envp.emplace(environment->toStringList());
    const std::string path = executablePath.toStdString();
    const SpawnAttributes attributes;

    const std::scoped_lock lock(m_lock);
    if (stopToken.stop_requested())
        throw CancelledError();
    pid_t pid = 0;
    const int error = posix_spawn(&pid, path.c_str(), nullptr, attributes.get(), argv.data(),
                                  envp ? envp->data() : environ);
    if (error != 0)
        throw PlatformError(QStringLiteral("Could not start %1: %2.")
                                .arg(executablePath, QString::fromLocal8Bit(std::strerror(error))));
    m_process = pid;
    return pid;
}

// Waits without reaping: until the handle is cleared the pid cannot be reused, so terminate()
// never signals a stranger.
void CancellableProcess::waitUntilEnded(pid_t pid) {
    siginfo_t info{};
    while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
    const std::scoped_lock lock(m_lock);
    m_process.reset();
}

std::int32_t CancellableProcess::reap(pid_t pid) {
    int status = 0;
    pid_t reaped = -1;
    while ((reaped = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    // Without a status (the child was reaped elsewhere) the outcome is unknown, never success.
    if (reaped < 0)
        throw PlatformError(QStringLiteral("The program’s exit status could not be read: %1.")
                                .arg(QString::fromLocal8Bit(std::strerror(errno))));
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

void CancellableProcess::terminate() {
    const std::scoped_lock lock(m_lock);
    if (m_process)
        kill(*m_process, SIGTERM);
}
