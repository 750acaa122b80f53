// The little our application object needs from an application framework:
// a start hook, and the settings a dialog application traditionally hands
// its framework at start. We keep no settings: the registry key is accepted
// and nothing is stored under it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/dialog/dialog.h"

namespace kelm9d {

class ApplicationBase {
  public:
    explicit ApplicationBase(bool resourceSmartUpdate)
        : resourceSmartUpdate_(resourceSmartUpdate) {}
    virtual ~ApplicationBase() = default;
    ApplicationBase(const ApplicationBase&) = delete;
    ApplicationBase& operator=(const ApplicationBase&) = delete;

    // The start hook: runs the program's window on `host`. The base does
    // nothing and returns true.
    virtual bool InitApplication(DialogHost& host);

    // The common-control classes a window may use; every host of ours
    // provides them all, so this only records the request.
    void InitCommonControls(std::uint32_t structSize, std::uint32_t classes);
    void EnableControlContainer() { controlContainer_ = true; }
    // Accepted and not stored: the program reads and writes no settings.
    void SetRegistryKey(std::string_view /*key*/) {}

    bool resourceSmartUpdate() const { return resourceSmartUpdate_; }
    std::uint32_t commonControlClasses() const { return commonControlClasses_; }
    bool controlContainer() const { return controlContainer_; }

  private:
    bool resourceSmartUpdate_;
    std::uint32_t commonControlClasses_ = 0;
    bool controlContainer_ = false;
};

}  // namespace kelm9d
