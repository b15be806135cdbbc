// Messages typed for sending: the check a typed text passes before it is
// added to the message list, and the bytes a stored text stands for.
#ifndef ORV_UART_TX_CODEC_H
#define ORV_UART_TX_CODEC_H

#include "uart/notation.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The longest message, in UTF-8 bytes, that an ASCII entry may hold.
constexpr size_t kMaxMessageBytes = 128;

// The error text for a typed message in the given notation, or an empty text
// when it may be added. Groups of the number notations may hold only digits
// of their notation, and an ASCII text only characters of one byte (up to
// U+00FF): the encoder would send anything else as other bytes. Pasted text
// passes no entry filter, so this is the check.
std::string CheckTypedMessage(const std::wstring &text, Notation notation);

// The line ending an ASCII message goes out with: an AT-style device answers
// only a line ended the way it expects.
enum LineEnding { LineEndingNone, LineEndingCr, LineEndingLf, LineEndingCrLf, kLineEndingCount };

// "none", "CR", "LF", "CR LF" (what the ending choice and the list show); an
// unknown ending reads as none.
const char *LineEndingName(int ending);
// The ending's bytes ("" for none and unknown ones).
const char *LineEndingBytes(int ending);

// The bytes a stored message stands for: for ASCII the low 8 bits of each
// character followed by the ending's bytes; otherwise one byte per
// blank-separated group, read in base 16, 2 or 10 (leading digits only, a
// group without digits is 0), low 8 bits, and no ending. A notation outside
// the four gives no bytes.
std::vector<uint8_t> EncodeMessage(const std::wstring &text, int notation, int ending = LineEndingNone);

// A stored message as the message list shows it: "AT (ASCII, CR LF)",
// "1 0a (Hex)"; the ending is named only when there is one.
std::wstring MessageListLabel(const std::wstring &text, int notation, int ending);

// The groups of a text split at blanks; runs of blanks separate once.
std::vector<std::wstring> SplitGroups(const std::wstring &text);

#endif
