#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/UniqueFd.h"
#include "serve/PeerUser.h"
#include "serve/SdkServer.h"

namespace zanvor::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

SdkController Keyboard(const std::string& name) {
    SdkController c;
    c.name = name;
    c.vendor = "Zanvor";
    SdkMode direct;
    direct.name = "Direct";
    direct.flags = kSdkModeHasPerLedColor;
    direct.colorMode = kSdkColorPerLed;
    SdkMode wave;
    wave.name = "Wave";
    wave.value = 3;
    wave.flags = kSdkModeHasSpeed;
    wave.speedMin = 1;
    wave.speedMax = 5;
    wave.speed = 3;
    c.modes = {direct, wave};
    c.activeMode = 1;
    c.zones = {{"Keys", kSdkZoneMatrix, 3, SdkMatrixMap{1, 3, {0, 1, 2}}},
               {"Bar", kSdkZoneLinear, 2, std::nullopt}};
    c.leds = {{"Esc", 0x29}, {"F1", 0x3A}, {"F2", 0x3B}, {"Bar 1", 300}, {"Bar 2", 301}};
    c.colors.assign(5, 0);
    return c;
}

// The program's side: records what the server hands over.
class FakeHub : public SdkHub {
  public:
    std::vector<SdkController> Controllers() override {
        std::lock_guard lock(mutex_);
        return devices;
    }
    void DirectFrame(size_t device, const std::vector<uint32_t>& colors,
                     const std::string&) override {
        std::lock_guard lock(mutex_);
        frames.emplace_back(device, colors);
        changed_.notify_all();
    }
    void ChangeMode(size_t device, size_t modeIndex, const SdkMode& mode, bool save) override {
        std::lock_guard lock(mutex_);
        modes.push_back({device, modeIndex, mode, save});
        changed_.notify_all();
    }
    void DirectEnded(size_t device) override {
        std::lock_guard lock(mutex_);
        ended.push_back(device);
        changed_.notify_all();
    }
    void ClientsChanged(const std::vector<std::string>& list) override {
        std::lock_guard lock(mutex_);
        names = list;
        changed_.notify_all();
    }
    std::vector<std::string> ProfileNames() override {
        std::lock_guard lock(mutex_);
        return profiles;
    }
    void ProfileRequest(uint32_t packetId, const std::string& name) override {
        std::lock_guard lock(mutex_);
        profileRequests.emplace_back(packetId, name);
        changed_.notify_all();
    }
    // Waits until `done` holds (checked under the lock); false after two seconds.
    template <typename F>
    bool WaitFor(F done) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 2s, [&] { return done(); });
    }
    template <typename F>
    auto Read(F f) {
        std::lock_guard lock(mutex_);
        return f();
    }

    struct ModeCall {
        size_t device;
        size_t index;
        SdkMode mode;
        bool save;
    };
    std::vector<SdkController> devices{Keyboard("One"), Keyboard("Two")};
    std::vector<std::pair<size_t, std::vector<uint32_t>>> frames;
    std::vector<ModeCall> modes;
    std::vector<size_t> ended;
    std::vector<std::string> names;
    std::vector<std::string> profiles{"Game", "Work"};
    std::vector<std::pair<uint32_t, std::string>> profileRequests;

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
};

