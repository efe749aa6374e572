#include "platform/qt/LookupDialog.h"

#include "platform/qt/LookupTableModel.h"
#include "platform/TDataSet.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace qtview {

LookupDialog::LookupDialog(TDataSet& data, const QString& title, QWidget* parent)
    : QDialog(parent)
    , m_data(data)
    , m_model(new LookupTableModel(data, this))
    , m_table(new QTableView(this)) {
    setObjectName(QStringLiteral("zelPesquisa"));
    setWindowTitle(title);
    setModal(true);

    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->installEventFilter(this);
    connect(m_table, &QTableView::doubleClicked, this, &QDialog::accept);

    const int characterWidth = QFontMetrics(font()).averageCharWidth();
    int width = 0;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const int wanted = m_model->preferredWidth(c, characterWidth);
        m_table->setColumnWidth(c, wanted);
        width += wanted;
    }

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    const int rows = std::clamp(m_model->rowCount(), 4, 14);
    resize(std::clamp(width + 40, 320, 760),
           rows * m_table->verticalHeader()->defaultSectionSize() + 110);

    const int current = data.active() && !data.isEmpty() ? std::max(0, data.recNo() - 1) : -1;
    if (current >= 0) {
        m_table->selectRow(current);
        m_table->scrollTo(m_model->index(current, 0), QAbstractItemView::PositionAtCenter);
    }
    m_table->setFocus();
}

int LookupDialog::selectedRow() const {
    const QModelIndex current = m_table->currentIndex();
    return current.isValid() ? current.row() : -1;
}

bool LookupDialog::choose() {
    if (m_model->rowCount() == 0)
        return false;
    if (exec() != QDialog::Accepted)
        return false;
    const int row = selectedRow();
    if (row < 0)
        return false;
    m_data.setRecNo(row + 1);
    return true;
}

bool LookupDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace qtview
