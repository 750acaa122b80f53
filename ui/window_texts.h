// Every text the window's logic writes, in one place, as the detector's
// service technicians know them.
#pragma once

namespace kelm9d::text {

inline constexpr const char* kApplicationName = "Kelm9dMaster";

// Status line.
inline constexpr const char* kSendRead = "Send read command ...";
inline constexpr const char* kReadSucceeded = "Read parameters is successful.";
inline constexpr const char* kReadFailed = "Read parameters failed.";
inline constexpr const char* kSendWrite = "Send write command ...";
inline constexpr const char* kWriteSucceeded = "Write parameters is successful.";
inline constexpr const char* kWriteFailed = "Write parameters failed.";
inline constexpr const char* kSendWriteRom = "Send write ROM command ...";
inline constexpr const char* kWriteRomSucceeded = "Write ROM parameters is successful.";
inline constexpr const char* kWriteRomFailed = "Write ROM parameters failed.";
inline constexpr const char* kSendReset = "Send reset command ...";
inline constexpr const char* kQueryTemperature = "Query Temperature ...";
inline constexpr const char* kQueryTemperatureFailed = "Query Temperature failed.";
inline constexpr const char* kQueryReadBoardVersion = "Query READ-board version ...";
inline constexpr const char* kQueryReadBoardVersionFailed = "Query READ-board version failed.";
inline constexpr const char* kSendReadFile = "Send read file command ...";
inline constexpr const char* kReadFileSucceeded = "Read file parameters is successful.";

// Message boxes.
inline constexpr const char* kConnectionFailed = "Detector Connection failed!";
inline constexpr const char* kPgaError = "PGA Parameter is error!";
inline constexpr const char* kExpWindowError =
    "The input value of Exp Window should greater than 5000";
inline constexpr const char* kReadBeforeWriting =
    "Read parameters from the detector before writing.";

// Lists.
inline constexpr const char* kTriggerModes[] = {"Outer", "Inner", "Software", "PREP"};
inline constexpr const char* kPanelFormats[] = {"1717", "1417"};

}  // namespace kelm9d::text
