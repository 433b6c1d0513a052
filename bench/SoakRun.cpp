// A soak run of the real program: 70 boxes on loopback whose targets change
// at random moments, logging on for every box. TCP boxes reach ports whose
// listeners are opened and closed, ping boxes loopback addresses, URL boxes a
// local server that serves the phrase, omits it, answers slowly or hangs. The
// driver keeps its own record of every state it put each target in and
// compares the daily logs with it at the end.
//
//   korvalen_soak PROGRAM SECONDS [SEED]
//   korvalen_soak --check FOLDER [END]   compares a kept run's logs again
//
// Fails when a lasting state (longer than the box's interval and time-out)
// was not logged exactly once, when a line is cut or interleaved, when the
// program ended by itself, or when resident memory grew by more than 2 MB
// after the second minute.
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kTcpBoxes = 30;
constexpr int kPingBoxes = 20;
constexpr int kUrlBoxes = 20;
constexpr int kInterval = 1;         // seconds, every box
constexpr double kTcpTimeOut = 3.0;  // the TimeOut setting
constexpr double kUrlTimeOut = 30.0; // no data for this long ends a fetch
constexpr double kClockSlack = 2.0;  // log times are whole seconds
// A line stamped T was written in [T, T + 1), give or take the coarse clock
// behind the stamp and the moment between a change and its record.
constexpr double kStampSpan = 1.05;
constexpr const char* kPhrase = "soak-phrase-ok";

std::atomic<bool> g_stop{false};

double now()
{
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

void sleepFor(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

enum class Method
{
    Tcp,
    Ping,
    Url
};
enum class UrlMode
{
    Serve,
    Omit,
    Slow,
    Hang
};

struct Change
{
    double when;
    std::string status; // the status the program must log for this state
};

struct Box
{
    Method method;
    std::string address;
    uint16_t port = 0;
    std::vector<Change> record;
    std::atomic<int> mode{0}; // URL boxes: a UrlMode
    int listener = -1;        // TCP boxes: the open listener, else -1
};

int listenOn(uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A port below the ephemeral range, so that other programs' outgoing
// connections and port-0 listeners never take it while its listener is closed.
int listenOnFreePort(std::mt19937& rng, uint16_t& port)
{
    std::uniform_int_distribution<int> pick(20000, 32000);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        port = uint16_t(pick(rng));
        const int fd = listenOn(port);
        if (fd >= 0)
            return fd;
    }
    return -1;
}

bool sendAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

// Reads the request head, at most 5 seconds.
void readRequest(int fd)
{
    std::string head;
    char buffer[2048];
    const double end = now() + 5;
    while (head.find("\r\n\r\n") == std::string::npos && now() < end && !g_stop) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0)
            continue;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        head.append(buffer, size_t(n));
    }
}

std::string page(bool withPhrase)
{
    const std::string body = std::string("<html><body>") + (withPhrase ? kPhrase : "nothing here") +
                             std::string(2000, ' ') + "</body></html>";
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// One URL box's server: one connection at a time, as its one check thread
// makes them. The state at the moment of the accept decides the answer.
void serveUrl(Box& box, int listener)
{
    while (!g_stop) {
        pollfd p{listener, POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0)
            continue;
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        const auto mode = UrlMode(box.mode.load());
        readRequest(fd);
        switch (mode) {
        case UrlMode::Serve:
            sendAll(fd, page(true));
            break;
        case UrlMode::Omit:
            sendAll(fd, page(false));
            break;
        case UrlMode::Slow: {
            sleepFor(2);
            const std::string text = page(true);
            const size_t piece = text.size() / 4 + 1;
            for (size_t at = 0; at < text.size() && !g_stop; at += piece) {
                sendAll(fd, text.substr(at, piece));
                sleepFor(0.5);
            }
            break;
        }
        case UrlMode::Hang:
            // Holds the connection without a word until the client gives up.
            for (;;) {
                pollfd c{fd, POLLIN, 0};
                char buffer[512];
                if (g_stop || (::poll(&c, 1, 200) > 0 && ::recv(fd, buffer, sizeof buffer, 0) <= 0))
                    break;
            }
            break;
        }
        ::close(fd);
    }
}

// A server that never answers ends the fetch before the page was opened:
// NET ERROR with the time-out code.
const char* urlStatus(UrlMode mode)
{
    switch (mode) {
    case UrlMode::Serve:
    case UrlMode::Slow:
        return "Up";
    case UrlMode::Omit:
        return "Down";
    case UrlMode::Hang:
        break;
    }
    return "NET ERROR";
}

struct Sample
{
    long rssKb = -1;
    long threads = -1;
    long descriptors = -1;
};

Sample sample(pid_t pid)
{
    Sample s;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            s.rssKb = std::atol(line.c_str() + 6);
        else if (line.rfind("Threads:", 0) == 0)
            s.threads = std::atol(line.c_str() + 8);
    }
    const std::string fdDir = "/proc/" + std::to_string(pid) + "/fd";
    if (DIR* dir = ::opendir(fdDir.c_str())) {
        s.descriptors = 0;
        while (dirent* e = ::readdir(dir))
            if (e->d_name[0] != '.')
                ++s.descriptors;
        ::closedir(dir);
    }
    return s;
}

