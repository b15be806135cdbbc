// The result line of a function form for a request's reply, which the
// traffic view repeats after the request's frames.
#ifndef ORV_MODBUS_FORM_RESULT_H
#define ORV_MODBUS_FORM_RESULT_H

#include "modbus/modbus_request.h"

#include <string>

// "Read 2 registers", "Read 3 bits" (also for function 23, whose line
// always said bits), "Sended" for a write, "Slave ID: " and the answer's
// bytes as ISO-8859-1 characters (zero bytes left out), "Failed: no
// answer" and the like; in UTF-8.
std::string FormResultLine(const ModbusRequest &request, const ModbusReply &reply);

#endif
