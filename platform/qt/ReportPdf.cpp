#include "platform/qt/ReportPdf.h"

#include "platform/TReport.h"

#include <algorithm>
#include <numeric>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace qtview {

namespace {

constexpr int kResolution = 96;
constexpr int kMarginMm = 12;

// Lays the report out once without a painter to count the pages, then again to draw them,
// so that "Página N de M" always agrees with what is drawn.
constexpr int kCellPadding = 8;

// Each column as wide as its widest text. When they do not all fit, the narrow ones keep their
// width and the wide ones (an error reason, a name) share what is left and are cut with "…".
QList<int> columnWidths(const TReport& report, int pageWidth, const QFontMetrics& body,
                        const QFontMetrics& bold) {
    const int count = int(report.columns.size());
    QList<int> natural(count, 0);
    for (int i = 0; i < count; ++i) {
        natural[i] = bold.horizontalAdvance(report.columns.at(i).caption);
        for (const QStringList& row : report.rows)
            natural[i] = std::max(natural[i], body.horizontalAdvance(row.value(i)));
        // Two pixels more: advances are rounded, and an exact fit would still be cut.
        natural[i] += kCellPadding + 2;
    }
    const int total = std::accumulate(natural.begin(), natural.end(), 0);
    QList<int> widths = natural;
    if (total <= pageWidth) {
        // Room to spare goes to every column alike.
        for (int& width : widths)
            width += (pageWidth - total) / std::max(1, count);
        return widths;
    }
    QList<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return natural[a] < natural[b]; });
    int remaining = pageWidth;
    for (int k = 0; k < count; ++k) {
        const int share = remaining / (count - k);
        widths[order[k]] = std::min(natural[order[k]], share);
        remaining -= widths[order[k]];
    }
    return widths;
}

class Renderer {
public:
    // Texts are measured with `measure`, the painter that will draw them.
    Renderer(const TReport& report, const QRect& page, const QFont& body, QPainter& measure)
        : m_report(report)
        , m_page(page)
        , m_body(body)
        , m_bold(body)
        , m_title(body) {
        m_bold.setBold(true);
        m_title.setPointSize(13);
        m_title.setBold(true);
        measure.setFont(m_body);
        const QFontMetrics bodyMetrics = measure.fontMetrics();
        measure.setFont(m_bold);
        const QFontMetrics boldMetrics = measure.fontMetrics();
        m_line = bodyMetrics.height() + 4;
        m_widths = columnWidths(report, page.width(), bodyMetrics, boldMetrics);
    }

    // Returns the number of pages; draws them when a painter is given.
    int run(QPainter* painter, QPdfWriter* writer, int pages) {
        m_painter = painter;
        m_writer = writer;
        m_pages = pages;
        m_pageNo = 1;
        m_y = m_page.top();
        line(m_title, m_report.title, 2);
        for (const QString& filter : m_report.filters)
            line(m_body, filter, 1);
        m_y += m_line;
        titles();
        for (const QStringList& row : m_report.rows) {
            if (m_y + m_line > bottom())
                newPage();
            cells(m_body, row);
        }
        if (m_y + m_line * (int(m_report.totals.size()) + 1) > bottom())
            newPage();
        rule();
        for (const QString& total : m_report.totals)
            line(m_bold, total, 1);
        footer();
        return m_pageNo;
    }

private:
    int bottom() const { return m_page.bottom() - 2 * m_line; }

    void line(const QFont& font, const QString& text, int lines) {
        if (m_painter) {
            m_painter->setFont(font);
            m_painter->drawText(QRect(m_page.left(), m_y, m_page.width(), m_line * lines),
                                Qt::AlignLeft | Qt::AlignVCenter, text);
        }
        m_y += m_line * lines;
    }

    void cells(const QFont& font, const QStringList& texts) {
        if (m_painter) {
            m_painter->setFont(font);
            int x = m_page.left();
            for (int i = 0; i < m_report.columns.size(); ++i) {
                const int width = m_widths.value(i);
                const QRect cell(x + kCellPadding / 2, m_y, width - kCellPadding, m_line);
                const Qt::Alignment align =
                    (m_report.columns.at(i).alignRight ? Qt::AlignRight : Qt::AlignLeft) |
                    Qt::AlignVCenter;
                m_painter->drawText(cell, int(align),
                                    m_painter->fontMetrics().elidedText(
                                        texts.value(i), Qt::ElideRight, cell.width()));
                x += width;
            }
        }
        m_y += m_line;
    }

    void rule() {
        if (m_painter)
            m_painter->drawLine(m_page.left(), m_y, m_page.right(), m_y);
        m_y += m_line / 2;
    }

    void titles() {
        QStringList captions;
        for (const TReport::Column& column : m_report.columns)
            captions << column.caption;
        cells(m_bold, captions);
        rule();
    }

    void footer() {
        if (!m_painter)
            return;
        m_painter->setFont(m_body);
        m_painter->drawText(QRect(m_page.left(), m_page.bottom() - m_line, m_page.width(), m_line),
                            Qt::AlignRight | Qt::AlignVCenter,
                            QStringLiteral("Página %1 de %2").arg(m_pageNo).arg(m_pages));
    }

    void newPage() {
        footer();
        if (m_writer)
            m_writer->newPage();
        ++m_pageNo;
        m_y = m_page.top();
        titles();
    }

    const TReport& m_report;
    QRect m_page;
    QFont m_body;
    QFont m_bold;
    QFont m_title;
    int m_line = 0;
    QList<int> m_widths;
    QPainter* m_painter = nullptr;
    QPdfWriter* m_writer = nullptr;
    int m_pages = 0;
    int m_pageNo = 1;
    int m_y = 0;
};

} // namespace

QString ReportPdf::write(const TReport& report, const QString& fileName) {
    const QFileInfo target(fileName);
    if (!QFileInfo(target.absolutePath()).isDir())
        return QStringLiteral("Pasta inexistente: %1").arg(target.absolutePath());
    // Written whole or not at all: an earlier file stays as it was when anything fails.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Não foi possível gravar o arquivo %1: %2")
            .arg(fileName, file.errorString());
    QPdfWriter writer(&file);
    writer.setResolution(kResolution);
    writer.setTitle(report.title);
    writer.setCreator(QStringLiteral("zel-host"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                     QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&writer))
        return QStringLiteral("Não foi possível gravar o arquivo %1.").arg(fileName);

    const QFont body(QStringLiteral("DejaVu Sans"), 7);
    painter.setFont(body);
    Renderer renderer(report, painter.viewport(), body, painter);
    renderer.run(&painter, &writer, renderer.run(nullptr, nullptr, 0));
    if (!painter.end() || !file.commit())
        return QStringLiteral("Não foi possível gravar o arquivo %1: %2")
            .arg(fileName, file.errorString());
    return QString();
}

} // namespace qtview
