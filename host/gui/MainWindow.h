#pragma once

#include <QMainWindow>

#include <functional>

class QMdiArea;
class HostConfig;

// The host's main window: the MDI area the screens open in, the menu entries that open the
// billing screen and the computations screen, and a status bar saying where the module works
// (branch, server, database).
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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QMdiArea* m_mdiArea;
    std::function<void()> m_openBilling;
};
