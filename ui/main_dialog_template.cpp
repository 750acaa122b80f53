#include "ui/main_dialog_template.h"

#include "ui/control_ids.h"
#include "ui/window_texts.h"

namespace kelm9d {
namespace {

using namespace idc;

// A row of the parameter panel: right-aligned label, bordered read-only value
// box of 60 x 14 units, and an optional unit to its right.
void PanelRow(std::vector<ControlTemplate>& c, int labelId, const char* label, int labelX,
              int labelY, int boxId, int boxX, int boxY, const char* unit = nullptr, int unitX = 0,
              int unitY = 0, int labelWidth = 66) {
    c.push_back(RightText(labelId, label, {labelX, labelY, labelWidth, 8}));
    c.push_back(Edit(boxId, {boxX, boxY, 60, 14}).ReadOnly());
    if (unit != nullptr) {
        c.push_back(LeftText(kNoId, unit, {unitX, unitY, 20, 8}));
    }
}

// Hidden controls are never shown. They sit right of the client area, so
// that no host that draws them by mistake can cover a visible control.
constexpr int kHiddenX = 440;

DialogTemplate Build() {
    DialogTemplate t;
    t.id = kMainDialog;
    t.title = text::kApplicationName;
    t.width = 429;
    t.height = 279;
    t.fontName = "MS Shell Dlg";
    t.fontPointSize = 9;
    t.style = DialogStyle::kCaption | DialogStyle::kSystemMenu | DialogStyle::kModalFrame |
              DialogStyle::kAppWindow;

    auto& c = t.controls;
    // Port selector, Start and Stop.
    c.push_back(GroupBox(kNoId, "", {18, 10, 146, 35}));
    c.push_back(PushButton(kStart, "Start", {23, 20, 28, 21}));
    c.push_back(PushButton(kStop, "Stop", {53, 20, 28, 21}));
    c.push_back(ComboDropDown(kComPort, {94, 25, 54, 48}).With(ControlStyle::kVScroll));
    // Commands.
    c.push_back(PushButton(kWriteRom, "Write(ROM)", {196, 20, 43, 21}));
    c.push_back(PushButton(kWrite, "Write", {247, 20, 43, 21}));
    c.push_back(PushButton(kRead, "Read", {298, 20, 43, 21}));
    c.push_back(PushButton(kExit, "Exit", {349, 20, 43, 21}));

    // The parameter panel.
    c.push_back(GroupBox(kNoId, "Detector Configuration", {18, 59, 386, 184}));
    PanelRow(c, kProductTypeLabel, "Product type:", 29, 76, kProductType, 101, 73);
    c.push_back(RightText(kTriggerLabel, "Trigger:", {29, 97, 66, 8}));
    c.push_back(ComboDropDown(kTrigger, {101, 93, 60, 81}).With(ControlStyle::kVScroll).Disabled());
    PanelRow(c, kTimeSpanLabel, "Time Span:", 29, 116, kTimeSpan, 101, 113, "ms", 164, 116);
    PanelRow(c, kVtLabel, "VT:", 29, 136, kVt, 101, 133, "V", 164, 136);
    PanelRow(c, kPgaLabel, "FGA:", 29, 156, kPga, 101, 153, "ms", 164, 156);
    PanelRow(c, kFrameDelay1Label, "Frame Delay1:", 29, 176, kFrameDelay1, 101, 173);
    PanelRow(c, kFrameDelay2Label, "Frame Delay2:", 29, 196, kFrameDelay2, 101, 193);
    PanelRow(c, kRowDelay1Label, "Row Delay1:", 29, 215, kRowDelay1, 101, 214);
    PanelRow(c, kInnerDelayLabel, "Inner Delay:", 232, 76, kInnerDelay, 301, 73, "ms", 364, 74);
    PanelRow(c, kSetDelayLabel, "Set Delay:", 232, 97, kSetDelay, 301, 93, "ms", 364, 94);
    PanelRow(c, kExpWindowLabel, "EXP Window:", 232, 116, kExpWindow, 301, 113, "ms", 364, 117);
    PanelRow(c, kIntegrateLabel, "Integrate:", 232, 136, kIntegrate, 301, 133, "\u03bcs", 364, 136);
    PanelRow(c, kAcquireDelayLabel, "Acquire Delay:", 232, 156, kAcquireDelay, 301, 153, "ms", 364,
             156);
    PanelRow(c, kClearTimeLabel, "Clear Time:", 232, 176, kClearTime, 301, 173, "ms", 364, 175);
    PanelRow(c, kInnerRefreshTimeLabel, "Inner refresh time:", 230, 196, kInnerRefreshTime, 301,
             193, "ms", 364, 196, 68);
    PanelRow(c, kRowDelay2Label, "Row Delay2:", 229, 215, kRowDelay2, 301, 214);
    c.push_back(CenteredText(kStatusLine, "", {17, 242, 388, 12}));

    // Hidden value boxes with their labels.
    const auto hiddenRow = [&](int labelId, const char* label, int boxId, int y,
                               const char* unit = nullptr) {
        c.push_back(RightText(labelId, label, {kHiddenX, y, 66, 8}).Hidden());
        c.push_back(Edit(boxId, {kHiddenX + 70, y - 3, 60, 14}).ReadOnly().Hidden());
        if (unit != nullptr) {
            c.push_back(LeftText(kNoId, unit, {kHiddenX + 133, y, 20, 8}).Hidden());
        }
    };
    hiddenRow(kDateLabel, "Date:", kDate, 10);
    hiddenRow(kSerialLabel, "SN:", kSerial, 30);
    hiddenRow(kTemperatureLabel, "Temperature:", kTemperature, 50, "\u2103");
    hiddenRow(kHumidityLabel, "Humidity:", kHumidity, 70);
    hiddenRow(kProcessor1Label, "Processor 1:", kProcessor1, 90);
    hiddenRow(kProcessor2Label, "Processor 2:", kProcessor2, 110);
    hiddenRow(kTubeReadyTimeLabel, "Tube Ready Time:", kTubeReadyTime, 130, "ms");

    // Hidden selections: the operator never changes them, only the program.
    const int x = kHiddenX + 160;
    c.push_back(GroupBox(kNoId, "Sel Select", {x, 5, 120, 30}).Hidden());
    c.push_back(CheckBox(kSensorI, "I", {x + 5, 17, 20, 10}).Disabled().Hidden());
    c.push_back(CheckBox(kSensorII, "II", {x + 30, 17, 20, 10}).Disabled().Hidden());
    c.push_back(CheckBox(kSensorIII, "III", {x + 55, 17, 20, 10}).Disabled().Hidden());
    c.push_back(CheckBox(kSensorReset, "Reset", {x + 80, 17, 35, 10}).Disabled().Hidden());
    c.push_back(GroupBox(kNoId, "Gain Select", {x, 40, 120, 30}).Hidden());
    c.push_back(CheckBox(kGain0, "0", {x + 5, 52, 20, 10}).Disabled().Hidden());
    c.push_back(CheckBox(kGain1, "1", {x + 30, 52, 20, 10}).Disabled().Hidden());
    c.push_back(CheckBox(kGain2, "2", {x + 55, 52, 20, 10}).Disabled().Hidden());
    c.push_back(CheckBox(kGain3, "3", {x + 80, 52, 20, 10}).Disabled().Hidden());
    c.push_back(GroupBox(kNoId, "Other Select", {x, 75, 120, 30}).Hidden());
    c.push_back(CheckBox(kAutoClear, "Auto Clear", {x + 5, 87, 50, 10}).Disabled().Hidden());
    c.push_back(CheckBox(kBinning, "Binning", {x + 60, 87, 50, 10}).Disabled().Hidden());
    c.push_back(CheckBox(kSmtMd, "SMT-MD", {x, 110, 50, 10}).Hidden());
    c.push_back(GroupBox(kNoId, "RAD Enable Signal", {x, 125, 120, 30}).Hidden());
    c.push_back(
        RadioButton(kLowValid, "Low Valid", {x + 5, 137, 50, 10}).GroupStart().Disabled().Hidden());
    c.push_back(RadioButton(kHighValid, "High Valid", {x + 60, 137, 50, 10}).Disabled().Hidden());
    c.push_back(ComboDropDown(kPanelFormat, {x, 160, 60, 48}).Hidden());
    c.push_back(PushButton(kReset, "Reset", {x, 180, 40, 14}).Hidden());
    c.push_back(PushButton(kQueryTemperature, "R", {x + 45, 180, 15, 14}).Hidden());
    c.push_back(PushButton(kQueryReadBoardVersion, "R", {x + 65, 180, 15, 14}).Hidden());
    c.push_back(PushButton(kReadFile, "Read(FILE)", {x + 85, 180, 40, 14}).Hidden());
    return t;
}

}  // namespace

const DialogTemplate& MainDialogTemplate() {
    static const DialogTemplate kTemplate = Build();
    return kTemplate;
}

}  // namespace kelm9d
