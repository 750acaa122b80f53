// The main window's logic: set-up, every command handler, showing a
// parameter set, the factory profile and writing. It runs on our own dialog
// library, so any host (the Qt window, the batch host, a test) drives it.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "link/detector_port.h"
#include "platform/dialog/dialog.h"

namespace kelm9d {

class COrvaneDlg : public Dialog {
  public:
    // `detectorPort` is the application's one port slot: Start fills it,
    // Stop, Exit and a failed Start empty it.
    explicit COrvaneDlg(std::unique_ptr<CDetectorPort>& detectorPort);
    ~COrvaneDlg() override;

    bool OnInitDialog() override;
    // Every end of the window, Enter, Escape and the close box included,
    // releases the port first, so that no reader thread outlives it.
    void OnOK() override;
    void OnCancel() override;

    void OnStart();
    void OnStop();
    void OnExit();
    void OnRead();
    void OnWrite();
    void OnWriteRom();
    void OnReset();
    void OnQueryTemperature();
    void OnQueryReadBoardVersion();
    void OnReadFile();

    // Mode 0 shows the record and the status values; mode 1 loads the
    // parameter file instead. Always true.
    bool ShowParameters(int mode);
    void LoadFactoryProfile();
    void LoadParameterFile();

    // What became of a write.
    enum class WriteOutcome {
        kRefused,      // no parameter set on this connection: nothing to send
        kCheckFailed,  // the PGA or EXP check stopped it
        kSendFailed,   // collected, but the frame did not go out whole
        kSent,
    };
    WriteOutcome WriteParameters(ParamWriteMode mode);

    bool SendReadCommand();
    bool SendResetCommand();
    bool SendTemperatureQuery();
    bool SendReadBoardVersionQuery();

    // Where the parameter files are looked for; the program's own folder
    // unless a test says otherwise.
    void SetProgramFolder(std::string folder) { programFolder_ = std::move(folder); }

    // The window's own state.
    std::string productTypeText;
    std::uint16_t dateYear = 0;  // counted from 2000
    std::uint16_t dateMonth = 0;
    std::uint16_t dateDay = 0;
    std::string serialText;  // at most 13 characters
    const int windowIcon;    // icon resource of the window

    // How long the detector is given for each answer, and the pacing the
    // detector needs after the line settings, a write and a reset.
    static constexpr std::chrono::milliseconds kLineSettle{50};
    static constexpr std::chrono::milliseconds kParameterAnswerWait{500};
    static constexpr std::chrono::milliseconds kTemperatureWait{800};
    static constexpr std::chrono::milliseconds kReadBoardVersionWait{500};
    static constexpr std::chrono::milliseconds kWritePause{500};
    static constexpr std::chrono::milliseconds kResetPause{500};
    static constexpr std::chrono::milliseconds kWriteRomAckWait{5600};
    static constexpr std::size_t kPortNameLimit = 63;

  private:
    void ReleasePort();
    bool SendCommand(CommandCode code);
    // Sends the read command and waits for a parameter answer; shows the
    // record either way and says in the status line whether one came.
    void ReadAndShow();
    bool HaveParameterSet() const;
    void SetStatus(const char* text);
    void EnableConnectedButtons(bool connected);

    std::unique_ptr<CDetectorPort>& detectorPort_;
    std::string programFolder_;
    bool parameterFileLoaded_ = false;  // since the last Start
};

}  // namespace kelm9d
