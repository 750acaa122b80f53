// The application object: it holds the one port slot and runs the main
// window modally. When the window has closed, InitApplication returns false
// and the program ends; there is no message loop after it.
#pragma once

#include <memory>

#include "app/application_base.h"
#include "link/detector_port.h"

namespace kelm9d {

class COrvaneDlg;

class COrvaneApp : public ApplicationBase {
  public:
    COrvaneApp() : ApplicationBase(true) {}

    // Runs the main window on `host`; false in every case.
    bool InitApplication(DialogHost& host) override;

    // Empty while not connected; Start fills it, Stop, Exit and a failed
    // Start empty it.
    std::unique_ptr<CDetectorPort> m_pDetectorPort;
};

// The framework key the application names, in its original GBK bytes.
inline constexpr const char kRegistryKey[] =
    "\xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2\xCF\xF2\xB5\xBC\xC9\xFA\xB3\xC9\xB5\xC4\xB1\xBE\xB5\xD8"
    "\xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2";

inline constexpr std::uint32_t kIccWin95Classes = 0xFF;

extern COrvaneApp theApp;

}  // namespace kelm9d
