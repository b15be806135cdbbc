// What a function form needs of the Modbus panel that shows it: whether the
// user connected, its requests run on the panel's session, and a word when
// what was typed changed (the panel keeps it).
#ifndef ORV_MODBUS_FORM_HOST_H
#define ORV_MODBUS_FORM_HOST_H

#include "modbus/modbus_request.h"
#include "modbus/session_event.h"

class wxEvtHandler;

class FormHost {
public:
    // The user connected; the link may be down meanwhile, and the session
    // then fails requests with "not connected" until it is up again.
    virtual bool Connected() const = 0;
    // Runs `request` once (`periodMs` 0) or every `periodMs`; its results
    // come to `form` as EVT_MODBUS_RESULT events.
    virtual JobId Run(const ModbusRequest &request, int periodMs, wxEvtHandler *form) = 0;
    // No result of the job comes any more.
    virtual void Stop(JobId job) = 0;
    virtual void FormEdited() = 0;

protected:
    ~FormHost() = default;
};

#endif
