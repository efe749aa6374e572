#include "host/HostSession.h"

#include "external/shared/TdtmDBGeral.h"
#include "host/HostConfig.h"
#include "platform/TApplication.h"
#include "platform/TForm.h"

#include <exception>

HostSession::HostSession() = default;
HostSession::~HostSession() = default;

void HostSession::start(HostConfig& config, bool withServer, const QString& packagePath) {
    if (withServer) {
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
