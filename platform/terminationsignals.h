#pragma once

#include "filedescriptor.h"

#include <QObject>

#include <array>
#include <csignal>

// While it lives, SIGTERM, SIGHUP and SIGINT (kill, the end of the terminal or of the
// session, Ctrl+C) no longer end the program at once: each comes as arrived() on the
// thread that made this object. A signal that the program was started to ignore (nohup)
// stays ignored. One at a time.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void arrived();

private:
    void takeSignals();

    FileDescriptor readEnd, writeEnd; // of the pipe from the handler
    std::array<struct sigaction, 3> previous{};
};
