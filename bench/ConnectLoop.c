/* The anchor for TCP checks: one thread that opens a connection to each
 * target once a second with a non-blocking connect, waits for all of them
 * with poll and closes them. With --threads, each target has a thread of its
 * own that connects, waits and sleeps: the least a check thread per box
 * costs.
 *
 *   korvalen_connect_loop PORT TARGETS [--threads]
 *
 * Targets are 127.0.0.1, 127.0.0.2, ... Runs until killed. */
#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

static long long nowNs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

static int port;

static void sleepUntil(long long when)
{
    struct timespec t = {when / 1000000000LL, when % 1000000000LL};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, NULL) == EINTR) {
    }
}

static void* connectEverySecond(void* target)
{
    long long next = nowNs();
    for (;;) {
        struct sockaddr_in to = {0};
        to.sin_family = AF_INET;
        to.sin_port = htons((unsigned short)port);
        to.sin_addr.s_addr = htonl(0x7F000001u + (unsigned)(long)target);
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd >= 0 && connect(fd, (struct sockaddr*)&to, sizeof to) != 0 && errno == EINPROGRESS) {
            struct pollfd pfd = {fd, POLLOUT, 0};
            poll(&pfd, 1, 1000);
        }
        int error = 0;
        socklen_t length = sizeof error;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        close(fd);
        next += 1000000000LL;
        sleepUntil(next);
    }
    return NULL;
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s PORT TARGETS [--threads]\n", argv[0]);
        return 2;
    }
    port = atoi(argv[1]);
    const int targets = atoi(argv[2]);
    if (argc > 3 && strcmp(argv[3], "--threads") == 0) {
        for (long i = 0; i < targets; ++i) {
            pthread_t thread;
            pthread_create(&thread, NULL, connectEverySecond, (void*)i);
        }
        for (;;)
            sleepUntil(nowNs() + 3600000000000LL);
    }
    struct pollfd* fds = calloc((size_t)targets, sizeof *fds);
    long long next = nowNs();
    for (;;) {
        for (int i = 0; i < targets; ++i) {
            struct sockaddr_in to = {0};
            to.sin_family = AF_INET;
            to.sin_port = htons((unsigned short)port);
            to.sin_addr.s_addr = htonl(0x7F000001u + (unsigned)i);
            fds[i].fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            fds[i].events = POLLOUT;
            if (fds[i].fd >= 0 && connect(fds[i].fd, (struct sockaddr*)&to, sizeof to) == 0)
                fds[i].events = 0;
        }
        int open = targets;
        while (open > 0) {
            if (poll(fds, (nfds_t)targets, 1000) <= 0)
                break;
            for (int i = 0; i < targets; ++i) {
                if (fds[i].fd >= 0 && fds[i].revents) {
                    int error = 0;
                    socklen_t length = sizeof error;
                    getsockopt(fds[i].fd, SOL_SOCKET, SO_ERROR, &error, &length);
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
        for (int i = 0; i < targets; ++i)
            if (fds[i].fd >= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
            }
        next += 1000000000LL;
        sleepUntil(next);
    }
}
