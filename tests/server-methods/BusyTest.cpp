// A write that waits out its lock, on one database file or server shared by two sessions.
#include "MethodsFixture.h"

#include "server/DatabaseBusy.h"

using TestDatabases::Engine;

namespace {

class Busy : public MethodsTest {
protected:
    // Another session holds the write lock: on SQLite the one writer, on PostgreSQL the
    // tables a computation writes. This session waits 100 ms for a lock, no more.
    void holdTheLock() {
        m_other.open(url());
        QSqlQuery query(m_other.database());
        if (engine() == Engine::SQLite) {
            ASSERT_TRUE(query.exec(QStringLiteral("BEGIN IMMEDIATE")));
            exec(QStringLiteral("PRAGMA busy_timeout = 100"));
        } else {
            ASSERT_TRUE(query.exec(QStringLiteral("BEGIN")));
            ASSERT_TRUE(
                query.exec(QStringLiteral("LOCK TABLE DIRETORIOS, CTRLAPURFAT IN EXCLUSIVE MODE")));
            exec(QStringLiteral("SET lock_timeout = '100ms'"));
        }
    }
    void release() {
        QSqlQuery(m_other.database()).exec(QStringLiteral("ROLLBACK"));
        m_other.close();
    }
    void TearDown() override {
        if (m_other.isOpen())
            release();
        MethodsTest::TearDown();
    }

    qint64 count(const char* table) {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table)))
            .toLongLong();
    }

private:
    TDatabase m_other;
};

} // namespace

TEST_P(Busy, AWriteThatCannotGetTheLockIsToldToTryAgainAndDoesNothing) {
    holdTheLock();
    const qint64 computations = count("CTRLAPURFAT");
    const qint64 carriers = count("DIRETORIOS");
    QList<RemoteValue> withCarrier = billing("0001", "0001", "CLI000000001");
    TChangePacket changes;
    changes.fields = {TFieldDef{QStringLiteral("CDPROGRAMA"), TFieldType::ftString, 8},
                      TFieldDef{QStringLiteral("DSDIRETORIO"), TFieldType::ftString, 100}};
    changes.changes.append({TChangePacket::Kind::Insert, std::nullopt, TRow{"ZELABC", "J1"}});
    withCarrier[Args::CarrierChangePacket] = RemoteValue(changes);
    // The carrier choice is the first write; without one, the registration is.
    EXPECT_EQ(failure("CalculaApuracao", withCarrier), DatabaseBusy::text());
    EXPECT_EQ(failure("CalculaApuracao", billing("0001", "0001", "CLI000000001")),
              DatabaseBusy::text());
    // Reading goes on meanwhile.
    EXPECT_FALSE(packet(call("GetApuracoes", {"0001", "", RemoteValue(), RemoteValue(), "", ""}))
                     .fields.isEmpty());
    EXPECT_EQ(count("CTRLAPURFAT"), computations) << "nothing was registered";
    EXPECT_EQ(count("DIRETORIOS"), carriers);

    release();
    EXPECT_EQ(call("CalculaApuracao", withCarrier).toString().size(), 10);
    EXPECT_EQ(count("CTRLAPURFAT"), computations + 1);
    EXPECT_EQ(billingFaults(), 0);
}

ZEL_ALL_ENGINES(Busy);