void writeConfig(const std::string& path, const std::vector<Box*>& boxes)
{
    std::ofstream out(path, std::ios::binary);
    out << "[main]\r\nApp=Korvalen\r\nFirstStart=0\r\nNumBox=" << boxes.size()
        << "\r\nXBox=90\r\nYBox=80\r\nPosX=0\r\nPosY=0\r\nWinPos=1\r\nWinBeh=1\r\nVerifyTime=3\r\nTimeOut="
        << int(kTcpTimeOut * 1000) << "\r\nEnableLog=1\r\nLogFileType=0\r\n";
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& b = *boxes[i];
        const int method = b.method == Method::Ping ? 1 : b.method == Method::Tcp ? 2 : 3;
        const std::string target =
            b.method == Method::Url ? "http://" + b.address + ":" + std::to_string(b.port) + "/" : b.address;
        out << "[Box " << i << "]\r\nText=soak " << i << "\r\nIPAdress=" << target
            << "\r\nIPv=0\r\nPort=" << b.port << "\r\nVerifyMetod=" << method
            << "\r\nLogging=1\r\nSound=0\r\nMsgBox=0\r\nExecFileCheck=0\r\nPhrase=" << kPhrase
            << "\r\nCheckInterval=" << kInterval << "\r\nDisabled=0\r\n";
    }
}

std::string logFileName(const Box& b)
{
    switch (b.method) {
    case Method::Tcp:
        return b.address + "_TCP_" + std::to_string(b.port) + ".txt";
    case Method::Ping:
        return b.address + "_Ping.txt";
    case Method::Url:
        return b.address + "_URL_" + std::to_string(b.port) + ".txt";
    }
    return std::string();
}

std::vector<std::string> split(const std::string& text, const std::string& sep)
{
    std::vector<std::string> parts;
    size_t at = 0;
    for (;;) {
        const size_t next = text.find(sep, at);
        if (next == std::string::npos) {
            parts.push_back(text.substr(at));
            return parts;
        }
        parts.push_back(text.substr(at, next - at));
        at = next + sep.size();
    }
}

struct Figures
{
    long lines = 0;
    long missing = 0;
    long duplicated = 0;
    long cut = 0;
    long interleaved = 0;
    long unexpected = 0;
    long resets = 0;
    long lasting = 0;
};

struct Line
{
    double when;
    std::string status;
};

// The lines of one box's log file, from every day folder, in order.
std::vector<Line> readLog(const std::string& logsDir, const Box& box, Figures& f)
{
    std::vector<std::string> days;
    if (DIR* dir = ::opendir(logsDir.c_str())) {
        while (dirent* e = ::readdir(dir))
            if (e->d_name[0] != '.')
                days.push_back(e->d_name);
        ::closedir(dir);
    }
    std::vector<Line> lines;
    for (const std::string& day : days) {
        std::ifstream in(logsDir + "/" + day + "/" + logFileName(box), std::ios::binary);
        if (!in)
            continue;
        std::stringstream all;
        all << in.rdbuf();
        std::vector<std::string> rows = split(all.str(), "\r\n");
        if (!rows.back().empty())
            ++f.cut; // the file does not end with a whole line
        rows.pop_back();
        for (const std::string& row : rows) {
            ++f.lines;
            const std::vector<std::string> parts = split(row, " | ");
            // URL boxes add the phrase to their Up and Down lines.
            const bool withPhrase =
                box.method == Method::Url && parts.size() > 2 && (parts[2] == "Up" || parts[2] == "Down");
            const size_t fields = withPhrase ? 7 : 6;
            std::tm tm{};
            const bool stamped = parts.size() >= 3 && ::strptime((parts[0] + " " + parts[1]).c_str(),
                                                                 "%m/%d/%y %H:%M:%S", &tm) != nullptr;
            if (parts.size() < fields || !stamped) {
                ++(parts.size() > fields || row.find('/', 10) != std::string::npos ? f.interleaved : f.cut);
                continue;
            }
            if (parts.size() > fields || row.find('\r') != std::string::npos ||
                row.find('\n') != std::string::npos) {
                ++f.interleaved;
                continue;
            }
            tm.tm_isdst = -1;
            lines.push_back(Line{double(std::mktime(&tm)), parts[2]});
        }
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return a.when < b.when; });
    return lines;
}

