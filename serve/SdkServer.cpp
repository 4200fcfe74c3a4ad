#include "serve/SdkServer.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/Trace.h"
#include "serve/PeerUser.h"
#include "serve/SdkDescription.h"
#include "serve/SdkPacket.h"
#include "serve/SdkRequests.h"

namespace zanvor {

struct SdkServer::Client {
    UniqueFd fd;
    SdkPacketParser parser;
    std::vector<uint8_t> output;
    size_t outputStart = 0;
    uint32_t version = 0;  // 0 until the client asks for the protocol version
    std::string name;
    std::vector<bool> direct;  // per device: this client put it in Direct
};

namespace {

constexpr size_t kReadChunk = 64 * 1024;

std::optional<sockaddr_storage> ParseAddress(const std::string& text, uint16_t port) {
    sockaddr_storage out{};
    auto* in = reinterpret_cast<sockaddr_in*>(&out);
    if (inet_pton(AF_INET, text.c_str(), &in->sin_addr) == 1) {
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        return out;
    }
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&out);
    if (inet_pton(AF_INET6, text.c_str(), &in6->sin6_addr) == 1) {
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        return out;
    }
    return std::nullopt;
}

std::vector<uint8_t> U32Data(uint32_t v) {
    SdkWriter w;
    w.U32(v);
    return w.Take();
}

}  // namespace

SdkServer::SdkServer(SdkHub& hub) : hub_(hub), ownerUid_(getuid()) {}

SdkServer::~SdkServer() {
    Stop();
}

bool SdkServer::Start(const SdkServerOptions& options, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) {
            *error = why;
        }
        listen_.Close();
        wake_.Close();
        return false;
    };
    if (Running()) {
        return fail("the server is already running");
    }
    options_ = options;
    const std::optional<sockaddr_storage> address = ParseAddress(options.address, options.port);
    if (!address) {
        return fail("\"" + options.address + "\" is not an IP address");
    }
    listen_ = UniqueFd(socket(address->ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!listen_.IsOpen()) {
        return fail(std::string("no socket: ") + std::strerror(errno));
    }
    const int one = 1;
    setsockopt(listen_.Get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const socklen_t length =
        address->ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
    if (bind(listen_.Get(), reinterpret_cast<const sockaddr*>(&*address), length) != 0) {
        return fail(options.address + ":" + std::to_string(options.port) + ": " +
                    std::strerror(errno));
    }
    if (listen(listen_.Get(), 64) != 0) {
        return fail(std::string("cannot listen: ") + std::strerror(errno));
    }
    sockaddr_storage bound{};
    socklen_t boundLength = sizeof bound;
    getsockname(listen_.Get(), reinterpret_cast<sockaddr*>(&bound), &boundLength);
    port_ =
        ntohs(bound.ss_family == AF_INET ? reinterpret_cast<const sockaddr_in&>(bound).sin_port
                                         : reinterpret_cast<const sockaddr_in6&>(bound).sin6_port);
    wake_ = UniqueFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!wake_.IsOpen()) {
        return fail(std::string("no event descriptor: ") + std::strerror(errno));
    }
    stop_ = false;
    thread_ = std::thread([this] { Loop(); });
    return true;
}

void SdkServer::Stop() {
    if (!thread_.joinable()) {
        return;
    }
    stop_ = true;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(wake_.Get(), &one, sizeof one);
    thread_.join();
    listen_.Close();
    wake_.Close();
}

void SdkServer::NotifyDeviceListUpdated() {
    listChanged_ = true;
    if (wake_.IsOpen()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(wake_.Get(), &one, sizeof one);
    }
}

