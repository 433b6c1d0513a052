#include "Icmp.h"

#include "NetErrors.h"
#include "platform/Clock.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/errqueue.h>
#include <linux/filter.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

// Waits are cut into slices so that a stop request is seen quickly.
constexpr uint32_t kSliceMs = 100;

uint16_t checksum(const uchar* data, size_t length)
{
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < length; i += 2)
        sum += uint32_t(data[i] << 8 | data[i + 1]);
    if (length & 1)
        sum += uint32_t(data[length - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return uint16_t(~sum);
}

uint16_t read16(const uchar* p)
{
    return uint16_t(p[0] << 8 | p[1]);
}

uint16_t randomIdentifier()
{
    static std::atomic<uint32_t> counter{0};
    std::random_device device;
    return uint16_t(device() ^ (counter++ * 0x9E37u));
}

// The kernel filter for raw sockets: echo replies carrying our identifier,
// and ICMP errors whose quoted request carries it; everything else never
// reaches the socket.
bool attachFilter(int fd, int family, uint16_t id)
{
    if (family == AF_INET) {
        sock_filter code[] = {
            BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, 0), // X = IP header length
            BPF_STMT(BPF_LD | BPF_B | BPF_IND, 0),  // type
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_ECHOREPLY, 0, 2),
            BPF_STMT(BPF_LD | BPF_H | BPF_IND, 4), // identifier
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, id, 5, 6),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_DEST_UNREACH, 2, 0),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_TIME_EXCEEDED, 1, 0),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_PARAMETERPROB, 0, 3),
            BPF_STMT(BPF_LD | BPF_H | BPF_IND, 8 + 20 + 4), // quoted request's identifier
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, id, 0, 1),
            BPF_STMT(BPF_RET | BPF_K, 0xFFFF),
            BPF_STMT(BPF_RET | BPF_K, 0),
        };
        sock_fprog program{sizeof code / sizeof code[0], code};
        return ::setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) == 0;
    }
    sock_filter code[] = {
        BPF_STMT(BPF_LD | BPF_B | BPF_ABS, 0), // type
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP6_ECHO_REPLY, 0, 2),
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 4), // identifier
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, id, 7, 8),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP6_DST_UNREACH, 4, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP6_PACKET_TOO_BIG, 3, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP6_TIME_EXCEEDED, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP6_PARAM_PROB, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, 0),
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 8 + 40 + 4), // quoted request's identifier
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, id, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFF),
        BPF_STMT(BPF_RET | BPF_K, 0),
    };
    sock_fprog program{sizeof code / sizeof code[0], code};
    return ::setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) == 0;
}

// Whether an ICMP error ends the request it is about. The others (a
// redirect, a source quench, for IPv6 any type it does not know) report on
// the way, not on the request's fate.
bool isFinalIcmpError(int family, int type)
{
    if (family == AF_INET)
        return type == ICMP_DEST_UNREACH || type == ICMP_TIME_EXCEEDED || type == ICMP_PARAMETERPROB;
    return type == ICMP6_DST_UNREACH || type == ICMP6_PACKET_TOO_BIG || type == ICMP6_TIME_EXCEEDED ||
           type == ICMP6_PARAM_PROB;
}

