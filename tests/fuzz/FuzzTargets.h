#pragma once
// Everything that reads what other programs write, driven by arbitrary bytes.
// Each target checks the invariants that must hold whatever it is given and
// aborts when one breaks; the same functions replay the corpus in the tests.

#include <cstddef>
#include <cstdint>

namespace kardello::fuzz {

// The card reader's replies: both families, any byte counts, any bytes, any
// reported counts, an instance list of any shape.
void CardReaderReplies(const std::uint8_t* data, std::size_t size);
// RegistryKey reads of a value of any type and size, text with or without NULs.
void SettingsStoreReads(const std::uint8_t* data, std::size_t size);
// The device panel's text over any records, volume names and first line.
void DevicePanelText(const std::uint8_t* data, std::size_t size);
// The UTF-8/UTF-16 conversion, the input taken both as UTF-16 units and as bytes,
// checked against a decoder of its own.
void Utf16Conversion(const std::uint8_t* data, std::size_t size);

}  // namespace kardello::fuzz
