// Ping on both kinds of ICMP socket: the raw one (root) and the datagram one
// (ordinary users, through ping_group_range). Each run is a child process in
// user and network namespaces of its own, where the kernel's echo replies are
// off and a responder of the test's own sends what each case needs.
#include "core/MainSettings.h"
#include "core/NetProbe.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <net/if.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

enum class Kind
{
    Raw,
    Datagram
};

const char* nameOf(Kind kind)
{
    return kind == Kind::Raw ? "raw" : "datagram";
}

bool writeFile(const std::string& path, const std::string& text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    const bool written = fd >= 0 && ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    if (fd >= 0)
        ::close(fd);
    return written;
}

bool setLoopbackUp()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strcpy(request.ifr_name, "lo");
    request.ifr_flags = IFF_UP | IFF_LOOPBACK | IFF_RUNNING;
    const bool up = ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    ::close(fd);
    return up;
}

// In the child: new namespaces where the probe gets `kind` of socket. An
// empty text when done, else why not ("skip: ..." where the machine forbids it).
std::string enterNamespaces(Kind kind, bool kernelEchoes)
{
    const std::string uid = std::to_string(::getuid()), gid = std::to_string(::getgid());
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
        return std::string("skip: user and network namespaces are not allowed here: ") + std::strerror(errno);
    if (!writeFile("/proc/self/setgroups", "deny") || !writeFile("/proc/self/uid_map", "0 " + uid + " 1") ||
        !writeFile("/proc/self/gid_map", "0 " + gid + " 1"))
        return std::string("skip: the namespace's user ids cannot be mapped: ") + std::strerror(errno);
    const char* ignore = kernelEchoes ? "0" : "1";
    if (!setLoopbackUp() || !writeFile("/proc/sys/net/ipv4/icmp_echo_ignore_all", ignore) ||
        !writeFile("/proc/sys/net/ipv6/icmp/echo_ignore_all", ignore) ||
        (kind == Kind::Datagram && !writeFile("/proc/sys/net/ipv4/ping_group_range", "0 0")))
        return std::string("setup failed: ") + std::strerror(errno);
    // The probe takes the datagram socket wherever it may be opened.
    for (int family : {AF_INET, AF_INET6}) {
        const int fd = ::socket(family, SOCK_DGRAM | SOCK_CLOEXEC,
                                family == AF_INET ? int(IPPROTO_ICMP) : int(IPPROTO_ICMPV6));
        if (fd >= 0)
            ::close(fd);
        if ((fd >= 0) != (kind == Kind::Datagram))
            return std::string("setup failed: the datagram socket is ") + (fd >= 0 ? "" : "not ") + "allowed";
    }
    return {};
}

// Waits until the interface carries packets: a link comes up a moment after
// it is set up.
bool waitRunning(const char* name)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strcpy(request.ifr_name, name);
    bool running = false;
    for (int i = 0; i < 500 && !running; ++i) {
        running = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0 && (request.ifr_flags & IFF_RUNNING);
        if (!running)
            ::usleep(10000);
    }
    ::close(fd);
    return running;
}

// Runs a command quietly; true when it succeeded.
bool run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// In the child: a second network namespace at the other end of a veth pair,
// whose kernel answers pings: veth0 here with 10.0.0.1 and fd00::1, veth1
// there with 10.0.0.2 and fd00::2.
std::string makeNeighbour()
{
    if (!run("ip -V"))
        return "skip: the ip command (iproute2) is not installed";
    const int here = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    // IPv6 addresses are used at once, without duplicate address detection.
    const char* dad = "/proc/sys/net/ipv6/conf/default/accept_dad";
    if (!writeFile(dad, "0") || ::unshare(CLONE_NEWNET) != 0 || !writeFile(dad, "0"))
        return std::string("setup failed: ") + std::strerror(errno);
    const int there = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    ::setns(here, CLONE_NEWNET);
    if (!run("ip link add veth0 type veth peer name veth1 netns /proc/" + std::to_string(::getpid()) +
             "/fd/" + std::to_string(there)))
        return "skip: veth interfaces cannot be made here";
    const auto setUp = [](const std::string& name, const std::string& host) {
        return run("ip addr add 10.0.0." + host + "/24 dev " + name + " && ip addr add fd00::" + host +
                   "/64 dev " + name + " && ip link set " + name + " up");
    };
    bool made = setUp("veth0", "1");
    ::setns(there, CLONE_NEWNET);
    made = setUp("veth1", "2") && made && waitRunning("veth1");
    ::setns(here, CLONE_NEWNET);
    made = made && waitRunning("veth0");
    return made ? "" : "setup failed: the veth pair's addresses";
}

