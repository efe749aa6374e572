// The reading methods on the basic fixture: the packets as the screens load them.
#include "MethodsFixture.h"

using ReadMethods = MethodsTest;

namespace {

struct FieldShape {
    const char* name;
    TFieldType type;
    int size;
    const char* label;
};

void expectFields(const TDataPacket& p, std::initializer_list<FieldShape> shapes) {
    ASSERT_EQ(p.fields.size(), qsizetype(shapes.size()));
    int i = 0;
    for (const FieldShape& s : shapes) {
        const TFieldDef& f = p.fields[i++];
        EXPECT_EQ(f.name, QString::fromLatin1(s.name));
        EXPECT_EQ(f.type, s.type) << s.name;
        EXPECT_EQ(f.size, s.size) << s.name;
        EXPECT_EQ(f.displayLabel, QString::fromUtf8(s.label)) << s.name;
    }
}

} // namespace

TEST_P(ReadMethods, CallsAreCheckedAgainstKindsAndColumnWidths) {
    EXPECT_EQ(failure("GetNada", {}), "Método desconhecido: GetNada");
    EXPECT_EQ(failure("GetLocalFatu", {"0001"}), "Chamada inválida: GetLocalFatu");
    EXPECT_EQ(failure("GetLocalFatu", {"0001", RemoteValue()}), "Chamada inválida: GetLocalFatu");
    EXPECT_EQ(failure("GetVooTrecho", {"0001", "0001", "", "2024-02-01", QDate()}),
              "Chamada inválida: GetVooTrecho");
    EXPECT_EQ(failure("GetDiretorios", {"ZELABCDEF"}), "Chamada inválida: GetDiretorios");
    EXPECT_EQ(TrdmApuracaoZel::signatures().size(), 14);
    QList<protocol::ArgKind> kinds;
    protocol::parseArgKinds(u"R S S D D D S R R S S S R V R S S", &kinds);
    EXPECT_EQ(TrdmApuracaoZel::signatures().value("CalculaApuracao"), kinds);
}

TEST_P(ReadMethods, HeaderLookups) {
    const TDataPacket dir = packet(call("GetDiretorios", {"ZELABC"}));
    expectFields(dir, {{"CDPROGRAMA", TFieldType::ftString, 8, ""},
                       {"DSDIRETORIO", TFieldType::ftString, 100, ""}});
    ASSERT_EQ(dir.rows.size(), 1u);
    EXPECT_EQ(cell(dir, 0, "DSDIRETORIO").toString(), "J11222333000181");
    EXPECT_TRUE(packet(call("GetDiretorios", {"ZELTRC"})).rows.empty());

    const TDataPacket form = packet(call("GetFormemIsNF", {"0001", "0004"}));
    expectFields(form, {{"CDCIA", TFieldType::ftString, 4, ""},
                        {"CDTIPEMNF", TFieldType::ftString, 4, ""},
                        {"IDTIPEMNF", TFieldType::ftString, 2, ""}});
    ASSERT_EQ(form.rows.size(), 1u);
    EXPECT_EQ(cell(form, 0, "IDTIPEMNF").toString(), "10");
    const TDataPacket none = packet(call("GetFormemIsNF", {"0001", "0006"}));
    ASSERT_EQ(none.rows.size(), 1u);
    EXPECT_EQ(cell(none, 0, "IDTIPEMNF").toString(), "");

    EXPECT_EQ(call("GetUltimoNrPedido", {"0001", "0001"}).toArray().at(0).toString(), "2");
    EXPECT_EQ(call("GetUltimoNrPedido", {"0001", "0002"}).toArray().at(0).toString(), "1");
}

