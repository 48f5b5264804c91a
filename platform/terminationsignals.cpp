#include "terminationsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> caught{SIGTERM, SIGHUP, SIGINT};

volatile sig_atomic_t signalPipe = -1; // its end that the handler writes

void noteSignal(int signal)
{
    const int savedError = errno;
    const char byte = char(signal);
    if (::write(signalPipe, &byte, 1) < 0) {
        // The pipe is full: the signals before this one wait in it already.
    }
    errno = savedError;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) < 0)
        return;
    readEnd = FileDescriptor(ends[0]);
    writeEnd = FileDescriptor(ends[1]);
    signalPipe = writeEnd.get();
    auto *notifier = new QSocketNotifier(readEnd.get(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignals::takeSignals);
    struct sigaction action {};
    action.sa_handler = noteSignal;
    action.sa_flags = SA_RESTART; // the workers' reads and writes of drive A go on
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < caught.size(); ++i) {
        if (::sigaction(caught[i], nullptr, &previous[i]) == 0 && previous[i].sa_handler != SIG_IGN)
            ::sigaction(caught[i], &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals()
{
    if (!readEnd)
        return;
    for (size_t i = 0; i < caught.size(); ++i)
        ::sigaction(caught[i], &previous[i], nullptr);
    signalPipe = -1;
}

void TerminationSignals::takeSignals()
{
    char bytes[64];
    while (::read(readEnd.get(), bytes, sizeof bytes) > 0) {
    }
    emit arrived();
}
