// bench_gui: the lag a person feels on the screens, in the real Qt view (offscreen), against
// the real application server (in process, over the protocol) on a seeded SQLite database.
// Each step is set off by the key or click a person would use and lasts until the grid or
// list it fills has been painted. The time the client waited for the server (measured at the
// connection) and for its own database queries is told apart from the rest, which is the
// model, the view and the painting.
#include "bench/BenchApplication.h"
#include "bench/GuiBenchData.h"
#include "bench/PaintWatch.h"
#include "bench/QueryClock.h"
#include "core/CommandLine.h"
#include "core/Exception.h"
#include "external/appserver/TCallLog.h"
#include "external/shared/Ostrana.h"
#include "external/shared/TBtnPesquisa.h"
#include "external/shared/TdtmDBGeral.h"
#include "host/computations/Cli_Zel00103.h"
#include "host/computations/TfrmConsApur.h"
#include "platform/qt/ActionQueue.h"
#include "platform/qt/ControlBinder.h"
#include "platform/qt/FormView.h"
#include "platform/qt/LookupDialog.h"
#include "platform/qt/QtPresenter.h"
#include "platform/TApplication.h"
#include "platform/TButtonFlat.h"
#include "platform/TClientDataSet.h"
#include "platform/TClock.h"
#include "platform/TDBGrid.h"
#include "platform/TEdit.h"
#include "platform/TForm.h"
#include "platform/TMaskEdit.h"
#include "screens/billing/Cli_Zel00100.h"
#include "screens/billing/TfrmApuracao.h"
#include "screens/viewer/Cli_Zel00101.h"
#include "screens/viewer/TfrmNotasApur.h"
#include "server/AppServer.h"
#include "server/InitDbCommand.h"
#include "server/ServeCommand.h"
#include "server/ServeOptions.h"
#include "server/ServerLog.h"
#include "server/ServerSettings.h"
#include "tests/qt/GuiDriver.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QMessageBox>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr qint64 kMs = 1000000;
// The lag a person should not notice, for the rest (model, view, paint) of a step.
constexpr qint64 kGoal = 100 * kMs;
constexpr int kStepTimeoutMs = 60000;

struct Options {
    int repeats = 5;
    int scrollPasses = 2;
    GuiBenchData::Sizes sizes;
    QString screenshots;
};

CommandLine commandLine() {
    CommandLine line(
        QStringLiteral("bench_gui"), QStringLiteral("[opções]"),
        QStringLiteral(
            "Mede a demora das telas na visão Qt real (plataforma offscreen), com o servidor "
            "de\naplicação no próprio processo sobre um banco SQLite preparado: a saída do "
            "cabeçalho\nda apuração (carrega os trechos de vôo), a abertura do visualizador "
            "de notas, a\npesquisa de companhia e a rolagem da grade de trechos. Cada "
            "etapa vai do toque de\ntecla ou clique até a grade ou lista pintada; separa o "
            "tempo de espera pelo servidor\n(medido na conexão) e pelas consultas ao banco "
            "do resto (modelo, visão e pintura)."));
    line.addOptions({
        {QStringLiteral("repeats"),
         QStringLiteral("repetições de cada etapa, após uma de aquecimento (padrão 5)"),
         QStringLiteral("N")},
        {QStringLiteral("scroll-passes"),
         QStringLiteral("passadas da rolagem de cima a baixo (padrão 2)"), QStringLiteral("N")},
        {QStringLiteral("legs"), QStringLiteral("trechos de vôo da companhia (padrão 5000)"),
         QStringLiteral("N")},
        {QStringLiteral("invoices"),
         QStringLiteral("notas fiscais da apuração aberta no visualizador (padrão 10000)"),
         QStringLiteral("N")},
        {QStringLiteral("companies"),
         QStringLiteral("companhias da filial, listadas na pesquisa (padrão 5000)"),
         QStringLiteral("N")},
        {QStringLiteral("screenshots"),
         QStringLiteral("grava em DIR uma captura (PNG) da janela de cada etapa"),
         QStringLiteral("DIR")},
    });
    return line;
}

