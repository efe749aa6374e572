#pragma once

#include "host/AppServerProcess.h"
#include "host/PackageLoader.h"

#include <memory>
#include <QString>

class HostConfig;
class StopSignal;
class TdtmDBGeral;

// What both hosts hold while they run: their own application server when asked for, the
// shared data module and the loaded package, started and ended in the same order.
class HostSession {
public:
    HostSession();
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // Starts the server (when `withServer`, pointing `config` at it), applies the
    // configuration, connects the database and loads the package. Raises on failure.
    void start(HostConfig& config, bool withServer, const QString& packagePath);
    // The address of the host's own server; empty without one.
    QString serverAddress() const { return m_withServer ? m_server.address() : QString(); }
    PackageLoader& package() { return m_package; }

    // Deletes the forms, which run the package's code, then unloads the package. Empty when
    // all went well, else the failure's text.
    QString finish();

private:
    void stopOnSignal();

    AppServerProcess m_server;
    std::unique_ptr<StopSignal> m_stopSignal;
    std::unique_ptr<TdtmDBGeral> m_database;
    PackageLoader m_package;
    bool m_withServer = false;
};
