#pragma once

#include "platform/HelpTopics.h"

#include <QMainWindow>

#include <functional>

class QMdiArea;
class HostConfig;
namespace qtview {
class HelpWindow;
}

// The host's main window: the MDI area the screens open in, the menu entries that open the
// billing screen and the computations screen, a status bar saying where the module works
// (branch, server, database), and the help window every F1 opens.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const HostConfig& config, QWidget* parent = nullptr);

    QMdiArea* mdiArea() const { return m_mdiArea; }
    // What "Cálculo da Apuração" runs: the package's IniProc.
    void setOpenBilling(std::function<void()> open) { m_openBilling = std::move(open); }
    // Runs the menu entry as the user would.
    void openBilling();
    // "Consulta de Apurações": the host's computations screen.
    void openComputations();
    // F1 on a screen or dialog: its topic in the one help window (made on first use).
    void showHelp(const QString& helpFile, int helpContext);
    qtview::HelpWindow* helpWindow() const { return m_help; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QMdiArea* m_mdiArea;
    std::function<void()> m_openBilling;
    HelpTopics m_topics;
    qtview::HelpWindow* m_help = nullptr;
};