TEST_P(ReadMethods, FlightLegsCountPendingDeliveriesOfThePeriod) {
    const TDataPacket all =
        packet(call("GetVooTrecho", {"0001", "0001", "", QDate(2024, 2, 1), QDate(2024, 2, 29)}));
    expectFields(all, {{"IDMARCVOO", TFieldType::ftString, 1, "3"},
                       {"NRVOO", TFieldType::ftString, 5, "Vôo"},
                       {"SGBASEORI", TFieldType::ftString, 5, "Base Origem"},
                       {"SGBASEDES", TFieldType::ftString, 5, "Base Destino"},
                       {"IDTIPVOO", TFieldType::ftString, 1, "Tipo do Vôo"},
                       {"QTDE_SERVICO", TFieldType::ftFloat, 0, ""}});
    ASSERT_EQ(all.rows.size(), 4u);
    // 1010 GRU-REC: D1 in the period; D4 is in March and D14 already computed.
    EXPECT_EQ(cell(all, 0, "NRVOO").toString(), "1010");
    EXPECT_EQ(cell(all, 0, "SGBASEORI").toString(), "GRU");
    EXPECT_EQ(cell(all, 0, "QTDE_SERVICO").toDouble(), 1.0);
    EXPECT_EQ(cell(all, 0, "IDMARCVOO").toString(), "N");
    EXPECT_EQ(cell(all, 1, "SGBASEORI").toString(), "REC");
    EXPECT_EQ(cell(all, 3, "NRVOO").toString(), "3030");
    EXPECT_EQ(cell(all, 3, "QTDE_SERVICO").toDouble(), 0.0);

    const TDataPacket extra =
        packet(call("GetVooTrecho", {"0001", "0001", "2", QDate(2024, 2, 1), QDate(2024, 2, 29)}));
    ASSERT_EQ(extra.rows.size(), 1u);
    EXPECT_EQ(cell(extra, 0, "NRVOO").toString(), "2020");

    const TDataPacket noDate =
        packet(call("GetVooTrecho", {"0001", "0001", "", RemoteValue(), QDate(2024, 2, 29)}));
    ASSERT_EQ(noDate.rows.size(), 4u);
    EXPECT_EQ(cell(noDate, 0, "QTDE_SERVICO").toDouble(), 0.0);
}

TEST_P(ReadMethods, LocationsAndClosingDays) {
    const TDataPacket places = packet(call("GetLocalFatu", {"0001", "0004"}));
    expectFields(places, {{"IDMARCADO", TFieldType::ftFixedChar, 1, ""},
                          {"CDLOCAFATCIA", TFieldType::ftString, 20, "Código"},
                          {"NMLOCAFATCIA", TFieldType::ftString, 30, "Nome"}});
    ASSERT_EQ(places.rows.size(), 3u);
    EXPECT_EQ(cell(places, 0, "CDLOCAFATCIA").toString(), "GIG-TECA");
    EXPECT_EQ(cell(places, 2, "CDLOCAFATCIA").toString(), "VCP-TECA");

    const auto closing = [&](const char* day) {
        const TDataPacket p = packet(call("GetPerFecham", {"0001", "0001", day}));
        EXPECT_EQ(p.fields.at(0).name, "MIN(DIFECHCIA)");
        EXPECT_EQ(p.fields.at(0).size, 2);
        EXPECT_EQ(p.rows.size(), 1u);
        return p.rows.at(0).at(0).toString();
    };
    EXPECT_EQ(closing("05"), "10");
    EXPECT_EQ(closing("10"), "20");
    EXPECT_EQ(closing("0"), "10");
    EXPECT_EQ(closing("xx"), "10");
    EXPECT_EQ(closing("31"), "");
}

