#pragma once

#include "platform/TScriptedPresenter.h"
#include "server/AppServer.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class TControl;
class TCustomEdit;
class TfrmApuracao;

// A test of the screens with everything real behind them: the "basic" fixture in a fresh
// SQLite file, the shared data module on it, the application server serving it on a loopback
// port, and the scripted presenter answering dialogs. Today is 20/03/2024 unless a test says
// otherwise; the host works for branch 0001.
class ScreenHarness : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the billing screen as the host does.
    TfrmApuracao& open();
    // Runs SQL on the fixture database (the server sees it on its next call).
    void exec(const QString& sql);

    // User actions on the billing screen; false when an error ended them.
    bool focus(TControl& control);
    bool type(TCustomEdit& edit, const QString& text);
    bool click(TControl& control);
    // Types the company and leaves the header for the initial delivery date.
    bool chooseCompany(const QString& company);

    // Text of the last error dialog, empty when none.
    QString lastError() const;
    int callCount(const QString& method) const;

    TScriptedPresenter presenter;
    TfrmApuracao* form = nullptr;
    std::unique_ptr<AppServer> server;

private:
    QTemporaryDir m_dir;
    QString m_url;
};
