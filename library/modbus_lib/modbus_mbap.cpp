#include "library/modbus_lib/modbus_mbap.h"

#include "library/modbus_lib/modbus-data.h"

#include <cstring>

int mb_mbap_build(uint16_t transaction_id, const uint8_t *body, int body_length, uint8_t *frame)
{
    mb_put_uint16(frame, transaction_id);
    mb_put_uint16(frame + 2, 0);
    mb_put_uint16(frame + 4, body_length);
    std::memcpy(frame + MB_MBAP_PREFIX_LENGTH, body, static_cast<size_t>(body_length));
    return MB_MBAP_PREFIX_LENGTH + body_length;
}

int mb_mbap_response_target(const uint8_t *msg, int length)
{
    if (length < MB_MBAP_HEADER_LENGTH)
        return MB_MBAP_HEADER_LENGTH;
    const int follows = mb_get_uint16(msg + 4);
    if (mb_get_uint16(msg + 2) != 0 || follows < MB_MBAP_MIN_LENGTH || follows > MB_MBAP_MAX_LENGTH)
        return -1;
    return MB_MBAP_PREFIX_LENGTH + follows;
}

uint16_t mb_mbap_transaction_id(const uint8_t *frame)
{
    return mb_get_uint16(frame);
}