void SdkServer::Loop() {
    RefreshControllers();
    std::vector<pollfd> fds;
    while (!stop_.load()) {
        fds.clear();
        fds.push_back({wake_.Get(), POLLIN, 0});
        fds.push_back({listen_.Get(), POLLIN, 0});
        for (const auto& client : clients_) {
            const bool pending = client->output.size() > client->outputStart;
            fds.push_back(
                {client->fd.Get(), static_cast<short>(POLLIN | (pending ? POLLOUT : 0)), 0});
        }
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            Trace("sdk: poll failed: %s\n", std::strerror(errno));
            break;
        }
        if (fds[0].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = read(wake_.Get(), &count, sizeof count);
        }
        if (listChanged_.exchange(false)) {
            // Indexes change with the list: every Direct mode ends, clients read the list again.
            for (size_t device = 0; device < controllers_.size(); ++device) {
                EndDirect(device, nullptr);
            }
            RefreshControllers();
            for (auto& client : clients_) {
                std::fill(client->direct.begin(), client->direct.end(), false);
                client->direct.resize(controllers_.size(), false);
                if (client->version >= 1) {
                    Send(*client, 0, kSdkDeviceListUpdated, {});
                }
            }
        }
        // Clients first (their indexes in `fds` start at 2), from the back so drops are safe.
        for (size_t i = clients_.size(); i-- > 0;) {
            const short events = fds[i + 2].revents;
            bool keep = true;
            if (events & (POLLERR | POLLNVAL)) {
                keep = false;
            }
            if (keep && (events & (POLLIN | POLLHUP))) {
                keep = ReadFrom(*clients_[i]);
            }
            if (keep && (clients_[i]->output.size() > clients_[i]->outputStart)) {
                keep = WriteTo(*clients_[i]);
            }
            if (!keep) {
                Drop(i);
            }
        }
        if (fds[1].revents & POLLIN) {
            Accept();
        }
    }
    while (!clients_.empty()) {
        Drop(clients_.size() - 1);
    }
}

void SdkServer::Accept() {
    for (;;) {
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        UniqueFd fd(accept4(listen_.Get(), reinterpret_cast<sockaddr*>(&peer), &length,
                            SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!fd.IsOpen()) {
            return;
        }
        if (clients_.size() >= options_.maxClients) {
            Trace("sdk: connection refused, %zu clients already\n", clients_.size());
            continue;
        }
        if (IsLoopback(peer) && !options_.allowOtherUsers) {
            sockaddr_storage local{};
            socklen_t localLength = sizeof local;
            getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&local), &localLength);
            const std::optional<uid_t> uid = PeerUid(peer, local);
            if (!uid || *uid != ownerUid_) {
                Trace("sdk: connection of another user refused\n");
                continue;
            }
        }
        const int one = 1;
        setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        auto client = std::make_unique<Client>();
        client->fd = std::move(fd);
        client->direct.assign(controllers_.size(), false);
        clients_.push_back(std::move(client));
        clientCount_ = clients_.size();
    }
}

bool SdkServer::ReadFrom(Client& client) {
    readBuffer_.resize(kReadChunk);
    const ssize_t n = recv(client.fd.Get(), readBuffer_.data(), readBuffer_.size(), 0);
    if (n == 0) {
        return false;
    }
    if (n < 0) {
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    }
    client.parser.Feed(std::span<const uint8_t>(readBuffer_.data(), static_cast<size_t>(n)));
    const bool keep = HandlePackets(client);
    SendPendingFrames(client);
    return keep;
}

void SdkServer::SendPendingFrames(const Client& client) {
    for (size_t device = 0; device < framePending_.size(); ++device) {
        if (!framePending_[device] || device >= controllers_.size()) {
            continue;
        }
        framePending_[device] = false;
        // A mode chosen after the colours in the same read ended Direct: nothing to show.
        const SdkController& c = controllers_[device];
        if (c.activeMode == static_cast<int32_t>(kSdkDirectMode)) {
            hub_.DirectFrame(device, c.colors, client.name);
        }
    }
}

bool SdkServer::HandlePackets(Client& client) {
    SdkPacket packet;
    for (;;) {
        const SdkPacketParser::Status status = client.parser.Next(packet);
        if (status == SdkPacketParser::Status::Broken) {
            Trace("sdk: a client's stream lost its framing; closed\n");
            return false;
        }
        if (status == SdkPacketParser::Status::NeedMore) {
            return true;
        }
        if (!Handle(client, packet)) {
            return false;
        }
    }
}

