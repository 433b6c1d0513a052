#pragma once

#include <QByteArray>

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace platform {

struct UrlFetchOptions
{
    long connectTimeoutSeconds = 60; // the internet library's usual figures
    long idleTimeoutSeconds = 30;    // no data for this long ends the fetch
    size_t maxBodyBytes = 16u << 20; // a larger body is searched as far as this
};

struct UrlFetchResult
{
    uint32_t error = 0;  // internet library error number, 0 when the body was read
    bool opened = false; // the server answered: an error came while reading the body
    QByteArray body;
    QByteArray contentType; // the last response's Content-Type header, if any
};

// Sets up the URL library once for the process, before any fetch; false when
// it cannot be used.
bool initUrlLibrary();

// Fetches http, https and ftp URLs (other schemes: 12006; no scheme: 12005),
// following at most 10 redirects, with the proxy of the usual environment
// variables and certificate checks on. A fetch ends with 12002 after the
// connect and idle time-outs together, however the server sends; a response
// head too large for the library is an invalid server response (12152). A
// set `stop` aborts within a second.
UrlFetchResult fetchUrl(const QByteArray& url, const std::atomic<bool>* stop, const UrlFetchOptions& options);

// Frees the calling thread's URL handle, which fetches keep from one to the
// next; a thread that ends calls it, so nothing of it is freed after the
// thread has been counted out.
void releaseThreadUrlHandle();

} // namespace platform
