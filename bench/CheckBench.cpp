// The program's checks beside their anchors, each pair in the same minutes:
// the built program runs with 70 boxes (three instances for one row) at a
// one-second interval on loopback addresses while its anchor runs on the same
// targets, and both are measured over the same window from /proc (CPU time of
// every thread, context switches). Each row gives CPU per check for both, the
// ratio and whether the row's target is met. The TCP and URL rows also give
// the anchor's own work done with a thread per target, as the program does.
//
//   korvalen_check_bench [--short] [--seconds N] [--rows ping,ping3,tcp,url,none]
//
// --short measures a few seconds per row (as the tests' script runs it); the
// default is 20 s per row. The exit status is 0 whatever the figures: this
// is a measurement, not a test.
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <net/if.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sched.h>
#include <sstream>
#include <string>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kBoxes = 70;

// Checks of every thread of a process so far.
struct Sample
{
    double cpuNs = 0;
    double switches = 0;
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

long statusField(const std::string& status, const char* field)
{
    const size_t at = status.find(field);
    return at == std::string::npos ? 0 : std::atol(status.c_str() + at + std::strlen(field));
}

// CPU nanoseconds and context switches of the live threads of `pid`.
Sample sample(pid_t pid)
{
    Sample s;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir)
        return s;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string task = tasks + "/" + entry->d_name;
        s.cpuNs += std::atof(readFile(task + "/schedstat").c_str());
        const std::string status = readFile(task + "/status");
        s.switches += double(statusField(status, "voluntary_ctxt_switches:") +
                             statusField(status, "nonvoluntary_ctxt_switches:"));
    }
    closedir(dir);
    return s;
}

int threadCount(pid_t pid)
{
    return int(statusField(readFile("/proc/" + std::to_string(pid) + "/status"), "Threads:"));
}

long residentKb(pid_t pid)
{
    return statusField(readFile("/proc/" + std::to_string(pid) + "/status"), "VmRSS:");
}

// Starts a program in a network namespace of its own where the system allows
// it (only its loopback interface, so that no other program's ICMP packets
// reach its sockets), else in the current one.
pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {})
{
    std::vector<std::string> own = args;
    std::vector<char*> argv;
    for (auto& a : own)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e)
        envText.emplace_back(*e);
    for (const auto& e : extraEnv)
        envText.push_back(e);
    std::vector<char*> envp;
    for (auto& e : envText)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    // The pipe closes on exec: then the program runs in its namespace.
    int started[2];
    if (::pipe2(started, O_CLOEXEC) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid != 0) {
        ::close(started[1]);
        char byte;
        while (pid > 0 && ::read(started[0], &byte, 1) < 0 && errno == EINTR) {
        }
        ::close(started[0]);
        return pid;
    }
    // Ends with the benchmark, however that ends.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::unshare(CLONE_NEWNET) == 0) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ifreq request{};
        std::strcpy(request.ifr_name, "lo");
        ::ioctl(fd, SIOCGIFFLAGS, &request);
        request.ifr_flags |= IFF_UP;
        ::ioctl(fd, SIOCSIFFLAGS, &request);
        ::close(fd);
    }
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
}

// Runs `work` on a thread inside the network namespace of `pid`.
void inNamespaceOf(pid_t pid, const std::function<void()>& work)
{
    std::thread([&] {
        const int ns = ::open(("/proc/" + std::to_string(pid) + "/ns/net").c_str(), O_RDONLY | O_CLOEXEC);
        if (ns >= 0) {
            ::setns(ns, CLONE_NEWNET);
            ::close(ns);
        }
        work();
    }).join();
}

void stop(pid_t pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGKILL);
    int status;
    ::waitpid(pid, &status, 0);
}

bool waitUntil(const std::function<bool()>& done, int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A loopback server that counts the connections it takes; with a reply, it
// reads a request and answers it before closing (a small web server).
class Server
{
public:
    // Listens on `port` in the network namespace of `pid`.
    Server(pid_t pid, int port, std::string reply) : m_reply(std::move(reply))
    {
        inNamespaceOf(pid, [&] { m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); });
        const int on = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        address.sin_port = htons(uint16_t(port));
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_fd, 1024) != 0)
            std::fprintf(stderr, "cannot listen on port %d: %s\n", port, std::strerror(errno));
        m_thread = std::thread([this] { serve(); });
    }
    ~Server()
    {
        m_stop = true;
        ::shutdown(m_fd, SHUT_RDWR);
        m_thread.join();
        ::close(m_fd);
    }
    long accepted() const { return m_accepted; }

