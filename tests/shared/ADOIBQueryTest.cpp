// TADOIBQuery: choice of the dialect's text, parameters, binding and value conversion.
#include "core/Exception.h"
#include "db/TDatabase.h"
#include "external/shared/TADOIBQuery.h"
#include "external/shared/TdtmDBGeral.h"
#include "tests/support/TestDatabases.h"

#include <gtest/gtest.h>

#include <QSqlQuery>

using TestDatabases::EngineTest;

namespace {

TEST(ADOIBQueryTest, TheDialectPicksItsTextAndFallsBackToTheDefault) {
    TADOIBQuery q;
    q.SQL = QStringList{"SELECT 'default'"};
    q.SQL_ORACLE = QStringList{"SELECT 'oracle' FROM DUAL"};
    q.SQL_IB = QStringList{"SELECT 'ib' FROM RDB$DATABASE"};
    EXPECT_EQ(q.textFor(TDialect::SQLite), q.SQL);
    EXPECT_EQ(q.textFor(TDialect::PostgreSQL), q.SQL);
    EXPECT_EQ(q.textFor(TDialect::Oracle), q.SQL_ORACLE);
    EXPECT_EQ(q.textFor(TDialect::InterBase), q.SQL_IB);
    // A dialect text of blank lines counts as absent.
    q.SQL_IB = QStringList{" ", ""};
    q.SQL_ORACLE.clear();
    EXPECT_EQ(q.textFor(TDialect::InterBase), q.SQL);
    EXPECT_EQ(q.textFor(TDialect::Oracle), q.SQL);
}

TEST(ADOIBQueryTest, ParametersAreFoundInAnyTextIgnoringCase) {
    TADOIBQuery q;
    q.SQL =
        QStringList{"SELECT * FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL", "AND ':P_TEXTO' <> ''"};
    q.SQL_ORACLE = QStringList{"SELECT * FROM FILIAL WHERE CDFILIAL = NVL(:P_ORA, CDFILIAL)"};
    TADOIBParam& p = q.paramByName("p_cdfilial");
    EXPECT_EQ(&p, &q.paramByName("P_CDFILIAL"));
    EXPECT_NO_THROW(q.paramByName("P_ORA"));
    try {
        q.paramByName("P_TEXTO"); // only inside a quoted text
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Parâmetro 'P_TEXTO' não encontrado.");
    }
    p.setAsString("");
    EXPECT_FALSE(p.isNull());
    EXPECT_FALSE(p.boundValue().isValid()) << "an empty text binds as null";
    p.setAsString("0001");
    EXPECT_EQ(p.asString(), "0001");
    p.clear();
    EXPECT_TRUE(p.isNull());
    EXPECT_EQ(p.asString(), "");
}

TEST(ADOIBQueryTest, PostgreSqlPlaceholdersAreTypedByTheirValues) {
    TADOIBQuery q;
    q.SQL = QStringList{"SELECT X::TEXT FROM T WHERE (A = :P_A OR :P_TODOS = 'T')",
                        "AND B = :P_N AND C = ':P_A' AND D = :P_D"};
    q.paramByName("P_A").setAsString("x");
    q.paramByName("P_N").setValue(qint64(7));
    q.paramByName("P_D").setValue(QDate(2024, 3, 15));
    EXPECT_EQ(q.preparedText(TDialect::PostgreSQL),
              "SELECT X::TEXT FROM T WHERE (A = CAST(:P_A AS TEXT) OR CAST(:P_TODOS AS TEXT) = "
              "'T')\nAND B = CAST(:P_N AS BIGINT) AND C = ':P_A' AND D = CAST(:P_D AS DATE)");
    EXPECT_EQ(q.preparedText(TDialect::SQLite), q.SQL.join('\n'));
}

class ADOIBQueryEngineTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        db.open(url(), TDatabase::OpenMode::CreateIfMissing);
        exec("CREATE TABLE T (ID INTEGER, NOME VARCHAR(10), DT DATE, VALOR NUMERIC(9,2))");
        exec("INSERT INTO T VALUES (1, 'um', '2024-03-15', 2.5)");
        exec("INSERT INTO T VALUES (2, NULL, NULL, NULL)");
    }
    void exec(const QString& sql) {
        QSqlQuery q(db.database());
        ASSERT_TRUE(q.exec(sql)) << sql.toStdString();
    }
    TDatabase db;
};