// A bare client speaking the protocol's bytes.
class Client {
  public:
    explicit Client(uint16_t port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    bool Connected() const { return connected_; }
    void SendRaw(const Bytes& bytes) {
        [[maybe_unused]] ssize_t n = send(fd_.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
    void Send(uint32_t device, uint32_t id, const Bytes& data = {}) {
        SendRaw(SerializeSdkPacket(device, id, data));
    }
    // The next packet, or nothing when none comes within the time.
    std::optional<SdkPacket> Receive(std::chrono::milliseconds wait = 2000ms) {
        SdkPacket packet;
        const auto until = std::chrono::steady_clock::now() + wait;
        for (;;) {
            if (parser_.Next(packet) == SdkPacketParser::Status::Packet) {
                return packet;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            pollfd p{fd_.Get(), POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                return std::nullopt;
            }
            uint8_t buffer[4096];
            const ssize_t n = recv(fd_.Get(), buffer, sizeof buffer, 0);
            if (n <= 0) {
                closed_ = true;
                return std::nullopt;
            }
            parser_.Feed(std::span<const uint8_t>(buffer, static_cast<size_t>(n)));
        }
    }
    // True when the server closed the connection within the time.
    bool ClosedByServer() {
        while (!closed_ && Receive(2000ms)) {
        }
        return closed_;
    }
    uint32_t Negotiate(uint32_t version) {
        Send(0, kSdkRequestProtocolVersion, U32(version));
        const std::optional<SdkPacket> reply = Receive();
        EXPECT_TRUE(reply);
        if (!reply) {
            return 0;
        }
        SdkReader in(reply->data);
        return in.U32();
    }
    static Bytes U32(uint32_t v) {
        SdkWriter w;
        w.U32(v);
        return w.Take();
    }
    void Close() { fd_.Close(); }

  private:
    UniqueFd fd_;
    SdkPacketParser parser_;
    bool connected_ = false;
    bool closed_ = false;
};

Bytes AllLeds(const std::vector<uint32_t>& colors, uint16_t count) {
    SdkWriter w;
    w.U32(static_cast<uint32_t>(6 + 4 * colors.size()));
    w.U16(count);
    for (uint32_t c : colors) {
        w.U32(c);
    }
    return w.Take();
}

Bytes ModeUpdate(int32_t index, const SdkMode& mode, uint32_t version) {
    SdkWriter w;
    w.U32(0);
    w.I32(index);
    WriteSdkMode(w, mode, version);
    w.PatchU32(0, static_cast<uint32_t>(w.Size()));
    return w.Take();
}

class SdkServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SdkServerOptions options;
        options.port = 0;
        options.maxPendingOutput = 64 * 1024;
        std::string error;
        ASSERT_TRUE(server.Start(options, &error)) << error;
    }
    // A round trip through the server: everything sent before has been handled.
    void Sync(Client& client) {
        client.Send(0, kSdkRequestControllerCount);
        ASSERT_TRUE(client.Receive());
    }
    FakeHub hub;
    SdkServer server{hub};
};

TEST_F(SdkServerTest, ClientsNegotiateTheLowerVersionAndReadTheControllersInIt) {
    Client old(server.Port());
    Client later(server.Port());
    EXPECT_EQ(old.Negotiate(2), 2u);
    EXPECT_EQ(later.Negotiate(9), kSdkProtocolVersion);

    later.Send(0, kSdkRequestControllerCount);
    const std::optional<SdkPacket> count = later.Receive();
    ASSERT_TRUE(count);
    EXPECT_EQ(count->data, Client::U32(2));

    for (uint32_t device : {0u, 1u}) {
        // A client asking a higher version than it negotiated gets the negotiated one.
        old.Send(device, kSdkRequestControllerData, Client::U32(4));
        const std::optional<SdkPacket> data = old.Receive();
        ASSERT_TRUE(data);
        EXPECT_EQ(data->header.device, device);
        EXPECT_EQ(data->data, EncodeSdkController(hub.devices[device], 2));
    }
    // An unknown packet id is ignored and the connection goes on.
    later.Send(0, 4242, Bytes{1, 2, 3});
    later.Send(1, kSdkRequestControllerData, Client::U32(4));
    const std::optional<SdkPacket> data = later.Receive();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->data, EncodeSdkController(hub.devices[1], 4));
}

TEST_F(SdkServerTest,
       DirectColoursReachTheHubAndTheKeyboardGetsItsModeBackWhenTheLastClientLeaves) {
    Client a(server.Port());
    Client b(server.Port());
    a.Negotiate(4);
    b.Negotiate(4);
    a.Send(0, kSdkSetClientName, Bytes{'a', 'p', 'p', 0});
    ASSERT_TRUE(hub.WaitFor([&] { return hub.names == std::vector<std::string>{"app"}; }));

    // Colours before Direct are kept but not streamed.
    a.Send(0, kSdkUpdateLeds, AllLeds({1, 2, 3, 4, 5}, 5));
    Sync(a);
    EXPECT_TRUE(hub.Read([&] { return hub.frames.empty(); }));

    a.Send(0, kSdkUpdateMode, ModeUpdate(0, hub.devices[0].modes[0], 4));
    a.Send(0, kSdkUpdateSingleLed, Bytes{1, 0, 0, 0, 0xFF, 0, 0, 0});
    ASSERT_TRUE(hub.WaitFor([&] { return hub.frames.size() == 1; }));
    EXPECT_EQ(hub.Read([&] { return hub.frames[0]; }),
              (std::pair<size_t, std::vector<uint32_t>>{0, {1, 0xFF, 3, 4, 5}}));

    SdkWriter zone;
    zone.U32(18);
    zone.U32(1);
    zone.U16(2);
    zone.U32(7);
    zone.U32(8);
    b.Send(0, kSdkSetCustomMode);
    b.Send(0, kSdkUpdateZoneLeds, zone.Bytes());
    ASSERT_TRUE(hub.WaitFor([&] { return hub.frames.size() == 2; }));
    EXPECT_EQ(hub.Read([&] { return hub.frames[1].second; }),
              (std::vector<uint32_t>{1, 0xFF, 3, 7, 8}));

    // The description now shows Direct as the active mode and the colours sent.
    b.Send(0, kSdkRequestControllerData, Client::U32(4));
    const std::optional<SdkPacket> data = b.Receive();
    ASSERT_TRUE(data);
    SdkController expected = hub.devices[0];
    expected.activeMode = 0;
    expected.colors = {1, 0xFF, 3, 7, 8};
    EXPECT_EQ(data->data, EncodeSdkController(expected, 4));

    a.Close();
    ASSERT_TRUE(hub.WaitFor([&] { return hub.names.empty(); }));
    EXPECT_TRUE(hub.Read([&] { return hub.ended.empty(); })) << "b still drives the keyboard";
    b.Close();
    ASSERT_TRUE(hub.WaitFor([&] { return hub.ended == std::vector<size_t>{0}; }));
}

TEST_F(SdkServerTest, AModeChoiceReachesTheHubAndEndsDirect) {
    Client a(server.Port());
    a.Negotiate(3);
    a.Send(1, kSdkSetCustomMode);
    SdkMode wave = hub.devices[1].modes[1];
    wave.speed = 5;
    a.Send(1, kSdkSaveMode, ModeUpdate(1, wave, 3));
    ASSERT_TRUE(hub.WaitFor([&] { return hub.modes.size() == 1; }));
    const FakeHub::ModeCall call = hub.Read([&] { return hub.modes[0]; });
    EXPECT_EQ(call.device, 1u);
    EXPECT_EQ(call.index, 1u);
    EXPECT_EQ(call.mode.speed, 5u);
    EXPECT_TRUE(call.save);
    // Colours after the mode change are not streamed; leaving does not restore anything.
    a.Send(1, kSdkUpdateLeds, AllLeds({1, 2, 3, 4, 5}, 5));
    Sync(a);
    a.Close();
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(hub.Read([&] { return hub.frames.empty() && hub.ended.empty(); }));
}

TEST_F(SdkServerTest, ProfileRequestsFromVersionTwoOnGoToTheHubByName) {
    Client a(server.Port());
    a.Negotiate(4);
    a.Send(0, kSdkRequestProfileList);
    const std::optional<SdkPacket> list = a.Receive();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->header.id, uint32_t{kSdkRequestProfileList});
    // Data size (itself included), count, then each name with its length and terminator.
    const Bytes expected{0x14, 0, 0, 0, 2, 0};
    const Bytes names{5, 0, 'G', 'a', 'm', 'e', 0, 5, 0, 'W', 'o', 'r', 'k', 0};
    Bytes all = expected;
    all.insert(all.end(), names.begin(), names.end());
    EXPECT_EQ(list->data, all);

