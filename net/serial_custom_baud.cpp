#include "net/serial_custom_baud.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

int serial_set_custom_baud(int fd, uint32_t baud)
{
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0)
        return errno;
    settings.c_cflag = (settings.c_cflag & ~CBAUD) | BOTHER;
    settings.c_ispeed = baud;
    settings.c_ospeed = baud;
    return ioctl(fd, TCSETS2, &settings) == 0 ? 0 : errno;
}

uint32_t serial_get_baud(int fd)
{
    termios2 settings{};
    return ioctl(fd, TCGETS2, &settings) == 0 ? settings.c_ospeed : 0;
}
