#include "cli/stop_signals.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <ctime>

namespace orrisbay::cli {

StopSignals::StopSignals() {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
    descriptor_ = signalfd(-1, &signals_, SFD_NONBLOCK | SFD_CLOEXEC);
    if (descriptor_ < 0) {
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);  // Ctrl+C ends it at once
    }
}

StopSignals::~StopSignals() {
    // Signals that came in meanwhile are taken here, not on unblocking.
    signalfd_siginfo info;
    while (descriptor_ >= 0 && ::read(descriptor_, &info, sizeof info) > 0) {
    }
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

std::string TimeOfDay() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

}  // namespace orrisbay::cli