QString read(const CommandLine& line, Options* o) {
    for (const QString& problem :
         {line.readInteger(QStringLiteral("repeats"), 1, 100, &o->repeats),
          line.readInteger(QStringLiteral("scroll-passes"), 1, 20, &o->scrollPasses),
          line.readInteger(QStringLiteral("legs"), GuiBenchData::kFixtureLegs + 1, 100000,
                           &o->sizes.legs),
          line.readInteger(QStringLiteral("invoices"), 1, 200000, &o->sizes.invoices),
          line.readInteger(QStringLiteral("companies"), GuiBenchData::kFixtureCompanies + 1, 9000,
                           &o->sizes.companies)}) {
        if (!problem.isEmpty())
            return problem;
    }
    o->screenshots = line.value(QStringLiteral("screenshots"));
    if (line.isSet(QStringLiteral("screenshots")) && o->screenshots.isEmpty())
        return QStringLiteral("--screenshots exige um diretório.");
    return {};
}

// One timed run of a step: the whole lag and what of it the client spent waiting.
struct Sample {
    qint64 total = 0;
    qint64 server = 0;
    qint64 queries = 0;
    qint64 rest() const { return total - server - queries; }
};

struct Row {
    QString step;
    std::vector<Sample> samples;
    QString calls; // remote calls of one run
    Sample first;  // the warm-up run (for the page steps, the slowest page of its pass)
};

