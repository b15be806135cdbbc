// Rates outside the standard table, through the kernel's termios2 and
// BOTHER. Apart because its header clashes with <termios.h>.
#ifndef ORV_NET_SERIAL_CUSTOM_BAUD_H
#define ORV_NET_SERIAL_CUSTOM_BAUD_H

#include <cstdint>

// 0, or the system's error number.
int serial_set_custom_baud(int fd, uint32_t baud);
// The output rate the device has now, in baud; 0 with errno set when it
// cannot be read.
uint32_t serial_get_baud(int fd);

#endif
