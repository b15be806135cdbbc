// libFuzzer target: whatever a gateway answers, the client must neither read
// nor write past a buffer. Each input picks one request operation and its
// fields; the rest is the answer, played by a peer over a socketpair, so the
// real reading, checking and decoding run. The callers' arrays have exactly
// the size the operations promise to stay within, so AddressSanitizer sees
// any byte beyond. Both framings are fuzzed, RTU and Modbus TCP. The pure
// response checks also get raw buffer pairs.
#include "library/modbus_lib/modbus-data.h"
#include "library/modbus_lib/modbus.h"
#include "library/modbus_lib/modbus_mbap.h"
#include "library/modbus_lib/modbus_rtu.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Fields of one input: operation, address, quantity, then the answer.
constexpr size_t kHeader = 4;

// Plays the gateway: waits for the request, sends the answer, hangs up.
void answer(int fd, std::vector<uint8_t> bytes)
{
    pollfd entry = {fd, POLLIN, 0};
    if (poll(&entry, 1, 2000) > 0) {
        uint8_t request[MB_MBAP_MAX_ADU_LENGTH];
        if (recv(fd, request, sizeof(request), 0) > 0 && !bytes.empty())
            send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
    close(fd);
}

template <typename T> std::unique_ptr<T[]> exact_array(int count)
{
    return std::unique_ptr<T[]>(new T[static_cast<size_t>(count > 0 ? count : 1)]());
}

// Runs the operation `which` with quantities within its limits.
void run_operation(mb_context *ctx, uint8_t which, int addr, int quantity)
{
    switch (which % 10) {
    case 0: {
        const int nb = quantity % (MB_MAX_READ_BITS + 1);
        auto dest = exact_array<uint8_t>(nb);
        mb_read_bits(ctx, addr, nb, dest.get());
        break;
    }
    case 1: {
        const int nb = quantity % (MB_MAX_READ_BITS + 1);
        auto dest = exact_array<uint8_t>(nb);
        mb_read_input_bits(ctx, addr, nb, dest.get());
        break;
    }
    case 2: {
        const int nb = quantity % (MB_MAX_READ_REGISTERS + 1);
        auto dest = exact_array<uint16_t>(nb);
        mb_read_registers(ctx, addr, nb, dest.get());
        break;
    }
    case 3: {
        const int nb = quantity % (MB_MAX_READ_REGISTERS + 1);
        auto dest = exact_array<uint16_t>(nb);
        mb_read_input_registers(ctx, addr, nb, dest.get());
        break;
    }
    case 4:
        mb_write_bit(ctx, addr, quantity & 1);
        break;
    case 5:
        mb_write_register(ctx, addr, quantity);
        break;
    case 6: {
        const int nb = quantity % (MB_MAX_WRITE_BITS + 1);
        auto src = exact_array<uint8_t>(nb);
        mb_write_bits(ctx, addr, nb, src.get());
        break;
    }
    case 7: {
        const int nb = quantity % (MB_MAX_WRITE_REGISTERS + 1);
        auto src = exact_array<uint16_t>(nb);
        mb_write_registers(ctx, addr, nb, src.get());
        break;
    }
    case 8: {
        const int write_nb = (quantity >> 8) % (MB_MAX_WR_WRITE_REGISTERS + 1);
        const int read_nb = (quantity & 0xFF) % (MB_MAX_WR_READ_REGISTERS + 1);
        auto src = exact_array<uint16_t>(write_nb);
        auto dest = exact_array<uint16_t>(read_nb);
        mb_write_and_read_registers(ctx, addr, write_nb, src.get(), addr, read_nb, dest.get());
        break;
    }
    default: {
        auto dest = exact_array<uint8_t>(MB_MAX_REPORT_SLAVE_ID);
        mb_report_slave_id(ctx, dest.get());
        break;
    }
    }
}

void fuzz_operation(const uint8_t *data, size_t size)
{
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        std::abort();
    mb_context *ctx = mb_new_tcp("127.0.0.1", MODBUS_PORT);
    mb_set_slave(ctx, data[0] >> 4 == 0 ? 1 : data[0]);
    mb_set_socket(ctx, pair[0]);
    std::vector<uint8_t> bytes(data + kHeader, data + size);
    // The address's second bit picks Modbus TCP. With an even address the
    // answer ends in its own CRC, or starts with the header the first request
    // calls for, so that most inputs get past the framing into the rest of
    // the checking and decoding.
    const bool tcp = (data[1] & 2) != 0;
    mb_set_framing(ctx, tcp ? MB_FRAMING_TCP : MB_FRAMING_RTU);
    if ((data[1] & 1) == 0 && tcp && bytes.size() > MB_MBAP_PREFIX_LENGTH) {
        mb_put_uint16(bytes.data(), 1);
        mb_put_uint16(bytes.data() + 2, 0);
        mb_put_uint16(bytes.data() + 4, static_cast<int>(bytes.size() - MB_MBAP_PREFIX_LENGTH));
    } else if ((data[1] & 1) == 0 && !tcp && bytes.size() > 2) {
        mb_rtu_append_crc(bytes.data(), static_cast<int>(bytes.size() - 2));
    }
    std::thread peer(answer, pair[1], std::move(bytes));
    run_operation(ctx, data[0], data[1], mb_get_uint16(data + 2));
    peer.join();
    mb_close(ctx);
    mb_free(ctx);
}

// The pure check on a request and a response cut from the input, each in a
// buffer of its exact length.
void fuzz_check(const uint8_t *data, size_t size)
{
    const size_t split = data[0] % (size - 1) + 1;
    const std::vector<uint8_t> req(data + 1, data + split);
    const std::vector<uint8_t> rsp(data + split, data + size);
    mb_rtu_check_response(req.data(), static_cast<int>(req.size()), rsp.data(), static_cast<int>(rsp.size()), false);
    mb_check_response_body(req.data(), static_cast<int>(req.size()), rsp.data(), static_cast<int>(rsp.size()), false);
    if (!rsp.empty())
        mb_rtu_response_target(rsp.data(), static_cast<int>(rsp.size() < 3 ? rsp.size() : 3));
    mb_mbap_response_target(rsp.data(), static_cast<int>(rsp.size() < 7 ? rsp.size() : 7));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < kHeader)
        return 0;
    fuzz_operation(data, size);
    fuzz_check(data, size);
    return 0;
}
