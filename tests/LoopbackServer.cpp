#include "LoopbackServer.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <arpa/inet.h>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace test {

namespace {
uint16_t boundPort(int fd)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

int listenOn(bool ipv6, int backlog)
{
    const int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (ipv6) {
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } else {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ::listen(fd, backlog);
    return fd;
}

// Bound on every address, IPv4 and IPv6, and never listening, for the life
// of the test program: connections to its port are refused, and no listener
// of a test beside can take the port. Made as the program starts, so that no
// test finds one descriptor more after asking for it.
const int g_refusing = [] {
    const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int off = 0;
    ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
    sockaddr_in6 any{};
    any.sin6_family = AF_INET6;
    ::bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any);
    return fd;
}();
} // namespace

LoopbackServer::LoopbackServer(QByteArray response, bool silent, bool ipv6, bool trickle)
    : m_response(std::move(response)), m_silent(silent), m_trickle(trickle)
{
    m_fd = listenOn(ipv6, 16);
    m_port = boundPort(m_fd);
    if (::pipe2(m_wake, O_CLOEXEC) != 0)
        m_wake[0] = m_wake[1] = -1;
    m_thread = std::thread([this] { run(); });
}

LoopbackServer::~LoopbackServer()
{
    if (m_wake[1] >= 0)
        (void)!::write(m_wake[1], "x", 1);
    m_thread.join();
    ::close(m_fd);
    ::close(m_wake[0]);
    ::close(m_wake[1]);
}

void LoopbackServer::run()
{
    std::vector<int> silentClients;
    for (;;) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            break;
        const int client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        ++m_connections;
        if (m_silent) {
            silentClients.push_back(client);
            continue;
        }
        // Read the request head, then answer and close.
        QByteArray request;
        char buffer[4096];
        while (!request.contains("\r\n\r\n")) {
            pollfd pfd{client, POLLIN, 0};
            if (::poll(&pfd, 1, 2000) <= 0)
                break;
            const ssize_t n = ::read(client, buffer, sizeof buffer);
            if (n <= 0)
                break;
            request.append(buffer, n);
        }
        const char* p = m_response.constData();
        qsizetype left = m_response.size();
        while (left > 0) {
            const ssize_t n = ::send(client, p, size_t(left), MSG_NOSIGNAL);
            if (n <= 0)
                break;
            p += n;
            left -= n;
        }
        // Until the client closes (or the server ends); the wake byte is left
        // for the loop above.
        while (m_trickle) {
            pollfd wait[2] = {{client, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
            if (::poll(wait, 2, 250) < 0 || wait[1].revents ||
                (wait[0].revents && ::read(client, buffer, sizeof buffer) <= 0) ||
                ::send(client, " ", 1, MSG_NOSIGNAL) != 1)
                break;
        }
        ::close(client);
    }
    for (int client : silentClients)
        ::close(client);
}

QByteArray httpResponse(const QByteArray& body, int status)
{
    return "HTTP/1.1 " + QByteArray::number(status) +
           " Whatever\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

uint16_t closedPort()
{
    return boundPort(g_refusing);
}

FullListener::FullListener()
{
    m_fd = listenOn(false, 0);
    m_port = boundPort(m_fd);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(m_port);
    // Fill the accept queue; the kernel then drops further connection requests.
    for (int& filler : m_fillers) {
        filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
}

FullListener::~FullListener()
{
    for (int filler : m_fillers)
        ::close(filler);
    ::close(m_fd);
}

int FullListener::connectsWaiting() const
{
    // Lines of the form "sl local rem st ...", addresses as HEXADDR:HEXPORT;
    // state 02 is a connection whose first packet is still unanswered.
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray remote = QByteArray::number(m_port, 16).toUpper().rightJustified(4, '0').prepend(':');
    int count = 0;
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields[2].endsWith(remote) && fields[3] == "02")
            ++count;
    }
    return count;
}

int openDescriptorCount()
{
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                   .size());
}

} // namespace test
