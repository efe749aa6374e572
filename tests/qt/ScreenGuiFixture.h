#pragma once

#include "GuiDriver.h"

#include "platform/qt/QtPresenter.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class AppServer;
class TControl;
class TfrmApuracao;
class QTableView;
class QWidget;

namespace qtview {
class FormView;
}

// The real screens in the real view: a fresh SQLite database (the "basic" fixture, or the
// demo data), the application server serving it in process on a loopback port, and the Qt
// presenter. Today is 20/03/2024; the host works for branch 0001.
class ScreenGuiFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Seeds the database with the demo data instead of the fixture (call first in a test).
    void useDemoData();
    // Opens the billing screen as the host's menu does.
    TfrmApuracao& open();
    qtview::FormView* billingView() const;
    QWidget* widgetOf(const TControl* control) const;
    QTableView* flightTable() const;
    // Tabs until the model's focus is on `control` (at most `limit` keys).
    bool tabTo(const TControl* control, int limit = 12);

    // Seeds the database (init-db arguments) and starts the server on it.
    void startServer(const QStringList& seed);

    std::unique_ptr<qtview::QtPresenter> presenter;
    std::unique_ptr<AppServer> server;
    TfrmApuracao* form = nullptr;

private:
    QTemporaryDir m_dir;
    QString m_url;
    bool m_started = false;
};