    a.Send(0, kSdkRequestLoadProfile, Bytes{'W', 'o', 'r', 'k', 0});
    a.Send(0, kSdkRequestSaveProfile, Bytes{'N', 'e', 'w'});  // terminator left out
    a.Send(0, kSdkRequestDeleteProfile, Bytes{'G', 'a', 'm', 'e', 0});
    // Names that are no names: nothing, only the terminator, a NUL inside.
    a.Send(0, kSdkRequestLoadProfile, Bytes{});
    a.Send(0, kSdkRequestSaveProfile, Bytes{0});
    a.Send(0, kSdkRequestDeleteProfile, Bytes{'G', 0, 'm', 'e', 0});
    Sync(a);
    using Calls = std::vector<std::pair<uint32_t, std::string>>;
    EXPECT_EQ(hub.Read([&] { return hub.profileRequests; }),
              (Calls{{kSdkRequestLoadProfile, "Work"},
                     {kSdkRequestSaveProfile, "New"},
                     {kSdkRequestDeleteProfile, "Game"}}));

    // A client of version 1 knows no profiles: its requests are ignored like unknown ids.
    Client old(server.Port());
    old.Negotiate(1);
    old.Send(0, kSdkRequestProfileList);
    old.Send(0, kSdkRequestDeleteProfile, Bytes{'W', 'o', 'r', 'k', 0});
    old.Send(0, kSdkRequestControllerCount);
    const std::optional<SdkPacket> next = old.Receive();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->header.id, uint32_t{kSdkRequestControllerCount});
    EXPECT_EQ(hub.Read([&] { return hub.profileRequests.size(); }), 3u);
}

