#include "workspace/WorkerProvisioner.h"

WorkerProvisioner::Blueprint WorkerProvisioner::Blueprint::of(const WhisperProvisioner& provisioner) {
    const QSettings& settings = provisioner.settingsStore().settings();
    return {settings.fileName(), settings.format(), provisioner.resolver().locations(),
            &provisioner.downloader()};
}

WorkerProvisioner::WorkerProvisioner(const Blueprint& blueprint)
    : m_settings(blueprint.settingsFile, blueprint.settingsFormat)
    , m_settingsStore(m_settings)
    , m_resolver(m_settingsStore, blueprint.locations)
    , m_provisioner(m_resolver, m_settingsStore, *blueprint.downloader) {}
