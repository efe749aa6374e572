#include "platform/qt/WaitWindow.h"

#include "platform/qt/ViewStyle.h"
#include "platform/TApplication.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace qtview {

WaitWindow::WaitWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_label(new QLabel(this))
    , m_bar(new QProgressBar(this))
    , m_cancel(new QPushButton(QStringLiteral("Cancelar espera"), this))
    , m_elapsed(new QLabel(this))
    , m_timer(new QTimer(this))
    , m_clock(new QTimer(this)) {
    setObjectName(QStringLiteral("zelAguarde"));
    setWindowTitle(QStringLiteral("Aguarde"));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(340, 150);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setWordWrap(true);
    m_bar->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    m_elapsed->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_elapsed);
    // Offered after a while: the desktop stops waiting, the server goes on.
    m_cancel->setObjectName(QStringLiteral("btnCancelarEspera"));
    m_cancel->setVisible(false);
    layout->addWidget(m_cancel, 0, Qt::AlignCenter);
    connect(m_cancel, &QPushButton::clicked, this, &WaitWindow::cancelWaiting);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &WaitWindow::appear);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &WaitWindow::tick);
}

QString WaitWindow::textFor(int kind) {
    switch (kind) {
    case 0:
        return QStringLiteral("Conectando ao servidor de aplicação...");
    case 1:
        return QStringLiteral("Processando no servidor de aplicação...");
    case 6:
        return QStringLiteral("Carregando dados...");
    default:
        return QStringLiteral("Aguarde...");
    }
}

void WaitWindow::begin(int kind, QWidget* over) {
    m_waiting = true;
    m_over = over;
    m_label->setText(textFor(kind));
    m_bar->setRange(0, 0); // busy until the server reports progress
    m_since.start();
    m_elapsed->setText(elapsedText(0));
    m_cancel->setVisible(false);
    m_cancel->setEnabled(true);
    m_clock->start();
    if (m_delay <= 0)
        appear();
    else
        m_timer->start(m_delay);
}

void WaitWindow::appear() {
    if (!m_waiting || isVisible())
        return;
    const QRect area = m_over ? QRect(m_over->mapToGlobal(QPoint(0, 0)), m_over->size())
                              : (screen() ? screen()->availableGeometry() : QRect());
    if (area.isValid())
        move(area.center() - rect().center());
    show();
    ViewStyle::bringToFront(this);
    // Painted now: the call that follows may keep the loop busy with its own events.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void WaitWindow::progress(int done, int total, const QString& text) {
    if (!m_waiting)
        return;
    if (total > 0) {
        m_bar->setRange(0, total);
        m_bar->setValue(qBound(0, done, total));
    }
    if (!text.isEmpty())
        m_label->setText(text);
    tick();
    // Progress means a long call: no reason to wait any longer before showing it.
    appear();
}

QString WaitWindow::elapsedText(qint64 seconds) {
    return QStringLiteral("Tempo decorrido: %1:%2")
        .arg(seconds / 60)
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void WaitWindow::tick() {
    m_elapsed->setText(elapsedText(m_since.elapsed() / 1000));
    // Only a call can stop waiting; connecting has its own short limit.
    if (!m_cancel->isVisible() && m_since.elapsed() >= m_cancelDelay && Application().OnCancelWait)
        m_cancel->setVisible(true);
}

void WaitWindow::cancelWaiting() {
    m_cancel->setEnabled(false);
    Application().cancelWait();
}

void WaitWindow::end() {
    m_waiting = false;
    m_timer->stop();
    m_clock->stop();
    hide();
}

} // namespace qtview