private:
    void serve()
    {
        while (!m_stop) {
            const int client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) {
                if (m_stop)
                    return;
                continue;
            }
            ++m_accepted;
            if (!m_reply.empty()) {
                std::string request;
                char buffer[4096];
                pollfd pfd{client, POLLIN, 0};
                while (request.find("\r\n\r\n") == std::string::npos && ::poll(&pfd, 1, 2000) > 0) {
                    const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                    if (n <= 0)
                        break;
                    request.append(buffer, size_t(n));
                }
                ::send(client, m_reply.data(), m_reply.size(), MSG_NOSIGNAL);
            }
            ::close(client);
        }
    }

    std::string m_reply;
    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_accepted{0};
    std::thread m_thread;
};

// A data folder with one configuration per instance.
class DataFolder
{
public:
    DataFolder()
    {
        char pattern[] = "/tmp/korvalen-bench-XXXXXX";
        m_dir = ::mkdtemp(pattern);
        ::mkdir((m_dir + "/Korvalen").c_str(), 0700);
        ::mkdir((m_dir + "/run").c_str(), 0700);
    }
    ~DataFolder() { std::system(("rm -rf '" + m_dir + "'").c_str()); }

    // 70 boxes of one method on 127.0.0.(first+1) onwards.
    void writeConfig(int instance, int method, int first, int port, const std::string& phrase) const
    {
        std::ostringstream ini;
        ini << "[main]\nFirstStart=0\nNumBox=" << kBoxes << "\nTimeOut=1000\n";
        for (int i = 0; i < kBoxes; ++i) {
            const int host = first + i + 1;
            std::string target = "127.0." + std::to_string(host / 250) + "." + std::to_string(host % 250);
            if (method == 3)
                target = "http://" + target + ":" + std::to_string(port) + "/";
            ini << "[Box " << i << "]\nText=B" << i << "\nIPAdress=" << target << "\nVerifyMetod=" << method
                << "\nPort=" << port << "\nPhrase=" << phrase << "\nCheckInterval=1\n";
        }
        static const char* const files[] = {"MainConfA.ini", "MainConfB.ini", "MainConfC.ini"};
        std::ofstream(m_dir + "/Korvalen/" + files[instance]) << ini.str();
    }
    std::vector<std::string> environment() const
    {
        return {"APPDATA=" + m_dir, "XDG_RUNTIME_DIR=" + m_dir + "/run", "QT_QPA_PLATFORM=offscreen"};
    }

private:
    std::string m_dir;
};

// Ports that nothing listens on here, one for each program's server: the
// programs share this network namespace when they cannot have their own.
std::vector<int> freePorts(int count)
{
    std::vector<int> fds, ports;
    for (int i = 0; i < count; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        fds.push_back(fd);
        ports.push_back(ntohs(address.sin_port));
    }
    for (const int fd : fds)
        ::close(fd);
    return ports;
}

std::string programDir()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    std::string dir(path, size_t(n));
    return dir.substr(0, dir.rfind('/'));
}

struct Measured
{
    double cpuNs = 0;
    double switches = 0;
    double checks = 0;
    long residentKb = 0;
    // Nothing was measured when no check was counted or no CPU time read.
    bool valid() const { return checks > 0 && cpuNs > 0; }
    double perCheckUs() const { return checks > 0 ? cpuNs / checks / 1e3 : 0; }
    double switchesPerCheck() const { return checks > 0 ? switches / checks : 0; }
};

struct Row
{
    std::string name;
    std::string anchorName;
    std::optional<Measured> ours;
    std::optional<Measured> anchor;
    // The anchor's work done with a thread per target, as the program does
    // it: what the program's way of checking costs by itself. It is measured
    // after the program, beside the anchor again, so that neither disturbs
    // the other's figures.
    std::string referenceName;
    std::optional<Measured> reference;
    double targetRatio = 0;                  // at most this many times the anchor, 0: none
    double targetUs = 0;                     // at most this many microseconds per check, 0: none
    double targetSwitches = 0;               // at most this many context switches per check, 0: none
    std::optional<Measured> referenceAnchor; // the anchor, measured beside the reference
};

