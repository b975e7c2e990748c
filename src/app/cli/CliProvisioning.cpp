#include "app/cli/CliProvisioning.h"

#include "services/CurlWhisperModelDownloader.h"
#include "services/WhisperProvisioner.h"

#include <QSettings>

namespace {

constexpr int percentStep = 10;
constexpr qint64 bytesStepWithoutTotal = 8 * 1024 * 1024;

// Writes "Downloading local model" once, then a line for every tenth of the
// file (or every few megabytes when the server announces no size), so logs stay
// short.
class DownloadProgressLines {
public:
    explicit DownloadProgressLines(QTextStream& err)
        : m_err(err) {}

    void report(qint64 received, std::optional<qint64> total) {
        if (!m_started) {
            m_started = true;
            m_err << "Downloading local model\n" << Qt::flush;
        }
        const qint64 step = total ? received * 100 / *total / percentStep : received / bytesStepWithoutTotal;
        if (step <= m_lastStep)
            return;
        m_lastStep = step;
        if (total)
            m_err << "Downloading local model \u00b7 " << step * percentStep << "%\n" << Qt::flush;
        else
            m_err << "Downloading local model \u00b7 " << received / (1024 * 1024) << " MB\n" << Qt::flush;
    }

    bool hasStarted() const { return m_started; }

private:
    QTextStream& m_err;
    bool m_started = false;
    qint64 m_lastStep = 0;
};

} // namespace

ProvisionedWhisper provisionWhisper(std::optional<WhisperModel> model,
                                    std::optional<TranscriptionLanguage> language, QTextStream& err,
                                    std::stop_token stopToken) {
    QSettings settings;
    WhisperSettingsStore settingsStore(settings);
    WhisperResourceResolver resolver(settingsStore);
    CurlWhisperModelDownloader downloader;
    WhisperProvisioner provisioner(resolver, settingsStore, downloader);
    DownloadProgressLines lines(err);
    ProvisionedWhisper provisioned;
    provisioned.language =
        language.value_or(settingsStore.selectedLanguage().value_or(TranscriptionLanguage::english));
    provisioned.configuration = provisioner.ensureConfiguration(
        model.value_or(provisioner.selectedModel()), provisioned.language, stopToken,
        [&lines](qint64 received, std::optional<qint64> total) { lines.report(received, total); });
    provisioned.model = provisioned.configuration.model.value_or(provisioner.selectedModel());
    if (lines.hasStarted())
        err << "Local model installed\n" << Qt::flush;
    return provisioned;
}