bool SdkServer::WriteTo(Client& client) {
    while (client.output.size() > client.outputStart) {
        const ssize_t n = send(client.fd.Get(), client.output.data() + client.outputStart,
                               client.output.size() - client.outputStart, MSG_NOSIGNAL);
        if (n < 0) {
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        }
        client.outputStart += static_cast<size_t>(n);
    }
    client.output.clear();
    client.outputStart = 0;
    return true;
}

void SdkServer::Send(Client& client, uint32_t device, uint32_t id,
                     const std::vector<uint8_t>& data) {
    const std::vector<uint8_t> packet = SerializeSdkPacket(device, id, data);
    client.output.insert(client.output.end(), packet.begin(), packet.end());
}

bool SdkServer::Handle(Client& client, const SdkPacket& packet) {
    const uint32_t device = packet.header.device;
    const bool known = device < controllers_.size();
    switch (packet.header.id) {
        case kSdkRequestProtocolVersion: {
            SdkReader in(packet.data);
            const uint32_t theirs = in.U32();
            // A client that sends no version speaks the first versioned protocol.
            client.version = std::min(in.Ok() ? theirs : 1u, kSdkProtocolVersion);
            Send(client, 0, kSdkRequestProtocolVersion, U32Data(client.version));
            break;
        }
        case kSdkRequestControllerCount:
            RefreshControllers();
            Send(client, 0, kSdkRequestControllerCount,
                 U32Data(static_cast<uint32_t>(controllers_.size())));
            break;
        case kSdkRequestControllerData: {
            if (!known) {
                break;
            }
            SdkReader in(packet.data);
            const uint32_t asked = in.U32();
            const uint32_t version = in.Ok() ? std::min(asked, client.version) : 0;
            RefreshControllers();
            if (device < controllers_.size()) {
                Send(client, device, kSdkRequestControllerData,
                     EncodeSdkController(controllers_[device], version));
            }
            break;
        }
        case kSdkSetClientName:
            if (const std::optional<std::string> name = DecodeSdkString(packet.data)) {
                client.name = *name;
                ReportClients();
            }
            break;
        case kSdkRequestProfileList: {
            if (client.version < kSdkProfileVersion) {
                break;
            }
            const std::vector<std::string> names = hub_.ProfileNames();
            SdkWriter out;
            out.U32(0);
            out.U16(static_cast<uint16_t>(std::min<size_t>(names.size(), UINT16_MAX)));
            for (size_t i = 0; i < names.size() && i < UINT16_MAX; ++i) {
                out.Text(names[i]);
            }
            out.PatchU32(0, static_cast<uint32_t>(out.Size()));
            Send(client, 0, kSdkRequestProfileList, out.Take());
            break;
        }
        case kSdkRequestSaveProfile:
        case kSdkRequestLoadProfile:
        case kSdkRequestDeleteProfile:
            if (client.version < kSdkProfileVersion) {
                break;
            }
            if (const std::optional<std::string> name = DecodeSdkString(packet.data)) {
                hub_.ProfileRequest(packet.header.id, *name);
            } else {
                Trace("sdk: a profile request without a usable name was dropped\n");
            }
            break;
        case kSdkSetCustomMode:
            if (known) {
                client.direct[device] = true;
                controllers_[device].activeMode = static_cast<int32_t>(kSdkDirectMode);
            }
            break;
        case kSdkUpdateMode:
        case kSdkSaveMode: {
            if (!known) {
                break;
            }
            const std::optional<SdkModeUpdate> update =
                DecodeModeUpdate(packet.data, controllers_[device], client.version);
            if (!update) {
                Trace("sdk: a mode update that does not add up was dropped\n");
                break;
            }
            if (update->index == kSdkDirectMode) {
                client.direct[device] = true;
                controllers_[device].activeMode = static_cast<int32_t>(kSdkDirectMode);
                break;
            }
            // The chosen mode replaces Direct for every client; the hub stops the stream.
            for (auto& other : clients_) {
                other->direct[device] = false;
            }
            controllers_[device].activeMode = static_cast<int32_t>(update->index);
            controllers_[device].modes[update->index] = update->mode;
            hub_.ChangeMode(device, update->index, update->mode, packet.header.id == kSdkSaveMode);
            break;
        }
        case kSdkUpdateLeds:
        case kSdkUpdateZoneLeds:
        case kSdkUpdateSingleLed: {
            if (!known) {
                break;
            }
            SdkController& c = controllers_[device];
            std::optional<SdkColorUpdate> update;
            if (packet.header.id == kSdkUpdateLeds) {
                update = DecodeUpdateLeds(packet.data, c);
            } else if (packet.header.id == kSdkUpdateZoneLeds) {
                update = DecodeUpdateZoneLeds(packet.data, c);
            } else {
                update = DecodeUpdateSingleLed(packet.data, c);
            }
            if (!update) {
                Trace("sdk: a colour update that does not add up was dropped\n");
                break;
            }
            // Colours are kept in any mode (as the description's colours); they reach the
            // keyboard only while it is in Direct.
            std::copy(update->colors.begin(), update->colors.end(),
                      c.colors.begin() + static_cast<std::ptrdiff_t>(update->first));
            if (c.activeMode == static_cast<int32_t>(kSdkDirectMode)) {
                framePending_.resize(controllers_.size());
                framePending_[device] = true;
            }
            break;
        }
        default:
            // Unknown ids, zone resizing (nothing to resize) and requests of later versions.
            break;
    }
    if (client.output.size() - client.outputStart > options_.maxPendingOutput) {
        Trace("sdk: a client that does not read was dropped\n");
        return false;
    }
    return true;
}