// The IP status of an ICMP error message.
uint32_t statusOfIcmpError(int family, int type, int code)
{
    using namespace neterr;
    if (family == AF_INET) {
        switch (type) {
        case ICMP_DEST_UNREACH:
            switch (code) {
            case ICMP_NET_UNREACH:
                return IP_DEST_NET_UNREACHABLE;
            case ICMP_PROT_UNREACH:
                return IP_DEST_PROT_UNREACHABLE;
            case ICMP_PORT_UNREACH:
                return IP_DEST_PORT_UNREACHABLE;
            case ICMP_FRAG_NEEDED:
                return IP_PACKET_TOO_BIG;
            case ICMP_SR_FAILED:
                return IP_BAD_ROUTE;
            default:
                return IP_DEST_HOST_UNREACHABLE;
            }
        case ICMP_TIME_EXCEEDED:
            return code == 0 ? IP_TTL_EXPIRED_TRANSIT : IP_TTL_EXPIRED_REASSEM;
        case ICMP_PARAMETERPROB:
            return IP_PARAM_PROBLEM;
        case ICMP_SOURCE_QUENCH:
            return IP_SOURCE_QUENCH;
        default:
            return IP_GENERAL_FAILURE;
        }
    }
    switch (type) {
    case ICMP6_DST_UNREACH:
        switch (code) {
        case ICMP6_DST_UNREACH_NOROUTE:
            return IP_DEST_NET_UNREACHABLE;
        case ICMP6_DST_UNREACH_ADMIN:
            return IP_DEST_PROT_UNREACHABLE;
        case ICMP6_DST_UNREACH_ADDR:
            return IP_DEST_HOST_UNREACHABLE;
        case ICMP6_DST_UNREACH_NOPORT:
            return IP_DEST_PORT_UNREACHABLE;
        default:
            return IP_DEST_UNREACHABLE;
        }
    case ICMP6_PACKET_TOO_BIG:
        return IP_PACKET_TOO_BIG;
    case ICMP6_TIME_EXCEEDED:
        return code == 0 ? IP_TTL_EXPIRED_TRANSIT : IP_TTL_EXPIRED_REASSEM;
    case ICMP6_PARAM_PROB:
        return IP_PARAM_PROBLEM;
    default:
        return IP_GENERAL_FAILURE;
    }
}

// The IP status for a request that could not be sent.
uint32_t statusOfSendError(int error)
{
    switch (error) {
    case ENETUNREACH:
    case ENETDOWN:
        return neterr::IP_DEST_NET_UNREACHABLE;
    case EHOSTUNREACH:
    case EHOSTDOWN:
        return neterr::IP_DEST_HOST_UNREACHABLE;
    case EMSGSIZE:
        return neterr::IP_PACKET_TOO_BIG;
    case ENOBUFS:
    case ENOMEM:
        return neterr::IP_NO_RESOURCES;
    default:
        return neterr::IP_GENERAL_FAILURE;
    }
}

} // namespace

IcmpHandle::IcmpHandle(int family) : m_family(family) {}

IcmpHandle::~IcmpHandle()
{
    close();
}

void IcmpHandle::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_connected = false;
}

