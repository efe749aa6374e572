#pragma once

#include <functional>
#include <QObject>

namespace qtview {

// Watches a window for F1 and asks for help instead of letting the key go on. A key the
// focused child leaves unhandled reaches the window, so installing it there is enough.
class HelpKeyFilter : public QObject {
    Q_OBJECT
public:
    HelpKeyFilter(QObject* watched, std::function<void()> onHelp);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> m_onHelp;
};

} // namespace qtview
