// How the simulator reports a failure: a value, never an exception.
#pragma once

#include <string>

namespace kelm9d::sim {

enum class SimErrorKind {
    kNone,
    kBadInput,  // an option or a file the user gave is unusable (the executable exits 2)
    kSystem,    // the system refused something: pty, link, thread, file write (exit 1)
};

struct SimError {
    SimErrorKind kind = SimErrorKind::kNone;
    std::string message;  // one line for the user, naming the file or option

    bool Failed() const { return kind != SimErrorKind::kNone; }

    static SimError BadInput(std::string text) {
        return {SimErrorKind::kBadInput, std::move(text)};
    }
    static SimError System(std::string text) { return {SimErrorKind::kSystem, std::move(text)}; }
};

}  // namespace kelm9d::sim