// A program measured beside ours: its process and how its checks are
// counted (nullptr: as targets x seconds).
struct Beside
{
    pid_t pid = -1;
    int targets = 0;
    std::function<long()> count;
};

// Runs the program instances and the anchor side by side: a warm-up, then
// `seconds` measured. Checks are counted by the given functions over the
// window, or as targets x seconds (every box and every anchor target is
// checked once a second).
void measure(const std::vector<pid_t>& ours, const Beside& anchorSide, int seconds, int ourTargets,
             const std::function<long()>& ourCount, Row& row)
{
    const pid_t anchor = anchorSide.pid;
    const int anchorTargets = anchorSide.targets;
    const std::function<long()>& anchorCount = anchorSide.count;
    // The program is running its checks once all its check threads exist.
    for (pid_t pid : ours)
        waitUntil([pid] { return threadCount(pid) >= kBoxes; }, 15000);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    auto sum = [](const std::vector<pid_t>& pids) {
        Sample total;
        for (pid_t pid : pids) {
            const Sample s = sample(pid);
            total.cpuNs += s.cpuNs;
            total.switches += s.switches;
        }
        return total;
    };
    const Sample oursBefore = sum(ours);
    const Sample anchorBefore = anchor > 0 ? sample(anchor) : Sample{};
    const long oursCountBefore = ourCount ? ourCount() : 0;
    const long anchorCountBefore = anchorCount ? anchorCount() : 0;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const Sample oursAfter = sum(ours);
    const Sample anchorAfter = anchor > 0 ? sample(anchor) : Sample{};
    Measured m;
    m.cpuNs = oursAfter.cpuNs - oursBefore.cpuNs;
    m.switches = oursAfter.switches - oursBefore.switches;
    m.checks = ourCount ? double(ourCount() - oursCountBefore) : double(ourTargets) * seconds;
    m.residentKb = residentKb(ours.front());
    row.ours = m;
    if (anchor > 0) {
        Measured a;
        a.cpuNs = anchorAfter.cpuNs - anchorBefore.cpuNs;
        a.switches = anchorAfter.switches - anchorBefore.switches;
        a.checks = anchorCount ? double(anchorCount() - anchorCountBefore) : double(anchorTargets) * seconds;
        a.residentKb = residentKb(anchor);
        row.anchor = a;
    }
}

// The TCP and URL rows: the program beside its anchor, then the anchor's
// loop with a thread per target beside the anchor again, each with a server
// of its own on its port (`ports`: the program's, the anchor's, the
// reference's). `loopArgs` gives the anchor's command line for a port.
void measureServed(Row& row, pid_t ours, const std::vector<int>& ports, const std::string& reply, int seconds,
                   const std::function<std::vector<std::string>(int port)>& loopArgs)
{
    const pid_t anchor = spawn(loopArgs(ports[1]));
    Server forAnchor(anchor, ports[1], reply);
    const Beside anchorSide{anchor, kBoxes, [&] { return forAnchor.accepted(); }};
    {
        Server forUs(ours, ports[0], reply);
        measure(
            {ours}, anchorSide, seconds, kBoxes, [&] { return forUs.accepted(); }, row);
        stop(ours);
    }
    std::vector<std::string> args = loopArgs(ports[2]);
    args.push_back("--threads");
    const pid_t reference = spawn(args);
    {
        Server forReference(reference, ports[2], reply);
        Row measured;
        measure(
            {reference}, anchorSide, seconds, kBoxes, [&] { return forReference.accepted(); }, measured);
        row.reference = measured.ours;
        row.referenceAnchor = measured.anchor;
        stop(reference);
    }
    stop(anchor);
}

void fpingTargets(int count, std::vector<std::string>& args)
{
    for (int i = 0; i < count; ++i) {
        const int host = i + 1;
        args.push_back("127.0." + std::to_string(host / 250) + "." + std::to_string(host % 250));
    }
}