// Compares a box's log with the record of its states. Each line belongs to
// the latest state of its status that began before it; a lasting state must
// own exactly one line, or none when the log already showed its status.
void compare(const Box& box, const std::vector<Line>& lines, double end, Figures& f)
{
    // Interval and time-out, and the slack of whole-second log times and of
    // the once-a-second idle test of a fetch. Two short states of one status
    // in a row can add up to a lasting one.
    const double lasting = kInterval + (box.method == Method::Url ? kUrlTimeOut : kTcpTimeOut) + kClockSlack;
    std::vector<Change> states;
    for (const Change& c : box.record)
        if (states.empty() || states.back().status != c.status)
            states.push_back(c);
    std::vector<int> owned(states.size(), 0);
    for (const Line& line : lines) {
        // Closing a listener resets the connections it had not yet accepted:
        // a check caught in that moment rightly reports NET ERROR.
        if (box.method == Method::Tcp && line.status == "NET ERROR" &&
            std::any_of(states.begin(), states.end(), [&](const Change& c) {
                return c.status == "Close" && line.when >= c.when - kClockSlack &&
                       line.when <= c.when + kTcpTimeOut + kClockSlack;
            })) {
            ++f.resets;
            continue;
        }
        int owner = -1;
        for (size_t i = 0; i < states.size(); ++i)
            if (states[i].status == line.status && states[i].when < line.when + kStampSpan)
                owner = int(i);
        if (owner < 0) {
            ++f.unexpected;
            std::printf("unexpected: %s %s at %.0f\n", logFileName(box).c_str(), line.status.c_str(),
                        line.when);
        } else
            ++owned[size_t(owner)];
    }
    for (size_t i = 0; i < states.size(); ++i) {
        const double until = i + 1 < states.size() ? states[i + 1].when : end;
        if (until - states[i].when <= lasting)
            continue;
        ++f.lasting;
        if (owned[i] > 1) {
            f.duplicated += owned[i] - 1;
            std::printf("duplicated: %s %s from %.0f to %.0f, %d lines\n", logFileName(box).c_str(),
                        states[i].status.c_str(), states[i].when, until, owned[i]);
        } else if (owned[i] == 0) {
            std::string before;
            for (const Line& line : lines)
                if (line.when + kStampSpan <= states[i].when)
                    before = line.status;
            if (before != states[i].status) {
                ++f.missing;
                std::printf("missing: %s %s from %.0f to %.0f\n", logFileName(box).c_str(),
                            states[i].status.c_str(), states[i].when, until);
            }
        }
    }
}

void printLogFigures(const Figures& f)
{
    std::printf("lines logged %ld   missing %ld   duplicated %ld   cut %ld   interleaved %ld\n", f.lines,
                f.missing, f.duplicated, f.cut, f.interleaved);
    std::printf("further lines: %ld resets by a listener's close, %ld in no state driven\n", f.resets,
                f.unexpected);
}

