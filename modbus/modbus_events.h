// Events the Modbus panel's poll worker and traffic recorder post to it:
// plain wxCommandEvents whose type equals their id, bound on the panel for
// any window id. Int: the number of the poll run they belong to.
#ifndef ORV_MODBUS_MODBUS_EVENTS_H
#define ORV_MODBUS_MODBUS_EVENTS_H

#include <wx/event.h>

// A newer answer waits in the poll run's shared state.
constexpr wxEventType EVT_MODBUS_POLL_ANSWER = 8001;
// The worker is done with the context. Extra long: 1 when it found the
// connection gone.
constexpr wxEventType EVT_MODBUS_POLL_ENDED = 8002;
// Traffic lines wait in the recorder (no number).
constexpr wxEventType EVT_MODBUS_TRAFFIC = 8003;

#endif
