#include "modbus/scan_probes.h"

#include "library/modbus_lib/modbus.h"
#include "modbus/frame_description.h"
#include "modbus/modbus_session.h"

#include <algorithm>
#include <string>

UnitProbe ProbeUnitThrough(ModbusSession &session, int unit, int framing, int timeoutMs)
{
    SessionJob job;
    job.raw = UnitProbeRequest(unit);
    job.responseTimeoutMs = timeoutMs;
    const JobResult run = session.Await(job);
    const bool sent = std::any_of(run.frames.begin(), run.frames.end(), [](const TrafficFrame &f) { return f.sent; });
    if (!sent)
        return {ProbeResult::Fatal, run.reason.empty() ? "not connected" : run.reason};
    if (run.frames.back().sent || run.frames.back().bytes.empty())
        return {ProbeResult::Absent, run.reason};
    const std::vector<uint8_t> &request = run.frames.front().bytes;
    const std::vector<uint8_t> &answer = run.frames.back().bytes;
    const FrameDescription described =
        DescribeAnswer({answer.data(), answer.size()}, framing, {request.data(), request.size()});
    std::string detail = described.text;
    if (described.unit >= 0 && described.unit != unit)
        detail += " (answered as unit " + std::to_string(described.unit) + ")";
    return {ProbeResultOfAnswer(described), detail};
}

BlockRead ReadBlockThrough(ModbusSession &session, int unit, int function, int address, int count)
{
    SessionJob job;
    job.request.function = function;
    job.request.unit = unit;
    job.request.address = address;
    job.request.count = count;
    const JobResult run = session.Await(job);
    if (run.reply.Ok())
        return {BlockResult::Readable, ""};
    if (run.reply.error == EMBXILADD)
        return {BlockResult::Refused, ""};
    if (run.reply.error == EMBXILVAL)
        return {BlockResult::TooMany, ""};
    return {BlockResult::Failed, run.reason};
}

std::vector<BlockDefinition> BlocksOfRanges(int unit, int function, const std::vector<AddressRange> &ranges)
{
    std::vector<BlockDefinition> blocks;
    const int largest = LargestRead(function);
    for (const AddressRange &range : ranges) {
        if (!range.readable)
            continue;
        for (int start = range.from; start <= range.to; start += largest) {
            BlockDefinition block;
            block.unit = unit;
            block.function = function;
            block.start = start;
            block.count = std::min(largest, range.to - start + 1);
            block.name = "unit " + std::to_string(unit) + " fc" + std::to_string(function) + " " +
                         std::to_string(start) + "-" + std::to_string(start + block.count - 1);
            blocks.push_back(block);
        }
    }
    return blocks;
}
