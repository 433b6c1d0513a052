/* The anchor for URL checks: one thread with libcurl's multi interface that
 * fetches each URL once a second over a new connection. With --threads, each
 * fetch has a thread of its own with an easy handle that fetches and sleeps:
 * the least a check thread per box costs.
 *
 *   korvalen_curl_loop URL COUNT [--threads]
 *
 * Runs until killed. */
#include <curl/curl.h>
#include <errno.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static size_t discard(char* data, size_t size, size_t count, void* user)
{
    (void)data;
    (void)user;
    return size * count;
}

static long long nowNs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

static void sleepUntil(long long when)
{
    struct timespec t = {when / 1000000000LL, when % 1000000000LL};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, NULL) == EINTR) {
    }
}

static void* fetchEverySecond(void* url)
{
    CURL* easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_URL, (const char*)url);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, discard);
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    long long next = nowNs();
    for (;;) {
        curl_easy_perform(easy);
        next += 1000000000LL;
        sleepUntil(next);
    }
    return NULL;
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s URL COUNT [--threads]\n", argv[0]);
        return 2;
    }
    const int count = atoi(argv[2]);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    if (argc > 3 && strcmp(argv[3], "--threads") == 0) {
        for (int i = 0; i < count; ++i) {
            pthread_t thread;
            pthread_create(&thread, NULL, fetchEverySecond, argv[1]);
        }
        for (;;)
            sleepUntil(nowNs() + 3600000000000LL);
    }
    CURLM* multi = curl_multi_init();
    CURL** easy = calloc((size_t)count, sizeof *easy);
    for (int i = 0; i < count; ++i) {
        easy[i] = curl_easy_init();
        curl_easy_setopt(easy[i], CURLOPT_URL, argv[1]);
        curl_easy_setopt(easy[i], CURLOPT_WRITEFUNCTION, discard);
        curl_easy_setopt(easy[i], CURLOPT_FORBID_REUSE, 1L);
        curl_easy_setopt(easy[i], CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(easy[i], CURLOPT_NOSIGNAL, 1L);
    }
    long long next = nowNs();
    for (;;) {
        for (int i = 0; i < count; ++i)
            curl_multi_add_handle(multi, easy[i]);
        int running = 1;
        while (running) {
            curl_multi_perform(multi, &running);
            if (running)
                curl_multi_poll(multi, NULL, 0, 1000, NULL);
        }
        CURLMsg* message;
        int left;
        while ((message = curl_multi_info_read(multi, &left)) != NULL)
            ;
        for (int i = 0; i < count; ++i)
            curl_multi_remove_handle(multi, easy[i]);
        next += 1000000000LL;
        sleepUntil(next);
    }
}
