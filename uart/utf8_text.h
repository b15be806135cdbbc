// UTF-8 for the texts kept in files (settings entries, workspaces), and the
// one-byte (ISO 8859-1) form received data is matched in: the ASCII view
// shows each received byte as the character of that code.
#ifndef ORV_UART_UTF8_TEXT_H
#define ORV_UART_UTF8_TEXT_H

#include <optional>
#include <string>

std::string Utf8FromWide(const std::wstring &text);
// Nothing for bytes that are not well-formed UTF-8.
std::optional<std::wstring> WideFromUtf8(const std::string &bytes);
// Whether the bytes are well-formed UTF-8, as a JSON text must be.
bool IsUtf8(const std::string &bytes);
// One byte per character; nothing when a character is beyond U+00FF.
std::optional<std::string> Latin1FromWide(const std::wstring &text);
// Names the first character of `text` beyond one byte ("the character 'Ω'
// (U+03A9) is not one byte"); an empty text when there is none.
std::string OneByteRefusal(const std::wstring &text);

#endif
