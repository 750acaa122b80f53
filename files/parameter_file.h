// The per-format parameter file, res/orvane_<format>.ini beside the program:
// its keys in reading order with their defaults, and reading them all.
// Applying the values to the record and the window is the window's business.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace kelm9d {

inline constexpr const char* kParameterFileSection = "CONFIG_PARAMETER";

enum ParameterFileKey : std::size_t {
    kCfgTypeKey,
    kPixelSizeKey,
    kPixelXKey,
    kPixelYKey,
    kStartColKey,
    kEndColKey,
    kVcomKey,
    kTimeSpanKey,
    kVtKey,
    kPgaKey,
    kAutoClearKey,
    kRadEnableSignalKey,
    kTriggerKey,
    kSensorSel1Key,
    kSensorSel2Key,
    kSensorSel3Key,
    kSensorSelResetKey,
    kGainSel0Key,
    kGainSel1Key,
    kGainSel2Key,
    kGainSel3Key,
    kTimeYearKey,
    kTimeMonthKey,
    kTimeDayKey,
    kFrameDelay1Key,
    kFrameDelay2Key,
    kRowDelay1Key,
    kRowDelay2Key,
    kIntegrateKey,
    kProcessor1Key,
    kBinningKey,
    kClearTimeKey,
    kAcquireDelayTimeKey,
    kSetDelayTimeKey,
    kInnerDelayTimeKey,
    kTemperatureKey,
    kHumidityKey,
    kProcessor2Key,
    kExpTimeoutKey,
    kProductNoKey,
    kTubeReadyTimeKey,
    kAutoClearTimeKey,
    kParameterFileKeyCount
};

struct ParameterFileEntry {
    const char* key;
    const char* defaultValue;
};

// In reading order; the default stands when the file, the section or the key
// is missing.
inline constexpr std::array<ParameterFileEntry, kParameterFileKeyCount> kParameterFileEntries = {{
    {"CFG_TYPE", "0"},
    {"PIXEL_SIZE", "139"},
    {"PIXEL_X", "43"},
    {"PIXEL_Y", "43"},
    {"START_COL", "118"},
    {"END_COL", "101"},
    {"VCOM", "119"},
    {"TIME_SPAN", "1500"},
    {"VT", "1.68"},
    {"PGA", "5"},
    {"AUTO_CLEAR", "0"},
    {"RAD_ENABLE_SIGNAL", "0"},
    {"TRIGGER", "0"},
    {"SENSOR_SEL_1", "0"},
    {"SENSOR_SEL_2", "0"},
    {"SENSOR_SEL_3", "0"},
    {"SENSOR_SEL_RESET", "0"},
    {"GAIN_SEL_0", "0"},
    {"GAIN_SEL_1", "0"},
    {"GAIN_SEL_2", "0"},
    {"GAIN_SEL_3", "0"},
    {"TIME_YEAR", "12"},
    {"TIME_MONTH", "7"},
    {"TIME_DAY", "1"},
    {"FRAME_DELAY1", "0"},
    {"FRAME_DELAY2", "0"},
    {"ROW_DELAY1", "5"},
    {"ROW_DELAY2", "5"},
    {"INTEGRATE", "100"},
    {"PROCESSOR1", "100"},
    {"BINNING", "100"},
    {"CLEAR_TIME", "500"},
    {"ACQUIRE_DELAY_TIME", "0"},
    {"SET_DELAY_TIME", "1000"},
    {"INNER_DELAY_TIME", "0"},
    {"TEMPERATURE", "35.7"},
    {"HUMIDITY", "30"},
    {"PROCESSOR2", "3.1.6"},
    {"EXP_TIMEOUT", "5000"},
    {"PRODUCT_NO", "0"},
    {"TUBE_READY_TIME", "800"},
    {"AUTO_CLEAR_TIME", "5000"},
}};

// <programFolder>res/orvane_<format>.ini, with the platform's separator after
// "res" (a backslash on Windows); programFolder ends in a separator.
std::string ParameterFilePath(std::string_view programFolder, std::string_view format);

using ParameterFileValues = std::array<std::string, kParameterFileKeyCount>;

// Every key's text (at most 511 characters), or its default. A missing file
// is no error: it gives the defaults.
ParameterFileValues ReadParameterFile(const std::string& path);

}  // namespace kelm9d
