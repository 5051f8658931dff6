#pragma once
// The two data-acquisition cards of the plant, reached through the card driver
// library: the PCL-818L analog input card at 300 hex and the PCL-722 digital
// input/output card at 2C0 hex. One set of handles serves the whole program.
// Every operation returns 1 on success and 0 on failure; a read or write opens
// the cards first when its card is not open yet.
//
// The polling thread and the UI thread both call these: the handles are atomic,
// and a second OpenCards while one is under way fails at once instead of waiting.
#include <cstdint>

inline constexpr const char* kAnalogCardDeviceName = "PCL-818L I/O=300H";
inline constexpr const char* kDigitalCardDeviceName = "PCL-722 I/O=2c0H";

// Finds both cards in the driver's device list and opens them; 1 when both are open.
int OpenCards();
// The voltage of an analog channel (gain code 0). `volts` is only written on success.
int ReadAnalog(std::uint16_t channel, float& volts);
// A bit of the digital card: group g, bit b lie in port g*3 + b/8 at bit b%8.
// `state` is false unless the read succeeded.
int ReadDigitalBit(std::uint16_t group, std::uint16_t bit, bool& state);
int WriteDigitalBit(std::uint16_t group, std::uint16_t bit, bool state);
// Closes every open card, digital first.
void CloseCards();

// The port and the bit in the port of a digital group and bit.
inline std::uint16_t DigitalPortOf(std::uint16_t group, std::uint16_t bit) {
  return static_cast<std::uint16_t>(group * 3 + bit / 8);
}
inline std::uint16_t DigitalBitInPort(std::uint16_t bit) { return static_cast<std::uint16_t>(bit % 8); }
