// How the UART link reaches its module, one transport per link mode (a TCP
// client, a TCP server, UDP, a local serial device). The link and its
// workers know only these two interfaces, so a new mode is a new opener and
// channel, and one case in MakeLinkOpener.
#ifndef ORV_UART_LINK_TRANSPORT_H
#define ORV_UART_LINK_TRANSPORT_H

#include "uart/link_endpoint.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>

// An open link to the module. One thread reads; any thread writes; Shutdown,
// from any thread, ends a blocked read at once and fails later writes. The
// destructor closes it, once nobody reads or writes any more.
class LinkChannel {
public:
    virtual ~LinkChannel() = default;

    // Waits for the module's bytes: their count (at most `size`); 0 once the
    // module closed the link or Shutdown was called; -1 on a failure, with
    // the reason in errno.
    virtual ssize_t Read(uint8_t *buffer, size_t size) = 0;
    // Writes what the link takes now, without waiting: the count, or -1 with
    // errno (EAGAIN: no room now). A transport that keeps message bounds
    // takes a write whole or not at all.
    virtual ssize_t WriteSome(const uint8_t *data, size_t size) = 0;
    // Waits up to `timeoutMs` until WriteSome would take bytes. True also
    // when the link has failed: the write then says why.
    virtual bool WaitWritable(int timeoutMs) = 0;
    virtual void Shutdown() = 0;
    // The module's end as the user reads it, e.g. "127.0.0.1:65100"; empty
    // while a server waits for its module.
    virtual std::string Peer() const = 0;

    // A transport that keeps message bounds reads a message whole into a
    // buffer of this size; 0 for a stream, which any size suits.
    virtual size_t MessageLimit() const { return 0; }
    // What the transport turned away: the last peer refused, and the
    // datagrams dropped from other addresses.
    struct Refusals {
        std::string lastRefused;
        uint64_t dropped = 0;
    };
    virtual Refusals Refused() const { return {}; }
    // The reader's: `changed` is called from within Read whenever Peer() or
    // Refused() changes, so that the user can be told at once.
    virtual void WatchChanges(std::function<void()> changed) { (void)changed; }
    // The reader's: why the last Read failed with errno `code`, in the
    // user's words (by default the system's text for the code).
    virtual std::string ReadFailureText(int code) const;
};

// One attempt to open a link, run by the connect thread.
class LinkOpener {
public:
    virtual ~LinkOpener() = default;

    // Waits until the link is open (or the transport's time-out passes): the
    // channel, or null with `error` saying why in the user's words.
    virtual std::unique_ptr<LinkChannel> Open(std::string &error) = 0;
    // Any thread: gives the attempt up; a pending Open returns at once.
    virtual void Abandon() = 0;
};

// The opener of the endpoint's mode.
std::unique_ptr<LinkOpener> MakeLinkOpener(const LinkEndpoint &endpoint);

#endif
