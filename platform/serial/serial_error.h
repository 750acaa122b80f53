// A failure of the serial layer, captured where it happened, so that the
// window can say why a port could not be used.
#pragma once

#include <string>

namespace kelm9d {

struct SerialError {
    int code = 0;           // errno of the failing call; 0 when nothing failed
    std::string operation;  // what failed: "open", "lock", "configure", "read", "write", ...
    std::string port;       // the name the operator gave, or the device path
    std::string path;       // the device path `port` resolved to; empty when `port` is the path

    // Operations: "resolve" (the name stands for no port), "open", "lock",
    // "configure", "baud" (a rate the line cannot run at), "purge", "read",
    // "write". Codes are errno values on every platform.

    bool Failed() const { return code != 0 || !operation.empty(); }

    // One line for the operator, for example
    // "com3 (/dev/ttyUSB2): permission denied: is the user in the dialout group?"
    // or "com7: no such port".
    std::string Describe() const;
};

}  // namespace kelm9d
