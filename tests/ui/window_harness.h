// What the main window's tests need around COrvaneDlg: a temporary folder,
// an environment variable for one test, pseudo-terminals that stand for
// serial adapters, a port held by "another program", and a host that keeps
// a record of every sleep and wait the window asks for. Header only, so
// that the end-to-end tests can use it too.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog/blocking_host.h"
#include "platform/dialog/dialog.h"
#include "platform/serial/posix_fd.h"
#include "ui/control_ids.h"

namespace kelm9d::testing {

// A folder of its own for one test, removed with everything in it.
class TempFolder {
  public:
    TempFolder() {
        char name[] = "/tmp/kelm9d-window-XXXXXX";
        if (::mkdtemp(name) != nullptr) {
            path_ = name;
        }
    }
    ~TempFolder() {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Sets an environment variable for the life of the object. The tests of one
// binary run one after another, so nothing else reads it meanwhile.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) {
            old_ = old;
        }
        ::setenv(name_.c_str(), value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> old_;
};

// A descriptor that closes itself: the serial layer's own owner.
using Fd = UniqueFd;

// A pseudo-terminal with nothing answering on it: a serial adapter with no
// detector behind it. A raw slave stays open for the pair's whole life, so
// that the program's opens and closes never hang up the master.
class Pty {
  public:
    Pty() {
        master_ = Fd(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (!master_.Valid() || ::grantpt(master_.Get()) != 0 || ::unlockpt(master_.Get()) != 0) {
            return;
        }
        char name[128] = {};
        if (::ptsname_r(master_.Get(), name, sizeof name) != 0) {
            return;
        }
        keep_ = Fd(::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        termios raw{};
        if (keep_.Valid() && ::tcgetattr(keep_.Get(), &raw) == 0) {
            ::cfmakeraw(&raw);
            ::tcsetattr(keep_.Get(), TCSANOW, &raw);
            path_ = name;
        }
    }

    bool Ok() const { return !path_.empty(); }
    const std::string& SlavePath() const { return path_; }

  private:
    Fd master_;
    Fd keep_;
    std::string path_;
};

// Another program holding a port: its own descriptor with an exclusive lock.
class PortHold {
  public:
    explicit PortHold(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        locked_ = fd_.Valid() && ::flock(fd_.Get(), LOCK_EX | LOCK_NB) == 0;
    }
    bool Locked() const { return locked_; }

  private:
    Fd fd_;
    bool locked_ = false;
};

// Whether another program could take the port now: it opens, nobody has
// made it exclusive, and an exclusive lock is free.
inline bool PortIsFree(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        return false;
    }
    int exclusive = 0;
    if (::ioctl(fd.Get(), TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
        return false;
    }
    return ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0;
}

// The blocking host, with a record of what the window asked of it. Pacing
// sleeps are real; waits end when their condition holds or at their
// deadline, exactly as in the batch host.
class RecordingHost : public BlockingHost {
  public:
    struct Wait {
        std::chrono::milliseconds timeout;
        bool held;  // the condition held, so the wait ended early
    };

    using BlockingHost::BlockingHost;

    void Sleep(std::chrono::milliseconds duration) override {
        sleeps.push_back(duration);
        BlockingHost::Sleep(duration);
    }
    bool WaitUntil(const std::function<bool()>& condition,
                   std::chrono::milliseconds timeout) override {
        const bool held = BlockingHost::WaitUntil(condition, timeout);
        waits.push_back({timeout, held});
        return held;
    }

    void ClearRecord() {
        sleeps.clear();
        waits.clear();
        ClearMessageBoxes();
    }

    std::vector<std::chrono::milliseconds> sleeps;
    std::vector<Wait> waits;
};

inline std::vector<std::string> MessageTexts(const BlockingHost& host) {
    std::vector<std::string> texts;
    for (const MessageBoxRequest& box : host.MessageBoxes()) {
        texts.push_back(box.text);
    }
    return texts;
}

// Every control's state at one moment, for "nothing else changed" checks.
struct ControlSnapshot {
    struct Entry {
        int id;
        ControlState state;
    };
    std::vector<Entry> entries;

    static ControlSnapshot Of(const Dialog& dialog) {
        ControlSnapshot snapshot;
        for (const int id : dialog.Controls().Ids()) {
            snapshot.entries.push_back({id, *dialog.Controls().Find(id)});
        }
        return snapshot;
    }
};

// Fails for every control whose state differs between the two snapshots,
// except those listed.
inline void ExpectSameControls(const ControlSnapshot& before, const ControlSnapshot& after,
                               const std::vector<int>& except = {}) {
    ASSERT_EQ(before.entries.size(), after.entries.size());
    for (std::size_t i = 0; i < before.entries.size(); ++i) {
        const int id = before.entries[i].id;
        if (std::find(except.begin(), except.end(), id) != except.end()) {
            continue;
        }
        const ControlState& a = before.entries[i].state;
        const ControlState& b = after.entries[i].state;
        EXPECT_EQ(a.text, b.text) << "control " << id;
        EXPECT_EQ(a.check, b.check) << "control " << id;
        EXPECT_EQ(a.items, b.items) << "control " << id;
        EXPECT_EQ(a.selection, b.selection) << "control " << id;
        EXPECT_EQ(a.enabled, b.enabled) << "control " << id;
    }
}

// The enabling of the two states: the command buttons exist only while
// connected, Start only while not; the port selector and Exit always work,
// and the trigger box never does.
inline void ExpectEnablingOfState(const Dialog& dialog, bool connected) {
    for (const int id : {idc::kStop, idc::kWriteRom, idc::kWrite, idc::kRead, idc::kReadFile,
                         idc::kReset, idc::kQueryTemperature, idc::kQueryReadBoardVersion}) {
        EXPECT_EQ(dialog.IsEnabled(id), connected) << "control " << id;
    }
    EXPECT_EQ(dialog.IsEnabled(idc::kStart), !connected);
    EXPECT_TRUE(dialog.IsEnabled(idc::kComPort));
    EXPECT_TRUE(dialog.IsEnabled(idc::kExit));
    EXPECT_FALSE(dialog.IsEnabled(idc::kTrigger));
}

}  // namespace kelm9d::testing