void SdkServer::EndDirect(size_t device, const Client* leaving) {
    bool anyone = false;
    bool had = false;
    for (auto& client : clients_) {
        if (device < client->direct.size() && client->direct[device]) {
            had = true;
            if (client.get() == leaving) {
                continue;
            }
            if (leaving) {
                anyone = true;
            } else {
                client->direct[device] = false;
            }
        }
    }
    if (had && !anyone) {
        hub_.DirectEnded(device);
    }
}

void SdkServer::Drop(size_t index) {
    Client* client = clients_[index].get();
    for (size_t device = 0; device < client->direct.size(); ++device) {
        if (client->direct[device]) {
            EndDirect(device, client);
        }
    }
    const bool named = !client->name.empty();
    clients_.erase(clients_.begin() + static_cast<std::ptrdiff_t>(index));
    clientCount_ = clients_.size();
    if (named) {
        ReportClients();
    }
}

void SdkServer::RefreshControllers() {
    std::vector<SdkController> fresh = hub_.Controllers();
    // What clients set (active mode, colours) outlives a refresh of the same device.
    for (size_t i = 0; i < fresh.size() && i < controllers_.size(); ++i) {
        if (fresh[i].leds.size() == controllers_[i].leds.size() &&
            fresh[i].modes.size() == controllers_[i].modes.size()) {
            fresh[i].colors = controllers_[i].colors;
            bool direct = false;
            for (const auto& client : clients_) {
                direct = direct || (i < client->direct.size() && client->direct[i]);
            }
            if (direct) {
                fresh[i].activeMode = static_cast<int32_t>(kSdkDirectMode);
            }
        }
    }
    controllers_ = std::move(fresh);
    framePending_.clear();
    for (auto& client : clients_) {
        client->direct.resize(controllers_.size(), false);
    }
}

void SdkServer::ReportClients() {
    std::vector<std::string> names;
    for (const auto& client : clients_) {
        if (!client->name.empty()) {
            names.push_back(client->name);
        }
    }
    hub_.ClientsChanged(names);
}

}  // namespace zanvor
