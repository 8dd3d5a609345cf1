#pragma once

#include <signal.h>

#include <string>

// What the commands that follow files share: the signals that end them, taken
// only between runs, and the time that begins each line they say.
namespace orrisbay::cli {

// SIGINT and SIGTERM held back from the process and read from a descriptor
// instead, so they end the command only where it chooses: between runs.
class StopSignals {
  public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Readable once a signal has come; -1 when they could not be held back
    // (Ctrl+C then ends the command at once).
    int Descriptor() const { return descriptor_; }

  private:
    sigset_t signals_{};
    sigset_t previous_{};
    int descriptor_ = -1;
};

// The local time of day, "HH:MM:SS".
std::string TimeOfDay();

}  // namespace orrisbay::cli
