#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/serial/serial_error.h"

namespace kelm9d {
namespace {

SerialError Make(int code, const char* operation, const char* port, const char* path = "") {
    SerialError error;
    error.code = code;
    error.operation = operation;
    error.port = port;
    error.path = path;
    return error;
}

TEST(SerialErrorDescribe, OneLineThatSaysWhy) {
    struct Case {
        SerialError error;
        const char* expected;
    };
    const Case cases[] = {
        {Make(EACCES, "open", "com3", "/dev/ttyUSB2"),
         "com3 (/dev/ttyUSB2): permission denied: is the user in the dialout group?"},
        {Make(EPERM, "open", "/dev/ttyUSB0"),
         "/dev/ttyUSB0: permission denied: is the user in the dialout group?"},
        {Make(EBUSY, "open", "com3", "/dev/ttyUSB2"),
         "com3 (/dev/ttyUSB2): in use by another program"},
        {Make(EWOULDBLOCK, "lock", "com3", "/dev/ttyUSB2"),
         "com3 (/dev/ttyUSB2): in use by another program"},
        {Make(ENOENT, "resolve", "com9"), "com9: no such port"},
        {Make(ENOENT, "open", "/dev/ttyUSB0"), "/dev/ttyUSB0: no such device"},
        {Make(ENXIO, "open", "com3", "/dev/ttyS2"), "com3 (/dev/ttyS2): no such device"},
        // An on-board serial node without a UART behind it fails its open with EIO.
        {Make(EIO, "open", "com5", "/dev/ttyS4"), "com5 (/dev/ttyS4): no such device"},
        {Make(ENOTTY, "open", "com3", "/dev/pts/4"), "com3 (/dev/pts/4): not a serial device"},
        {Make(EIO, "read", "/dev/ttyUSB0"), "/dev/ttyUSB0: read failed: the device hung up"},
        {Make(ETIMEDOUT, "write", "/dev/ttyUSB0"), "/dev/ttyUSB0: write timed out"},
        {Make(EINVAL, "baud", "/dev/ttyUSB0"),
         "/dev/ttyUSB0: baud rate not supported by the device"},
        {Make(EBADF, "write", ""), "port not open"},
        {Make(EMFILE, "open", "com1", "/dev/ttyS0"),
         "com1 (/dev/ttyS0): open failed: too many open files"},
        // The path alone when there is no operator name; no repeat when they agree.
        {Make(EBUSY, "lock", "", "/dev/ttyACM0"), "/dev/ttyACM0: in use by another program"},
        {Make(EBUSY, "lock", "/dev/ttyACM0", "/dev/ttyACM0"),
         "/dev/ttyACM0: in use by another program"},
        {SerialError{}, "no error"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.error.Describe(), c.expected);
    }
}

}  // namespace
}  // namespace kelm9d
