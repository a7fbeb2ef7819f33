#include "termination.h"

#include "services/desktop.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <semaphore.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace pw2 {
namespace {

constexpr long kGraceMilliseconds = 500;

int wakeEventLoop[2] = {-1, -1}; // self-pipe read by the event loop
sem_t wakeWatchdog;
std::atomic<int> arrivedSignal{0};

// Only async-signal-safe calls: a pipe write and a semaphore post.
void onTerminationSignal(int signal) {
    int none = 0;
    if (!arrivedSignal.compare_exchange_strong(none, signal))
        return;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeEventLoop[1], &byte, 1);
    ::sem_post(&wakeWatchdog);
}

// The line of defence that a busy event loop cannot block: a thread of its own that waits for a
// signal, gives the clean path its grace time, then ends the process.
void watchdog() {
    while (::sem_wait(&wakeWatchdog) != 0) {
    }
    timespec grace{0, kGraceMilliseconds * 1'000'000};
    while (::nanosleep(&grace, &grace) != 0) {
    }
    ::_exit(128 + arrivedSignal.load());
}

} // namespace

void endOnTerminationSignal() {
    if (wakeEventLoop[0] >= 0)
        return;
    if (::pipe2(wakeEventLoop, O_CLOEXEC | O_NONBLOCK) != 0 || ::sem_init(&wakeWatchdog, 0, 0) != 0)
        return;
    auto* notifier = new QSocketNotifier(wakeEventLoop[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] { endProgram(0); });
    std::thread(watchdog).detach();

    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

} // namespace pw2