struct ChildResult
{
    std::string text; // what the child wrote on its standard output
    int status = -1;  // its wait status
};

// Runs `body` in a child process whose standard output comes back here; the
// child writes what `body` returns (`body` may also exec another program).
ChildResult runInChild(const std::function<std::string()>& body)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {"setup failed: pipe", -1};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::dup2(fds[1], STDERR_FILENO);
        const std::string text = body();
        const bool written = ::write(STDOUT_FILENO, text.data(), text.size()) == ssize_t(text.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(fds[1]);
    ChildResult result;
    char buffer[4096];
    pollfd pfd{fds[0], POLLIN, 0};
    while (::poll(&pfd, 1, 120000) > 0) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        result.text.append(buffer, size_t(n));
    }
    ::close(fds[0]);
    if (::waitpid(pid, &result.status, WNOHANG) == 0) {
        ::kill(pid, SIGKILL); // it hung: the pipe stayed silent for two minutes
        ::waitpid(pid, &result.status, 0);
    }
    return result;
}

// One ICMP message the responder sends for a request: of `type` and `code`
// about that request or the one before it, with the answer or only once the
// check has ended, at once or after the network's delay.
struct Sent
{
    int type;
    int code = 0;
    bool aboutEarlier = false;
    bool afterCheck = false;
    int delayMs = 0;
};

// Answers echo requests on a raw socket, request n with the messages of
// script[n] in order.
class Responder
{
public:
    Responder(int family, std::vector<std::vector<Sent>> script)
        : m_family(family), m_script(std::move(script)),
          m_fd(::socket(family, SOCK_RAW | SOCK_CLOEXEC,
                        family == AF_INET ? int(IPPROTO_ICMP) : int(IPPROTO_ICMPV6))),
          m_thread([this] { run(); })
    {
    }
    ~Responder()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    // Once request n has been answered, sends what comes after its check (a
    // request that was never sent is given up on after a while).
    void checkEnded(size_t n)
    {
        std::unique_lock lock(m_lock);
        if (m_changed.wait_for(lock, std::chrono::seconds(2), [&] { return m_requests.size() > n; }))
            sendFor(n, true);
    }

private:
    void run()
    {
        while (!m_stop) {
            pollfd pfd{m_fd, POLLIN, 0};
            if (::poll(&pfd, 1, 50) <= 0)
                continue;
            std::array<uint8_t, 1500> buffer{};
            socklen_t fromLength = sizeof m_from;
            const ssize_t n = ::recvfrom(m_fd, buffer.data(), buffer.size(), 0,
                                         reinterpret_cast<sockaddr*>(&m_from), &fromLength);
            // IPv4 raw sockets read the IP header too; make one for IPv6.
            const size_t header = m_family == AF_INET ? size_t(buffer[0] & 0x0F) * 4 : 0;
            if (n < ssize_t(header + 8) ||
                buffer[header] != (m_family == AF_INET ? ICMP_ECHO : ICMP6_ECHO_REQUEST))
                continue;
            std::vector<uint8_t> request(buffer.begin(), buffer.begin() + n);
            if (m_family == AF_INET6) {
                const uint8_t ip6[40] = {0x60, 0, 0, 0, uint8_t(n >> 8), uint8_t(n), IPPROTO_ICMPV6, 255};
                request.insert(request.begin(), ip6, ip6 + 40);
                std::memcpy(&request[8], &m_from.sin6_addr, 16);
                std::memcpy(&request[24], &in6addr_loopback, 16);
            }
            std::lock_guard lock(m_lock);
            m_requests.push_back(std::move(request));
            sendFor(m_requests.size() - 1, false);
            m_changed.notify_all();
        }
    }
    void sendFor(size_t n, bool afterCheck)
    {
        if (n < m_script.size())
            for (const Sent& sent : m_script[n])
                if (sent.afterCheck == afterCheck && (n > 0 || !sent.aboutEarlier)) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(sent.delayMs));
                    send(sent, m_requests[sent.aboutEarlier ? n - 1 : n]);
                }
    }
    void send(const Sent& sent, const std::vector<uint8_t>& request)
    {
        const size_t header = m_family == AF_INET ? size_t(request[0] & 0x0F) * 4 : 40;
        const bool reply = sent.type == ICMP_ECHOREPLY || sent.type == ICMP6_ECHO_REPLY;
        // A reply echoes the request; an error quotes its IP header and start.
        std::vector<uint8_t> message(8);
        message.insert(message.end(), request.begin() + (reply ? header + 8 : 0),
                       request.begin() + (reply ? request.size() : header + 8));
        if (reply)
            std::copy(request.begin() + header + 4, request.begin() + header + 8, message.begin() + 4);
        message[0] = uint8_t(sent.type);
        message[1] = uint8_t(sent.code);
        if (m_family == AF_INET) { // the kernel sums ICMPv6 itself
            uint32_t sum = 0;
            for (size_t i = 0; i < message.size(); i += 2)
                sum += uint32_t(message[i] << 8 | (i + 1 < message.size() ? message[i + 1] : 0));
            while (sum >> 16)
                sum = (sum & 0xFFFF) + (sum >> 16);
            message[2] = uint8_t(~sum >> 8);
            message[3] = uint8_t(~sum);
        }
        ::sendto(m_fd, message.data(), message.size(), 0, reinterpret_cast<const sockaddr*>(&m_from),
                 m_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6));
    }

    int m_family;
    std::vector<std::vector<Sent>> m_script;
    int m_fd;
    sockaddr_in6 m_from{}; // where the requests come from (for IPv4 a sockaddr_in)
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::vector<uint8_t>> m_requests;
    std::thread m_thread;
};

