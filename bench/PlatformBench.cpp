#include "platform/TClientDataSet.h"

#include <benchmark/benchmark.h>

#include <QDate>

namespace {

TFieldDef def(const char* name, TFieldType type, int size = 0) {
    TFieldDef d;
    d.name = QString::fromLatin1(name);
    d.type = type;
    d.size = size;
    return d;
}

TDataPacket invoicePacket(int rows) {
    TDataPacket p;
    p.fields = {
        def("IDCHECK", TFieldType::ftFixedChar, 1),  def("CDFILIAL", TFieldType::ftString, 4),
        def("NRLANCTONF", TFieldType::ftString, 10), def("VRNOTAFISC", TFieldType::ftFloat),
        def("DTENTRSAID", TFieldType::ftDateTime),   def("QTITENS", TFieldType::ftInteger)};
    p.rows.reserve(std::size_t(rows));
    const QDateTime day(QDate(2024, 1, 1), QTime(0, 0));
    for (int i = 0; i < rows; ++i) {
        p.rows.push_back({QStringLiteral("N"), QStringLiteral("0001"), QString::number(i), i * 1.25,
                          day.addDays(i % 365), qint64(i % 17)});
    }
    return p;
}

// A packet of 100,000 invoices into a dataset with persistent fields declared in another
// order than the packet's, as the screens declare them.
void setData100k(benchmark::State& state) {
    TClientDataSet cds;
    cds.addField(def("VRNOTAFISC", TFieldType::ftFloat)).setDisplayFormat("#,##0.00");
    cds.addField(def("NRLANCTONF", TFieldType::ftString, 10));
    cds.addField(def("IDCHECK", TFieldType::ftFixedChar, 1));
    for (auto _ : state) {
        state.PauseTiming();
        cds.close();
        TDataPacket packet = invoicePacket(100000);
        state.ResumeTiming();
        cds.setData(std::move(packet));
        benchmark::DoNotOptimize(cds.recordCount());
    }
}
// Building the packet is not timed and costs far more than loading it, so the iteration
// count is fixed rather than left to the library's timing.
BENCHMARK(setData100k)->Unit(benchmark::kMillisecond)->Iterations(30);

} // namespace

BENCHMARK_MAIN();
