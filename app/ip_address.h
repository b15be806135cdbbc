// Checks of the texts the connection dialog hands on: the dotted IPv4 text of
// the IP control with its address rule, and the port text. Kept free of the
// toolkit so that they can be tested on their own.
#ifndef ORV_APP_IP_ADDRESS_H
#define ORV_APP_IP_ADDRESS_H

#include <array>
#include <optional>
#include <string>

namespace ip_address {

using FieldTexts = std::array<std::string, 4>;

// The extended regular expression the IP control searches a dotted text with.
extern const char *const kDottedQuadPattern;

// The fields of the first (leftmost, longest) match of kDottedQuadPattern in
// `text`, which need not be anchored: "x10.0.0.1y" gives 10, 0, 0, 1 and
// "1.2.3.4567" gives 1, 2, 3, 456. Empty when there is no match.
std::optional<FieldTexts> FindDottedQuad(const std::string &text);

// First byte 1..223 (no network 0, no multicast or reserved range), the
// others 0..255.
bool FollowsAddressRule(const std::array<unsigned long, 4> &bytes);

// A field read as the C library's strtoul reads it in base 10: leading
// digits count, no digits give 0, a leading minus sign wraps.
unsigned long ReadFieldUnsigned(const std::string &text);

// A field read as a signed decimal, clamped to the range of long (never
// undefined on overflow); no digits give 0.
long ReadFieldSigned(const std::string &text);

// True when the four field texts form an address the program can hand on:
// each holds one to three decimal digits and the values follow the address
// rule. A field that is empty or holds a sign, dot, comma or exponent letter
// (which the numeric filter lets through) is refused, because the dotted text
// built from it would not be the address that was checked.
bool FieldsFormAddress(const FieldTexts &fields);

// The field text as it goes into the dotted text: leading zeros dropped
// ("010" gives "10", "000" gives "0"), since the socket layer's conversion
// would read a leading zero as an octal number.
std::string CanonicalField(const std::string &field);

// A port text the connection can use: one to five decimal digits with a value
// of at most 65535 ("0" included).
bool IsPortText(const std::string &text);

} // namespace ip_address

#endif
