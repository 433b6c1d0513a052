// Ping on both kinds of ICMP socket: the raw one (root) and the datagram one
// (ordinary users, through ping_group_range). Each run is a child process in
// user and network namespaces of its own, where the kernel's echo replies are
// off unless the case needs them, and a responder of the test's own sends
// what each case needs.
#include "core/MainSettings.h"
#include "core/NetProbe.h"
#include "platform/net/PingPermission.h"

#include "TestSupport.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <linux/capability.h>
#include <mutex>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sched.h>
#include <string>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::string nameOf(int family, bool datagram)
{
    return (family == AF_INET ? "IPv4, " : "IPv6, ") + std::string(datagram ? "datagram" : "raw") + " socket";
}

bool writeFile(const std::string& path, const std::string& text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    const bool written = fd >= 0 && ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    if (fd >= 0)
        ::close(fd);
    return written;
}

// Runs a command quietly; true when it succeeded.
bool run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// In the child: new namespaces where the probe gets the datagram socket or
// the raw one. An empty text when done, else why not ("skip: ..." where the
// machine forbids it).
std::string enterNamespaces(bool datagram, bool kernelEchoes)
{
    const std::string uid = std::to_string(::getuid()), gid = std::to_string(::getgid());
    if (!run("ip -V"))
        return "skip: the ip command (iproute2) is not installed";
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0 || !writeFile("/proc/self/setgroups", "deny") ||
        !writeFile("/proc/self/uid_map", "0 " + uid + " 1") ||
        !writeFile("/proc/self/gid_map", "0 " + gid + " 1"))
        return std::string("skip: user and network namespaces are not allowed here: ") + std::strerror(errno);
    const char* ignore = kernelEchoes ? "0" : "1";
    if (!run("ip link set lo up") || !writeFile("/proc/sys/net/ipv4/icmp_echo_ignore_all", ignore) ||
        !writeFile("/proc/sys/net/ipv6/icmp/echo_ignore_all", ignore) ||
        (datagram && !writeFile("/proc/sys/net/ipv4/ping_group_range", "0 0")))
        return "setup failed: the loopback or the ICMP settings";
    // The probe takes the datagram socket (of either family) wherever it may be opened.
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    ::close(fd);
    return (fd >= 0) == datagram
               ? ""
               : "setup failed: the datagram socket is " + std::string(datagram ? "not " : "") + "allowed";
}

// A shell command that waits until `device` answers neighbour solicitations
// for fd00::`host`. Even without duplicate address detection the kernel
// joins the address's solicited-node group a moment after adding it, and
// drops solicitations that come before; the other end would ask again only
// after a second, longer than a check waits.
std::string waitAnswering(const std::string& device, const std::string& host)
{
    return "timeout 10 sh -c 'until ip -6 maddr show dev " + device + " | grep -q \"ff02::1:ff00:" + host +
           "$\"; do sleep 0.01; done'";
}

// In the child: a second network namespace at the other end of a veth pair,
// whose kernel answers pings: veth0 here with 10.0.0.1 and fd00::1, veth1
// there with 10.0.0.2 and fd00::2.
std::string makeNeighbour()
{
    const int here = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    if (::unshare(CLONE_NEWNET) != 0)
        return std::string("setup failed: ") + std::strerror(errno);
    const int there = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const auto in = [](int ns, const std::string& command) {
        return ::setns(ns, CLONE_NEWNET) == 0 && run(command);
    };
    if (!in(here, "ip link add veth0 type veth peer name veth1 netns /proc/" + std::to_string(::getpid()) +
                      "/fd/" + std::to_string(there)))
        return "skip: veth interfaces cannot be made here";
    // IPv6 addresses serve at once, without duplicate address detection; each
    // end carries packets a moment after both are up.
    const auto setUp = [](std::string n, std::string h) {
        return "ip addr add 10.0.0." + h + "/24 dev " + n + " && ip addr add fd00::" + h + "/64 dev " + n +
               " nodad && ip link set " + n + " up";
    };
    const auto waitUp = [](std::string n) {
        return "timeout 10 sh -c 'until ip link show " + n + " | grep -q \"state UP\"; do sleep 0.01; done'";
    };
    const bool made = in(there, setUp("veth1", "2")) && in(here, setUp("veth0", "1")) &&
                      in(there, waitUp("veth1")) && in(here, waitUp("veth0")) &&
                      in(there, waitAnswering("veth1", "2")) && in(here, waitAnswering("veth0", "1"));
    ::setns(here, CLONE_NEWNET);
    return made ? "" : "setup failed: the veth pair";
}

