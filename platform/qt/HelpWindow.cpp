#include "platform/qt/HelpWindow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

namespace qtview {

namespace {

QToolButton* toolButton(const QString& caption, const QString& hint, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(caption);
    button->setToolTip(hint);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    return button;
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Ajuda"));
    resize(720, 560);

    m_back = toolButton(QStringLiteral("Voltar"), QStringLiteral("Página anterior (Alt+Esquerda)"),
                        this);
    m_back->setShortcut(QKeySequence::Back);
    m_forward = toolButton(QStringLiteral("Avançar"),
                           QStringLiteral("Página seguinte (Alt+Direita)"), this);
    m_forward->setShortcut(QKeySequence::Forward);
    m_home = toolButton(QStringLiteral("Conteúdo"), QStringLiteral("Lista das telas"), this);
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("helpSearch"));
    m_search->setPlaceholderText(QStringLiteral("Localizar na página"));
    m_search->setClearButtonEnabled(true);
    // A search text is a few words; a pasted page would only slow every keystroke down.
    m_search->setMaxLength(200);
    m_previousMatch = toolButton(QStringLiteral("Anterior"),
                                 QStringLiteral("Ocorrência anterior (Shift+Enter)"), this);
    m_nextMatch =
        toolButton(QStringLiteral("Próxima"), QStringLiteral("Próxima ocorrência (Enter)"), this);
    m_searchResult = new QLabel(this);

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_back);
    bar->addWidget(m_forward);
    bar->addWidget(m_home);
    bar->addSpacing(16);
    bar->addWidget(new QLabel(QStringLiteral("Localizar:"), this));
    bar->addWidget(m_search, 1);
    bar->addWidget(m_previousMatch);
    bar->addWidget(m_nextMatch);
    bar->addWidget(m_searchResult);

    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("helpNotice"));
    m_notice->setWordWrap(true);
    m_notice->setStyleSheet(QStringLiteral("color: #8b0000; font-weight: bold;"));
    m_notice->hide();

    m_browser = new QTextBrowser(this);
    // Pages link to one another only; nothing leaves the help directory.
    m_browser->setOpenExternalLinks(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_notice);
    layout->addWidget(m_browser, 1);

    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_home, &QToolButton::clicked, this, [this] {
        if (m_contents.isValid())
            m_browser->setSource(m_contents);
    });
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        m_searchResult->clear();
        updateTitle();
    });
    connect(m_search, &QLineEdit::returnPressed, this,
            [this] { searchFromField(QApplication::keyboardModifiers() & Qt::ShiftModifier); });
    connect(m_search, &QLineEdit::textChanged, m_searchResult, &QLabel::clear);
    connect(m_nextMatch, &QToolButton::clicked, this, [this] { searchFromField(false); });
    connect(m_previousMatch, &QToolButton::clicked, this, [this] { searchFromField(true); });
}

QString HelpWindow::notice() const {
    return m_notice->isHidden() ? QString() : m_notice->text();
}

void HelpWindow::showTopic(const HelpTopics::Topic& topic) {
    m_notice->setText(topic.error);
    m_notice->setVisible(!topic.error.isEmpty());
    if (topic.path.isEmpty()) {
        // No pages at all: nothing to browse, only the reason.
        m_contents = QUrl();
        m_browser->clearHistory();
        m_browser->setHtml(QString());
        updateTitle();
    } else {
        QUrl page = QUrl::fromLocalFile(topic.path);
        if (m_contents.isEmpty()) {
            QUrl contents = page.adjusted(QUrl::RemoveFilename);
            contents.setPath(contents.path() + QString::fromLatin1(HelpTopics::kContentsPage));
            m_contents = contents;
        }
        if (!topic.anchor.isEmpty())
            page.setFragment(topic.anchor);
        m_browser->setSource(page);
        // The same page again: setSource only scrolls when the source changes.
        if (!topic.anchor.isEmpty())
            m_browser->scrollToAnchor(topic.anchor);
    }
    present();
}

void HelpWindow::present() {
    // A modal window blocks every other window, so over one the help must be modal itself.
    QWidget* modal = QApplication::activeModalWidget();
    const Qt::WindowModality wanted = modal && modal != this ? Qt::ApplicationModal : Qt::NonModal;
    if (windowModality() != wanted) {
        hide();
        setWindowModality(wanted);
    }
    show();
    raise();
    activateWindow();
}

void HelpWindow::updateTitle() {
    const QString title = m_browser->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Ajuda") : QStringLiteral("Ajuda - ") + title);
}

bool HelpWindow::find(const QString& text, bool backward) {
    if (text.isEmpty())
        return false;
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (m_browser->find(text, flags))
        return true;
    // Wrap around once, from the other end.
    const QTextCursor kept = m_browser->textCursor();
    m_browser->moveCursor(backward ? QTextCursor::End : QTextCursor::Start);
    if (m_browser->find(text, flags))
        return true;
    m_browser->setTextCursor(kept);
    return false;
}

void HelpWindow::searchFromField(bool backward) {
    const QString text = m_search->text().trimmed();
    if (text.isEmpty()) {
        m_searchResult->clear();
        return;
    }
    m_searchResult->setText(find(text, backward) ? QString()
                                                 : QStringLiteral("Não encontrado na página."));
}

} // namespace qtview
