#include "sim/block_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "sim/unique_fd.h"

namespace kelm9d::sim {

namespace {

// A block file is small; anything far bigger is surely the wrong file.
constexpr std::size_t kMaxBlockFileSize = 64 * 1024;

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string ErrnoText(int code) {
    return std::strerror(code);
}

}  // namespace

std::string HexText(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i != 0) {
            text.push_back(' ');
        }
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}

SimError ParseBlockText(std::string_view contents, const std::string& origin,
                        ParameterBlock& block) {
    // 128 bytes can only be the raw form: hex text of 128 bytes needs at
    // least 256 characters, so the two forms never overlap.
    if (contents.size() == kBlockSize) {
        for (std::size_t i = 0; i < kBlockSize; ++i) {
            block[i] = static_cast<std::uint8_t>(contents[i]);
        }
        return {};
    }
    ParameterBlock parsed{};
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < contents.size()) {
        const char c = contents[i];
        if (IsSpace(c)) {
            ++i;
            continue;
        }
        const int high = HexValue(c);
        const int low = i + 1 < contents.size() ? HexValue(contents[i + 1]) : -1;
        if (high < 0 || low < 0) {
            return SimError::BadInput(
                origin + ": not a block: expected 128 raw bytes or 128 hex byte pairs (" +
                std::to_string(contents.size()) + " bytes, unreadable at offset " +
                std::to_string(high < 0 ? i : i + 1) + ")");
        }
        if (count == kBlockSize) {
            return SimError::BadInput(origin + ": not a block: more than 128 hex byte pairs");
        }
        parsed[count++] = static_cast<std::uint8_t>(high * 16 + low);
        i += 2;
    }
    if (count != kBlockSize) {
        return SimError::BadInput(origin + ": not a block: " + std::to_string(count) +
                                  " hex byte pairs, 128 needed");
    }
    block = parsed;
    return {};
}

SimError ReadBlockFile(const std::string& path, ParameterBlock& block) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        return SimError::BadInput(path + ": " + ErrnoText(errno));
    }
    std::string contents;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return SimError::BadInput(path + ": " + ErrnoText(errno));
        }
        if (n == 0) {
            break;
        }
        contents.append(buffer, static_cast<std::size_t>(n));
        if (contents.size() > kMaxBlockFileSize) {
            return SimError::BadInput(path + ": not a block: the file is far too big");
        }
    }
    return ParseBlockText(contents, path, block);
}

SimError WriteBlockFileAtomically(const std::string& path, const ParameterBlock& block) {
    // mkstemp in the target's own folder, so that rename stays on one file
    // system and is atomic.
    std::string tempName = path + ".XXXXXX";
    std::vector<char> name(tempName.begin(), tempName.end());
    name.push_back('\0');
    UniqueFd fd(::mkstemp(name.data()));
    if (!fd.Valid()) {
        return SimError::System(path + ": cannot create a temporary file: " + ErrnoText(errno));
    }
    tempName.assign(name.data());
    auto fail = [&](const char* what) {
        const int code = errno;
        fd.Reset();
        ::unlink(tempName.c_str());
        return SimError::System(path + ": " + what + ": " + ErrnoText(code));
    };
    // mkstemp makes the file 0600; a ROM file is no secret.
    if (::fchmod(fd.Get(), 0644) != 0) {
        return fail("chmod");
    }
    std::size_t done = 0;
    while (done < block.size()) {
        const ssize_t n = ::write(fd.Get(), block.data() + done, block.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail("write");
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd.Get()) != 0) {
        return fail("fsync");
    }
    if (::close(fd.Release()) != 0) {
        return fail("close");
    }
    if (::rename(tempName.c_str(), path.c_str()) != 0) {
        return fail("rename");
    }
    return {};
}

}  // namespace kelm9d::sim
