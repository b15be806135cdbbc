// Modbus master over a plain TCP connection, in one of two framings. RTU
// over TCP (the default): every request is unit id, protocol data unit and
// CRC-16 (low byte first), with no header. Modbus TCP: an MBAP header
// (transaction id, protocol id 0, length, unit id) before the protocol data
// unit, and no CRC; an answer must carry its request's transaction id.
// Responses come back in the request's framing.
//
// Every operation returns -1 on failure and leaves the reason in errno
// (system errors, or the client's own numbers from MB_ERROR_BASE on); on
// success it returns a count. A context is used by one thread at a time.
//
// After a failure that may leave bytes of an answer on their way (a
// time-out, a bad CRC, a frame that does not fit the request), the next
// request first connects again to the same address, so that no late answer
// is ever taken for a later request's; if that connect fails, the request
// fails with its error.
#ifndef ORV_MODBUS_LIB_MODBUS_H
#define ORV_MODBUS_LIB_MODBUS_H

#include <cstdint>

#define MODBUS_PORT 65100
// The port Modbus TCP devices listen on.
#define MODBUS_TCP_PORT 502

// The client's own error numbers; a Modbus exception code k maps to base + k.
#define MB_ERROR_BASE 112345678
#define EMBXILFUN (MB_ERROR_BASE + 1)
#define EMBXILADD (MB_ERROR_BASE + 2)
#define EMBXILVAL (MB_ERROR_BASE + 3)
#define EMBXSFAIL (MB_ERROR_BASE + 4)
#define EMBXACK (MB_ERROR_BASE + 5)
#define EMBXSBUSY (MB_ERROR_BASE + 6)
#define EMBXNACK (MB_ERROR_BASE + 7)
#define EMBXMEMPAR (MB_ERROR_BASE + 8)
#define EMBXGPATH (MB_ERROR_BASE + 10)
#define EMBXGTAR (MB_ERROR_BASE + 11)
#define EMBBADCRC (MB_ERROR_BASE + 12)
#define EMBBADDATA (MB_ERROR_BASE + 13)
#define EMBBADEXC (MB_ERROR_BASE + 14)
#define EMBMDATA (MB_ERROR_BASE + 16)
// A Modbus TCP answer whose header does not fit: another transaction id, a
// protocol id other than 0, or a length outside 2 to 254.
#define EMBBADMBAP (MB_ERROR_BASE + 17)

// Framings of mb_set_framing.
#define MB_FRAMING_RTU 0
#define MB_FRAMING_TCP 1

// Quantity limits of the request operations.
#define MB_MAX_READ_BITS 2000
#define MB_MAX_WRITE_BITS 1968
#define MB_MAX_READ_REGISTERS 125
#define MB_MAX_WRITE_REGISTERS 123
#define MB_MAX_WR_WRITE_REGISTERS 121
#define MB_MAX_WR_READ_REGISTERS 125
// Room the caller gives mb_report_slave_id.
#define MB_MAX_REPORT_SLAVE_ID 251

// Bits of mb_set_error_recovery; the terminal leaves both off.
#define MB_ERROR_RECOVERY_NONE 0
#define MB_ERROR_RECOVERY_LINK 2
#define MB_ERROR_RECOVERY_PROTOCOL 4

typedef struct mb_context mb_context;

mb_context *mb_new_tcp(const char *ip, int port);
int mb_connect(mb_context *ctx);
void mb_close(mb_context *ctx);
// 1 while the connection is open and the peer has neither closed nor reset
// it, else 0. Looks at the socket without reading from it or waiting.
int mb_link_up(const mb_context *ctx);
void mb_free(mb_context *ctx);
int mb_set_slave(mb_context *ctx, int slave);
int mb_get_slave(const mb_context *ctx);
// MB_FRAMING_RTU or MB_FRAMING_TCP; 0, or -1 with EINVAL. Takes effect with
// the next request.
int mb_set_framing(mb_context *ctx, int framing);
int mb_get_framing(const mb_context *ctx);

// Settings of a context; the setters return 0, or -1 with EINVAL.
int mb_set_debug(mb_context *ctx, int flag);
int mb_set_error_recovery(mb_context *ctx, int flags);
// Time-outs as seconds and microseconds (below 1000000), not both zero.
int mb_set_response_timeout(mb_context *ctx, int sec, int usec);
int mb_get_response_timeout(const mb_context *ctx, int *sec, int *usec);
int mb_set_byte_timeout(mb_context *ctx, int sec, int usec);
int mb_get_byte_timeout(const mb_context *ctx, int *sec, int *usec);
// How long mb_connect waits for the connection (5 s by default); past it,
// the connect fails with ETIMEDOUT.
int mb_set_connect_timeout(mb_context *ctx, int sec, int usec);
int mb_get_connect_timeout(const mb_context *ctx, int *sec, int *usec);
// A descriptor that ends the context's waits once it has input (the read end
// of a pipe that a signal handler writes to): mb_connect and every wait for
// an answer then fail with ECANCELED, and the next request connects anew.
// -1 (the default) for none; the descriptor stays the caller's.
int mb_set_cancel_fd(mb_context *ctx, int fd);
// The connected socket (-1 while closed); setting one hands it to the context.
int mb_set_socket(mb_context *ctx, int socket);
int mb_get_socket(const mb_context *ctx);
// Hands every request frame as sent (with its CRC or MBAP header) and every
// response as far as it was read (also one that failed half-way) to `trace`,
// with `sent` 1 for requests and 0 for responses; nullptr stops it. For tools
// that show the traffic; the terminal sets none.
typedef void (*mb_trace_fn)(void *user, int sent, const uint8_t *frame, int length);
int mb_set_trace(mb_context *ctx, mb_trace_fn trace, void *user);

int mb_read_bits(mb_context *ctx, int addr, int nb, uint8_t *dest);
int mb_read_input_bits(mb_context *ctx, int addr, int nb, uint8_t *dest);
int mb_read_registers(mb_context *ctx, int addr, int nb, uint16_t *dest);
int mb_read_input_registers(mb_context *ctx, int addr, int nb, uint16_t *dest);
int mb_write_bit(mb_context *ctx, int addr, int status);
int mb_write_register(mb_context *ctx, int addr, int value);
int mb_write_bits(mb_context *ctx, int addr, int nb, const uint8_t *src);
int mb_write_registers(mb_context *ctx, int addr, int nb, const uint16_t *src);
int mb_write_and_read_registers(mb_context *ctx, int write_addr, int write_nb, const uint16_t *src, int read_addr,
                                int read_nb, uint16_t *dest);
int mb_report_slave_id(mb_context *ctx, uint8_t *dest);

const char *mb_strerror(int errnum);

#endif