void print(const Row& row)
{
    std::printf("%-26s", row.name.c_str());
    if (!row.ours || !row.ours->valid()) {
        std::printf("  not measured: no check counted\n");
        return;
    }
    std::printf(" %8.1f us/check %5.2f sw/check", row.ours->perCheckUs(), row.ours->switchesPerCheck());
    if (row.anchor && row.anchor->valid()) {
        std::printf(" | %-24s %8.1f us/check %5.2f sw/check | ratio %5.2f", row.anchorName.c_str(),
                    row.anchor->perCheckUs(), row.anchor->switchesPerCheck(),
                    row.ours->perCheckUs() / row.anchor->perCheckUs());
    } else if (!row.anchorName.empty()) {
        std::printf(" | %-24s not available", row.anchorName.c_str());
    }
    std::printf("\n");
    if (row.reference && row.reference->valid() && row.referenceAnchor && row.referenceAnchor->valid())
        std::printf("%-26s %8.1f us/check %5.2f sw/check | %-24s ratio %5.2f to the anchor\n",
                    row.referenceName.c_str(), row.reference->perCheckUs(), row.reference->switchesPerCheck(),
                    "", row.reference->perCheckUs() / row.referenceAnchor->perCheckUs());
}

void verdict(const Row& row)
{
    if (!row.ours || !row.ours->valid()) {
        std::printf("  %-24s NOT MET: not measured\n", row.name.c_str());
        return;
    }
    std::vector<std::string> parts;
    bool met = true;
    char text[160];
    if (row.targetRatio > 0) {
        if (row.anchor && row.anchor->valid()) {
            const double ratio = row.ours->perCheckUs() / row.anchor->perCheckUs();
            std::snprintf(text, sizeof text, "CPU per check at most %.1fx the anchor's (%.2f)",
                          row.targetRatio, ratio);
            met = met && ratio <= row.targetRatio;
        } else {
            std::snprintf(text, sizeof text, "CPU per check against the anchor: no anchor");
            met = false;
        }
        parts.push_back(text);
    }
    if (row.targetUs > 0) {
        std::snprintf(text, sizeof text, "at most %.0f us per check (%.1f)", row.targetUs,
                      row.ours->perCheckUs());
        met = met && row.ours->perCheckUs() <= row.targetUs;
        parts.push_back(text);
    }
    if (row.targetSwitches > 0) {
        std::snprintf(text, sizeof text, "at most %.0f context switches per check (%.2f)", row.targetSwitches,
                      row.ours->switchesPerCheck());
        met = met && row.ours->switchesPerCheck() <= row.targetSwitches;
        parts.push_back(text);
    }
    std::string joined;
    for (const auto& p : parts)
        joined += (joined.empty() ? "" : "; ") + p;
    std::printf("  %-24s %s: %s\n", row.name.c_str(), met ? "MET    " : "NOT MET", joined.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    int seconds = 20;
    std::string rows = "ping,ping3,tcp,url,none";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--short")
            seconds = 3;
        else if (arg == "--seconds" && i + 1 < argc)
            seconds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--rows" && i + 1 < argc)
            rows = argv[++i];
    }
    auto wanted = [&](const char* name) {
        return ("," + rows + ",").find(std::string(",") + name + ",") != std::string::npos;
    };
    std::signal(SIGPIPE, SIG_IGN);
    const std::string dir = programDir();
    const std::string program = dir + "/../korvalen";
    const bool haveFping = ::access("/usr/bin/fping", X_OK) == 0;
    std::printf("Korvalen checks beside their anchors: %d boxes per instance, 1 s interval, loopback, %d s "
                "per row\n",
                kBoxes, seconds);
    std::fflush(stdout);

    std::vector<Row> table;
    long pingResidentKb = 0;
    auto runProgram = [&](const DataFolder& data, int instance) {
        static const char* const switches[] = {"", "/secondary", "/tertiary"};
        std::vector<std::string> args = {program};
        if (instance > 0)
            args.push_back(switches[instance]);
        return spawn(args, data.environment());
    };

    if (wanted("ping")) {
        Row row{"ping", "fping -l -p 1000", {}, {}, "", {}, 1.0, 0, 0, {}};
        DataFolder data;
        data.writeConfig(0, 1, 0, 80, "html");
        const pid_t ours = runProgram(data, 0);
        std::vector<std::string> args = {"/usr/bin/fping", "-l", "-q", "-p", "1000"};
        fpingTargets(kBoxes, args);
        const pid_t anchor = haveFping ? spawn(args) : -1;
        measure({ours}, {anchor, kBoxes, nullptr}, seconds, kBoxes, nullptr, row);
        pingResidentKb = row.ours ? row.ours->residentKb : 0;
        stop(ours);
        stop(anchor);
        table.push_back(row);
        print(row);
    }
    if (wanted("ping3")) {
        Row row{"ping, 3 instances x 70", "fping on 210 targets", {}, {}, "", {}, 1.5, 0, 0, {}};
        DataFolder data;
        for (int instance = 0; instance < 3; ++instance)
            data.writeConfig(instance, 1, instance * kBoxes, 80, "html");
        std::vector<pid_t> ours;
        for (int instance = 0; instance < 3; ++instance)
            ours.push_back(runProgram(data, instance));
        std::vector<std::string> args = {"/usr/bin/fping", "-l", "-q", "-p", "1000"};
        fpingTargets(3 * kBoxes, args);
        const pid_t anchor = haveFping ? spawn(args) : -1;
        measure(ours, {anchor, 3 * kBoxes, nullptr}, seconds, 3 * kBoxes, nullptr, row);
        for (pid_t pid : ours)
            stop(pid);
        stop(anchor);
        table.push_back(row);
        print(row);
    }
    if (wanted("tcp")) {
        Row row{"TCP connect", "C non-blocking connects", {}, {}, "  a thread per target", {}, 2.0, 0, 0, {}};
        const std::vector<int> ports = freePorts(3); // the program's, the anchor's, the reference's
        DataFolder data;
        data.writeConfig(0, 2, 0, ports[0], "html");
        const pid_t ours = runProgram(data, 0);
        const std::string loop = dir + "/korvalen_connect_loop";
        measureServed(row, ours, ports, "", seconds, [&](int port) {
            return std::vector<std::string>{loop, std::to_string(port), std::to_string(kBoxes)};
        });
        table.push_back(row);
        print(row);
    }
    if (wanted("url")) {
        Row row{"URL (small page)", "plain libcurl loop", {}, {}, "  a thread per URL", {}, 2.0, 0, 0, {}};
        std::string page = "<html><head><title>Korvalen bench</title></head><body>";
        while (page.size() < 2000)
            page += "<p>A small page that the URL checks fetch and search.</p>";
        page += "</body></html>";
        const std::string reply =
            "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(page.size()) +
            "\r\nConnection: close\r\n\r\n" + page;
        const std::vector<int> ports = freePorts(3); // the program's, the anchor's, the reference's
        DataFolder data;
        data.writeConfig(0, 3, 0, ports[0], "Korvalen bench");
        const pid_t ours = runProgram(data, 0);
        const std::string loop = dir + "/korvalen_curl_loop";
        measureServed(row, ours, ports, reply, seconds, [&](int port) {
            return std::vector<std::string>{loop, "http://127.0.0.1:" + std::to_string(port) + "/",
                                            std::to_string(kBoxes)};
        });
        table.push_back(row);
        print(row);
    }
    if (wanted("none")) {
        // A method that no check serves: the box reports NET ERROR at every
        // interval without touching the network, so all that is measured is
        // the cost around a check.
        Row row{"probe that does nothing", "", {}, {}, "", {}, 0, 25.0, 2.0, {}};
        DataFolder data;
        data.writeConfig(0, 0, 0, 80, "html");
        const pid_t ours = runProgram(data, 0);
        measure({ours}, Beside(), seconds, kBoxes, nullptr, row);
        stop(ours);
        table.push_back(row);
        print(row);
    }

    if (pingResidentKb > 0)
        std::printf("Resident memory with %d ping boxes: %.1f MB (target: under 40 MB, %s)\n", kBoxes,
                    double(pingResidentKb) / 1024.0, pingResidentKb < 40 * 1024 ? "met" : "not met");
    std::printf("Targets:\n");
    for (const Row& row : table)
        verdict(row);
    return 0;
}
