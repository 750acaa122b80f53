// Conversions between the codes the detector stores and what the window
// shows: the VT voltage, temperature and humidity texts, the bit fields
// behind the check boxes, trigger and binning, date and version texts, and
// the serial number. Pure functions: values in, values or texts out.
//
// Floating-point steps are carried out in double in the order the detector's
// firmware expects, rounding to float only where noted; the last digit of a
// shown value depends on it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelm9d {

// --- VT voltage -------------------------------------------------------------

// Code c (0 to 65535) to volts: c * 2^-10 * 20 * 1000 * (1.22 / 6650) + 1.22,
// rounded to float. Code 0 is 1.22 V.
float VtCodeToVolts(std::uint16_t code);

// The window's text for a VT code: "%1.2f" of the volts.
std::string VtCodeToText(std::uint16_t code);

// The text of the VT box to a code: read as atof does, rounded to float,
// clamped to 0..5 V, scaled back, rounded to float, truncated; the low 16
// bits are the code, so volts below 1.22 give the two's complement of a
// negative code. A text that reads as NaN counts as 0 V.
std::uint16_t VtVoltsToCode(std::string_view text);

// --- Temperature and humidity ------------------------------------------------

// Hundredths of a degree Celsius to degrees with one decimal, rounded half
// up through float steps: 3574 gives "35.7", 3575 gives "35.8".
std::string FormatTemperature(float hundredths);

// "%.1f" of the humidity value.
std::string FormatHumidity(float humidity);

// --- Bit fields ---------------------------------------------------------------

// The value's bits as '0' and '1', most significant first: bits 3..0 and
// bits 15..0.
std::array<char, 4> BinaryText4(std::uint16_t value);
std::array<char, 16> BinaryText16(std::uint16_t value);

struct SensorSelect {
    bool one = false;    // "I", bit 2
    bool two = false;    // "II", bit 1
    bool three = false;  // "III", bit 0
    bool reset = false;  // "Reset"
    friend bool operator==(const SensorSelect&, const SensorSelect&) = default;
};

struct SensorSelectSlots {
    std::uint16_t sensorSel = 0;
    std::uint16_t sensorSelReset = 0;
    friend bool operator==(const SensorSelectSlots&, const SensorSelectSlots&) = default;
};

SensorSelectSlots PackSensorSelect(const SensorSelect& boxes);
// Bit 3 and above are not shown; "Reset" is checked for any non-zero value.
SensorSelect UnpackSensorSelect(std::uint16_t sensorSel, std::uint16_t sensorSelReset);

// Gain box k shows bit k, k from 0 to 3.
using GainSelect = std::array<bool, 4>;
std::uint16_t PackGainSelect(const GainSelect& boxes);
GainSelect UnpackGainSelect(std::uint16_t gainSel);

// Flag k is bit k. Flag 0 is "Auto Clear", flag 1 "High Valid" (clear means
// "Low Valid"); writing rebuilds only those two bits.
using SignalFlags = std::array<bool, 16>;
SignalFlags UnpackSignalFlags(std::uint16_t signalFlags);
std::uint16_t PackSignalFlags(bool autoClear, bool highValid);

// --- Trigger and binning --------------------------------------------------------

// The trigger list's index for a slot value: 0 to 3 as they are, -1 (no
// selection) for anything else.
int TriggerSelectionForSlot(std::uint16_t trigger);
// The slot value for a list selection: 0 to 3 as they are, 0 otherwise.
std::uint16_t TriggerSlotForSelection(int selection);

bool BinningChecked(std::uint16_t binning);  // exactly 1
std::uint16_t BinningSlot(bool checked);

// --- Date and version texts ------------------------------------------------------

// "%4d-%d-%d" of year + 2000, month, day: 14, 4, 4 gives "2014-4-4".
std::string FormatDate(std::uint16_t yearFrom2000, std::uint16_t month, std::uint16_t day);

// "%d.%d.%d".
std::string FormatVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t patch);

// The text cut at every '.', each part read as atoi does: "4.1.4.7" gives
// 4, 1, 4. Missing parts give 0. Each number is kept as its low 16 bits.
std::array<std::uint16_t, 3> SplitVersion(std::string_view text);

// --- Serial number ----------------------------------------------------------------

inline constexpr std::size_t kSerialNumberLength = 13;
using SerialNumberSlots = std::array<std::uint16_t, kSerialNumberLength>;

// Slot i from character i of the text, its byte read as a signed 8-bit number
// and widened with its sign; slots past the end of the text get 0.
SerialNumberSlots CopySerialNumber(std::string_view serialText);

// The text a record's serial number stands for: the slots' low bytes up to
// the first 0, at most 13 characters.
std::string SerialTextFromSlots(const SerialNumberSlots& slots);

// --- Products --------------------------------------------------------------------

inline constexpr std::uint16_t kKelm9dProductCode = 11;
inline constexpr const char* kKelm9dProductName = "Kelm9d";
inline constexpr const char* kUnknownProductName = "Unknown";
// "Kelm9d" for product code 11, "Unknown" for any other.
std::string ProductTypeText(std::uint16_t productCode);

}  // namespace kelm9d
