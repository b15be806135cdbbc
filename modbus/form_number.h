// How the Modbus function forms read the numbers typed into their fields and
// grid cells.
#ifndef ORV_MODBUS_FORM_NUMBER_H
#define ORV_MODBUS_FORM_NUMBER_H

#include <cstdint>
#include <optional>
#include <string>

// Leading whitespace is skipped, then an optional sign and the decimal digits
// after it are taken; reading stops at the first other character, and a text
// without leading digits reads as 0 ("12e3" is 12, "1.5" is 1). A number
// beyond the 32-bit range reads as the nearest 32-bit value, so that an
// oversized unit id stays out of range instead of wrapping into it.
int32_t ReadFormNumber(const std::string &text);

// Why a field that a request needs cannot fill it: "address is empty" when it
// holds nothing but blanks, "address is no number" when no digit starts it
// after its sign ("-", ".5", "abc"); "" when it reads as a number. Such a
// field would read as 0 and send a value nobody typed.
std::string MissingNumberReason(const std::string &text, const std::string &field);

// A field as the 16-bit request field it fills, read as above: an address
// must lie in 0..65535; a register value in 0..65535 or, as its 16-bit two's
// complement, in -32768..-1. Anything else has no such field (a request that
// would carry it goes to another address or writes another value than typed),
// and the form fails it without sending.
std::optional<uint16_t> FieldAddress(const std::string &text);
std::optional<uint16_t> FieldRegisterValue(const std::string &text);

// A grid cell as a coil byte (the low 8 bits; non-zero switches the coil on)
// or as a register value (the low 16 bits). An empty cell reads as 0.
uint8_t ReadCoilCell(const std::string &text);
uint16_t ReadRegisterCell(const std::string &text);

#endif
