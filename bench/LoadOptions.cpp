#include "bench/LoadOptions.h"

#include <algorithm>

namespace {

constexpr int kMaxDesktops = 512;

QString readDesktops(const CommandLine& line, QList<int>* desktops) {
    if (!line.isSet(QStringLiteral("desktops")))
        return {};
    QList<int> counts;
    for (const QString& item : line.value(QStringLiteral("desktops")).split(u',')) {
        bool ok = false;
        const int count = item.trimmed().toInt(&ok);
        if (!ok || count < 1 || count > kMaxDesktops)
            return QStringLiteral("--desktops exige números inteiros de 1 a %1 separados por "
                                  "vírgulas, por exemplo 1,8,32,64.")
                .arg(kMaxDesktops);
        counts.append(count);
    }
    *desktops = counts;
    return {};
}

QString readTopologies(const CommandLine& line, LoadOptions* o) {
    using Topology = LoadOptions::Topology;
    if (!line.isSet(QStringLiteral("topologies"))) {
        o->topologies = {Topology::Sqlite};
        if (!o->pgUrl.isEmpty())
            o->topologies << Topology::PostgreSql << Topology::TwoOnPostgreSql;
        return {};
    }
    o->topologies.clear();
    for (const QString& item : line.value(QStringLiteral("topologies")).split(u',')) {
        const QString name = item.trimmed();
        std::optional<Topology> topology;
        for (Topology t : {Topology::Sqlite, Topology::PostgreSql, Topology::TwoOnPostgreSql}) {
            if (name == LoadOptions::nameOf(t))
                topology = t;
        }
        if (!topology)
            return QStringLiteral("Topologia desconhecida em --topologies: %1 (use sqlite, "
                                  "postgresql ou postgresql-2).")
                .arg(name);
        if (*topology != Topology::Sqlite && o->pgUrl.isEmpty())
            return QStringLiteral("%1 exige --pg postgresql://usuário@servidor:porta/banco.")
                .arg(name);
        if (!o->topologies.contains(*topology))
            o->topologies.append(*topology);
    }
    return {};
}

} // namespace

CommandLine LoadOptions::commandLine() {
    const LoadOptions defaults;
    CommandLine line(
        QStringLiteral("bench_load"), QStringLiteral("[opções]"),
        QStringLiteral(
            "Simula muitas mesas de faturamento contra o zel-appserver: cada mesa, com a sua\n"
            "conexão e a sua companhia, repete o tráfego da tela de cálculo da apuração\n"
            "(GetDiretorios, GetFormemIsNF, GetUltimoNrPedido, GetVooTrecho, GetPerFecham,\n"
            "GetCtrlApurFat, CalculaApuracao de um período novo e GetNotaFiscal). Mede\n"
            "apurações por minuto, latências, erros e a memória de cada servidor, num\n"
            "servidor sobre SQLite, num sobre PostgreSQL e em dois sobre o mesmo PostgreSQL."));
    line.addOptions({
        {QStringLiteral("desktops"),
         QStringLiteral("quantidades de mesas simultâneas, uma medição cada (padrão 1,8,32,64)"),
         QStringLiteral("N[,N...]")},
        {QStringLiteral("seconds"),
         QStringLiteral("duração de cada medição, em segundos (padrão %1)").arg(defaults.seconds),
         QStringLiteral("N")},
        {QStringLiteral("think"),
         QStringLiteral("pausa de cada mesa entre duas chamadas, em milissegundos (padrão %1)")
             .arg(defaults.thinkMs),
         QStringLiteral("MS")},
        {QStringLiteral("periods"),
         QStringLiteral("períodos de um dia gerados por companhia (padrão: o bastante para a "
                        "duração, ao menos 1000)"),
         QStringLiteral("N")},
        {QStringLiteral("per-period"),
         QStringLiteral("deliveries por período (padrão %1)").arg(defaults.perPeriod),
         QStringLiteral("N")},
        {QStringLiteral("topologies"),
         QStringLiteral("sqlite, postgresql (um servidor) e postgresql-2 (dois servidores no "
                        "mesmo banco), separadas por vírgulas (padrão: sqlite e, com --pg, as "
                        "três)"),
         QStringLiteral("LISTA")},
        {QStringLiteral("pg"),
         QStringLiteral("servidor PostgreSQL onde o banco zelload é recriado a cada medição"),
         QStringLiteral("URL")},
        {QStringLiteral("workdir"),
         QStringLiteral("diretório dos bancos SQLite e dos registros dos servidores (padrão: "
                        "um temporário)"),
         QStringLiteral("DIR")},
        {QStringLiteral("appserver"),
         QStringLiteral("caminho do zel-appserver (padrão: ao lado deste programa)"),
         QStringLiteral("CAMINHO")},
    });
    return line;
}

QString LoadOptions::read(const CommandLine& line, LoadOptions* o) {
    o->pgUrl = line.value(QStringLiteral("pg"));
    if (line.isSet(QStringLiteral("pg")) && !o->pgUrl.startsWith(QLatin1String("postgresql://")))
        return QStringLiteral("--pg exige postgresql://usuário@servidor:porta/banco.");
    for (const QString& problem :
         {readDesktops(line, &o->desktops),
          line.readInteger(QStringLiteral("seconds"), 1, 3600, &o->seconds),
          line.readInteger(QStringLiteral("think"), 0, 60000, &o->thinkMs),
          line.readInteger(QStringLiteral("periods"), 1, 100000, &o->periods),
          line.readInteger(QStringLiteral("per-period"), 1, 1000, &o->perPeriod),
          readTopologies(line, o)}) {
        if (!problem.isEmpty())
            return problem;
    }
    o->workdir = line.value(QStringLiteral("workdir"));
    o->appserver = line.value(QStringLiteral("appserver"));
    return {};
}

QString LoadOptions::nameOf(Topology topology) {
    switch (topology) {
    case Topology::Sqlite:
        return QStringLiteral("sqlite");
    case Topology::PostgreSql:
        return QStringLiteral("postgresql");
    case Topology::TwoOnPostgreSql:
        return QStringLiteral("postgresql-2");
    }
    return {};
}

int LoadOptions::periodsFor(int desktops) const {
    if (periods > 0)
        return periods;
    constexpr int kComputationsPerSecond = 600;
    constexpr int kMinPeriods = 1000;
    const qint64 needed = (qint64(kComputationsPerSecond) * seconds + desktops - 1) / desktops;
    return int(std::max<qint64>(kMinPeriods, needed));
}

int LoadOptions::serversOf(Topology topology) {
    return topology == Topology::TwoOnPostgreSql ? 2 : 1;
}
