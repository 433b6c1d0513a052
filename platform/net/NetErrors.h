#pragma once

#include <cstdint>

// The result numbers of the Windows network calls, which the probes classify
// and which are stored and shown as a check's error code. The layer maps
// Linux errors onto them.
namespace neterr {

// Socket errors.
inline constexpr uint32_t WSAEINTR = 10004;
inline constexpr uint32_t WSAEACCES = 10013;
inline constexpr uint32_t WSAEFAULT = 10014;
inline constexpr uint32_t WSAEINVAL = 10022;
inline constexpr uint32_t WSAEMFILE = 10024;
inline constexpr uint32_t WSAEAFNOSUPPORT = 10047;
inline constexpr uint32_t WSAEADDRNOTAVAIL = 10049;
inline constexpr uint32_t WSAENETDOWN = 10050;
inline constexpr uint32_t WSAENETUNREACH = 10051;
inline constexpr uint32_t WSAECONNABORTED = 10053;
inline constexpr uint32_t WSAECONNRESET = 10054;
inline constexpr uint32_t WSAENOBUFS = 10055;
inline constexpr uint32_t WSAETIMEDOUT = 10060;
inline constexpr uint32_t WSAECONNREFUSED = 10061;
inline constexpr uint32_t WSAEHOSTDOWN = 10064;
inline constexpr uint32_t WSAEHOSTUNREACH = 10065;
inline constexpr uint32_t WSASYSCALLFAILURE = 10107;
inline constexpr uint32_t WSAHOST_NOT_FOUND = 11001;
inline constexpr uint32_t WSATRY_AGAIN = 11002;
inline constexpr uint32_t WSANO_RECOVERY = 11003;
inline constexpr uint32_t WSANO_DATA = 11004;

// ICMP echo statuses.
inline constexpr uint32_t IP_SUCCESS = 0;
inline constexpr uint32_t IP_BUF_TOO_SMALL = 11001;
inline constexpr uint32_t IP_DEST_NET_UNREACHABLE = 11002;
inline constexpr uint32_t IP_DEST_HOST_UNREACHABLE = 11003;
inline constexpr uint32_t IP_DEST_PROT_UNREACHABLE = 11004;
inline constexpr uint32_t IP_DEST_PORT_UNREACHABLE = 11005;
inline constexpr uint32_t IP_NO_RESOURCES = 11006;
inline constexpr uint32_t IP_PACKET_TOO_BIG = 11009;
inline constexpr uint32_t IP_REQ_TIMED_OUT = 11010;
inline constexpr uint32_t IP_BAD_ROUTE = 11012;
inline constexpr uint32_t IP_TTL_EXPIRED_TRANSIT = 11013;
inline constexpr uint32_t IP_TTL_EXPIRED_REASSEM = 11014;
inline constexpr uint32_t IP_PARAM_PROBLEM = 11015;
inline constexpr uint32_t IP_SOURCE_QUENCH = 11016;
inline constexpr uint32_t IP_BAD_DESTINATION = 11018;
inline constexpr uint32_t IP_DEST_UNREACHABLE = 11040;
inline constexpr uint32_t IP_TIME_EXCEEDED = 11041;
inline constexpr uint32_t IP_GENERAL_FAILURE = 11050;

// Internet library errors.
inline constexpr uint32_t ERROR_INVALID_NAME = 123;
inline constexpr uint32_t ERROR_INTERNET_OUT_OF_HANDLES = 12001;
inline constexpr uint32_t ERROR_INTERNET_TIMEOUT = 12002;
inline constexpr uint32_t ERROR_INTERNET_EXTENDED_ERROR = 12003;
inline constexpr uint32_t ERROR_INTERNET_INTERNAL_ERROR = 12004;
inline constexpr uint32_t ERROR_INTERNET_INVALID_URL = 12005;
inline constexpr uint32_t ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006;
inline constexpr uint32_t ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
inline constexpr uint32_t ERROR_INTERNET_OPERATION_CANCELLED = 12017;
inline constexpr uint32_t ERROR_INTERNET_LOGIN_FAILURE = 12015;
inline constexpr uint32_t ERROR_INTERNET_CANNOT_CONNECT = 12029;
inline constexpr uint32_t ERROR_INTERNET_CONNECTION_ABORTED = 12030;
inline constexpr uint32_t ERROR_INTERNET_CONNECTION_RESET = 12031;
inline constexpr uint32_t ERROR_INTERNET_INVALID_CA = 12045;
inline constexpr uint32_t ERROR_INTERNET_SEC_CERT_CN_INVALID = 12038;
inline constexpr uint32_t ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;
inline constexpr uint32_t ERROR_HTTP_REDIRECT_FAILED = 12156;
inline constexpr uint32_t ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157;

// The socket error for an errno value of a failed socket call.
uint32_t wsaFromErrno(int error);
// The socket error for a getaddrinfo result code.
uint32_t wsaFromGai(int gaiError, int error);

} // namespace neterr
