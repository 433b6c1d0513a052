#include "UrlFetch.h"

#include "NetErrors.h"

// The calls go through the functions of the library loaded at run time.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include <csignal>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <type_traits>

namespace platform {

namespace {

// libcurl, and all it brings along (TLS, Kerberos, LDAP, SSH libraries), is
// loaded by the first URL check rather than at every start: a program
// without URL boxes never has it in memory.
struct UrlLibrary
{
    decltype(&::curl_global_init) global_init = nullptr;
    decltype(&::curl_easy_init) easy_init = nullptr;
    decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&::curl_easy_setopt) easy_setopt = nullptr;
    decltype(&::curl_easy_perform) easy_perform = nullptr;
    decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&::curl_slist_append) slist_append = nullptr;
    decltype(&::curl_slist_free_all) slist_free_all = nullptr;

    bool load()
    {
        void* library = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return false;
        auto get = [library](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
            return function != nullptr;
        };
        // The library stays loaded until the process ends.
        return get(global_init, "curl_global_init") && get(easy_init, "curl_easy_init") &&
               get(easy_cleanup, "curl_easy_cleanup") && get(easy_setopt, "curl_easy_setopt") &&
               get(easy_perform, "curl_easy_perform") && get(easy_getinfo, "curl_easy_getinfo") &&
               get(slist_append, "curl_slist_append") && get(slist_free_all, "curl_slist_free_all");
    }
};

UrlLibrary g_curl; // filled once by initUrlLibrary, read-only afterwards

} // namespace

} // namespace platform

#undef curl_easy_setopt
#undef curl_easy_getinfo
#define curl_global_init platform::g_curl.global_init
#define curl_easy_init platform::g_curl.easy_init
#define curl_easy_cleanup platform::g_curl.easy_cleanup
#define curl_easy_setopt platform::g_curl.easy_setopt
#define curl_easy_perform platform::g_curl.easy_perform
#define curl_easy_getinfo platform::g_curl.easy_getinfo
#define curl_slist_append platform::g_curl.slist_append
#define curl_slist_free_all platform::g_curl.slist_free_all