qint64 median(std::vector<qint64> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

qint64 maximum(const std::vector<qint64>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

QString ms(qint64 ns) {
    return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(double(ns) / kMs, 'f', 1);
}

QString number(qint64 n) {
    return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(n);
}

// Runs the event loop until `done`; false when it took longer than the step may.
bool waitFor(const std::function<bool()>& done) {
    const qint64 limit = PaintWatch::now() + qint64(kStepTimeoutMs) * kMs;
    while (!done()) {
        if (PaintWatch::now() > limit)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents);
        QApplication::sendPostedEvents();
    }
    return true;
}

bool actionsDone() {
    const auto& queue = qtview::ActionQueue::instance();
    return queue.idle() && !queue.held();
}

// The paints of a grid's viewport and the last time its model told the view to change: the
// grid is up to date on the screen once a paint ended after that.
class GridPaints {
public:
    explicit GridPaints(QTableView* table)
        : m_watch([viewport = table->viewport()] { return viewport; }) {
        QAbstractItemModel* model = table->model();
        const auto changed = [this] { m_lastChange = PaintWatch::now(); };
        m_connections = {
            QObject::connect(model, &QAbstractItemModel::modelReset, changed),
            QObject::connect(model, &QAbstractItemModel::dataChanged, changed),
            QObject::connect(model, &QAbstractItemModel::headerDataChanged, changed),
            QObject::connect(model, &QAbstractItemModel::layoutChanged, changed),
            QObject::connect(table->verticalScrollBar(), &QAbstractSlider::valueChanged, changed),
        };
    }
    ~GridPaints() {
        for (const QMetaObject::Connection& connection : m_connections)
            QObject::disconnect(connection);
    }
    GridPaints(const GridPaints&) = delete;
    GridPaints& operator=(const GridPaints&) = delete;

    bool upToDate() const { return m_watch.lastPaint() > m_lastChange; }
    void reset() { m_lastChange = PaintWatch::now(); }

private:
    PaintWatch m_watch;
    qint64 m_lastChange = 0;
    std::vector<QMetaObject::Connection> m_connections;
};

class ScreenBench {
public:
    explicit ScreenBench(const Options& options)
        : m_options(options) {}

    ~ScreenBench() {
        gui::settle();
        for (TForm* open : Application().forms())
            delete open;
        gui::settle();
        if (m_server)
            m_server->stop();
        m_server.reset();
        dataModule().disconnect();
        m_presenter.reset();
    }
    ScreenBench(const ScreenBench&) = delete;
    ScreenBench& operator=(const ScreenBench&) = delete;

    void start(QTextStream& out);
    std::vector<Row> run(QTextStream& out);

private:
    static TdtmDBGeral& dataModule() {
        static TdtmDBGeral module;
        return module;
    }
    QWidget* widgetOf(TForm* form, const TControl* control) const;
    QTableView* tableOf(TForm* form, const TControl* grid) const;
    [[noreturn]] void fail(const QString& why) const;
    void capture(QWidget* window, const QString& name);
    void checkNoDialog() const;

    struct Mark {
        qint64 at;
        qint64 waited;
        qint64 viewWhileWaiting;
        qint64 queries;
    };
    Mark mark() const {
        return {PaintWatch::now(), TCallLog::instance().totalWaitedNs(),
                application().viewWhileWaiting(), m_queries.total()};
    }
    // The server's part is the wait for its answers less the painting done meanwhile.
    Sample since(const Mark& start, qint64 end) const {
        const qint64 waited = TCallLog::instance().totalWaitedNs() - start.waited;
        const qint64 painting = application().viewWhileWaiting() - start.viewWhileWaiting;
        return {end - start.at, waited - painting, m_queries.total() - start.queries};
    }
    static const BenchApplication& application() {
        return *static_cast<BenchApplication*>(QApplication::instance());
    }

    Sample headerExit(bool shoot);
    std::vector<Sample> scrollPass(bool shoot);
    Sample companyLookup(bool shoot);
    Sample viewerOpening(bool shoot);

    Options m_options;
    QTemporaryDir m_dir;
    std::unique_ptr<qtview::QtPresenter> m_presenter;
    std::unique_ptr<AppServer> m_server;
    std::unique_ptr<gui::DialogAnswerer> m_dialogs;
    TfrmApuracao* m_billing = nullptr;
    TfrmConsApur* m_computations = nullptr;
    QueryClock m_queries;
};

void ScreenBench::fail(const QString& why) const {
    QString text = why;
    if (m_dialogs && !m_dialogs->texts().isEmpty())
        text += QStringLiteral("\nMensagens mostradas: ") +
                m_dialogs->texts().join(QStringLiteral(" | "));
    throw Exception(text);
}

void ScreenBench::checkNoDialog() const {
    if (!m_dialogs->texts().isEmpty())
        fail(QStringLiteral("a tela mostrou uma mensagem inesperada."));
}

QWidget* ScreenBench::widgetOf(TForm* form, const TControl* control) const {
    qtview::FormView* view = form ? m_presenter->viewOf(*form) : nullptr;
    qtview::ControlBinder* binder = view ? view->binder(control) : nullptr;
    return binder ? binder->widget() : nullptr;
}

QTableView* ScreenBench::tableOf(TForm* form, const TControl* grid) const {
    return qobject_cast<QTableView*>(widgetOf(form, grid));
}

void ScreenBench::capture(QWidget* window, const QString& name) {
    if (m_options.screenshots.isEmpty() || !window)
        return;
    const QString path = QDir(m_options.screenshots).filePath(name);
    if (!window->grab().save(path))
        fail(QStringLiteral("não foi possível gravar %1.").arg(path));
}

void ScreenBench::start(QTextStream& out) {
    if (!m_dir.isValid())
        fail(QStringLiteral("não foi possível criar um diretório temporário."));
    if (!m_options.screenshots.isEmpty() && !QDir().mkpath(m_options.screenshots))
        fail(QStringLiteral("não foi possível criar %1.").arg(m_options.screenshots));
    const QString url = QStringLiteral("sqlite:") + m_dir.filePath(QStringLiteral("zel.db"));
    out << "Preparando o banco (" << url << ")...\n";
    out.flush();
    QString seedOutput;
    QTextStream seedStream(&seedOutput);
    if (InitDbCommand::run({url, QStringLiteral("--fixture"), QStringLiteral("basic")}, seedStream,
                           seedStream) != 0)
        fail(QStringLiteral("init-db falhou: %1").arg(seedOutput));
    dataModule().connect(url);
    GuiBenchData::seed(dataModule().database(), m_options.sizes);

    ServeOptions serve;
    serve.databaseUrl = url;
    ServerSettings settings = ServeCommand::settingsFor(serve);
    // One line per call would drown the table.
    settings.log = std::make_shared<ServerLog>([](const QString&) {});
    m_server = std::make_unique<AppServer>(std::move(settings));
    QString error;
    if (!m_server->listen(QHostAddress(QHostAddress::LocalHost), 0, &error))
        fail(QStringLiteral("o servidor de aplicação não iniciou: %1").arg(error));

    m_presenter = std::make_unique<qtview::QtPresenter>();
    m_dialogs = std::make_unique<gui::DialogAnswerer>();
    Ostrana::setFiliProc(QStringLiteral("0001"));
    Ostrana::setModuFili(false);
    Ostrana::setWebURL(QStringLiteral("127.0.0.1"));
    Ostrana::setWebPort(m_server->port());
    // The fixture's dates: ABC's proposed period is 01/02/2024 to 10/02/2024.
    Clock().setToday(QDate(2024, 3, 20));
    Cli_Zel00100::initialization();
    Cli_Zel00101::initialization();

    Application().runUserAction([] { Cli_Zel00100::CriaApuracao(); });
    gui::settle();
    m_billing = Cli_Zel00100::frmApuracao;
    if (!m_billing || !widgetOf(m_billing, m_billing->medSgCia))
        fail(QStringLiteral("a tela de apuração não abriu."));
    m_queries.attach(*m_billing);

    // ABC typed in the company field, as the first header exit finds it.
    QWidget* company = widgetOf(m_billing, m_billing->medSgCia);
    gui::click(company);
    gui::typeText(company, QStringLiteral("abc"));
    if (m_billing->medSgCia->text() != QLatin1String("ABC"))
        fail(QStringLiteral("a companhia digitada não chegou ao campo."));
    checkNoDialog();
}

// From the Tab that leaves the header's last field until the flight grid shows the legs
// loaded by the exit.
Sample ScreenBench::headerExit(bool shoot) {
    // Into the header's last field, the order number, which empties the grid.
    QWidget* last = widgetOf(m_billing, m_billing->edtNrPedido);
    gui::click(last);
    if (m_billing->activeControl() != m_billing->edtNrPedido)
        fail(QStringLiteral("o campo do número do pedido não recebeu o foco."));
    QTableView* table = tableOf(m_billing, m_billing->dbgVooTrecho);
    GridPaints paints(table);
    const int calls = TCallLog::instance().count(QStringLiteral("GetVooTrecho"));
    const Mark start = mark();
    QTest::keyClick(last, Qt::Key_Tab);
    if (!waitFor([&] { return actionsDone() && paints.upToDate(); }))
        fail(QStringLiteral("a grade de trechos não foi pintada a tempo."));
    const Sample sample = since(start, PaintWatch::now());
    checkNoDialog();
    if (table->model()->rowCount() != m_options.sizes.legs ||
        TCallLog::instance().count(QStringLiteral("GetVooTrecho")) == calls ||
        m_billing->activeControl() == m_billing->edtNrPedido)
        fail(QStringLiteral("a saída do cabeçalho não carregou os %1 trechos (a grade tem %2).")
                 .arg(m_options.sizes.legs)
                 .arg(table->model()->rowCount()));
    if (shoot)
        capture(m_presenter->viewOf(*m_billing), QStringLiteral("1-saida-do-cabecalho.png"));
    return sample;
}

// The flight grid from its first row to its last by PgDn, each key until the grid is painted.
std::vector<Sample> ScreenBench::scrollPass(bool shoot) {
    QTableView* table = tableOf(m_billing, m_billing->dbgVooTrecho);
    TDBGrid& grid = *m_billing->dbgVooTrecho;
    // A click on a flight number puts the focus in the grid without checking anything.
    gui::click(table->viewport(), table->visualRect(table->model()->index(0, 1)).center());
    gui::pressKey(table, Qt::Key_Home, Qt::ControlModifier);
    if (m_billing->activeControl() != &grid || grid.currentRow() != 0)
        fail(QStringLiteral("a grade de trechos não recebeu o foco na primeira linha."));
    const int last = table->model()->rowCount() - 1;
    GridPaints paints(table);
    std::vector<Sample> pages;
    while (grid.currentRow() < last) {
        const int before = grid.currentRow();
        paints.reset();
        const Mark start = mark();
        QTest::keyClick(table, Qt::Key_PageDown);
        if (!waitFor([&] { return actionsDone() && paints.upToDate(); }))
            fail(QStringLiteral("a grade de trechos não foi pintada após PgDn."));
        pages.push_back(since(start, PaintWatch::now()));
        if (grid.currentRow() <= before)
            fail(QStringLiteral("PgDn não avançou da linha %1.").arg(before + 1));
    }
    checkNoDialog();
    // The last leg is on show.
    if (!table->viewport()->rect().intersects(table->visualRect(table->model()->index(last, 1))))
        fail(QStringLiteral("a última linha não ficou visível."));
    if (shoot)
        capture(m_presenter->viewOf(*m_billing), QStringLiteral("4-rolagem-ate-o-fim.png"));
    return pages;
}

// From the click on the company's lookup button until the list of every company is painted.
Sample ScreenBench::companyLookup(bool shoot) {
    std::optional<qint64> shown;
    int rows = 0;
    PaintWatch watch([]() -> QWidget* {
        auto* dialog = qobject_cast<qtview::LookupDialog*>(QApplication::activeModalWidget());
        return dialog ? dialog->table()->viewport() : nullptr;
    });
    watch.OnPainted = [&] {
        if (shown)
            return;
        shown = PaintWatch::now();
        auto* dialog = qobject_cast<qtview::LookupDialog*>(QApplication::activeModalWidget());
        rows = dialog->table()->model()->rowCount();
        if (shoot)
            capture(dialog, QStringLiteral("3-pesquisa-de-companhia.png"));
        // Esc: nothing chosen, the header stays as it was.
        QTimer::singleShot(0, dialog,
                           [dialog] { QTest::keyClick(dialog->table(), Qt::Key_Escape); });
    };
    // The answerer would close the list before it is painted: meanwhile a message box, which
    // the lookup should not show, is only noted and closed.
    m_dialogs.reset();
    QStringList messages;
    QTimer boxes;
    boxes.setInterval(50);
    QObject::connect(&boxes, &QTimer::timeout, [&messages] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            messages << box->text();
            box->reject();
        }
    });
    boxes.start();
    const Mark start = mark();
    QTest::mouseClick(widgetOf(m_billing, m_billing->btpCompanhia), Qt::LeftButton);
    const bool painted =
        waitFor([&] { return shown && actionsDone() && !QApplication::activeModalWidget(); });
    boxes.stop();
    m_dialogs = std::make_unique<gui::DialogAnswerer>();
    if (!messages.isEmpty())
        fail(QStringLiteral("a pesquisa mostrou: %1").arg(messages.join(QStringLiteral(" | "))));
    if (!painted)
        fail(QStringLiteral("a lista da pesquisa de companhia não foi pintada a tempo."));
    const Sample sample = since(start, *shown);
    if (rows != m_options.sizes.companies)
        fail(QStringLiteral("a pesquisa listou %1 companhias, e não %2.")
                 .arg(rows)
                 .arg(m_options.sizes.companies));
    return sample;
}

