#include "NetErrors.h"

#include <cerrno>
#include <netdb.h>

namespace neterr {

uint32_t wsaFromErrno(int error)
{
    switch (error) {
    case ECONNREFUSED:
        return WSAECONNREFUSED;
    case ETIMEDOUT:
        return WSAETIMEDOUT;
    case EHOSTDOWN:
    case EHOSTUNREACH:
        return WSAEHOSTDOWN;
    case ENETDOWN:
    case ENETUNREACH:
        return WSAENETDOWN;
    case EADDRNOTAVAIL:
        return WSAEADDRNOTAVAIL;
    case EINVAL:
        return WSAEINVAL;
    case EINTR:
        return WSAEINTR;
    case EACCES:
    case EPERM:
        return WSAEACCES;
    case EAFNOSUPPORT:
    case EPROTONOSUPPORT:
        return WSAEAFNOSUPPORT;
    case EMFILE:
    case ENFILE:
        return WSAEMFILE;
    case ENOBUFS:
    case ENOMEM:
        return WSAENOBUFS;
    case ECONNRESET:
        return WSAECONNRESET;
    case ECONNABORTED:
        return WSAECONNABORTED;
    case EFAULT:
        return WSAEFAULT;
    default:
        return WSASYSCALLFAILURE;
    }
}

uint32_t wsaFromGai(int gaiError, int error)
{
    switch (gaiError) {
    case 0:
        return 0;
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
        return WSAHOST_NOT_FOUND;
    case EAI_AGAIN:
        return WSATRY_AGAIN;
    case EAI_SYSTEM:
        return error ? wsaFromErrno(error) : WSANO_RECOVERY;
    case EAI_MEMORY:
        return WSAENOBUFS;
    default:
        return WSANO_RECOVERY;
    }
}

} // namespace neterr