// Runs `body` in a child process in namespaces of its own (see
// enterNamespaces). What `body` returns, or prints if it starts another
// program, comes back, followed by the child's wait status unless that is 0.
std::string inNamespaces(bool datagram, bool kernelEchoes, const std::function<std::string()>& body)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return "setup failed: pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(120); // a child that hangs ends
        ::dup2(fds[1], STDOUT_FILENO);
        std::string text = enterNamespaces(datagram, kernelEchoes);
        if (text.empty())
            text = body();
        ::_exit(::write(STDOUT_FILENO, text.data(), text.size()) == ssize_t(text.size()) ? 0 : 1);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, size_t(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status == 0 ? text : text + " [wait status " + std::to_string(status) + "]";
}

#define SKIP_WHERE_NOT_ALLOWED(result)                                                                       \
    if ((result).rfind("skip: ", 0) == 0)                                                                    \
    GTEST_SKIP() << (result).substr(6)

// A message of the responder's: its IPv4 type and code, its IPv6 type and
// code, and `when` it goes. It is about the request that came, sent at once,
// unless it is about the one before, or waits until the check has ended, or
// comes 50 ms late as across a network, or waits until the probe, woken by
// an error and with no answer read, is about to read its error queue (which
// then waits until these came).
constexpr int kAboutEarlier = 1, kAfterCheck = 2, kLate = 4, kAtErrorRead = 8;
struct Sent
{
    uint8_t type4, code4, type6, code6;
    int when = 0;
    Sent operator|(int flag) const { return {type4, code4, type6, code6, when | flag}; }
};
// The errors that do not end a request: for IPv4 a redirect and a source
// quench, for IPv6 types it does not know.
constexpr Sent kReply{ICMP_ECHOREPLY, 0, ICMP6_ECHO_REPLY, 0},
    kUnreachable{ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, ICMP6_DST_UNREACH, ICMP6_DST_UNREACH_ADDR},
    kRedirect{ICMP_REDIRECT, ICMP_REDIR_HOST, 100, 0}, kQuench{ICMP_SOURCE_QUENCH, 0, 101, 0};
using Script = std::vector<std::vector<Sent>>; // request n gets script[n]

// Answers echo requests on a raw socket as its script says.
struct Responder
{
    int family;
    Script script;
    int fd = ::socket(family, SOCK_RAW | SOCK_CLOEXEC,
                      family == AF_INET ? int(IPPROTO_ICMP) : int(IPPROTO_ICMPV6));
    std::atomic<bool> stop = false;
    std::mutex lock{};
    std::condition_variable turn{};
    bool errorReadReached = false, heldSent = false;
    std::vector<std::vector<uint8_t>> requests{};
    std::thread thread{[this] { run(); }};