// From the click on Notas of the computations screen until the viewer's grid of the
// computation's invoices is painted.
Sample ScreenBench::viewerOpening(bool shoot) {
    if (!m_computations) {
        Application().runUserAction([] { Cli_Zel00103::CriaConsApur(); });
        gui::settle();
        m_computations = Cli_Zel00103::frmConsApur;
        QTableView* list = tableOf(m_computations, m_computations->dbgApuracoes);
        if (!list)
            fail(QStringLiteral("a consulta de apurações não abriu."));
        m_queries.attach(*m_computations);
        int row = -1;
        for (int r = 0; r < list->model()->rowCount(); ++r) {
            if (list->model()->data(list->model()->index(r, 0)).toString() ==
                GuiBenchData::kComputation)
                row = r;
        }
        if (row < 0)
            fail(QStringLiteral("a apuração %1 não está na consulta.")
                     .arg(GuiBenchData::kComputation));
        gui::click(list->viewport(), list->visualRect(list->model()->index(row, 2)).center());
        if (m_computations->cdsApuracoes->fieldByName(QStringLiteral("NRAPURACFAT")).asString() !=
            GuiBenchData::kComputation)
            fail(QStringLiteral("a apuração %1 não ficou selecionada.")
                     .arg(GuiBenchData::kComputation));
    }
    const auto viewerGrid = [this]() -> QTableView* {
        TfrmNotasApur* viewer = Cli_Zel00101::frmNotasApur;
        return viewer ? tableOf(viewer, viewer->dbgCompanhia) : nullptr;
    };
    std::optional<qint64> shown;
    int rows = 0;
    PaintWatch watch([&]() -> QWidget* {
        QTableView* grid = viewerGrid();
        return grid ? grid->viewport() : nullptr;
    });
    watch.OnPainted = [&] {
        if (shown)
            return;
        shown = PaintWatch::now();
        TfrmNotasApur* viewer = Cli_Zel00101::frmNotasApur;
        rows = viewerGrid()->model()->rowCount();
        if (shoot)
            capture(m_presenter->viewOf(*viewer), QStringLiteral("2-visualizador-de-notas.png"));
        QWidget* close = widgetOf(viewer, viewer->sbtConfirma);
        QTimer::singleShot(0, close, [close] { QTest::mouseClick(close, Qt::LeftButton); });
    };
    const Mark start = mark();
    QTest::mouseClick(widgetOf(m_computations, m_computations->sbtNotas), Qt::LeftButton);
    if (!waitFor([&] { return shown && actionsDone() && !QApplication::activeModalWidget(); }))
        fail(QStringLiteral("a grade do visualizador não foi pintada a tempo."));
    const Sample sample = since(start, *shown);
    checkNoDialog();
    if (rows != m_options.sizes.invoices)
        fail(QStringLiteral("o visualizador listou %1 notas, e não %2.")
                 .arg(rows)
                 .arg(m_options.sizes.invoices));
    return sample;
}

