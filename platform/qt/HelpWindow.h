#pragma once

#include "platform/HelpTopics.h"

#include <QUrl>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QToolButton;

namespace qtview {

// The help window: one page at a time in a browser, with back, forward and contents buttons,
// a search field that finds text in the page on show, and a line saying why when the topic
// asked for has no page. The hosts keep one and show every topic in it.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Opens the topic's page scrolled to its anchor and brings the window up; a topic without
    // a page opens the contents with the reason above it (or only the reason when there are no
    // pages at all). Over a modal window the help window is modal too, so that it takes input.
    void showTopic(const HelpTopics::Topic& topic);

    // Finds `text` in the page from the cursor on, wrapping once; selects it and scrolls to
    // it. False when the page does not hold it.
    bool find(const QString& text, bool backward = false);

    QTextBrowser* browser() const { return m_browser; }
    QLineEdit* searchField() const { return m_search; }
    QToolButton* backButton() const { return m_back; }
    QToolButton* forwardButton() const { return m_forward; }
    // The reason line above the page; empty when the topic was found.
    QString notice() const;

private:
    void present();
    void updateTitle();
    void searchFromField(bool backward);

    QTextBrowser* m_browser;
    QToolButton* m_back;
    QToolButton* m_forward;
    QToolButton* m_home;
    QLineEdit* m_search;
    QToolButton* m_previousMatch;
    QToolButton* m_nextMatch;
    QLabel* m_notice;
    QLabel* m_searchResult;
    QUrl m_contents;
};

} // namespace qtview