    ~Responder()
    {
        stop = true;
        thread.join();
        ::close(fd);
    }
    void run()
    {
        uint8_t in[1500] = {};
        while (!stop) {
            pollfd pfd{fd, POLLIN, 0};
            const ssize_t n = ::poll(&pfd, 1, 50) > 0 ? ::recv(fd, in, sizeof in, 0) : -1;
            // IPv4 raw sockets read the IP header too; make one for IPv6.
            const size_t header = family == AF_INET ? size_t(in[0] & 0x0F) * 4 : 0;
            if (n < ssize_t(header + 8) || in[header] != (family == AF_INET ? ICMP_ECHO : ICMP6_ECHO_REQUEST))
                continue;
            std::vector<uint8_t> request(in, in + n);
            if (family == AF_INET6) {
                uint8_t ip6[40] = {0x60, 0, 0, 0, uint8_t(n >> 8), uint8_t(n), IPPROTO_ICMPV6, 255};
                std::memcpy(ip6 + 8, &in6addr_loopback, 16);
                std::memcpy(ip6 + 24, &in6addr_loopback, 16);
                request.insert(request.begin(), ip6, ip6 + 40);
            }
            std::unique_lock locked(lock);
            requests.push_back(std::move(request));
            sendFor(requests.size() - 1, false, locked);
        }
    }
    void checkEnded(size_t n)
    {
        std::unique_lock locked(lock);
        sendFor(n, true, locked);
    }
    // The probe's hook before it reads its error queue during request n.
    void errorReadBegins(size_t n, int socket)
    {
        if (std::none_of(script[n].begin(), script[n].end(),
                         [](const Sent& s) { return s.when & kAtErrorRead; }))
            return;
        {
            std::unique_lock locked(lock);
            errorReadReached = true;
            turn.notify_all();
            turn.wait_for(locked, std::chrono::seconds(10), [this] { return heldSent; });
        }
        // The reply is in before the read goes on.
        pollfd pfd{socket, POLLIN, 0};
        ::poll(&pfd, 1, 10000);
    }
    void sendFor(size_t n, bool afterCheck, std::unique_lock<std::mutex>& locked)
    {
        for (const Sent& sent :
             n < std::min(requests.size(), script.size()) ? script[n] : std::vector<Sent>{})
            if (bool(sent.when & kAfterCheck) == afterCheck && (n > 0 || !(sent.when & kAboutEarlier))) {
                if (sent.when & kLate)
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                if (sent.when & kAtErrorRead)
                    turn.wait_for(locked, std::chrono::seconds(10), [this] { return errorReadReached; });
                send(sent, requests[sent.when & kAboutEarlier ? n - 1 : n]);
            }
        heldSent = errorReadReached;
        turn.notify_all();
    }
    void send(const Sent& sent, const std::vector<uint8_t>& request)
    {
        const bool v4 = family == AF_INET;
        const size_t header = v4 ? size_t(request[0] & 0x0F) * 4 : 40;
        const uint8_t type = v4 ? sent.type4 : sent.type6;
        const bool reply = type == (v4 ? ICMP_ECHOREPLY : ICMP6_ECHO_REPLY);
        // A reply echoes the request; an error quotes its IP header and start.
        std::vector<uint8_t> message(request.begin() + (reply ? header : 0),
                                     reply ? request.end() : request.begin() + header + 8);
        if (!reply)
            message.insert(message.begin(), 8, 0);
        message[0] = type;
        message[1] = v4 ? sent.code4 : sent.code6;
        message[2] = message[3] = 0;
        if (v4) { // the kernel sums ICMPv6 itself
            uint32_t sum = 0;
            for (size_t i = 0; i < message.size(); i += 2)
                sum += uint32_t(message[i] << 8 | (i + 1 < message.size() ? message[i + 1] : 0));
            while (sum >> 16)
                sum = (sum & 0xFFFF) + (sum >> 16);
            message[2] = uint8_t(~sum >> 8);
            message[3] = uint8_t(~sum);
        }
        const sockaddr_in to4{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        const sockaddr_in6 to6{AF_INET6, 0, 0, in6addr_loopback, 0};
        ::sendto(fd, message.data(), message.size(), 0,
                 v4 ? reinterpret_cast<const sockaddr*>(&to4) : reinterpret_cast<const sockaddr*>(&to6),
                 v4 ? sizeof to4 : sizeof to6);
    }
};

// Pings and adds the status to `statuses`: "Up Down NET-ERROR".
void check(CNetProbe& probe, int family, const char* target, std::string& statuses)
{
    const int status = family == AF_INET ? probe.PingV4(target) : probe.PingV6(target);
    statuses += statuses.empty() ? "" : " ";
    statuses += status == STATUS_UP          ? "Up"
                : status == STATUS_DOWN      ? "Down"
                : status == STATUS_NET_ERROR ? "NET-ERROR"
                                             : std::to_string(status);
}

TEST(PingPaths, EveryAnswerGivesItsStatusOnBothSocketKinds)
{
    const struct
    {
        const char* what;
        Script script;
        const char* statuses;
    } cases[] = {
        {"an error about an answered request, between checks",
         {{kReply, kUnreachable | kAfterCheck}, {kReply, kUnreachable | kAfterCheck}, {kReply}},
         "Up Up Up"},
        {"an error about an answered request, right after the reply",
         {{kReply, kUnreachable}, {kReply, kUnreachable}},
         "Up Up"},
        {"an error about the request before wakes the probe, the reply and an error come as it reads that",
         {{kReply}, {kUnreachable | kAboutEarlier, kReply | kAtErrorRead, kUnreachable | kAtErrorRead}},
         "Up Up"},
        {"errors that do not end a request, the reply 50 ms later; an unreachable alone",
         {{kRedirect, kReply | kLate}, {kQuench, kReply | kLate}, {kUnreachable}},
         "Up Up Down"},
        {"replies late and twice",
         {{}, {kReply | kAboutEarlier, kReply | kAboutEarlier}, {kReply, kReply}, {kReply}},
         "Down Down Up Up"},
    };
    for (const auto& c : cases)
        for (int family : {AF_INET, AF_INET6})
            for (bool datagram : {false, true}) {
                const std::string result = inNamespaces(datagram, false, [&] {
                    Responder responder{family, c.script};
                    CNetProbe probe;
                    std::string statuses;
                    size_t i = 0;
                    probe.m_hIcmp = std::make_unique<platform::IcmpHandle>(family);
                    probe.m_hIcmp->beforeErrorRead = [&](int socket) {
                        responder.errorReadBegins(i, socket);
                    };
                    for (; i < c.script.size(); ++i) {
                        // A check that only its time-out ends gets 500 ms; one that its
                        // answer ends, all the time a loaded machine may need.
                        g_nTimeOut =
                            c.script[i].empty() || (c.script[i].back().when & kAboutEarlier) ? 500 : 10000;
                        check(probe, family, family == AF_INET ? "127.0.0.1" : "::1", statuses);
                        responder.checkEnded(i);
                    }
                    return statuses;
                });
                SKIP_WHERE_NOT_ALLOWED(result);
                EXPECT_EQ(result, c.statuses) << c.what << ", " << nameOf(family, datagram);
            }
}

TEST(PingPaths, ABoxRecoversWhenTheComputersAddressChanges)
{
    // The computer's address goes away (a check meanwhile) and a new one comes
    // (a DHCP lease, an IPv6 temporary address): the first check after that
    // finds the target again. Swapped at once (the new one added first), no
    // check fails.
    const std::string add6 = "ip addr add fd00::3/64 dev veth0 nodad && " + waitAnswering("veth0", "3");
    const struct
    {
        int family;
        const char* target;
        std::string changes[2]; // made one after each check
        const char* statuses;
    } cases[] = {
        {AF_INET,
         "10.0.0.2",
         {"ip addr del 10.0.0.1/24 dev veth0", "ip addr add 10.0.0.3/24 dev veth0"},
         "Up NET-ERROR Up"},
        {AF_INET6, "fd00::2", {"ip addr del fd00::1/64 dev veth0", add6}, "Up NET-ERROR Up"},
        {AF_INET,
         "10.0.0.2",
         {"echo 1 >/proc/sys/net/ipv4/conf/veth0/promote_secondaries && ip addr add 10.0.0.3/24 dev veth0 && "
          "ip addr del 10.0.0.1/24 dev veth0",
          "ip addr add 10.0.0.1/24 dev veth0 && ip addr del 10.0.0.3/24 dev veth0"},
         "Up Up Up"},
        {AF_INET6,
         "fd00::2",
         {add6 + " && ip addr del fd00::1/64 dev veth0", "ip addr add fd00::1/64 dev veth0 nodad && " +
                                                             waitAnswering("veth0", "1") +
                                                             " && ip addr del fd00::3/64 dev veth0"},
         "Up Up Up"},
    };
    for (const auto& c : cases)
        for (bool datagram : {false, true}) {
            const std::string result = inNamespaces(datagram, true, [&] {
                if (std::string failed = makeNeighbour(); !failed.empty())
                    return failed;
                g_nTimeOut = 1000;
                CNetProbe probe;
                std::string statuses;
                for (const std::string& change : c.changes) {
                    check(probe, c.family, c.target, statuses);
                    if (!run(change))
                        return "setup failed: " + change;
                }
                check(probe, c.family, c.target, statuses);
                return statuses;
            });
            SKIP_WHERE_NOT_ALLOWED(result);
            EXPECT_EQ(result, c.statuses) << c.changes[0] << ", " << nameOf(c.family, datagram);
        }
}

TEST(PingPaths, WhereNoIcmpSocketIsAllowedTheUserIsToldOnceHowToAllowIt)
{
    // As Debian leaves it for a user: ping sockets for no group and no
    // raw-socket capability. Once the group is allowed, the next check pings.
    const std::string result = inNamespaces(false, true, [] {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct caps[2] = {};
        caps[0].effective = caps[0].permitted = ~(1u << CAP_NET_RAW);
        if (::syscall(SYS_capset, &header, caps) != 0)
            return std::string("setup failed: capset");
        test::RecordingMessageBoxes messages;
        CNetProbe probe;
        std::string statuses;
        for (int family : {AF_INET, AF_INET6, AF_INET})
            check(probe, family, family == AF_INET ? "127.0.0.1" : "::1", statuses);
        if (!writeFile("/proc/sys/net/ipv4/ping_group_range", "0 0"))
            return std::string("setup failed: ping_group_range");
        check(probe, AF_INET, "127.0.0.1", statuses);
        for (const auto& shown : messages.shown)
            statuses += " | " + shown.text.toStdString();
        return statuses;
    });
    SKIP_WHERE_NOT_ALLOWED(result);
    EXPECT_EQ(result, "NET-ERROR NET-ERROR NET-ERROR Up | " +
                          platform::pingNotAllowedText(
                              QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget(), false)
                              .toStdString());
}

TEST(PingPaths, TheProbesPingTestsPassOnBothSocketKinds)
{
    // The probe's own ping tests, run again by the test program in a child
    // whose namespaces give it the one socket kind, the kernel answering.
    for (bool datagram : {false, true}) {
        const std::string result = inNamespaces(datagram, true, [] {
            ::execl("/proc/self/exe", "korvalen_tests",
                    "--gtest_filter=NetProbeTest.Ping*:NetProbeTest.OneProbe*:NetProbeTest.NoProbeLeaves*",
                    nullptr);
            return std::string("setup failed: the test program could not be started again");
        });
        SKIP_WHERE_NOT_ALLOWED(result);
        EXPECT_NE(result.find("[  PASSED  ] 4 tests."), std::string::npos) << result;
        EXPECT_EQ(result.find("[wait status"), std::string::npos) << result;
    }
}

} // namespace
