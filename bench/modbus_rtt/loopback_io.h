// Blocking reads and writes of whole frames on a loopback socket, for the
// benchmarks' gateways and raw round trips.
#ifndef ORV_BENCH_LOOPBACK_IO_H
#define ORV_BENCH_LOOPBACK_IO_H

#include <cstddef>
#include <cstdint>

namespace loopback_io {

// False once the peer has hung up or the read failed.
bool ReadExactly(int fd, uint8_t *buffer, size_t length);
bool WriteAll(int fd, const uint8_t *buffer, size_t length);
// Each frame goes out at once, not coalesced with the next.
void NoDelay(int fd);

} // namespace loopback_io

#endif