// Compares the logs of a kept run with its record again.
int checkAgain(const std::string& dir, double end)
{
    std::ifstream in(dir + "/record.txt");
    std::map<std::string, std::vector<Change>> records;
    std::string file, status;
    double when;
    while (in >> file >> when && std::getline(in >> std::ws, status)) {
        if (file == "end")
            end = when;
        else
            records[file].push_back(Change{when, status});
    }
    std::vector<Box> boxes(records.size());
    size_t i = 0;
    for (auto& [name, record] : records) {
        Box& b = boxes[i++];
        for (const auto& [kind, method] : {std::pair{"_TCP_", Method::Tcp}, std::pair{"_URL_", Method::Url},
                                           std::pair{"_Ping", Method::Ping}}) {
            const size_t at = name.find(kind);
            if (at == std::string::npos)
                continue;
            b.method = method;
            b.address = name.substr(0, at);
            b.port = uint16_t(std::atoi(name.c_str() + at + 5));
        }
        b.record = record;
    }
    Figures f;
    for (const Box& b : boxes)
        compare(b, readLog(dir + "/Korvalen/Logs", b, f), end, f);
    std::printf("lasting states %ld\n", f.lasting);
    printLogFigures(f);
    return f.missing || f.duplicated || f.cut || f.interleaved ? 1 : 0;
}

