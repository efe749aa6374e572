#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a call of OnSignal on this object's thread, so a program
// stops from its event loop (a signal handler itself may do almost nothing safely). One
// instance at a time; the previous handlers come back when it goes.
class StopSignal : public QObject {
public:
    explicit StopSignal(QObject* parent = nullptr);
    ~StopSignal() override;

    std::function<void(int signal)> OnSignal;

private:
    static void handle(int signal);
    void receive();

    QSocketNotifier* m_notifier = nullptr;
};
