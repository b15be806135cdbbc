// A block's periodic read as a job of the session.
#ifndef ORV_MODBUS_BLOCK_JOB_H
#define ORV_MODBUS_BLOCK_JOB_H

#include "modbus/block_definition.h"
#include "modbus/modbus_session.h"

// The block's read every period, its results to `handler` with `tag`; the
// block is to be valid (ValidateBlock).
SessionJob BlockJob(const BlockDefinition &block, wxEvtHandler *handler, long tag = 0);

#endif
