// Texts of the UART link's failures as the user reads them.
#ifndef ORV_UART_ERROR_TEXT_H
#define ORV_UART_ERROR_TEXT_H

#include <cstdint>
#include <string>

// The system's text for an error number, as the socket layer records it;
// the failures of a server without its module (ENOTCONN) and of a datagram
// too large (EMSGSIZE) in the user's words.
std::string SystemErrorText(int code);
// Why a socket could not be bound to `address` (empty: every local address)
// and `port`: "Port 5000 is in use" and the like.
std::string BindFailureText(int code, const std::string &address, uint16_t port);
// The reason a send of `total` bytes failed with error `code` after `sent`
// of them went out, as the send recorded it: a time-out that cut the message
// says how much went out.
std::string SendFailureText(int code, uint16_t sent, uint16_t total);

#endif