TEST_F(SdkServerTest, BadInputIsDroppedWithoutHarmingOtherClients) {
    Client good(server.Port());
    good.Negotiate(4);
    good.Send(0, kSdkSetCustomMode);
    Sync(good);

    // Requests that do not add up: nothing reaches the keyboard, the connection stays.
    Client sloppy(server.Port());
    sloppy.Negotiate(4);
    sloppy.Send(0, kSdkSetCustomMode);
    sloppy.Send(7, kSdkUpdateLeds, AllLeds({1, 2, 3, 4, 5}, 5));     // no device 7
    sloppy.Send(0, kSdkUpdateLeds, AllLeds({1, 2, 3, 4, 5, 6}, 6));  // 6 of 5 LEDs
    SdkWriter zone;
    zone.U32(18);
    zone.U32(0);
    zone.U16(2);  // the keys zone has 3
    zone.U32(7);
    zone.U32(8);
    sloppy.Send(0, kSdkUpdateZoneLeds, zone.Bytes());
    sloppy.Send(0, kSdkUpdateSingleLed, Bytes{5, 0, 0, 0, 1, 0, 0, 0});  // LED 5 of 0..4
    sloppy.Send(0, kSdkUpdateMode, Bytes{8, 0, 0, 0, 9, 0, 0, 0});       // mode 9
    sloppy.Send(9, kSdkRequestControllerData, Client::U32(4));
    Sync(sloppy);
    EXPECT_TRUE(hub.Read([&] { return hub.frames.empty() && hub.modes.empty(); }));

    // Broken framing closes only that connection.
    Client wrongMagic(server.Port());
    wrongMagic.SendRaw(Bytes{'O', 'R', 'G', 'X', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(wrongMagic.ClosedByServer());
    Client huge(server.Port());
    Bytes header = SerializeSdkPacket(0, kSdkUpdateLeds, {});
    header[14] = 0x20;  // 2 MiB announced
    huge.SendRaw(header);
    EXPECT_TRUE(huge.ClosedByServer());
    // Half a packet, then gone.
    {
        Client half(server.Port());
        const Bytes packet = SerializeSdkPacket(0, kSdkUpdateLeds, AllLeds({1, 2, 3, 4, 5}, 5));
        half.SendRaw(Bytes(packet.begin(), packet.begin() + 20));
    }
    // A client that asks and never reads is dropped once its unread answers pile up.
    Client deaf(server.Port());
    deaf.Negotiate(4);
    Bytes burst;
    for (int i = 0; i < 4000; ++i) {
        const Bytes request = SerializeSdkPacket(0, kSdkRequestControllerData, Client::U32(4));
        burst.insert(burst.end(), request.begin(), request.end());
    }
    deaf.SendRaw(burst);

    good.Send(0, kSdkUpdateLeds, AllLeds({9, 9, 9, 9, 9}, 5));
    ASSERT_TRUE(hub.WaitFor([&] { return hub.frames.size() == 1; }));
    EXPECT_EQ(hub.Read([&] { return hub.frames[0].second; }), (std::vector<uint32_t>(5, 9)));
    EXPECT_TRUE(hub.WaitFor([&] { return server.ClientCount() == 2; }))
        << "the broken, half-sent and deaf connections are gone";
}

TEST_F(SdkServerTest, AHundredClientsAtOnceAreAllServed) {
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < 100; ++i) {
        clients.push_back(std::make_unique<Client>(server.Port()));
        ASSERT_TRUE(clients.back()->Connected());
    }
    for (auto& client : clients) {
        client->Send(0, kSdkRequestControllerCount);
    }
    for (auto& client : clients) {
        const std::optional<SdkPacket> count = client->Receive();
        ASSERT_TRUE(count);
        EXPECT_EQ(count->data, Client::U32(2));
    }
}

TEST_F(SdkServerTest, ClientsAreToldWhenTheKeyboardsChange) {
    Client a(server.Port());
    a.Negotiate(4);
    a.Send(0, kSdkSetCustomMode);
    Sync(a);
    hub.Read([&] {
        hub.devices.pop_back();
        return 0;
    });
    server.NotifyDeviceListUpdated();
    const std::optional<SdkPacket> note = a.Receive();
    ASSERT_TRUE(note);
    EXPECT_EQ(note->header.id, uint32_t{kSdkDeviceListUpdated});
    // Indexes may mean other keyboards now: the Direct mode ended.
    ASSERT_TRUE(hub.WaitFor([&] { return hub.ended == std::vector<size_t>{0}; }));
    Sync(a);
}

TEST(SdkServerUserTest, LoopbackPeersOfAnotherUserAreRefused) {
    FakeHub hub;
    SdkServer server(hub);
    server.SetOwnerUid(getuid() + 1);
    SdkServerOptions options;
    options.port = 0;
    ASSERT_TRUE(server.Start(options));
    Client stranger(server.Port());
    stranger.Send(0, kSdkRequestControllerCount);
    EXPECT_TRUE(stranger.ClosedByServer());
    server.Stop();

    options.allowOtherUsers = true;
    ASSERT_TRUE(server.Start(options));
    Client allowed(server.Port());
    allowed.Send(0, kSdkRequestControllerCount);
    EXPECT_TRUE(allowed.Receive());
}

// Bytes another user's client gets back for a controller count request over the loopback.
int AnswerBytesForUser(const std::string& user, uint16_t port) {
    const std::string command = "runuser -u " + user + " -- bash -c 'exec 3<>/dev/tcp/127.0.0.1/" +
                                std::to_string(port) +
                                " && printf \"ORGB\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\" >&3 && "
                                "timeout 3 head -c 20 <&3 | wc -c'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return -1;
    }
    int bytes = -1;
    if (fscanf(pipe, "%d", &bytes) != 1) {
        bytes = -1;
    }
    pclose(pipe);
    return bytes;
}

