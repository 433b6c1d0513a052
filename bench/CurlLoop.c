/* The anchor for URL checks: one thread with libcurl's multi interface that
 * fetches each URL once a second over a new connection.
 *
 *   korvalen_curl_loop URL COUNT
 *
 * Runs until killed. */
#include <curl/curl.h>
#include <stdio.h>
#include <stdlib.h>
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

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s URL COUNT\n", argv[0]);
        return 2;
    }
    const int count = atoi(argv[2]);
    curl_global_init(CURL_GLOBAL_DEFAULT);
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
        const long long wait = next - nowNs();
        if (wait > 0) {
            struct timespec t = {wait / 1000000000LL, wait % 1000000000LL};
            nanosleep(&t, NULL);
        }
    }
}
