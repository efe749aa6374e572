#pragma once

#include "db/TDatabase.h"

// The shared data module: the one database connection of the host process, chosen by
// the URL the host passes. adcGeral, dtbGeral and ibtGeral are the names the screens
// know the connection by; here they are one and the same TDatabase.
//
// The host creates exactly one (creating a second one raises); while it lives the
// global dtmDBGeral points to it.
class TdtmDBGeral {
public:
    TdtmDBGeral();
    ~TdtmDBGeral();
    TdtmDBGeral(const TdtmDBGeral&) = delete;
    TdtmDBGeral& operator=(const TdtmDBGeral&) = delete;

    // Raises the platform's Exception when the URL is bad or the database does not open.
    void connect(const QString& url);
    void disconnect();
    bool connected() const { return m_database.isOpen(); }
    TDialect dialect() const { return m_database.dialect(); }
    QSqlDatabase database() const { return m_database.database(); }

private:
    TDatabase m_database;

public:
    TDatabase& adcGeral;
    TDatabase& dtbGeral;
    TDatabase& ibtGeral;
};

extern TdtmDBGeral* dtmDBGeral;