TEST(SdkServerUserTest, ARealSecondUserIsRefusedUnlessAllowed) {
    if (getuid() != 0 || access("/usr/sbin/useradd", X_OK) != 0 ||
        access("/usr/sbin/runuser", X_OK) != 0) {
        GTEST_SKIP() << "needs root with useradd and runuser to make a second user";
    }
    const std::string user = "zanvor-sdk-peer";
    if (std::system(("id -u " + user + " >/dev/null 2>&1 || useradd -M -s /bin/bash " + user +
                     " >/dev/null 2>&1")
                        .c_str()) != 0) {
        GTEST_SKIP() << "the second user could not be made";
    }
    FakeHub hub;
    SdkServer server(hub);
    SdkServerOptions options;
    options.port = 0;
    ASSERT_TRUE(server.Start(options));
    EXPECT_EQ(AnswerBytesForUser(user, server.Port()), 0) << "refused: no answer";
    EXPECT_EQ(AnswerBytesForUser("root", server.Port()), 20) << "the owner is answered";
    server.Stop();
    options.allowOtherUsers = true;
    ASSERT_TRUE(server.Start(options));
    EXPECT_EQ(AnswerBytesForUser(user, server.Port()), 20) << "allowed in the settings";
}

TEST(SdkServerUserTest, ThePeersUidIsReadFromTheKernelsSocketTable) {
    sockaddr_storage peer{};
    auto& p = reinterpret_cast<sockaddr_in&>(peer);
    p.sin_family = AF_INET;
    p.sin_port = htons(45678);  // B26E
    p.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sockaddr_storage server{};
    auto& s = reinterpret_cast<sockaddr_in&>(server);
    s.sin_family = AF_INET;
    s.sin_port = htons(6742);  // 1A56
    s.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const std::string table =
        "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  "
        "timeout inode\n"
        "   0: 0100007F:1A56 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000 "
        "       0 1 1 0000000000000000 100 0 0 10 0\n"
        "   1: 0100007F:1A56 0100007F:B26E 01 00000000:00000000 00:00000000 00000000  1000 "
        "       0 2 1 0000000000000000 20 4 30 10 -1\n"
        "   2: 0100007F:B26E 0100007F:1A56 01 00000000:00000000 00:00000000 00000000  1001 "
        "       0 3 1 0000000000000000 20 4 30 10 -1\n";
    EXPECT_EQ(FindSocketUid(table, peer, server), std::optional<uid_t>(1001));
    p.sin_port = htons(45679);
    EXPECT_EQ(FindSocketUid(table, peer, server), std::nullopt);
    EXPECT_EQ(FindSocketUid("", peer, server), std::nullopt);

    // The real table finds this process for its own connection.
    FakeHub hub;
    SdkServer real(hub);
    SdkServerOptions options;
    options.port = 0;
    ASSERT_TRUE(real.Start(options));
    Client self(real.Port());
    self.Send(0, kSdkRequestControllerCount);
    EXPECT_TRUE(self.Receive()) << "the own user's connection is served";
}

}  // namespace
}  // namespace zanvor::test
