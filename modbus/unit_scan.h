// Finding the unit ids that answer behind a gateway: one cheap request
// (read holding register 0) per unit id; any answer, an exception
// included, shows the unit is there, except a gateway's own exceptions 10
// and 11 (path unavailable, target failed to respond), which say it is not.
// The requests go through a callback, so the same scan serves orv-modbus
// and a worker thread of the window.
#ifndef ORV_MODBUS_UNIT_SCAN_H
#define ORV_MODBUS_UNIT_SCAN_H

#include "modbus/frame_description.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class ProbeResult {
    Present, // the unit answered
    Absent,  // no answer, or the gateway says the unit is not there
    Fatal,   // the scan cannot go on (no connection to the gateway)
};

struct UnitProbe {
    ProbeResult result = ProbeResult::Absent;
    std::string detail; // the answer, described, for Present; the cause for Fatal
};

using UnitProber = std::function<UnitProbe(int unit)>;
// Called before each request with the unit id about to be asked; returning
// false cancels the scan.
using UnitProceed = std::function<bool(int unit)>;

struct FoundUnit {
    int unit = 0;
    std::string detail;
};

struct UnitScan {
    std::vector<FoundUnit> found;
    int requests = 0;
    bool cancelled = false;
    std::string failure; // of the probe that stopped the scan
    int stoppedAt = -1;  // its unit id, when stopped or cancelled
};

// The request each unit is asked: unit id and protocol data unit, to be
// framed like any request.
std::vector<uint8_t> UnitProbeRequest(int unit);

// Whether an answer (described) shows the unit: Present or Absent.
ProbeResult ProbeResultOfAnswer(const FrameDescription &answer);

UnitScan ScanUnits(int from, int to, const UnitProber &probe, const UnitProceed &proceed);

#endif
