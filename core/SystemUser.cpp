#include "core/SystemUser.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

QString SystemUser::name() {
    for (const char* variable : {"USER", "LOGNAME", "USERNAME"}) {
        const QString value = qEnvironmentVariable(variable).trimmed();
        if (!value.isEmpty())
            return value;
    }
#ifdef Q_OS_UNIX
    // Daemons and containers often run without a login environment.
    if (const passwd* account = ::getpwuid(::geteuid()); account && account->pw_name)
        return QString::fromLocal8Bit(account->pw_name);
#endif
    return {};
}
