#pragma once
// SIGTERM, SIGINT and SIGHUP (the session logging out, Ctrl+C in the
// terminal that started the program, that terminal closed), and the other
// signals whose default is to end the program (SIGQUIT, SIGUSR1, SIGUSR2,
// SIGALRM), end it as Exit does: the port is closed, which frees its lock
// file and its exclusive use, and then the window. The signal handler only
// writes a byte to a pipe; the exit runs on the event loop like any other
// handler.

#include <QObject>
#include <QSocketNotifier>
#include <functional>

class ExitSignals : public QObject
{
    Q_OBJECT
public:
    ExitSignals(std::function<void()> exit, QObject *parent);
    ~ExitSignals() override;

private:
    static void handle(int signal);
    void takeSignal();

    int m_pipe[2] = {-1, -1};
    std::function<void()> m_exit;
    QSocketNotifier *m_notifier = nullptr;
};
