#pragma once

#include <QString>

// The operating-system user running this process, as the application server records who
// computed or cancelled what.
class SystemUser {
public:
    // USER, else LOGNAME (USERNAME on Windows), else the account of the effective user id;
    // empty when none is known.
    static QString name();
};
