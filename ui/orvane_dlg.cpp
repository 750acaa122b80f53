#include "ui/orvane_dlg.h"

#include <array>
#include <cstdio>
#include <utility>

#include "files/parameter_file.h"
#include "params/conversions.h"
#include "params/number_text.h"
#include "platform/module_path/module_path.h"
#include "platform/serial/port_names.h"
#include "ui/control_ids.h"
#include "ui/main_dialog_template.h"
#include "ui/window_texts.h"

namespace kelm9d {
namespace {

using namespace idc;

// The buttons that exist only while connected, in the order Start enables them.
constexpr std::array<int, 8> kConnectedButtons = {
    kStop, kWriteRom, kWrite, kRead, kReadFile, kReset, kQueryTemperature, kQueryReadBoardVersion};

// The boxes Stop empties, in its order; the status line comes last. Inner
// refresh time and Tube Ready Time keep their text.
constexpr std::array<int, 21> kClearedByStop = {
    kTimeSpan,  kVt,         kPga,       kFrameDelay1,  kFrameDelay2, kRowDelay1,  kRowDelay2,
    kIntegrate, kProcessor1, kClearTime, kAcquireDelay, kSetDelay,    kInnerDelay, kTemperature,
    kHumidity,  kProcessor2, kExpWindow, kSerial,       kProductType, kDate,       kStatusLine};

struct ProfileText {
    int id;
    const char* text;
};

// The factory profile: what every Start shows and every write sends for the
// boxes it covers.
constexpr std::array<ProfileText, 18> kFactoryProfile = {{
    {kTimeSpan, "1800"},
    {kVt, "1.68"},
    {kPga, "6"},
    {kFrameDelay1, "0"},
    {kFrameDelay2, "0"},
    {kRowDelay1, "5"},
    {kRowDelay2, "5"},
    {kSetDelay, "1000"},
    {kExpWindow, "28000"},
    {kIntegrate, "100"},
    {kAcquireDelay, "1500"},
    {kClearTime, "1500"},
    {kInnerRefreshTime, "2000"},
    {kProductType, kKelm9dProductName},
    {kInnerDelay, "500"},
    {kProcessor1, "4.1.4"},
    {kDate, "2014-4-04"},  // only a text: the date sent comes from the date fields
    {kTubeReadyTime, "800"},
}};
constexpr int kFactoryTrigger = 1;  // "Inner"

constexpr int kPgaMax = 7;
constexpr int kExpWindowMin = 5000;

std::uint16_t Low16(int value) {
    return static_cast<std::uint16_t>(static_cast<unsigned>(value) & 0xFFFFU);
}

bool Checked(const Dialog& dialog, int id) {
    return dialog.GetCheck(id) == 1;
}

// An answer that did not come in time is no longer awaited. Left set, the
// receiver would take the next status answer (55 02 01 AA) for it, read its
// trailer as the second data byte and then drop the header of the answer
// after it, so a Write followed by a Read would lose the read's answer. A
// late answer is dropped instead; the window has already said it failed.
void StopAwaiting(CDetectorPort& port, std::int32_t query) {
    std::int32_t expected = query;
    port.pendingQuery.compare_exchange_strong(expected, kNoQuery);
}

}  // namespace

COrvaneDlg::COrvaneDlg(std::unique_ptr<CDetectorPort>& detectorPort)
    : Dialog(MainDialogTemplate()),
      windowIcon(kWindowIcon),
      detectorPort_(detectorPort),
      programFolder_(ModuleFolder()) {
    SetApplicationName(text::kApplicationName);
    MapClicked(kRead, [this] { OnRead(); });
    MapClicked(kWrite, [this] { OnWrite(); });
    MapClicked(kWriteRom, [this] { OnWriteRom(); });
    MapClicked(kReset, [this] { OnReset(); });
    MapClicked(kExit, [this] { OnExit(); });
    MapClicked(kQueryTemperature, [this] { OnQueryTemperature(); });
    MapClicked(kQueryReadBoardVersion, [this] { OnQueryReadBoardVersion(); });
    MapClicked(kStart, [this] { OnStart(); });
    MapClicked(kStop, [this] { OnStop(); });
    MapClicked(kReadFile, [this] { OnReadFile(); });
    // Bound to nothing on purpose: changes there have no effect.
    MapChanged(kRowDelay2, [] {});
    MapClicked(kHighValid, [] {});
}

COrvaneDlg::~COrvaneDlg() {
    ReleasePort();
}

// --- Set-up -------------------------------------------------------------------------

bool COrvaneDlg::OnInitDialog() {
    Dialog::OnInitDialog();

    int found = 0;
    for (int n = 1; n <= 255; ++n) {
        const std::string name = "com" + std::to_string(n);
        if (ProbePort(name)) {
            AddItem(kComPort, name);
            ++found;
        }
    }
    if (found > 0) {
        SetSelection(kComPort, 0);
    }

    productTypeText.clear();
    ResetItems(kTrigger);
    for (const char* mode : text::kTriggerModes) {
        AddItem(kTrigger, mode);
    }
    ResetItems(kPanelFormat);
    for (const char* format : text::kPanelFormats) {
        AddItem(kPanelFormat, format);
    }
    SetSelection(kPanelFormat, 0);

    for (const int id : kConnectedButtons) {
        Enable(id, false);
    }
    dateYear = 0;
    dateMonth = 0;
    dateDay = 0;
    return true;
}

void COrvaneDlg::OnOK() {
    ReleasePort();
    Dialog::OnOK();
}

void COrvaneDlg::OnCancel() {
    ReleasePort();
    Dialog::OnCancel();
}

// --- Connect, disconnect, exit ---------------------------------------------------------

void COrvaneDlg::ReleasePort() {
    if (detectorPort_) {
        detectorPort_->Close();
        detectorPort_.reset();
    }
}

void COrvaneDlg::SetStatus(const char* statusText) {
    SetText(kStatusLine, statusText);
}

void COrvaneDlg::EnableConnectedButtons(bool connected) {
    Enable(kStart, !connected);
    for (const int id : kConnectedButtons) {
        Enable(id, connected);
    }
}

void COrvaneDlg::OnStart() {
    const std::string name = GetText(kComPort);
    if (name.size() > kPortNameLimit) {
        // Cutting it would open a different port than the one named.
        MessageBox(std::string(text::kConnectionFailed) + "\n" + name.substr(0, kPortNameLimit) +
                   "...: the port name is longer than 63 characters");
        return;
    }

    detectorPort_ = std::make_unique<CDetectorPort>();
    detectorPort_->SetChangeHook([this] { Wake(); });
    if (!detectorPort_->Open(name)) {
        const std::string reason = detectorPort_->LastError().Describe();
        ReleasePort();
        MessageBox(reason.empty() ? std::string(text::kConnectionFailed)
                                  : std::string(text::kConnectionFailed) + "\n" + reason);
        return;
    }
    parameterFileLoaded_ = false;
    detectorPort_->ApplyLineSettings();
    Sleep(kLineSettle);
    SetStatus(text::kSendRead);
    ReadAndShow();
    LoadFactoryProfile();
    EnableConnectedButtons(true);
}

void COrvaneDlg::OnStop() {
    ReleasePort();
    Enable(kStart, true);
    Enable(kStop, false);
    SetSelection(kTrigger, -1);
    for (const int id : kClearedByStop) {
        SetText(id, "");
    }
    for (int id = kSensorI; id <= kBinning; ++id) {
        SetCheck(id, 0);
    }
    for (const int id : kConnectedButtons) {
        if (id != kStop) {
            Enable(id, false);
        }
    }
}

void COrvaneDlg::OnExit() {
    ReleasePort();
    Dialog::OnCancel();
}

// --- Reading and showing ---------------------------------------------------------------

void COrvaneDlg::ReadAndShow() {
    CDetectorPort& port = *detectorPort_;
    const std::uint64_t before = port.ParameterAnswerCount();
    SendReadCommand();
    const bool answered =
        WaitUntil([&] { return port.ParameterAnswerCount() > before; }, kParameterAnswerWait);
    ShowParameters(0);
    if (!answered) {
        // The panel shows what the record holds, but nothing new came.
        SetStatus(text::kReadFailed);
    }
}

void COrvaneDlg::OnRead() {
    SetStatus(text::kSendRead);
    ReadAndShow();
}

bool COrvaneDlg::ShowParameters(int mode) {
    if (mode == 1) {
        LoadParameterFile();
        return true;
    }
    const CDetectorPort& port = *detectorPort_;
    const DetectorParams p = port.CopyParams();  // one whole copy: never half a record

    SetText(kTimeSpan, std::to_string(p.timeSpan));
    SetText(kVt, VtCodeToText(p.vt));
    SetText(kPga, std::to_string(p.pga));

    const SignalFlags flags = UnpackSignalFlags(p.signalFlags);
    SetCheck(kAutoClear, flags[0] ? 1 : 0);
    if (flags[1]) {
        SetCheck(kLowValid, 0);
        SetCheck(kHighValid, 1);
    } else {
        SetCheck(kLowValid, 1);
        SetCheck(kHighValid, 0);
    }

    SetSelection(kTrigger, TriggerSelectionForSlot(p.trigger));

    const SensorSelect sensors = UnpackSensorSelect(p.sensorSel, p.sensorSelReset);
    SetCheck(kSensorI, sensors.one ? 1 : 0);
    SetCheck(kSensorII, sensors.two ? 1 : 0);
    SetCheck(kSensorIII, sensors.three ? 1 : 0);
    SetCheck(kSensorReset, sensors.reset ? 1 : 0);

    const GainSelect gains = UnpackGainSelect(p.gainSel);
    SetCheck(kGain0, gains[0] ? 1 : 0);
    SetCheck(kGain1, gains[1] ? 1 : 0);
    SetCheck(kGain2, gains[2] ? 1 : 0);
    SetCheck(kGain3, gains[3] ? 1 : 0);

    SetText(kDate, FormatDate(p.timeYear, p.timeMonth, p.timeDay));
    dateYear = p.timeYear;
    dateMonth = p.timeMonth;
    dateDay = p.timeDay;

    SetText(kFrameDelay1, std::to_string(p.frameDelay1));
    SetText(kFrameDelay2, std::to_string(p.frameDelay2));
    SetText(kRowDelay1, std::to_string(p.rowDelay1));
    SetText(kRowDelay2, std::to_string(p.rowDelay2));
    SetText(kIntegrate, std::to_string(p.integrate));
    SetText(kProcessor1,
            FormatVersion(p.processor1Version[0], p.processor1Version[1], p.processor1Version[2]));
    SetCheck(kBinning, BinningChecked(p.binning) ? 1 : 0);
    SetText(kClearTime, std::to_string(p.clearTime));
    SetText(kAcquireDelay, std::to_string(p.acquireDelayTime));
    SetText(kSetDelay, std::to_string(p.setDelayTime));

    const std::uint16_t innerDelay = port.innerDelayMeasured.load();
    SetText(kInnerDelay, std::to_string(innerDelay != 0 ? innerDelay : p.setDelayTime));
    SetText(kTemperature, FormatTemperature(port.temperature.load()));
    SetText(kHumidity, FormatHumidity(port.humidity.load()));
    const ReadBoardVersion version = port.readBoardVersionValue();
    SetText(kProcessor2, FormatVersion(version.major, version.minor, version.patch));
    SetText(kExpWindow, std::to_string(p.expTimeout));

    // The serial number a write sends back is the one just read, never a
    // blank that would erase the detector's own.
    serialText = SerialTextFromSlots(p.serialNumber);
    SetText(kSerial, serialText);

    productTypeText = ProductTypeText(p.productCode);
    SetText(kProductType, productTypeText);
    SetText(kTubeReadyTime, std::to_string(p.tubeReadyTime));
    SetText(kInnerRefreshTime, std::to_string(p.autoClearTime));
    SetStatus(text::kReadSucceeded);
    return true;
}

// --- Factory profile ------------------------------------------------------------------

void COrvaneDlg::LoadFactoryProfile() {
    SetText(kSerial, serialText);
    SetSelection(kTrigger, kFactoryTrigger);
    for (const ProfileText& entry : kFactoryProfile) {
        SetText(entry.id, entry.text);
    }
    SetCheck(kLowValid, 1);  // "High Valid" keeps what showing or the file gave it
    SetCheck(kAutoClear, 1);
}

// --- Writing ----------------------------------------------------------------------------

bool COrvaneDlg::HaveParameterSet() const {
    return parameterFileLoaded_ || detectorPort_->ParameterAnswerCount() > 0;
}

COrvaneDlg::WriteOutcome COrvaneDlg::WriteParameters(ParamWriteMode mode) {
    const bool rom = mode == ParamWriteMode::Rom;
    if (!HaveParameterSet()) {
        // Without a parameter set every kept slot would go out as zero and
        // overwrite the detector's own values.
        MessageBox(text::kReadBeforeWriting);
        SetStatus(rom ? text::kWriteRomFailed : text::kWriteFailed);
        return WriteOutcome::kRefused;
    }

    LoadFactoryProfile();
    const int pga = GetInt(kPga).value;
    if (pga < 0 || pga > kPgaMax) {
        MessageBox(text::kPgaError);
        return WriteOutcome::kCheckFailed;
    }
    if (GetInt(kExpWindow).value < kExpWindowMin) {
        MessageBox(text::kExpWindowError);
        return WriteOutcome::kCheckFailed;
    }

    CDetectorPort& port = *detectorPort_;
    DetectorParams p = port.CopyParams();
    p.timeSpan = Low16(GetInt(kTimeSpan).value);
    p.vt = VtVoltsToCode(GetText(kVt));
    p.pga = Low16(pga);
    p.signalFlags = PackSignalFlags(Checked(*this, kAutoClear), Checked(*this, kHighValid));
    p.trigger = TriggerSlotForSelection(GetSelection(kTrigger));
    const SensorSelectSlots sensors =
        PackSensorSelect({Checked(*this, kSensorI), Checked(*this, kSensorII),
                          Checked(*this, kSensorIII), Checked(*this, kSensorReset)});
    p.sensorSel = sensors.sensorSel;
    p.sensorSelReset = sensors.sensorSelReset;
    p.gainSel = PackGainSelect({Checked(*this, kGain0), Checked(*this, kGain1),
                                Checked(*this, kGain2), Checked(*this, kGain3)});
    p.timeYear = dateYear;
    p.timeDay = dateDay;
    p.timeMonth = dateMonth;
    p.timeExtra = {0, 0, 0};
    p.frameDelay1 = Low16(GetInt(kFrameDelay1).value);
    p.frameDelay2 = Low16(GetInt(kFrameDelay2).value);
    p.rowDelay1 = Low16(GetInt(kRowDelay1).value);
    p.rowDelay2 = Low16(GetInt(kRowDelay2).value);
    p.integrate = Low16(GetInt(kIntegrate).value);
    p.processor1Version = SplitVersion(GetText(kProcessor1));
    p.binning = BinningSlot(Checked(*this, kBinning));
    p.clearTime = Low16(GetInt(kClearTime).value);
    p.acquireDelayTime = Low16(GetInt(kAcquireDelay).value);
    p.setDelayTime = Low16(GetInt(kSetDelay).value);
    p.expTimeout = Low16(GetInt(kExpWindow).value);
    p.serialNumber = CopySerialNumber(serialText);
    p.productCode = kKelm9dProductCode;
    p.tubeReadyTime = Low16(GetInt(kTubeReadyTime).value);
    p.autoClearTime = Low16(GetInt(kInnerRefreshTime).value);

    const bool sent = port.SendParameterBlock(mode, p);
    if (!rom) {
        SetStatus(sent ? text::kWriteSucceeded : text::kWriteFailed);
    }
    return sent ? WriteOutcome::kSent : WriteOutcome::kSendFailed;
}

void COrvaneDlg::OnWrite() {
    SetStatus(text::kSendWrite);
    WriteParameters(ParamWriteMode::WorkingMemory);
    Sleep(kWritePause);
}

void COrvaneDlg::OnWriteRom() {
    SetStatus(text::kSendWriteRom);
    CDetectorPort& port = *detectorPort_;
    const std::int32_t earlierQuery = port.pendingQuery.load();
    port.pendingQuery.store(kWriteRomAck);
    port.writeRomPending.store(true);
    if (WriteParameters(ParamWriteMode::Rom) != WriteOutcome::kSent) {
        // No frame went out, so no acknowledgement can come: say so now, and
        // stop expecting one, or the receiver would take the next status
        // answer for it and lose the start of the answer after that.
        port.writeRomPending.store(false);
        std::int32_t expected = kWriteRomAck;
        port.pendingQuery.compare_exchange_strong(expected, earlierQuery);
        SetStatus(text::kWriteRomFailed);
        return;
    }
    const bool acknowledged =
        WaitUntil([&] { return !port.writeRomPending.load(); }, kWriteRomAckWait);
    if (!acknowledged) {
        StopAwaiting(port, kWriteRomAck);
        port.writeRomPending.store(false);
    }
    SetStatus(acknowledged ? text::kWriteRomSucceeded : text::kWriteRomFailed);
}

// --- Queries and reset ---------------------------------------------------------------------

bool COrvaneDlg::SendCommand(CommandCode code) {
    const CommandFrame frame = BuildCommandFrame(code);
    std::uint32_t written = 0;
    return detectorPort_->WriteBytes(frame, written) && written == frame.size();
}

bool COrvaneDlg::SendReadCommand() {
    return SendCommand(CommandCode::kRead);
}
bool COrvaneDlg::SendResetCommand() {
    return SendCommand(CommandCode::kReset);
}
bool COrvaneDlg::SendTemperatureQuery() {
    return SendCommand(CommandCode::kTemperatureQuery);
}
bool COrvaneDlg::SendReadBoardVersionQuery() {
    return SendCommand(CommandCode::kReadBoardVersionQuery);
}

void COrvaneDlg::OnReset() {
    SetStatus(text::kSendReset);
    SendResetCommand();
    Sleep(kResetPause);
}

void COrvaneDlg::OnQueryTemperature() {
    SetStatus(text::kQueryTemperature);
    CDetectorPort& port = *detectorPort_;
    port.pendingQuery.store(kTemperatureQuery);
    SendTemperatureQuery();
    const bool answered =
        WaitUntil([&] { return port.pendingQuery.load() != kTemperatureQuery; }, kTemperatureWait);
    SetText(kTemperature, FormatTemperature(port.temperature.load()));
    if (!answered) {
        StopAwaiting(port, kTemperatureQuery);
        SetStatus(text::kQueryTemperatureFailed);
    }
}

void COrvaneDlg::OnQueryReadBoardVersion() {
    SetStatus(text::kQueryReadBoardVersion);
    CDetectorPort& port = *detectorPort_;
    port.pendingQuery.store(kReadBoardVersionQuery);
    SendReadBoardVersionQuery();
    const bool answered = WaitUntil(
        [&] { return port.pendingQuery.load() != kReadBoardVersionQuery; }, kReadBoardVersionWait);
    const ReadBoardVersion version = port.readBoardVersionValue();
    SetText(kProcessor2, FormatVersion(version.major, version.minor, version.patch));
    if (!answered) {
        StopAwaiting(port, kReadBoardVersionQuery);
        SetStatus(text::kQueryReadBoardVersionFailed);
    }
}

// --- Parameter file ---------------------------------------------------------------------------

void COrvaneDlg::OnReadFile() {
    SetStatus(text::kSendReadFile);
    ShowParameters(1);
}

void COrvaneDlg::LoadParameterFile() {
    const ParameterFileValues v =
        ReadParameterFile(ParameterFilePath(programFolder_, GetText(kPanelFormat)));
    const auto integer = [&](ParameterFileKey key) { return ParseLeadingInt(v[key]); };
    const auto slot = [&](ParameterFileKey key) { return Low16(integer(key)); };
    const auto flag = [&](ParameterFileKey key) { return integer(key) != 0 ? 1 : 0; };

    CDetectorPort& port = *detectorPort_;
    DetectorParams p = port.CopyParams();
    p.cfgType = slot(kCfgTypeKey);
    p.pixelSize = slot(kPixelSizeKey);
    p.pixelX = slot(kPixelXKey);
    p.pixelY = slot(kPixelYKey);
    p.startCol = slot(kStartColKey);
    p.endCol = slot(kEndColKey);
    p.vcom = slot(kVcomKey);
    // Cleared by every file read.
    p.reserved1 = 0;
    p.timeExtra = {0, 0, 0};
    p.reserved2 = 0;
    p.reserved3 = 0;
    p.reserved4 = 0;
    p.reserved5 = 0;
    p.reserved6 = 0;
    p.reserved7 = 0;
    p.trigger = 0;
    p.reserved8 = 0;
    p.reservedBlock.fill(0);
    p.reservedTail = 0;
    p.autoClearTime = slot(kAutoClearTimeKey);
    port.StoreParams(p);

    SetText(kTimeSpan, v[kTimeSpanKey]);
    SetText(kVt, v[kVtKey]);
    SetText(kPga, v[kPgaKey]);
    SetCheck(kAutoClear, integer(kAutoClearKey) == 1 ? 1 : 0);
    const bool highValid = integer(kRadEnableSignalKey) != 0;
    SetCheck(kLowValid, highValid ? 0 : 1);
    SetCheck(kHighValid, highValid ? 1 : 0);
    const int trigger = integer(kTriggerKey);
    SetSelection(kTrigger, trigger >= 0 && trigger <= 3 ? trigger : -1);
    SetCheck(kSensorI, flag(kSensorSel1Key));
    SetCheck(kSensorII, flag(kSensorSel2Key));
    SetCheck(kSensorIII, flag(kSensorSel3Key));
    SetCheck(kSensorReset, flag(kSensorSelResetKey));
    SetCheck(kGain0, flag(kGainSel0Key));
    SetCheck(kGain1, flag(kGainSel1Key));
    SetCheck(kGain2, flag(kGainSel2Key));
    SetCheck(kGain3, flag(kGainSel3Key));
    dateYear = slot(kTimeYearKey);
    dateMonth = slot(kTimeMonthKey);
    dateDay = slot(kTimeDayKey);
    SetText(kDate, FormatDate(dateYear, dateMonth, dateDay));
    SetText(kFrameDelay1, v[kFrameDelay1Key]);
    SetText(kFrameDelay2, v[kFrameDelay2Key]);
    SetText(kRowDelay1, v[kRowDelay1Key]);
    SetText(kRowDelay2, v[kRowDelay2Key]);
    SetText(kIntegrate, v[kIntegrateKey]);
    SetText(kProcessor1, v[kProcessor1Key]);
    SetCheck(kBinning, flag(kBinningKey));
    SetText(kClearTime, v[kClearTimeKey]);
    SetText(kAcquireDelay, v[kAcquireDelayTimeKey]);
    SetText(kSetDelay, v[kSetDelayTimeKey]);
    SetText(kInnerDelay, v[kInnerDelayTimeKey]);
    SetText(kTemperature, v[kTemperatureKey]);
    SetText(kHumidity, v[kHumidityKey]);
    SetText(kProcessor2, v[kProcessor2Key]);
    SetText(kExpWindow, v[kExpTimeoutKey]);
    SetText(kProductType, v[kProductNoKey]);
    SetText(kTubeReadyTime, v[kTubeReadyTimeKey]);
    SetText(kInnerRefreshTime, v[kAutoClearTimeKey]);

    parameterFileLoaded_ = true;
    SetStatus(text::kReadFileSucceeded);
}

}  // namespace kelm9d
