#include "modbus/block_job.h"

SessionJob BlockJob(const BlockDefinition &block, wxEvtHandler *handler, long tag)
{
    SessionJob job;
    job.request = BlockRequest(block);
    job.periodic = true;
    job.periodMs = block.periodMs;
    job.handler = handler;
    job.tag = tag;
    return job;
}