// The remote methods the steps call.
const QStringList& methods() {
    static const QStringList names{
        QStringLiteral("GetFormemIsNF"), QStringLiteral("GetUltimoNrPedido"),
        QStringLiteral("GetDiretorios"), QStringLiteral("GetVooTrecho"),
        QStringLiteral("GetPerFecham"),  QStringLiteral("GetCtrlApurFat"),
        QStringLiteral("GetNotaFiscal"), QStringLiteral("GetApuracoes")};
    return names;
}

QHash<QString, int> callCounts() {
    QHash<QString, int> counts;
    for (const QString& method : methods())
        counts.insert(method, TCallLog::instance().count(method));
    return counts;
}

QString callsOf(const QHash<QString, int>& before) {
    QStringList calls;
    for (const QString& method : methods()) {
        const int n = TCallLog::instance().count(method) - before.value(method);
        if (n > 0)
            calls << (n > 1 ? QStringLiteral("%1 %2x").arg(method).arg(n) : method);
    }
    return calls.isEmpty() ? QStringLiteral("nenhuma") : calls.join(QStringLiteral(", "));
}

std::vector<Row> ScreenBench::run(QTextStream& out) {
    const int repeats = m_options.repeats;
    const auto& sizes = m_options.sizes;
    std::vector<Row> rows;
    const auto repeat = [&](const QString& step, const std::function<Sample(bool)>& once) {
        out << "  " << step << "...\n";
        out.flush();
        Row row{step, {}, {}, {}};
        // Warm-up: first-time costs (fonts, caches) are shown apart.
        row.first = once(false);
        for (int i = 0; i < repeats; ++i) {
            const QHash<QString, int> before = callCounts();
            row.samples.push_back(once(i == 0));
            if (i == 0)
                row.calls = callsOf(before);
        }
        rows.push_back(row);
    };
    repeat(QStringLiteral("1. Saída do cabeçalho (%1 trechos)").arg(number(sizes.legs)),
           [this](bool shoot) { return headerExit(shoot); });

    out << "  4. Rolagem da grade de trechos...\n";
    out.flush();
    Row pages{QStringLiteral("4. Rolagem, por página (PgDn)"), {}, QStringLiteral("nenhuma"), {}};
    Row passes{QStringLiteral("4. Rolagem, do início ao fim (%1 trechos)").arg(number(sizes.legs)),
               {},
               QStringLiteral("nenhuma"),
               {}};
    const auto sum = [](const std::vector<Sample>& pass) {
        Sample whole;
        for (const Sample& page : pass) {
            whole.total += page.total;
            whole.server += page.server;
            whole.queries += page.queries;
        }
        return whole;
    };
    const std::vector<Sample> warmUp = scrollPass(false);
    passes.first = sum(warmUp);
    pages.first =
        *std::max_element(warmUp.begin(), warmUp.end(),
                          [](const Sample& a, const Sample& b) { return a.rest() < b.rest(); });
    for (int i = 0; i < m_options.scrollPasses; ++i) {
        const std::vector<Sample> pass = scrollPass(i == 0);
        pages.samples.insert(pages.samples.end(), pass.begin(), pass.end());
        passes.samples.push_back(sum(pass));
    }

    repeat(QStringLiteral("3. Pesquisa de companhia (%1 companhias)").arg(number(sizes.companies)),
           [this](bool shoot) { return companyLookup(shoot); });
    repeat(QStringLiteral("2. Abertura do visualizador (%1 notas)").arg(number(sizes.invoices)),
           [this](bool shoot) { return viewerOpening(shoot); });
    rows.push_back(pages);
    rows.push_back(passes);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row& a, const Row& b) { return a.step.left(2) < b.step.left(2); });
    return rows;
}