uint32_t IcmpHandle::open()
{
    if (m_fd >= 0)
        return 0;
    const int protocol = m_family == AF_INET ? int(IPPROTO_ICMP) : int(IPPROTO_ICMPV6);
    m_fd = ::socket(m_family, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, protocol);
    m_raw = false;
    m_notAllowed = false;
    if (m_fd < 0) {
        m_fd = ::socket(m_family, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, protocol);
        m_raw = true;
    }
    if (m_fd < 0) {
        const int error = errno;
        if (error != EACCES && error != EPERM)
            return neterr::wsaFromErrno(error);
        m_notAllowed = true;
        return neterr::WSAEACCES;
    }
    m_identifier = randomIdentifier();
    const int on = 1;
    if (m_raw) {
        if (!attachFilter(m_fd, m_family, m_identifier)) {
            const uint32_t error = neterr::wsaFromErrno(errno);
            close();
            return error;
        }
        // The kernel copies each ICMP packet for every raw socket that takes
        // its type before our filter runs: echo requests (our own and other
        // boxes') are not taken at all.
        if (m_family == AF_INET) {
            // The kernel's ICMP_FILTER option (linux/icmp.h, whose types
            // clash with the C library's): a mask of the types to drop.
            constexpr int kIcmpFilter = 1;
            const uint32_t dropped = ~((1u << ICMP_ECHOREPLY) | (1u << ICMP_DEST_UNREACH) |
                                       (1u << ICMP_TIME_EXCEEDED) | (1u << ICMP_PARAMETERPROB));
            ::setsockopt(m_fd, SOL_RAW, kIcmpFilter, &dropped, sizeof dropped);
        } else {
            icmp6_filter types;
            ICMP6_FILTER_SETBLOCKALL(&types);
            for (int type : {ICMP6_ECHO_REPLY, ICMP6_DST_UNREACH, ICMP6_PACKET_TOO_BIG, ICMP6_TIME_EXCEEDED,
                             ICMP6_PARAM_PROB})
                ICMP6_FILTER_SETPASS(type, &types);
            ::setsockopt(m_fd, IPPROTO_ICMPV6, ICMP6_FILTER, &types, sizeof types);
        }
    }
    // ICMP errors about our requests arrive on the socket's error queue,
    // whoever sends them (the socket is connected to its target).
    if (m_family == AF_INET)
        ::setsockopt(m_fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
    else
        ::setsockopt(m_fd, IPPROTO_IPV6, IPV6_RECVERR, &on, sizeof on);
    if (m_family == AF_INET6) {
        const int hops = 255;
        ::setsockopt(m_fd, IPPROTO_IPV6, IPV6_UNICAST_HOPS, &hops, sizeof hops);
    }
    return 0;
}

int IcmpHandle::transmit(const SocketAddress& to, uint16_t sequence, const QByteArray& data)
{
    QByteArray packet(8, '\0');
    packet[0] = char(m_family == AF_INET ? ICMP_ECHO : ICMP6_ECHO_REQUEST);
    packet[4] = char(m_identifier >> 8);
    packet[5] = char(m_identifier & 0xFF);
    packet[6] = char(sequence >> 8);
    packet[7] = char(sequence & 0xFF);
    packet += data;
    if (m_family == AF_INET) {
        // The kernel fills in the checksum for ICMPv6 and for datagram sockets.
        const uint16_t sum =
            checksum(reinterpret_cast<const uchar*>(packet.constData()), size_t(packet.size()));
        packet[2] = char(sum >> 8);
        packet[3] = char(sum & 0xFF);
    }
    // Connected to the target, the socket is handed only packets from it (and
    // errors about packets to it), not those of every other box's target. A
    // thread's target seldom changes: the socket stays connected to it.
    const bool sameTarget = m_connected && to.length == m_connectedTo.length &&
                            std::memcmp(&to.storage, &m_connectedTo.storage, to.length) == 0;
    if (!sameTarget) {
        m_connected = ::connect(m_fd, to.get(), to.length) == 0;
        if (!m_connected)
            return errno;
        m_connectedTo = to;
    }
    // A datagram socket hands an ICMP error that came after its request was
    // answered to the next send, which fails with it; it is not about this
    // request, so the request goes once more. The error can be pending with
    // nothing queued (the queue was full when it came), so an error of the
    // kinds ICMP reports is taken as such too.
    if (::send(m_fd, packet.constData(), size_t(packet.size()), 0) >= 0)
        return 0;
    const int sendError = errno;
    const bool fromIcmp = sendError == EHOSTUNREACH || sendError == ENETUNREACH ||
                          sendError == ECONNREFUSED || sendError == EPROTO || sendError == EMSGSIZE;
    if (!dropQueuedErrors() && !fromIcmp)
        return sendError;
    return ::send(m_fd, packet.constData(), size_t(packet.size()), 0) >= 0 ? 0 : errno;
}

bool IcmpHandle::sourceIsGone() const
{
    sockaddr_in6 source{};
    socklen_t length = sizeof source;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&source), &length) != 0)
        return false;
    // Only an address of this computer can be bound.
    source.sin6_port = 0;
    const int probe = ::socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const bool gone = probe >= 0 && ::bind(probe, reinterpret_cast<sockaddr*>(&source), length) != 0 &&
                      errno == EADDRNOTAVAIL;
    if (probe >= 0)
        ::close(probe);
    return gone;
}