namespace platform {

namespace {

// The response head a server may send: more is an invalid response, as the
// internet library takes it.
constexpr size_t kMaxHeadBytes = 256 * 1024;

struct Transfer
{
    QByteArray body;
    size_t maxBody = 0;
    bool truncated = false;
    size_t headBytes = 0; // of the current response; a redirect starts a new one
    bool headTooLarge = false;
    const std::atomic<bool>* stop = nullptr;
};

size_t onData(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    const size_t room = transfer->maxBody - size_t(transfer->body.size());
    if (bytes > room) {
        transfer->body.append(data, qsizetype(room));
        transfer->truncated = true;
        return 0; // ends the transfer; what was read is searched
    }
    transfer->body.append(data, qsizetype(bytes));
    return bytes;
}

size_t onHeader(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (bytes >= 5 && std::memcmp(data, "HTTP/", 5) == 0)
        transfer->headBytes = 0;
    transfer->headBytes += bytes;
    if (transfer->headBytes > kMaxHeadBytes) {
        transfer->headTooLarge = true;
        return 0; // ends the transfer
    }
    return bytes;
}

// Sockets of a fetch must not be inherited by programs that the system starts.
int onSocket(void*, curl_socket_t fd, curlsocktype)
{
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    return CURL_SOCKOPT_OK;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* transfer = static_cast<Transfer*>(user);
    return transfer->stop && transfer->stop->load() ? 1 : 0;
}

uint32_t internetError(CURLcode code)
{
    using namespace neterr;
    switch (code) {
    case CURLE_OK:
        return 0;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    case CURLE_URL_MALFORMAT:
        return ERROR_INTERNET_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
        return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
        return ERROR_INTERNET_TIMEOUT;
    case CURLE_TOO_MANY_REDIRECTS:
        return ERROR_HTTP_REDIRECT_FAILED;
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
        return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
        return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_SEND_ERROR:
        return ERROR_INTERNET_CONNECTION_RESET;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
        return ERROR_INTERNET_INVALID_CA;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_USE_SSL_FAILED:
        return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    case CURLE_LOGIN_DENIED:
        return ERROR_INTERNET_LOGIN_FAILURE;
    case CURLE_ABORTED_BY_CALLBACK:
        return ERROR_INTERNET_OPERATION_CANCELLED;
    case CURLE_OUT_OF_MEMORY:
        return ERROR_INTERNET_OUT_OF_HANDLES;
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return ERROR_INTERNET_EXTENDED_ERROR;
    default:
        return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

// The scheme of "scheme://rest", or an empty text when the URL has none.
QByteArray schemeOf(const QByteArray& url)
{
    const qsizetype colon = url.indexOf("://");
    if (colon <= 0)
        return QByteArray();
    const QByteArray scheme = url.left(colon).toLower();
    for (qsizetype i = 0; i < scheme.size(); ++i) {
        const char c = scheme[i];
        const bool ok =
            (c >= 'a' && c <= 'z') || (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!ok)
            return QByteArray();
    }
    return scheme;
}

// The thread's libcurl handle, kept from one fetch to the next with the
// options every fetch shares: a new handle would set up libcurl's wake-up
// sockets and caches at every check, and setting them all again cost about
// as much. Nothing carries over from one fetch to the next: no connection,
// no resolved name, no TLS session.
class ThreadHandle
{
public:
    ~ThreadHandle() { release(); }
    CURL* get()
    {
        if (m_curl)
            return m_curl;
        curl_slist* first = curl_slist_append(nullptr, "Cache-Control: no-cache");
        m_headers = first ? curl_slist_append(first, "Pragma: no-cache") : nullptr;
        m_curl = m_headers ? curl_easy_init() : nullptr;
        if (!m_curl) {
            // Nothing is kept: the next fetch tries again.
            curl_slist_free_all(m_headers ? m_headers : first);
            m_headers = nullptr;
            return nullptr;
        }
        curl_easy_setopt(m_curl, CURLOPT_FORBID_REUSE, 1L);
        curl_easy_setopt(m_curl, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(m_curl, CURLOPT_DNS_CACHE_TIMEOUT, 0L);
        curl_easy_setopt(m_curl, CURLOPT_SSL_SESSIONID_CACHE, 0L);
        curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
        curl_easy_setopt(m_curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
        curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(m_curl, CURLOPT_MAXREDIRS, 10L);
        curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, m_headers);
        curl_easy_setopt(m_curl, CURLOPT_TRANSFERTEXT, 1L);
        curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, onData);
        curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, onHeader);
        curl_easy_setopt(m_curl, CURLOPT_SOCKOPTFUNCTION, onSocket);
        curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, onProgress);
        return m_curl;
    }

    void release()
    {
        if (m_curl)
            curl_easy_cleanup(m_curl);
        m_curl = nullptr;
        if (m_headers)
            curl_slist_free_all(m_headers);
        m_headers = nullptr;
    }

private:
    CURL* m_curl = nullptr;
    curl_slist* m_headers = nullptr; // used by the handle until it is cleaned up
};

thread_local ThreadHandle t_handle;

} // namespace

void releaseThreadUrlHandle()
{
    t_handle.release();
}

bool initUrlLibrary()
{
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        // A peer that closes early must not kill the process with SIGPIPE.
        std::signal(SIGPIPE, SIG_IGN);
        ok = g_curl.load() && curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    });
    return ok;
}

UrlFetchResult fetchUrl(const QByteArray& url, const std::atomic<bool>* stop, const UrlFetchOptions& options)
{
    UrlFetchResult result;
    const QByteArray scheme = schemeOf(url);
    if (scheme.isEmpty() || url.contains('\0')) {
        result.error = neterr::ERROR_INTERNET_INVALID_URL;
        return result;
    }
    if (scheme != "http" && scheme != "https" && scheme != "ftp") {
        result.error = neterr::ERROR_INTERNET_UNRECOGNIZED_SCHEME;
        return result;
    }
    if (!initUrlLibrary()) {
        result.error = neterr::ERROR_INTERNET_INTERNAL_ERROR;
        return result;
    }
    CURL* curl = t_handle.get();
    if (!curl) {
        result.error = neterr::ERROR_INTERNET_OUT_OF_HANDLES;
        return result;
    }
    Transfer transfer;
    transfer.maxBody = options.maxBodyBytes;
    transfer.stop = stop;
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.idleTimeoutSeconds);
    // A server that keeps sending a little must not hold the check for ever.
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, options.connectTimeoutSeconds + options.idleTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);

    const CURLcode code = curl_easy_perform(curl);
    long responseCode = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &responseCode);
    result.opened = responseCode > 0 || !transfer.body.isEmpty();
    result.error = (code == CURLE_WRITE_ERROR && transfer.truncated) ? 0 : internetError(code);
    // A header line too long for the library fails as if memory ran out,
    // once the status line was read.
    if (transfer.headTooLarge || (code == CURLE_OUT_OF_MEMORY && responseCode > 0)) {
        result.error = neterr::ERROR_HTTP_INVALID_SERVER_RESPONSE;
        result.opened = false;
    }
    result.body = std::move(transfer.body);
    // The charset the server declares for the page (its last response).
    char* contentType = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK && contentType)
        result.contentType = contentType;
    return result;
}

} // namespace platform
