#include "ErrorText.h"

#include <QHash>

namespace platform {

namespace {

const QHash<uint32_t, const char*>& systemTexts()
{
    static const QHash<uint32_t, const char*> texts = {
        {0, "The operation completed successfully."},
        {123, "The file name, folder name or volume label syntax is incorrect."},
        {10004, "A blocking call was interrupted before it finished."},
        {10013, "The socket could not be used: permission was denied."},
        {10014, "A socket call was given an address that is not valid."},
        {10022, "An argument that is not valid was given."},
        {10024, "Too many sockets are open."},
        {10047, "This kind of address is not supported."},
        {10049, "The requested address is not valid here."},
        {10050, "The network is down."},
        {10051, "The network cannot be reached."},
        {10053, "The connection was ended by this machine."},
        {10054, "The connection was reset by the other side."},
        {10055, "There is not enough buffer space for the socket."},
        {10060, "The other side did not answer in time, so the connection attempt failed."},
        {10061, "The target machine refused the connection."},
        {10064, "The remote host is down."},
        {10065, "There is no route to the remote host."},
        {10107, "A system call that should never fail has failed."},
        {11001, "No such host is known."},
        {11002, "The host was not found for now; trying again later may help."},
        {11003, "The name lookup failed and trying again will not help."},
        {11004, "The name is known but has no address of the requested kind."},
        {11005, "The destination port cannot be reached."},
        {11006, "There were not enough resources to send the request."},
        {11009, "The packet is too big for the path to the destination."},
        {11010, "The request timed out."},
        {11012, "The route to the destination is not valid."},
        {11013, "The time to live ran out on the way to the destination."},
        {11014, "The time to live ran out while the packet was being reassembled."},
        {11015, "A router reported a problem with a parameter of the packet."},
        {11016, "A router asked for the packets to be sent more slowly."},
        {11018, "The destination address is not valid."},
        {11040, "The destination cannot be reached."},
        {11041, "The time ran out on the way to the destination."},
        {11050, "General Failure"},
        {12157, "An error occurred in the secure channel."},
    };
    return texts;
}

const QHash<uint32_t, const char*>& internetTexts()
{
    static const QHash<uint32_t, const char*> texts = {
        {12001, "No more internet handles could be made."},
        {12002, "The request timed out."},
        {12003, "The server sent back an extended error."},
        {12004, "An internal error occurred in the internet layer."},
        {12005, "The URL is not valid."},
        {12006, "The URL does not name a protocol that is known."},
        {12007, "The server name could not be resolved."},
        {12015, "The login to the server failed."},
        {12017, "The operation was cancelled."},
        {12029, "No connection could be made with the server."},
        {12030, "The connection with the server was ended."},
        {12031, "The connection with the server was reset."},
        {12038, "The server's certificate is for another host name."},
        {12045, "The server's certificate comes from an authority that is not trusted."},
        {12152, "The server's answer could not be understood."},
        {12156, "The redirection could not be followed."},
    };
    return texts;
}

QString lookUp(const QHash<uint32_t, const char*>& texts, uint32_t code)
{
    const auto it = texts.find(code);
    return it == texts.end() ? QString() : QString::fromLatin1(*it);
}

} // namespace

QString systemMessageText(uint32_t code)
{
    return lookUp(systemTexts(), code);
}

QString internetMessageText(uint32_t code)
{
    return lookUp(internetTexts(), code);
}

} // namespace platform