bool IcmpHandle::sendEcho(const SocketAddress& to, const QByteArray& data, uint32_t timeoutMs,
                          const std::atomic<bool>* stop, EchoReply& reply, uint32_t& error)
{
    error = 0;
    if (m_fd < 0 || to.family() != m_family) {
        error = neterr::IP_GENERAL_FAILURE;
        return false;
    }
    // A socket kept from an earlier check keeps the source address it was
    // given then. After the computer's address changed (a new DHCP lease, an
    // expired IPv6 temporary address), a send from it fails (IPv4) or goes
    // out from an address whose answers no longer come here (IPv6): the
    // request goes again on a fresh socket, which takes the new address.
    bool kept = m_connected;
    const auto reopen = [&] {
        kept = false;
        close();
        return open();
    };
    const uint16_t sequence = ++m_sequence;
    uint64_t sentAt = monotonicNanoseconds();
    int sendError = transmit(to, sequence, data);
    if (sendError != 0 && kept) {
        if (const uint32_t openError = reopen()) {
            error = openError;
            return false;
        }
        sentAt = monotonicNanoseconds();
        sendError = transmit(to, sequence, data);
    }
    // Whatever goes wrong from here on, the next check starts on a fresh
    // socket.
    if (sendError != 0) {
        error = statusOfSendError(sendError);
        close();
        return false;
    }
    const uint64_t deadline = sentAt + uint64_t(timeoutMs) * 1000000u;
    for (;;) {
        const uint64_t now = monotonicNanoseconds();
        if ((stop && stop->load()) || now >= deadline) {
            error = neterr::IP_REQ_TIMED_OUT;
            close();
            return false;
        }
        const uint64_t leftMs = (deadline - now + 999999u) / 1000000u;
        // An IPv6 answer to a kept socket that is slow to come may have been
        // sent to an address this computer no longer has: that is looked at
        // once, early, and answers that come at once cost nothing.
        const bool lookAtSource = kept && m_family == AF_INET6;
        const uint64_t sliceMs = lookAtSource ? std::clamp<uint64_t>(timeoutMs / 4, 1, kSliceMs) : kSliceMs;
        pollfd pfd{m_fd, POLLIN, 0};
        const int rc = ::poll(&pfd, 1, int(std::min(leftMs, sliceMs)));
        if (rc < 0 && errno != EINTR) {
            error = neterr::IP_GENERAL_FAILURE;
            close();
            return false;
        }
        if (rc == 0 && lookAtSource) {
            kept = false;
            if (!sourceIsGone())
                continue;
            if (const uint32_t openError = reopen()) {
                error = openError;
                return false;
            }
            sentAt = monotonicNanoseconds();
            if (const int failed = transmit(to, sequence, data)) {
                error = statusOfSendError(failed);
                close();
                return false;
            }
            continue;
        }
        if (rc <= 0)
            continue;
        // The echo reply first: an error about the same request that came
        // with it (or just after it) does not undo the host's answer.
        bool answered = (pfd.revents & POLLIN) && readAnswer(sequence, data, sentAt, reply);
        if (!answered && (pfd.revents & POLLERR)) {
            if (beforeErrorRead)
                beforeErrorRead(m_fd);
            answered = readError(sequence, sentAt, reply);
            // A pending socket error with nothing queued: reading it clears
            // it, so that poll does not report it again and again.
            if (!answered) {
                int pending = 0;
                socklen_t length = sizeof pending;
                ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &pending, &length);
            }
        }
        // The wake showed only the error (or a raw socket read the error's
        // packet first): a reply that came in the meantime still wins.
        EchoReply echoed;
        if (answered && reply.status != neterr::IP_SUCCESS && readAnswer(sequence, data, sentAt, echoed) &&
            echoed.status == neterr::IP_SUCCESS)
            reply = echoed;
        if (answered) {
            if (reply.status != neterr::IP_SUCCESS)
                close();
            return true;
        }
    }
}

bool IcmpHandle::dropQueuedErrors()
{
    bool dropped = false;
    char payload[1500];
    while (::recv(m_fd, payload, sizeof payload, MSG_DONTWAIT | MSG_ERRQUEUE) >= 0)
        dropped = true;
    return dropped;
}