void printSample(const char* when, const Sample& s)
{
    std::printf("%-12s resident %7ld kB   threads %4ld   descriptors %4ld\n", when, s.rssKb, s.threads,
                s.descriptors);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--check")
        return checkAgain(argv[2], argc > 3 ? std::atof(argv[3]) : 0);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PROGRAM SECONDS [SEED]\n       %s --check FOLDER [END]\n", argv[0],
                     argv[0]);
        return 2;
    }
    const std::string program = argv[1];
    const double seconds = std::max(60.0, std::atof(argv[2]));
    const unsigned seed =
        argc > 3 ? unsigned(std::strtoul(argv[3], nullptr, 10)) : unsigned(std::time(nullptr));
    std::mt19937 rng(seed);
    std::signal(SIGPIPE, SIG_IGN);

    char dirTemplate[] = "/tmp/korvalen-soak-XXXXXX";
    if (!::mkdtemp(dirTemplate)) {
        std::perror("mkdtemp");
        return 2;
    }
    const std::string dir = dirTemplate;
    ::mkdir((dir + "/run").c_str(), 0700);
    ::mkdir((dir + "/Korvalen").c_str(), 0755);

    std::vector<Box> boxes(kTcpBoxes + kPingBoxes + kUrlBoxes);
    std::vector<Box*> order;
    std::vector<int> urlListeners;
    for (size_t i = 0; i < boxes.size(); ++i) {
        Box& b = boxes[i];
        if (i < kTcpBoxes) {
            b.method = Method::Tcp;
            b.address = "127.0.0.1";
            b.listener = listenOnFreePort(rng, b.port);
        } else if (i < kTcpBoxes + kPingBoxes) {
            b.method = Method::Ping;
            b.address = "127.0.1." + std::to_string(i - kTcpBoxes + 1);
        } else {
            b.method = Method::Url;
            b.address = "127.0.0.1";
            urlListeners.push_back(listenOnFreePort(rng, b.port));
            if (urlListeners.back() < 0) {
                std::fprintf(stderr, "no free port\n");
                return 2;
            }
        }
        if (b.method == Method::Tcp && b.listener < 0) {
            std::fprintf(stderr, "no free port\n");
            return 2;
        }
        order.push_back(&b);
    }
    writeConfig(dir + "/Korvalen/MainConfA.ini", order);

    std::vector<std::thread> servers;
    for (int i = 0; i < kUrlBoxes; ++i)
        servers.emplace_back(serveUrl, std::ref(boxes[size_t(kTcpBoxes + kPingBoxes + i)]),
                             urlListeners[size_t(i)]);

    // Start states: every TCP listener open, every URL box serving.
    const double start = now();
    for (Box& b : boxes)
        b.record.push_back(Change{start, b.method == Method::Tcp ? "Open" : "Up"});

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("APPDATA", dir.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (dir + "/run").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::printf("soak: %s for %.0f s, seed %u, folder %s\n", program.c_str(), seconds, seed, dir.c_str());
    std::fflush(stdout);

    // Each target gets its next change at a random moment: mostly lasting
    // states, some short flaps that the program may or may not see.
    const double quiet = kInterval + kUrlTimeOut + 10; // no changes in the last stretch, a lasting one
    std::vector<double> next(boxes.size());
    auto schedule = [&](size_t i, double from) {
        const bool url = boxes[i].method == Method::Url;
        const double lasting = kInterval + (url ? kUrlTimeOut : kTcpTimeOut);
        std::uniform_real_distribution<double> coin(0, 1);
        std::uniform_real_distribution<double> shortTime(0.3, lasting - 0.5);
        std::uniform_real_distribution<double> longTime(lasting + kClockSlack + 1, lasting * 3 + 5);
        next[i] = from + (coin(rng) < 0.3 ? shortTime(rng) : longTime(rng));
    };
    for (size_t i = 0; i < boxes.size(); ++i)
        schedule(i, start);

    long changes = 0;
    Sample atStart, atTwoMinutes, atEnd;
    Sample peak;
    bool sampledStart = false, sampledTwo = false;
    double nextSample = start + 10;
    bool died = false;
    while (now() - start < seconds) {
        const double t = now();
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            died = true;
            break;
        }
        if (t >= nextSample) {
            const Sample s = sample(pid);
            peak.rssKb = std::max(peak.rssKb, s.rssKb);
            peak.threads = std::max(peak.threads, s.threads);
            peak.descriptors = std::max(peak.descriptors, s.descriptors);
            if (!sampledStart) {
                atStart = s;
                sampledStart = true;
            }
            if (!sampledTwo && t - start >= 120) {
                atTwoMinutes = s;
                sampledTwo = true;
            }
            nextSample += 10;
        }
        for (size_t i = 0; i < boxes.size(); ++i) {
            Box& b = boxes[i];
            if (b.method == Method::Ping || t < next[i] || t > start + seconds - quiet)
                continue;
            if (b.method == Method::Tcp) {
                if (b.listener >= 0) {
                    ::close(b.listener);
                    b.listener = -1;
                } else {
                    b.listener = listenOn(b.port);
                }
                b.record.push_back(Change{now(), b.listener >= 0 ? "Open" : "Close"});
            } else {
                const auto current = UrlMode(b.mode.load());
                auto mode = current;
                std::uniform_int_distribution<int> pick(0, 3);
                while (mode == current)
                    mode = UrlMode(pick(rng));
                b.mode = int(mode);
                b.record.push_back(Change{now(), urlStatus(mode)});
            }
            ++changes;
            schedule(i, t);
        }
        // Accepts and drops whatever reaches the open TCP listeners.
        std::vector<pollfd> polls;
        for (const Box& b : boxes)
            if (b.listener >= 0)
                polls.push_back(pollfd{b.listener, POLLIN, 0});
        if (::poll(polls.data(), polls.size(), 20) > 0)
            for (const pollfd& p : polls)
                if (p.revents & POLLIN)
                    for (int fd; (fd = ::accept4(p.fd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;)
                        ::close(fd);
    }
    atEnd = sample(pid);
    peak.rssKb = std::max(peak.rssKb, atEnd.rssKb);
    peak.threads = std::max(peak.threads, atEnd.threads);
    peak.descriptors = std::max(peak.descriptors, atEnd.descriptors);
    if (!sampledTwo)
        atTwoMinutes = atEnd;
    const double end = now();
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    g_stop = true;
    for (std::thread& t : servers)
        t.join();

    // The record, for a look at a failed run.
    {
        std::ofstream out(dir + "/record.txt");
        for (const Box& b : boxes)
            for (const Change& c : b.record)
                out << logFileName(b) << ' ' << std::fixed << c.when << ' ' << c.status << '\n';
        out << "end " << std::fixed << end << " -\n";
    }
    Figures f;
    for (const Box& b : boxes)
        compare(b, readLog(dir + "/Korvalen/Logs", b, f), end, f);

    std::printf("changes driven %ld, lasting states %ld\n", changes, f.lasting);
    printLogFigures(f);
    printSample("start", atStart);
    printSample("2 minutes", atTwoMinutes);
    printSample("end", atEnd);
    printSample("peak", peak);
    const long growth = atEnd.rssKb - atTwoMinutes.rssKb;
    bool ok = true;
    if (died) {
        std::printf("FAIL: the program ended during the run\n");
        ok = false;
    }
    if (f.missing || f.duplicated || f.cut || f.interleaved) {
        std::printf("FAIL: the logs do not match the states driven\n");
        ok = false;
    }
    if (growth > 2048) {
        std::printf("FAIL: resident memory grew by %ld kB after the second minute\n", growth);
        ok = false;
    }
    if (ok) {
        std::printf("soak passed\n");
        std::string rm = "rm -rf '" + dir + "'";
        if (std::system(rm.c_str()) != 0)
            std::printf("could not remove %s\n", dir.c_str());
    }
    return ok ? 0 : 1;
}
