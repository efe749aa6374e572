#include "host/HostSession.h"

#include "core/StopSignal.h"
#include "external/shared/TdtmDBGeral.h"
#include "host/HostConfig.h"
#include "platform/TApplication.h"
#include "platform/TForm.h"

#include <exception>
#include <unistd.h>

HostSession::HostSession() = default;
HostSession::~HostSession() = default;

// SIGTERM or SIGINT while the host waits for its user: stop the server in order, then end.
// The package and forms are not unwound from inside whatever loop happens to run.
void HostSession::stopOnSignal() {
    m_stopSignal = std::make_unique<StopSignal>();
    m_stopSignal->OnSignal = [this](int signal) {
        m_server.stop();
        ::_exit(128 + signal);
    };
}

void HostSession::start(HostConfig& config, bool withServer, const QString& packagePath) {
    if (withServer) {
        stopOnSignal();
        m_server.start(AppServerProcess::defaultProgram(), config.database);
        m_withServer = true;
        config.server = m_server.address();
    }
    config.apply();
    m_database = config.connectDatabase();
    m_package.load(packagePath);
}

QString HostSession::finish() {
    for (TForm* form : Application().forms())
        delete form;
    try {
        m_package.unload();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    return QString();
}
