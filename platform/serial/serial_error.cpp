#include <cerrno>
#include <string>
#include <system_error>

#include "platform/serial/serial_error.h"

namespace kelm9d {
namespace {

std::string SystemText(int code) {
    // The generic category is thread-safe, unlike strerror.
    std::string text = std::generic_category().message(code);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

std::string Reason(const SerialError& e) {
    if (!e.Failed()) {
        return "no error";
    }
    const bool opening = e.operation == "open" || e.operation == "lock";
    if (e.operation == "resolve") {
        return "no such port";
    }
    if (e.operation == "baud") {
        return "baud rate not supported by the device";
    }
    switch (e.code) {
        case EACCES:
        case EPERM:
            return "permission denied: is the user in the dialout group?";
        case EBUSY:
            return "in use by another program";
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return "no such device";
        case ENOTTY:
            return "not a serial device";
        case EBADF:
            return "port not open";
        case ETIMEDOUT:
            return e.operation + " timed out";
        default:
            break;
    }
    // flock reports a lock that someone else holds this way.
    if (e.operation == "lock" && (e.code == EWOULDBLOCK || e.code == EAGAIN)) {
        return "in use by another program";
    }
    if (e.code == EIO) {
        // A serial node without hardware behind it fails its open this way;
        // an open line that fails this way was hung up or unplugged.
        return opening ? "no such device" : e.operation + " failed: the device hung up";
    }
    std::string text = e.operation.empty() ? std::string("failed") : e.operation + " failed";
    if (e.code != 0) {
        text += ": " + SystemText(e.code);
    }
    return text;
}

}  // namespace

std::string SerialError::Describe() const {
    std::string who = port;
    if (!path.empty() && path != port) {
        who = who.empty() ? path : who + " (" + path + ")";
    }
    const std::string reason = Reason(*this);
    return who.empty() ? reason : who + ": " + reason;
}

}  // namespace kelm9d
