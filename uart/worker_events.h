// Events the UART link's worker threads post to the link, which passes each
// one still current on to its handler (the panel): plain wxCommandEvents
// whose type equals their id, bound for any window id. Texts travel in the
// event: the socket layer's last error is shared by every thread and may
// have changed by the time the GUI thread handles it.
#ifndef ORV_UART_WORKER_EVENTS_H
#define ORV_UART_WORKER_EVENTS_H

#include <wx/event.h>

// Int: the number of the attempt. Client data: the open LinkChannel, which
// the link takes (the handler after it gets none); the link is connected
// when the handler sees it after an attempt of its own (a reconnect).
constexpr wxEventType EVT_CONNECTED = 7001;
// Int: the number of the attempt; string: why it failed.
constexpr wxEventType EVT_CONNECT_FAILED = 7002;
// No payload: received chunks wait in the link's inbox, which was empty
// before the first of them.
constexpr wxEventType EVT_UART_DATA = 4001;
// Int: the number of the connection whose receive failed; string: why.
constexpr wxEventType EVT_CONNECTION_LOST = 4002;
// Int: the number of the connection the module closed.
constexpr wxEventType EVT_CONNECTION_CLOSED = 4003;
// Int: the number of the connection; string: the file and the reason.
constexpr wxEventType EVT_LOG_FAILED = 4004;
// Int: the number of the connection whose transport's peer or refusals
// changed (a server's module came, left or was turned away; a datagram from
// another address was dropped).
constexpr wxEventType EVT_LINK_CHANGED = 4005;
// Int: the number of the periodic run, which has ended; string: why.
constexpr wxEventType EVT_PERIODIC_SEND_FAILED = 3001;
// Client data: the number of messages sent.
constexpr wxEventType EVT_PERIODIC_DONE = 3002;
// Int: the number of the stream, which has ended; string: why.
constexpr wxEventType EVT_FILE_FAILED = 3101;
// Client data: the bytes read so far.
constexpr wxEventType EVT_FILE_PROGRESS = 3102;

#endif
