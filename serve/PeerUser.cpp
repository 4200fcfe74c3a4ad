#include "serve/PeerUser.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace zanvor {

namespace {

// The kernel writes an address as the hex of its 32-bit words in host order, then ":PORT".
std::string HexWords(const uint8_t* bytes, size_t size) {
    std::string out;
    char word[9];
    for (size_t i = 0; i < size; i += 4) {
        uint32_t v;
        std::memcpy(&v, bytes + i, 4);
        std::snprintf(word, sizeof word, "%08X", v);
        out += word;
    }
    return out;
}

std::string TableAddress(const sockaddr_storage& address) {
    char port[6];
    if (address.ss_family == AF_INET) {
        const auto& in = reinterpret_cast<const sockaddr_in&>(address);
        std::snprintf(port, sizeof port, "%04X", ntohs(in.sin_port));
        return HexWords(reinterpret_cast<const uint8_t*>(&in.sin_addr), 4) + ":" + port;
    }
    if (address.ss_family == AF_INET6) {
        const auto& in6 = reinterpret_cast<const sockaddr_in6&>(address);
        std::snprintf(port, sizeof port, "%04X", ntohs(in6.sin6_port));
        return HexWords(in6.sin6_addr.s6_addr, 16) + ":" + port;
    }
    return {};
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<uid_t> FindSocketUid(std::string_view table, const sockaddr_storage& peer,
                                   const sockaddr_storage& server) {
    const std::string local = TableAddress(peer);
    const std::string remote = TableAddress(server);
    if (local.empty() || remote.empty()) {
        return std::nullopt;
    }
    std::istringstream lines{std::string(table)};
    std::string line;
    std::getline(lines, line);  // column titles
    while (std::getline(lines, line)) {
        // sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid ...
        std::istringstream fields(line);
        std::string slot, localField, remoteField, state, queues, timer, retransmits;
        long long uid = -1;
        if (!(fields >> slot >> localField >> remoteField >> state >> queues >> timer >>
              retransmits >> uid) ||
            uid < 0) {
            continue;
        }
        if (SameText(localField, local) && SameText(remoteField, remote)) {
            return static_cast<uid_t>(uid);
        }
    }
    return std::nullopt;
}

std::optional<uid_t> PeerUid(const sockaddr_storage& peer, const sockaddr_storage& server) {
    const char* path = peer.ss_family == AF_INET6 ? "/proc/net/tcp6" : "/proc/net/tcp";
    // The kernel's tables report a size of 0: read them as a stream.
    std::ifstream file(path);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream table;
    table << file.rdbuf();
    return FindSocketUid(table.str(), peer, server);
}

bool IsLoopback(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET) {
        const auto& in = reinterpret_cast<const sockaddr_in&>(address);
        return (ntohl(in.sin_addr.s_addr) >> 24) == 127;
    }
    if (address.ss_family == AF_INET6) {
        const auto& in6 = reinterpret_cast<const sockaddr_in6&>(address);
        if (IN6_IS_ADDR_LOOPBACK(&in6.sin6_addr)) {
            return true;
        }
        return IN6_IS_ADDR_V4MAPPED(&in6.sin6_addr) && in6.sin6_addr.s6_addr[12] == 127;
    }
    return false;
}

}  // namespace zanvor
