// Thin TCP socket layer of the UART terminal.
//
// The last error (a signed 16-bit code and a text of at most 255 characters)
// is one process-wide state shared by every thread; it is guarded by one lock,
// so an update by one thread is never torn by another. The time-outs and the
// CRC state are process-wide as well.
//
// Codes >= 0 are system error numbers; codes < 0 are the layer's own (see
// tcp_strerror). No function throws: results are return codes.
#ifndef ORV_NET_TCP_H
#define ORV_NET_TCP_H

#include <cstdint>
#include <string>

struct sockaddr_in;

// Socket library life cycle (nothing to do on BSD sockets, kept for symmetry).
bool tcp_startup();
void tcp_cleanup();

// Time-outs in whole seconds; the setters keep the low 8 bits.
void tcp_set_connect_timeout(int seconds);
void tcp_set_recv_timeout(int seconds);
uint8_t tcp_get_connect_timeout();
uint8_t tcp_get_recv_timeout();
void tcp_sleep_ms(int milliseconds);

// Error state.
void tcp_set_error(int code);
void tcp_set_error_text(const char *text);
void tcp_store_system_error(int system_code);
// The code and the system's text for it in one locked update, so that no
// other thread's error can come between the two.
void tcp_set_system_error(int system_code);
// A code with a text of the caller's, in one locked update as well.
void tcp_set_error_with_text(int code, const char *text);
int tcp_last_error();
const char *tcp_strerror(int code);
void tcp_perror(const char *prefix);

// Sockets: -1 is an invalid handle.
int tcp_socket(int family, int type, int protocol);
void tcp_make_address(sockaddr_in *address, const char *ip_text, uint16_t port);
bool tcp_set_blocking(int socket, bool blocking);
int tcp_connect(int socket, const sockaddr_in *address);
int tcp_send_all(int socket, const char *data, uint16_t *length);
int tcp_recv(int socket, char *buffer, int size);
int tcp_recv_timeout(int socket, char *buffer, int size);
bool tcp_shutdown(int socket);
int tcp_close(int socket);

// Sockets that wait for the module, bound to `ip_text` (every local address
// when empty) and `port` (0: one the system picks): a TCP listener, and a UDP
// socket for datagrams. -1 on a failure, recorded, with its code in errno
// (EADDRINUSE: another socket holds the port).
int tcp_listen(const char *ip_text, uint16_t port);
int udp_bind(const char *ip_text, uint16_t port);
// The local port a socket is bound to, 0 when unknown.
uint16_t tcp_local_port(int socket);
// "127.0.0.1:65100".
std::string tcp_address_text(const sockaddr_in &address);

// CRC-16 of Modbus RTU and byte-order helpers (not used by the terminal).
int crc16_block(const uint8_t *data, uint16_t length);
int crc16_update(uint8_t byte, bool restart);
uint16_t swap16(uint16_t value);
uint32_t swap32(uint32_t value);

#endif
