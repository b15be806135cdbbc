// How the serial settings map to the terminal interface's flags.
#ifndef ORV_NET_SERIAL_TERMIOS_H
#define ORV_NET_SERIAL_TERMIOS_H

#include "net/serial.h"

#include <termios.h>

// The control flags of the frame: data bits, parity, stop bits and RTS/CTS
// (settings that passed the check of serial_apply).
tcflag_t serial_frame_flags(const SerialSettings &settings);

#endif
