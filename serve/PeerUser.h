#pragma once

// Which user a local TCP peer belongs to. The protocol has no login, so a connection over the
// loopback interface is traced back to its socket in the kernel's table (/proc/net/tcp or
// /proc/net/tcp6) to read the uid that owns it.

#include <sys/socket.h>
#include <sys/types.h>

#include <optional>
#include <string_view>

namespace zanvor {

// The uid of the socket in `table` (the text of /proc/net/tcp or tcp6) whose local end is
// `peer` and whose remote end is `server`, i.e. the peer's own socket. Nothing when no line
// matches or the table cannot be read.
std::optional<uid_t> FindSocketUid(std::string_view table, const sockaddr_storage& peer,
                                   const sockaddr_storage& server);

// Looks the peer up in the system's tables.
std::optional<uid_t> PeerUid(const sockaddr_storage& peer, const sockaddr_storage& server);

// True for 127.0.0.0/8, ::1 and IPv4-mapped loopback addresses.
bool IsLoopback(const sockaddr_storage& address);

}  // namespace zanvor