bool IcmpHandle::readAnswer(uint16_t sequence, const QByteArray& data, uint64_t sentAt, EchoReply& reply)
{
    for (;;) {
        uchar buffer[1500];
        sockaddr_storage from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(m_fd, buffer, sizeof buffer, MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        // A pending socket error (an ICMP error, which waits on the error
        // queue too) is handed out before the packets: they are read after it.
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            continue;
        if (n < 0)
            return false;
        const uint64_t arrivedAt = monotonicNanoseconds();
        const uchar* icmp = buffer;
        size_t length = size_t(n);
        if (m_family == AF_INET && m_raw) {
            // Raw IPv4 sockets see the IP header first.
            if (length < 20)
                continue;
            const size_t headerLength = size_t(buffer[0] & 0x0F) * 4;
            if (headerLength < 20 || length < headerLength)
                continue;
            icmp += headerLength;
            length -= headerLength;
        }
        if (length < 8)
            continue;
        const int type = icmp[0];
        const bool echoReply = type == (m_family == AF_INET ? ICMP_ECHOREPLY : ICMP6_ECHO_REPLY);
        if (echoReply) {
            // Datagram sockets get our identifier rewritten by the kernel,
            // which matches it for us; raw sockets are filtered on it.
            if ((m_raw && read16(icmp + 4) != m_identifier) || read16(icmp + 6) != sequence)
                continue;
            reply.status = neterr::IP_SUCCESS;
            reply.roundTripMs = elapsedMilliseconds(sentAt, arrivedAt);
            std::memcpy(&reply.from.storage, &from, sizeof from);
            reply.from.length = fromLength;
            reply.dataMatches = length - 8 >= size_t(data.size()) &&
                                std::memcmp(icmp + 8, data.constData(), size_t(data.size())) == 0;
            return true;
        }
        // An ICMP error that ends our request and quotes it (raw sockets
        // only; datagram sockets get these on the error queue).
        const size_t quotedHeader = m_family == AF_INET ? 20 : 40;
        if (!isFinalIcmpError(m_family, type) || length < 8 + quotedHeader + 8)
            continue;
        const uchar* quoted = icmp + 8 + quotedHeader;
        if (read16(quoted + 4) != m_identifier || read16(quoted + 6) != sequence)
            continue;
        reply.status = statusOfIcmpError(m_family, type, icmp[1]);
        reply.roundTripMs = elapsedMilliseconds(sentAt, arrivedAt);
        std::memcpy(&reply.from.storage, &from, sizeof from);
        reply.from.length = fromLength;
        reply.dataMatches = false;
        return true;
    }
}

bool IcmpHandle::readError(uint16_t sequence, uint64_t sentAt, EchoReply& reply)
{
    for (;;) {
        uchar payload[1500];
        uchar control[512];
        sockaddr_storage offenderName{};
        iovec iov{payload, sizeof payload};
        msghdr msg{};
        msg.msg_name = &offenderName;
        msg.msg_namelen = sizeof offenderName;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(m_fd, &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
        if (n < 0)
            return false;
        // The payload is the request the error is about.
        if (n < 8 || read16(payload + 6) != sequence || (m_raw && read16(payload + 4) != m_identifier))
            continue;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            const bool v4 = c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_RECVERR;
            const bool v6 = c->cmsg_level == IPPROTO_IPV6 && c->cmsg_type == IPV6_RECVERR;
            if (!v4 && !v6)
                continue;
            const auto* ee = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
            // Redirects, source quenches and the like leave the request
            // on its way: the wait for its answer goes on.
            if ((ee->ee_origin != SO_EE_ORIGIN_ICMP && ee->ee_origin != SO_EE_ORIGIN_ICMP6) ||
                !isFinalIcmpError(m_family, ee->ee_type))
                continue;
            reply.status = statusOfIcmpError(m_family, ee->ee_type, ee->ee_code);
            reply.roundTripMs = elapsedMilliseconds(sentAt, monotonicNanoseconds());
            const sockaddr* offender = SO_EE_OFFENDER(ee);
            reply.from = SocketAddress{};
            if (offender->sa_family == AF_INET || offender->sa_family == AF_INET6) {
                const socklen_t len =
                    offender->sa_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
                std::memcpy(&reply.from.storage, offender, len);
                reply.from.length = len;
            }
            reply.dataMatches = false;
            return true;
        }
    }
}

} // namespace platform