void printTable(const std::vector<Row>& rows, const Options& options, QTextStream& out) {
    const QStringList head{QStringLiteral("Etapa"),
                           QStringLiteral("Amostras"),
                           QStringLiteral("Servidor med/máx"),
                           QStringLiteral("Consultas med/máx"),
                           QStringLiteral("Resto med/máx"),
                           QStringLiteral("Total med/máx"),
                           QStringLiteral("Resto 1ª vez"),
                           QStringLiteral("Resto < 100 ms")};
    std::vector<QStringList> lines;
    for (const Row& row : rows) {
        std::vector<qint64> total, server, queries, rest;
        for (const Sample& s : row.samples) {
            total.push_back(s.total);
            server.push_back(s.server);
            queries.push_back(s.queries);
            rest.push_back(s.rest());
        }
        const bool whole = row.step.contains(QStringLiteral("do início ao fim"));
        const auto pair = [](const std::vector<qint64>& v) {
            return ms(median(v)) + QStringLiteral(" / ") + ms(maximum(v));
        };
        lines.push_back(
            {row.step, number(qint64(row.samples.size())), pair(server), pair(queries), pair(rest),
             pair(total), ms(row.first.rest()),
             whole ? QStringLiteral("(soma)")
                   : (maximum(rest) < kGoal ? QStringLiteral("sim") : QStringLiteral("NÃO"))});
    }
    std::vector<qsizetype> widths;
    for (const QString& title : head)
        widths.push_back(title.size());
    for (const QStringList& line : lines) {
        for (qsizetype i = 0; i < line.size(); ++i)
            widths[std::size_t(i)] = std::max(widths[std::size_t(i)], line[i].size());
    }
    const auto print = [&](const QStringList& cells) {
        for (qsizetype i = 0; i < cells.size(); ++i) {
            const qsizetype width = widths[std::size_t(i)];
            out << (i == 0 ? cells[i].leftJustified(width) : cells[i].rightJustified(width));
            out << (i + 1 < cells.size() ? "  " : "\n");
        }
    };
    out << "\nTempos em ms (mediana / máximo). Servidor: espera pelas chamadas remotas, medida "
           "na conexão;\nconsultas: espera pelas consultas da tela ao banco; resto: modelo, "
           "visão e pintura\n(também a pintura feita durante a espera pelo servidor).\n\n";
    print(head);
    QStringList rule;
    for (qsizetype width : widths)
        rule << QString(width, u'-');
    print(rule);
    for (const QStringList& line : lines)
        print(line);
    out << "\nChamadas remotas de cada execução:\n";
    for (const Row& row : rows)
        out << "  " << row.step << ": " << row.calls << '\n';
    out << "\nCada etapa após uma execução de aquecimento (a 1ª vez, fora das medianas); "
        << options.repeats << " repetições, " << options.scrollPasses << " passadas de rolagem.\n";
    if (!options.screenshots.isEmpty())
        out << "Capturas em " << QDir(options.screenshots).absolutePath() << ".\n";
}

} // namespace

int main(int argc, char** argv) {
    // The benchmark runs where there is no display; the view needs no window system.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTextStream out(stdout);
    QTextStream err(stderr);
    CommandLine line = commandLine();
    if (const std::optional<int> exit = line.parse(CommandLine::arguments(argc, argv), out, err))
        return *exit;
    Options options;
    const QString problem = read(line, &options);
    if (!problem.isEmpty())
        return line.usageError(problem, err);
    BenchApplication app(argc, argv);
    try {
        out << "bench_gui: " << number(options.sizes.legs) << " trechos, "
            << number(options.sizes.invoices) << " notas, " << number(options.sizes.companies)
            << " companhias; plataforma " << QApplication::platformName() << ".\n";
        std::vector<Row> rows;
        {
            ScreenBench bench(options);
            bench.start(out);
            rows = bench.run(out);
        }
        printTable(rows, options, out);
        return 0;
    } catch (const std::exception& e) {
        out.flush();
        err << "bench_gui: " << QString::fromUtf8(e.what()) << '\n';
        return 1;
    }
}
