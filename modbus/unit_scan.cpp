#include "modbus/unit_scan.h"

#include "library/modbus_lib/modbus_rtu.h"

namespace {

// Gateway path unavailable, gateway target device failed to respond.
constexpr int kGatewayPathUnavailable = 10;
constexpr int kGatewayTargetSilent = 11;

} // namespace

std::vector<uint8_t> UnitProbeRequest(int unit)
{
    return {static_cast<uint8_t>(unit), MB_FC_READ_HOLDING_REGISTERS, 0, 0, 0, 1};
}

ProbeResult ProbeResultOfAnswer(const FrameDescription &answer)
{
    const bool gatewayAnswer = answer.exception == kGatewayPathUnavailable ||
                               answer.exception == kGatewayTargetSilent;
    return gatewayAnswer ? ProbeResult::Absent : ProbeResult::Present;
}

UnitScan ScanUnits(int from, int to, const UnitProber &probe, const UnitProceed &proceed)
{
    UnitScan scan;
    for (int unit = from; unit <= to; ++unit) {
        if (proceed && !proceed(unit)) {
            scan.cancelled = true;
            scan.stoppedAt = unit;
            break;
        }
        const UnitProbe outcome = probe(unit);
        ++scan.requests;
        if (outcome.result == ProbeResult::Fatal) {
            scan.failure = outcome.detail;
            scan.stoppedAt = unit;
            break;
        }
        if (outcome.result == ProbeResult::Present)
            scan.found.push_back({unit, outcome.detail});
    }
    return scan;
}
