#include "host/HostConfig.h"
#include "external/shared/Ostrana.h"
#include "platform/TClock.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

TEST(HostConfig, CommandLineOverridesTheIniFileWhichOverridesTheDefaults) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zel.ini"));
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[host]\nbranch=0002\nserver=10.0.0.5:7300\nsingle_branch=true\n");
    file.close();

    HostConfig config;
    QStringList args{QStringLiteral("--config"),
                     ini,
                     QStringLiteral("roteiro.zel"),
                     QStringLiteral("--server"),
                     QStringLiteral("tls://srv.example:7210"),
                     QStringLiteral("--today"),
                     QStringLiteral("2025-06-20")};
    QString error;
    ASSERT_TRUE(config.load(args, &error)) << error.toStdString();
    EXPECT_EQ(args, QStringList{QStringLiteral("roteiro.zel")}); // the options are taken out
    EXPECT_EQ(config.branch, QStringLiteral("0002"));
    EXPECT_TRUE(config.singleBranch);
    EXPECT_EQ(config.database, QStringLiteral("sqlite:var/zel.db"));
    EXPECT_EQ(config.today, QDate(2025, 6, 20));

    config.apply();
    EXPECT_EQ(Ostrana::FiliProc(), QStringLiteral("0002"));
    EXPECT_TRUE(Ostrana::ModuFili());
    EXPECT_EQ(Ostrana::WebURL(), QStringLiteral("tls://srv.example"));
    EXPECT_EQ(Ostrana::WebPort(), 7210);
    EXPECT_EQ(Clock().today(), QDate(2025, 6, 20));
    Clock().reset();
}

TEST(HostConfig, BadValuesAreReported) {
    HostConfig config;
    QString error;
    QStringList args{QStringLiteral("--server"), QStringLiteral("localhost")};
    EXPECT_FALSE(config.load(args, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("localhost")));
    args = {QStringLiteral("--today"), QStringLiteral("20/06/2025")};
    EXPECT_FALSE(config.load(args, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("AAAA-MM-DD")));
    args = {QStringLiteral("--branch")};
    EXPECT_FALSE(config.load(args, &error));
    args = {QStringLiteral("--config"), QStringLiteral("/nao/existe.ini")};
    EXPECT_FALSE(config.load(args, &error));
}