const char* statusName(int status)
{
    switch (status) {
    case STATUS_UP:
        return "Up";
    case STATUS_DOWN:
        return "Down";
    case STATUS_NET_ERROR:
        return "NET-ERROR";
    default:
        return "other";
    }
}

// The statuses of the checks, then their error codes: "Up Down | 0 11010".
struct Checks
{
    std::string statuses, codes;
    void add(const CNetProbe& probe, int status)
    {
        statuses += (statuses.empty() ? "" : " ") + std::string(statusName(status));
        codes += " " + std::to_string(probe.m_dwLastError);
    }
    std::string text() const { return statuses + " |" + codes; }
};

int ping(CNetProbe& probe, int family, const char* target)
{
    return family == AF_INET ? probe.PingV4(target) : probe.PingV6(target);
}

// Splits a child's answer into the statuses and the rest, skipping the test
// where the child could not make its namespaces.
#define EXPECT_CHILD_STATUSES(result, expected)                                                              \
    do {                                                                                                     \
        if ((result).text.rfind("skip: ", 0) == 0)                                                           \
            GTEST_SKIP() << (result).text.substr(6);                                                         \
        EXPECT_EQ((result).text.substr(0, (result).text.find(" |")), expected) << (result).text;             \
    } while (0)

TEST(PingPaths, EveryAnswerGivesItsStatusOnBothSocketKinds)
{
    const Sent reply4{ICMP_ECHOREPLY}, reply6{ICMP6_ECHO_REPLY}, earlierReply4{ICMP_ECHOREPLY, 0, true},
        earlierReply6{ICMP6_ECHO_REPLY, 0, true}, unreachable4{ICMP_DEST_UNREACH, ICMP_HOST_UNREACH},
        unreachable6{ICMP6_DST_UNREACH, ICMP6_DST_UNREACH_ADDR},
        lateUnreachable4{ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, false, true},
        lateUnreachable6{ICMP6_DST_UNREACH, ICMP6_DST_UNREACH_ADDR, false, true},
        slowReply4{ICMP_ECHOREPLY, 0, false, false, 50}, slowReply6{ICMP6_ECHO_REPLY, 0, false, false, 50};
    const struct
    {
        const char* what;
        int family;
        std::vector<std::vector<Sent>> script;
        const char* statuses;
    } cases[] = {
        {"an error about an answered request, between checks",
         AF_INET,
         {{reply4, lateUnreachable4}, {reply4, lateUnreachable4}, {reply4}},
         "Up Up Up"},
        {"an error about an answered request, between checks",
         AF_INET6,
         {{reply6, lateUnreachable6}, {reply6, lateUnreachable6}, {reply6}},
         "Up Up Up"},
        {"an error about an answered request, right after the reply",
         AF_INET,
         {{reply4, unreachable4}, {reply4, unreachable4}},
         "Up Up"},
        {"an error about an answered request, right after the reply",
         AF_INET6,
         {{reply6, unreachable6}, {reply6, unreachable6}},
         "Up Up"},
        {"a redirect or a source quench, the reply 50 ms later; an unreachable alone",
         AF_INET,
         {{{ICMP_REDIRECT, ICMP_REDIR_HOST}, slowReply4}, {{ICMP_SOURCE_QUENCH}, slowReply4}, {unreachable4}},
         "Up Up Down"},
        {"errors of types that are no final answer, the reply 50 ms later; an unreachable alone",
         AF_INET6,
         {{{100}, slowReply6}, {{101}, slowReply6}, {unreachable6}},
         "Up Up Down"},
        {"replies late and twice",
         AF_INET,
         {{}, {earlierReply4, earlierReply4}, {reply4, reply4}, {reply4}},
         "Down Down Up Up"},
        {"replies late and twice",
         AF_INET6,
         {{}, {earlierReply6, earlierReply6}, {reply6, reply6}, {reply6}},
         "Down Down Up Up"},
    };
    for (const auto& c : cases)
        for (Kind kind : {Kind::Raw, Kind::Datagram}) {
            const ChildResult result = runInChild([&] {
                if (std::string failed = enterNamespaces(kind, false); !failed.empty())
                    return failed;
                g_nTimeOut = 500;
                Responder responder(c.family, c.script);
                CNetProbe probe;
                Checks checks;
                for (size_t i = 0; i < c.script.size(); ++i) {
                    checks.add(probe, ping(probe, c.family, c.family == AF_INET ? "127.0.0.1" : "::1"));
                    responder.checkEnded(i);
                }
                return checks.text();
            });
            SCOPED_TRACE(std::string(c.what) + ", IPv" + (c.family == AF_INET ? "4" : "6") + ", " +
                         nameOf(kind) + " socket");
            EXPECT_CHILD_STATUSES(result, c.statuses);
        }
}

