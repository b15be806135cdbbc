// Texts of the UART link's failures as the user reads them.
#ifndef ORV_UART_ERROR_TEXT_H
#define ORV_UART_ERROR_TEXT_H

#include <cstdint>
#include <string>

// The system's text for an error number, as the socket layer records it.
std::string SystemErrorText(int code);
// The reason a send of `total` bytes failed with error `code` after `sent`
// of them went out, as the send recorded it: a time-out that cut the message
// says how much went out.
std::string SendFailureText(int code, uint16_t sent, uint16_t total);

#endif
