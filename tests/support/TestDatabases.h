#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <QString>
#include <QTemporaryDir>
#include <vector>

// Fresh databases for database tests, one per test, on every engine available:
// SQLite always (a file in a temporary directory), PostgreSQL when ZEL_TEST_PG holds the
// URL of a server ("postgresql://user@host:port/db"), on which a database
// "zel_t_<pid>_<n>" is created for the test and dropped after it.
namespace TestDatabases {

enum class Engine { SQLite, PostgreSQL };

// Every engine, for INSTANTIATE_TEST_SUITE_P; an engine that is not available is
// skipped by EngineTest with the reason.
std::vector<Engine> engines();
QString engineName(Engine engine);
// Empty when the engine can run here, else why not.
QString unavailableReason(Engine engine);

// A fresh, empty database; dropped (PostgreSQL) or deleted (SQLite) on destruction.
// Every connection to it must be closed first on SQLite; on PostgreSQL open ones are
// ended by the drop.
class FreshDatabase {
public:
    explicit FreshDatabase(Engine engine);
    ~FreshDatabase();
    FreshDatabase(const FreshDatabase&) = delete;
    FreshDatabase& operator=(const FreshDatabase&) = delete;

    Engine engine() const { return m_engine; }
    QString url() const { return m_url; }

private:
    Engine m_engine;
    QString m_url;
    QString m_pgName;
    std::unique_ptr<QTemporaryDir> m_dir;
};

// Base fixture of a test run once per engine. SetUp skips (GTEST_SKIP) on an engine
// that is not available and otherwise creates the fresh database.
class EngineTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override;
    void TearDown() override;

    Engine engine() const { return GetParam(); }
    QString url() const { return m_database->url(); }
    FreshDatabase& freshDatabase() { return *m_database; }

private:
    std::unique_ptr<FreshDatabase> m_database;
};

// Names the test instances "SQLite" and "PostgreSQL".
struct EngineName {
    std::string operator()(const ::testing::TestParamInfo<Engine>& info) const;
};

} // namespace TestDatabases

// Runs the tests of SUITE (an EngineTest) on every engine.
#define ZEL_ALL_ENGINES(SUITE)                                                                     \
    INSTANTIATE_TEST_SUITE_P(AllEngines, SUITE, ::testing::ValuesIn(::TestDatabases::engines()),   \
                             ::TestDatabases::EngineName())
