#pragma once

#include "Resolver.h"

#include <QByteArray>

#include <atomic>
#include <cstdint>
#include <functional>

namespace platform {

struct EchoReply
{
    uint32_t status = 0;      // IP status: 0 for an echo reply, else the ICMP error's number
    uint32_t roundTripMs = 0; // from the request to its answer
    SocketAddress from;       // who answered
    bool dataMatches = false; // the reply echoes the request's data
};

// An ICMP endpoint for echo requests over one IP version, kept open across
// checks as long as they are answered. Uses a datagram ICMP socket where the
// kernel allows it (the kernel then delivers only our replies), else a raw
// socket with a kernel filter on our identifier, so that one check never
// reads another's replies.
class IcmpHandle
{
public:
    explicit IcmpHandle(int family);
    ~IcmpHandle();
    IcmpHandle(const IcmpHandle&) = delete;
    IcmpHandle& operator=(const IcmpHandle&) = delete;

    int family() const { return m_family; }
    bool isOpen() const { return m_fd >= 0; }
    bool isRaw() const { return m_raw; }
    // 0, or the error number: 10013 when no kind of ICMP socket is permitted.
    uint32_t open();
    // Whether the last open() failed because the system lets this program
    // open no kind of ICMP socket (pingNotAllowedMessage says how to allow it).
    bool notAllowed() const { return m_notAllowed; }
    void close();

    // Sends one echo request and waits for its answer. True with `reply` when
    // an answer (an echo reply or an ICMP error about our request) came; false
    // with `error` (11010 when the time ran out) otherwise. A set `stop` ends
    // the wait early with 11010. Unless an echo reply came, the socket is
    // closed: the next open() makes a fresh one.
    bool sendEcho(const SocketAddress& to, const QByteArray& data, uint32_t timeoutMs,
                  const std::atomic<bool>* stop, EchoReply& reply, uint32_t& error);

    // Where set, runs with the socket when a wake shows an error queued and
    // no answer was read yet, just before the error queue is read: tests
    // hold that moment open.
    std::function<void(int socket)> beforeErrorRead;

private:
    // Sends one echo request, connecting first where the target is new: 0,
    // or the error number.
    int transmit(const SocketAddress& to, uint16_t sequence, const QByteArray& data);
    // Whether the IPv6 address the socket sends from is no longer this computer's.
    bool sourceIsGone() const;
    bool readAnswer(uint16_t sequence, const QByteArray& data, uint64_t sentAt, EchoReply& reply);
    bool readError(uint16_t sequence, uint64_t sentAt, EchoReply& reply);
    // Empties the error queue; true when there was something in it.
    bool dropQueuedErrors();

    int m_family;
    int m_fd = -1;
    bool m_raw = false;
    bool m_notAllowed = false;
    uint16_t m_identifier = 0;
    uint16_t m_sequence = 0;
    bool m_connected = false;
    SocketAddress m_connectedTo;
};

} // namespace platform
