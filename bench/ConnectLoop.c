/* The anchor for TCP checks: one thread that opens a connection to each
 * target once a second with a non-blocking connect, waits for all of them
 * with poll and closes them.
 *
 *   korvalen_connect_loop PORT TARGETS
 *
 * Targets are 127.0.0.1, 127.0.0.2, ... Runs until killed. */
#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

static long long nowNs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s PORT TARGETS\n", argv[0]);
        return 2;
    }
    const int port = atoi(argv[1]);
    const int targets = atoi(argv[2]);
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
        const long long left = next - nowNs();
        if (left > 0) {
            struct timespec wait = {left / 1000000000LL, left % 1000000000LL};
            nanosleep(&wait, NULL);
        }
    }
}