TEST(PingPaths, ABoxRecoversWhenTheComputersAddressChanges)
{
    // A check, then the computer's address going away (a check meanwhile) and
    // a new one coming (a DHCP lease, an IPv6 temporary address): the first
    // check after that finds the target again.
    const struct
    {
        int family;
        const char* target;
        std::vector<std::string> changes; // made one after each check
        const char* statuses;
    } cases[] = {
        {AF_INET,
         "10.0.0.2",
         {"ip addr del 10.0.0.1/24 dev veth0", "ip addr add 10.0.0.3/24 dev veth0"},
         "Up NET-ERROR Up"},
        {AF_INET6,
         "fd00::2",
         {"ip addr del fd00::1/64 dev veth0", "ip addr add fd00::3/64 dev veth0"},
         "Up NET-ERROR Up"},
    };
    for (const auto& c : cases)
        for (Kind kind : {Kind::Raw, Kind::Datagram}) {
            const ChildResult result = runInChild([&] {
                std::string failed = enterNamespaces(kind, true);
                if (failed.empty())
                    failed = makeNeighbour();
                if (!failed.empty())
                    return failed;
                g_nTimeOut = 1000;
                CNetProbe probe;
                Checks checks;
                for (const std::string& change : c.changes) {
                    checks.add(probe, ping(probe, c.family, c.target));
                    if (!run(change))
                        return "setup failed: " + change;
                }
                checks.add(probe, ping(probe, c.family, c.target));
                return checks.text();
            });
            SCOPED_TRACE(std::string("IPv") + (c.family == AF_INET ? "4" : "6") + ", " + nameOf(kind) +
                         " socket");
            EXPECT_CHILD_STATUSES(result, c.statuses);
        }
}

TEST(PingPaths, TheProbesPingTestsPassOnBothSocketKinds)
{
    // The probe's own ping tests, run again by the test program in a child
    // whose namespaces give it the one socket kind, the kernel answering.
    for (Kind kind : {Kind::Raw, Kind::Datagram}) {
        const ChildResult result = runInChild([&] {
            if (std::string failed = enterNamespaces(kind, true); !failed.empty())
                return failed;
            ::execl("/proc/self/exe", "korvalen_tests",
                    "--gtest_filter=NetProbeTest.Ping*:NetProbeTest.OneProbe*:NetProbeTest.NoProbeLeaves*",
                    nullptr);
            return std::string("setup failed: the test program could not be started again");
        });
        if (result.text.rfind("skip: ", 0) == 0)
            GTEST_SKIP() << result.text.substr(6);
        EXPECT_TRUE(WIFEXITED(result.status) && WEXITSTATUS(result.status) == 0)
            << nameOf(kind) << " socket:\n"
            << result.text;
        EXPECT_NE(result.text.find("[  PASSED  ] 4 tests."), std::string::npos) << result.text;
    }
}

} // namespace
