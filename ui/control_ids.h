// The control ids of the main window (template 102). The numbers are the
// window's identity: hosts, the batch command line and the tests name
// controls by them.
#pragma once

namespace kelm9d::idc {

inline constexpr int kMainDialog = 102;
inline constexpr int kWindowIcon = 128;

// Port selector and command buttons.
inline constexpr int kComPort = 1001;
inline constexpr int kStart = 1066;
inline constexpr int kStop = 1068;
inline constexpr int kWriteRom = 1029;
inline constexpr int kWrite = 1060;
inline constexpr int kRead = 1061;
inline constexpr int kExit = 1063;
inline constexpr int kStatusLine = 1055;

// Panel labels and value boxes.
inline constexpr int kProductTypeLabel = 1033;
inline constexpr int kProductType = 1037;
inline constexpr int kTriggerLabel = 1028;
inline constexpr int kTrigger = 1030;
inline constexpr int kTimeSpanLabel = 1004;
inline constexpr int kTimeSpan = 1015;
inline constexpr int kVtLabel = 1005;
inline constexpr int kVt = 1016;
inline constexpr int kPgaLabel = 1006;
inline constexpr int kPga = 1017;
inline constexpr int kFrameDelay1Label = 1007;
inline constexpr int kFrameDelay1 = 1018;
inline constexpr int kFrameDelay2Label = 1008;
inline constexpr int kFrameDelay2 = 1019;
inline constexpr int kRowDelay1Label = 1009;
inline constexpr int kRowDelay1 = 1020;
inline constexpr int kInnerDelayLabel = 1034;
inline constexpr int kInnerDelay = 1038;
inline constexpr int kSetDelayLabel = 1011;
inline constexpr int kSetDelay = 1022;
inline constexpr int kExpWindowLabel = 1012;
inline constexpr int kExpWindow = 1023;
inline constexpr int kIntegrateLabel = 1013;
inline constexpr int kIntegrate = 1024;
inline constexpr int kAcquireDelayLabel = 1014;
inline constexpr int kAcquireDelay = 1025;
inline constexpr int kClearTimeLabel = 1031;
inline constexpr int kClearTime = 1032;
inline constexpr int kInnerRefreshTimeLabel = 1075;
inline constexpr int kInnerRefreshTime = 1074;
inline constexpr int kRowDelay2Label = 1010;
inline constexpr int kRowDelay2 = 1021;

// Hidden controls: never shown, but they hold values that showing, the
// factory profile and the parameter file put in and writing takes out.
inline constexpr int kDateLabel = 1057;
inline constexpr int kDate = 1064;
inline constexpr int kSerialLabel = 1056;
inline constexpr int kSerial = 1065;
inline constexpr int kTemperatureLabel = 1035;
inline constexpr int kTemperature = 1039;
inline constexpr int kHumidityLabel = 1036;
inline constexpr int kHumidity = 1040;
inline constexpr int kProcessor1Label = 1041;
inline constexpr int kProcessor1 = 1043;
inline constexpr int kProcessor2Label = 1042;
inline constexpr int kProcessor2 = 1044;
inline constexpr int kTubeReadyTimeLabel = 1073;
inline constexpr int kTubeReadyTime = 1072;
inline constexpr int kSensorI = 1045;
inline constexpr int kSensorII = 1046;
inline constexpr int kSensorIII = 1047;
inline constexpr int kSensorReset = 1048;
inline constexpr int kGain0 = 1049;
inline constexpr int kGain1 = 1050;
inline constexpr int kGain2 = 1051;
inline constexpr int kGain3 = 1052;
inline constexpr int kAutoClear = 1053;
inline constexpr int kBinning = 1054;
inline constexpr int kSmtMd = 1069;
inline constexpr int kLowValid = 1070;
inline constexpr int kHighValid = 1071;
inline constexpr int kPanelFormat = 1002;
inline constexpr int kReset = 1062;
inline constexpr int kQueryTemperature = 1058;
inline constexpr int kQueryReadBoardVersion = 1059;
inline constexpr int kReadFile = 1067;

}  // namespace kelm9d::idc