TEST_P(ADOIBQueryEngineTest, RepeatedAndUntypedParametersBind) {
    TADOIBQuery q;
    q.setDatabase(&db);
    q.SQL = QStringList{"SELECT ID FROM T", "WHERE (:P_NOME IS NULL OR NOME = :P_NOME)",
                        "  AND (:P_TODOS = 'T' OR ID = 1)", "ORDER BY ID"};
    q.paramByName("P_NOME").clear();
    q.paramByName("P_TODOS").setAsString("T");
    q.open();
    EXPECT_EQ(q.recordCount(), 2);
    q.close();
    q.paramByName("P_NOME").setAsString("um");
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.fieldByName("ID").asInteger(), 1);
    q.close();
    q.paramByName("P_NOME").setAsString("dois");
    q.open();
    EXPECT_TRUE(q.isEmpty()) << "both occurrences of P_NOME must carry the value";
}

TEST_P(ADOIBQueryEngineTest, ValuesTakeTheDeclaredFieldTypes) {
    TADOIBQuery q;
    q.setDatabase(&db);
    q.SQL = QStringList{"SELECT ID, NOME, DT, VALOR FROM T ORDER BY ID"};
    TFieldDef dt{"DT", TFieldType::ftDateTime};
    TFieldDef valor{"VALOR", TFieldType::ftFloat};
    q.addField(dt);
    q.addField(valor);
    q.open();
    EXPECT_EQ(q.fieldByName("DT").value().typeId(), QMetaType::QDateTime);
    EXPECT_EQ(q.fieldByName("DT").asDateTime(), QDateTime(QDate(2024, 3, 15), QTime(0, 0)));
    EXPECT_EQ(q.fieldByName("VALOR").value().typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(q.fieldByName("VALOR").asFloat(), 2.5);
    // Undeclared columns keep the names the text uses, whatever case the engine reports.
    ASSERT_NE(q.findField("NOME"), nullptr);
    EXPECT_EQ(q.findField("NOME")->fieldName(), "NOME");
    EXPECT_EQ(q.fieldByName("ID").dataType(), TFieldType::ftInteger);
    EXPECT_TRUE(q.locate("NOME", "UM", true));
    q.next();
    EXPECT_TRUE(q.fieldByName("DT").isNull());
    EXPECT_TRUE(q.fieldByName("VALOR").isNull());
}

TEST_P(ADOIBQueryEngineTest, FailuresRaiseTheDriversText) {
    TADOIBQuery q;
    q.setDatabase(&db);
    q.SQL = QStringList{"SELECT * FROM TABELA_QUE_NAO_EXISTE"};
    try {
        q.open();
        FAIL() << "opening a query on a missing table must raise";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.message().contains("tabela_que_nao_existe", Qt::CaseInsensitive))
            << e.message().toStdString();
    }
    EXPECT_FALSE(q.active());
}

TEST_P(ADOIBQueryEngineTest, UsesTheDataModulesConnectionByDefault) {
    TADOIBQuery q;
    q.SQL = QStringList{"SELECT COUNT(*) AS N FROM T"};
    try {
        q.open();
        FAIL() << "no connection";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Sem conexão com o banco de dados.");
    }
    TdtmDBGeral module;
    EXPECT_EQ(dtmDBGeral, &module);
    EXPECT_EQ(&module.adcGeral, &module.dtbGeral);
    EXPECT_THROW(TdtmDBGeral(), Exception) << "one data module per process";
    module.connect(url());
    EXPECT_EQ(module.dialect(), db.dialect());
    q.open();
    EXPECT_EQ(q.fieldByName("N").asInteger(), 2);
    q.close();
}

ZEL_ALL_ENGINES(ADOIBQueryEngineTest);

} // namespace
