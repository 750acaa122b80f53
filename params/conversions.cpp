#include "params/conversions.h"

#include <cmath>

#include "params/number_text.h"

namespace kelm9d {

// --- VT voltage -------------------------------------------------------------

float VtCodeToVolts(std::uint16_t code) {
    double volts = static_cast<double>(code);
    volts *= 0.0009765625;  // 2^-10
    volts *= 20;
    volts *= 1000;
    volts *= 0.00018345864661654135;  // the double nearest to 1.22 / 6650
    volts += 1.22;
    return static_cast<float>(volts);
}

std::string VtCodeToText(std::uint16_t code) {
    return FormatFixed(static_cast<double>(VtCodeToVolts(code)), 2);
}

std::uint16_t VtVoltsToCode(std::string_view text) {
    float volts = static_cast<float>(ParseLeadingDouble(text));
    if (std::isnan(volts)) {
        volts = 0.0F;
    }
    if (volts < 0.0F) {
        volts = 0.0F;
    } else if (volts > 5.0F) {
        volts = 5.0F;
    }
    double scaled = static_cast<double>(volts);
    scaled -= 1.22;
    scaled *= 1024;
    scaled *= 6.65;
    scaled *= 1000;
    scaled /= 24400;
    const float rounded = static_cast<float>(scaled);
    const std::int32_t code = TruncateToInt32(static_cast<double>(rounded));
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(code) & 0xFFFFU);
}

// --- Temperature and humidity ------------------------------------------------

std::string FormatTemperature(float hundredths) {
    const float degrees = static_cast<float>(static_cast<double>(hundredths) / 100);
    const std::int32_t tenths = TruncateToInt32(static_cast<double>(degrees) * 10 + 0.5);
    const float shown = static_cast<float>(static_cast<double>(tenths) / 10);
    return FormatFixed(static_cast<double>(shown), 1);
}

std::string FormatHumidity(float humidity) {
    return FormatFixed(static_cast<double>(humidity), 1);
}

// --- Bit fields ---------------------------------------------------------------

namespace {

template <std::size_t N>
std::array<char, N> BinaryText(std::uint16_t value) {
    std::array<char, N> text{};
    for (std::size_t i = 0; i < N; ++i) {
        const unsigned bit = static_cast<unsigned>(N - 1 - i);
        text[i] = ((static_cast<unsigned>(value) >> bit) & 1U) != 0 ? '1' : '0';
    }
    return text;
}

}  // namespace

std::array<char, 4> BinaryText4(std::uint16_t value) {
    return BinaryText<4>(value);
}

std::array<char, 16> BinaryText16(std::uint16_t value) {
    return BinaryText<16>(value);
}

SensorSelectSlots PackSensorSelect(const SensorSelect& boxes) {
    SensorSelectSlots slots;
    slots.sensorSel = static_cast<std::uint16_t>((boxes.one ? 4 : 0) + (boxes.two ? 2 : 0) +
                                                 (boxes.three ? 1 : 0));
    slots.sensorSelReset = boxes.reset ? 1 : 0;
    return slots;
}

SensorSelect UnpackSensorSelect(std::uint16_t sensorSel, std::uint16_t sensorSelReset) {
    // Character i of the text is bit 3 - i: "I" is bit 2, "II" bit 1, "III" bit 0.
    const auto bits = BinaryText4(sensorSel);
    SensorSelect boxes;
    boxes.one = bits[1] == '1';
    boxes.two = bits[2] == '1';
    boxes.three = bits[3] == '1';
    boxes.reset = sensorSelReset != 0;
    return boxes;
}

std::uint16_t PackGainSelect(const GainSelect& boxes) {
    unsigned value = 0;
    for (unsigned k = 0; k < boxes.size(); ++k) {
        if (boxes[k]) {
            value |= 1U << k;
        }
    }
    return static_cast<std::uint16_t>(value);
}

GainSelect UnpackGainSelect(std::uint16_t gainSel) {
    const auto bits = BinaryText4(gainSel);
    GainSelect boxes{};
    for (std::size_t k = 0; k < boxes.size(); ++k) {
        boxes[k] = bits[3 - k] == '1';
    }
    return boxes;
}

SignalFlags UnpackSignalFlags(std::uint16_t signalFlags) {
    const auto bits = BinaryText16(signalFlags);
    SignalFlags flags{};
    for (std::size_t k = 0; k < flags.size(); ++k) {
        flags[k] = bits[15 - k] == '1';
    }
    return flags;
}

std::uint16_t PackSignalFlags(bool autoClear, bool highValid) {
    return static_cast<std::uint16_t>((autoClear ? 1 : 0) | (highValid ? 2 : 0));
}

// --- Trigger and binning --------------------------------------------------------

int TriggerSelectionForSlot(std::uint16_t trigger) {
    return trigger <= 3 ? static_cast<int>(trigger) : -1;
}

std::uint16_t TriggerSlotForSelection(int selection) {
    return selection >= 0 && selection <= 3 ? static_cast<std::uint16_t>(selection) : 0;
}

bool BinningChecked(std::uint16_t binning) {
    return binning == 1;
}

std::uint16_t BinningSlot(bool checked) {
    return checked ? 1 : 0;
}

// --- Date and version texts ------------------------------------------------------

std::string FormatDate(std::uint16_t yearFrom2000, std::uint16_t month, std::uint16_t day) {
    std::string year = std::to_string(static_cast<unsigned>(yearFrom2000) + 2000U);
    if (year.size() < 4) {
        year.insert(0, 4 - year.size(), ' ');  // "%4d"; never reached, years start at 2000
    }
    return year + "-" + std::to_string(month) + "-" + std::to_string(day);
}

std::string FormatVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t patch) {
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

std::array<std::uint16_t, 3> SplitVersion(std::string_view text) {
    std::array<std::uint16_t, 3> version{};
    std::size_t part = 0;
    std::size_t start = 0;
    while (part < version.size()) {
        const std::size_t dot = text.find('.', start);
        const std::string_view piece = text.substr(
            start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        version[part++] = static_cast<std::uint16_t>(
            static_cast<std::uint32_t>(ParseLeadingInt(piece)) & 0xFFFFU);
        if (dot == std::string_view::npos) {
            break;  // fewer than three parts: the rest stay 0
        }
        start = dot + 1;
    }
    return version;
}

// --- Serial number ----------------------------------------------------------------

SerialNumberSlots CopySerialNumber(std::string_view serialText) {
    SerialNumberSlots slots{};
    for (std::size_t i = 0; i < slots.size() && i < serialText.size(); ++i) {
        const auto widened = static_cast<std::int16_t>(static_cast<std::int8_t>(serialText[i]));
        slots[i] = static_cast<std::uint16_t>(widened);
    }
    return slots;
}

std::string SerialTextFromSlots(const SerialNumberSlots& slots) {
    std::string text;
    for (const std::uint16_t slot : slots) {
        const auto byte = static_cast<char>(slot & 0xFF);
        if (byte == '\0') {
            break;
        }
        text.push_back(byte);
    }
    return text;
}

// --- Products --------------------------------------------------------------------

std::string ProductTypeText(std::uint16_t productCode) {
    return productCode == kKelm9dProductCode ? kKelm9dProductName : kUnknownProductName;
}

}  // namespace kelm9d
