// Who the desktop says is working: the login environment first, the account otherwise.
#include "core/SystemUser.h"

#include <gtest/gtest.h>

#include <QList>

#include <pwd.h>
#include <unistd.h>

namespace {

// Sets the login variables for one test and puts the old ones back.
class LoginEnvironment {
public:
    LoginEnvironment() {
        for (const char* name : kNames)
            m_saved.append({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
        for (const char* name : kNames)
            qunsetenv(name);
    }
    ~LoginEnvironment() {
        for (const Saved& s : m_saved) {
            if (s.set)
                qputenv(s.name, s.value);
            else
                qunsetenv(s.name);
        }
    }

private:
    static constexpr const char* kNames[] = {"USER", "LOGNAME", "USERNAME"};
    struct Saved {
        const char* name;
        bool set;
        QByteArray value;
    };
    QList<Saved> m_saved;
};

} // namespace

TEST(SystemUser, LoginVariablesComeFirstThenTheAccount) {
    LoginEnvironment environment;
    qputenv("LOGNAME", "bia");
    EXPECT_EQ(SystemUser::name(), QStringLiteral("bia"));
    qputenv("USER", "  ana  ");
    EXPECT_EQ(SystemUser::name(), QStringLiteral("ana"));
    qputenv("USER", "");
    EXPECT_EQ(SystemUser::name(), QStringLiteral("bia")) << "an empty variable names nobody";

    qunsetenv("USER");
    qunsetenv("LOGNAME");
    const passwd* account = ::getpwuid(::geteuid());
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(SystemUser::name(), QString::fromLocal8Bit(account->pw_name));
}