TEST_P(ReadMethods, InterruptedAndFailedComputationsNewestFirst) {
    exec("INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
         "CDCLIENTE, IDSTATUS, DTHRINICIO) VALUES "
         "('0000000007', 'F', '0001', '0001', '0003', 'CLI000000003', 'P', '2024-03-01 08:00:00'), "
         "('0000000008', 'F', '0001', '0002', '0003', 'CLI000000003', 'E', '2024-03-02 08:00:00')");
    // Running: younger than the lease, so not reported.
    QSqlQuery query(db());
    query.prepare("INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, "
                  "CDCIA, CDCLIENTE, IDSTATUS, DTHRINICIO) VALUES ('0000000009', 'F', '0001', "
                  "'0002', '0001', 'CLI000000003', 'P', :now)");
    query.bindValue(":now", QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss"));
    ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();

    const TDataPacket p = packet(call("GetCtrlApurFat", {"CLI000000003"}));
    expectFields(p, {{"NRAPURACFAT", TFieldType::ftString, 10, ""},
                     {"IDSTATUS", TFieldType::ftString, 1, ""}});
    ASSERT_EQ(p.rows.size(), 3u);
    EXPECT_EQ(cell(p, 0, "NRAPURACFAT").toString(), "0000000008");
    EXPECT_EQ(cell(p, 1, "IDSTATUS").toString(), "P");
    EXPECT_EQ(cell(p, 2, "NRAPURACFAT").toString(), "0000000002");
    EXPECT_TRUE(packet(call("GetCtrlApurFat", {"CLI000000001"})).rows.empty());
}

TEST_P(ReadMethods, FinishedComputationsAndTheirInvoicesForTheFeeScreen) {
    const TDataPacket one =
        packet(call("GetCtrlApurTaxa", {"0001", "CLI000000001", "0000000001", "N"}));
    expectFields(one, {{"NRAPURACFAT", TFieldType::ftString, 10, "Nº Apuração"},
                       {"CDFILIAL", TFieldType::ftString, 4, "Filial"},
                       {"DTINIAPURAC", TFieldType::ftDateTime, 0, "Data Inicial"},
                       {"DTFIMAPURAC", TFieldType::ftDateTime, 0, "Data Final"}});
    ASSERT_EQ(one.rows.size(), 1u);
    EXPECT_EQ(cell(one, 0, "DTFIMAPURAC").toDateTime(), QDate(2024, 1, 31).startOfDay());
    EXPECT_TRUE(
        packet(call("GetCtrlApurTaxa", {"0001", "CLI000000001", "0000000009", "N"})).rows.empty());
    // The failed one of UNI is not offered.
    EXPECT_TRUE(packet(call("GetCtrlApurTaxa", {"0001", "CLI000000003", "", "T"})).rows.empty());

    const TDataPacket notes = packet(
        call("GetNotasApuradas", {"CLI000000001", QDate(2024, 2, 1), QDate(2024, 2, 29), "", "T"}));
    expectFields(notes, {{"IDCHECK", TFieldType::ftFixedChar, 1, ""},
                         {"CDFILIAL", TFieldType::ftString, 4, ""},
                         {"NRLANCTONF", TFieldType::ftString, 10, "No. Lançamento"},
                         {"VRNOTAFISC", TFieldType::ftFloat, 0, "Total da Nota"},
                         {"DTENTRSAID", TFieldType::ftDateTime, 0, "Data Saída"}});
    ASSERT_EQ(notes.rows.size(), 2u);
    EXPECT_EQ(cell(notes, 0, "IDCHECK").toString(), "N");
    EXPECT_EQ(cell(notes, 0, "VRNOTAFISC").toDouble(), 1000.0);
    EXPECT_EQ(cell(notes, 1, "NRLANCTONF").toString(), "0000000002");
    EXPECT_TRUE(packet(call("GetNotasApuradas",
                            {"CLI000000001", QDate(2024, 3, 1), QDate(2024, 3, 31), "", "T"}))
                    .rows.empty());
    EXPECT_EQ(packet(call("GetNotasApuradas",
                          {"CLI000000001", RemoteValue(), RemoteValue(), "0000000001", "N"}))
                  .rows.size(),
              2u);
}

TEST_P(ReadMethods, NotaFiscalKeys) {
    EXPECT_TRUE(packet(call("GetNotaFiscal", {"0001", ""})).rows.empty());
    const TDataPacket p = packet(call("GetNotaFiscal", {"0001", "0000000001"}));
    ASSERT_EQ(p.rows.size(), 2u);
    EXPECT_EQ(p.fields.at(0).displayLabel, "Nº do Lançamento");
    EXPECT_EQ(cell(p, 0, "VRNOTAFISC").toDouble(), 1000.0);
    EXPECT_EQ(cell(p, 1, "VRTTMOEDESTR").toDouble(), 100.0);
    EXPECT_EQ(cell(p, 0, "VRTOTAAPUR").toDouble(), 1500.0);
    EXPECT_EQ(cell(p, 1, "VRTOTAAPURESTR").toDouble(), 300.0);
    // Another working branch did not request it.
    EXPECT_TRUE(packet(call("GetNotaFiscal", {"0002", "0000000001"})).rows.empty());
    EXPECT_EQ(failure("GetNotaFiscal", {"0001", "Falha na apuração 0000000003: x"}),
              "Nenhuma apuração encontrada para: Falha na apuração 0000000003: x");
    EXPECT_EQ(failure("GetNotaFiscal", {"0001", "123"}), "Nenhuma apuração encontrada para: 123");
}

ZEL_ALL_ENGINES(ReadMethods);
