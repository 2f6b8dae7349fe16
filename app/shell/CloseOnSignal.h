#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a call on the user-interface thread, so that a session
// logout, a service manager or Ctrl+C in a terminal ends the program as its own Exit command does,
// configuration written. One instance at a time; the signals' previous handlers come back when it
// goes.
class CloseOnSignal final : public QObject {
    Q_OBJECT

public:
    explicit CloseOnSignal(std::function<void()> onSignal, QObject* parent = nullptr);
    ~CloseOnSignal() override;
    CloseOnSignal(const CloseOnSignal&) = delete;
    CloseOnSignal& operator=(const CloseOnSignal&) = delete;

    // Whether the signals are being watched.
    [[nodiscard]] bool Active() const { return m_active; }

private:
    void OnReadable();

    std::function<void()> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_active = false;
};
