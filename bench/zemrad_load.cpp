// zemrad under load: logs in many clients on loopback, relays messages
// between random pairs at a fixed rate and reports how many clients got in,
// the relayed messages per second and the relay latency.
//
//   zemrad_load [--clients N] [--rate MSGS_PER_S] [--seconds S] [--sources K]
//               [--server ADDRESS]
//
// Without --server it starts the zemrad next to it on 127.0.4.1 with a
// scratch store. Clients connect from K source addresses 127.0.5.x, so that
// tens of thousands of connections never run out of ports. Each message
// carries its send time; latency is send to arrival, through the server.
// A server started here is also weighed: its resident memory before the
// clients come and once they are all logged in.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <asio.hpp>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "protocol/message_packets.h"
#include "protocol/packet_reassembler.h"
#include "protocol/profile_packets.h"
#include "protocol/simple_packets.h"

extern char** environ;

namespace {

using asio::ip::tcp;
using Clock = std::chrono::steady_clock;
using namespace zemra::protocol;

struct Options {
    std::string server;
    std::string address = "127.0.4.1";
    int clients = 200;
    double rate = 20000;
    double seconds = 5;
    int sources = 8;
};

struct Stats {
    int connected = 0;
    int loggedIn = 0;
    int failed = 0;
    uint64_t sent = 0;
    uint64_t received = 0;
    std::vector<double> latencyUs;
};

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

class LoadClient : public std::enable_shared_from_this<LoadClient> {
  public:
    LoadClient(asio::io_context& io, Stats& stats, int index)
        : socket_(io),
          retry_(io),
          stats_(stats),
          index_(index),
          reassembler_(
              [this](uint16_t type, std::span<const uint8_t> packet) { onPacket(type, packet); }) {}

    void start(const tcp::endpoint& server, const asio::ip::address& source,
               std::function<void()> done) {
        done_ = std::move(done);
        asio::error_code ec;
        socket_.open(tcp::v4(), ec);
        socket_.bind(tcp::endpoint(source, 0), ec);
        if (ec) return fail();
        socket_.async_connect(server, [self = shared_from_this()](const asio::error_code& error) {
            if (error) return self->fail();
            ++self->stats_.connected;
            self->socket_.set_option(tcp::no_delay(true));
            self->registerAccount();
            self->readNext();
        });
    }

    void send(std::vector<uint8_t> packet) {
        if (!open_) return;
        queue_.push_back(std::move(packet));
        if (!writing_) writeNext();
    }

    uint32_t id() const { return id_; }

  private:
    // The server checks a few passwords at a time per address and turns the
    // rest away; a crowd from few addresses asks again a little later (the
    // login phase as a whole ends after ten minutes).
    static constexpr int kRegisterAttempts = 30000;

    void registerAccount() {
        UserProfile profile;
        profile.nickname = "load" + std::to_string(index_);
        profile.password = "pw";
        ++attempts_;
        send(buildRegister(profile));
    }

    void fail() {
        ++stats_.failed;
        open_ = false;
        finish();
    }

    void finish() {
        if (done_) std::exchange(done_, nullptr)();
    }

    void writeNext() {
        if (queue_.empty() || !open_) {
            writing_ = false;
            return;
        }
        writing_ = true;
        inFlight_ = std::move(queue_.front());
        queue_.pop_front();
        asio::async_write(socket_, asio::buffer(inFlight_),
                          [self = shared_from_this()](const asio::error_code& ec, std::size_t) {
                              if (ec) {
                                  self->open_ = false;
                                  return;
                              }
                              self->writeNext();
                          });
    }

    void readNext() {
        socket_.async_read_some(
            asio::buffer(buffer_),
            [self = shared_from_this()](const asio::error_code& ec, std::size_t n) {
                if (ec) {
                    if (self->open_ && self->id_ == 0) ++self->stats_.failed;
                    self->open_ = false;
                    self->finish();
                    return;
                }
                self->reassembler_.onRead(std::span(self->buffer_.data(), n));
                self->readNext();
            });
    }

    void onPacket(uint16_t type, std::span<const uint8_t> packet) {
        if (type == PT_REGISTERED) {
            id_ = parseUserId(packet);
            if (id_ != 0) {
                ++stats_.loggedIn;
            } else if (attempts_ < kRegisterAttempts) {
                retry_.expires_after(std::chrono::milliseconds(20));
                retry_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
                    if (!ec) self->registerAccount();
                });
                return;
            } else {
                ++stats_.failed;
            }
            finish();
        } else if (type == PT_MESSAGE) {
            const TextMessage message = parseMessage(packet);
            const int64_t sentAt = std::strtoll(message.text.c_str(), nullptr, 10);
            ++stats_.received;
            stats_.latencyUs.push_back(static_cast<double>(nowNs() - sentAt) / 1000.0);
        }
    }

    tcp::socket socket_;
    asio::steady_timer retry_;
    int attempts_ = 0;
    Stats& stats_;
    int index_;
    PacketReassembler reassembler_;
    std::array<uint8_t, PacketReassembler::kMaxRead> buffer_{};
    std::deque<std::vector<uint8_t>> queue_;
    std::vector<uint8_t> inFlight_;
    bool writing_ = false;
    bool open_ = true;
    uint32_t id_ = 0;
    std::function<void()> done_;
};

bool parseArgs(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char* value = argv[i + 1];
        if (key == "--clients") {
            options.clients = std::atoi(value);
        } else if (key == "--rate") {
            options.rate = std::atof(value);
        } else if (key == "--seconds") {
            options.seconds = std::atof(value);
        } else if (key == "--sources") {
            options.sources = std::max(1, std::atoi(value));
        } else if (key == "--server") {
            options.server = value;
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && options.clients > 1;
}

void raiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// utime + stime of a process, in seconds.
double cpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    std::vector<std::string> fields;
    std::string field;
    for (char c : stat.substr(close + 2)) {
        if (c == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    if (fields.size() < 13) return 0;
    return (std::stod(fields[11]) + std::stod(fields[12])) / sysconf(_SC_CLK_TCK);
}

pid_t startServer(const std::string& address, const std::filesystem::path& folder) {
    const std::string db = (folder / "load.db").string();
    // The load comes from a few addresses: the per-address limits are lifted.
    std::vector<std::string> args = {ZEMRAD_PATH, "--listen",
                                     address,     "--db",
                                     db,          "--registrations-per-hour",
                                     "100000",    "--max-connections-per-address",
                                     "100000"};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, ZEMRAD_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    for (int i = 0; i < 500; ++i) {
        asio::io_context io;
        tcp::socket probe(io);
        asio::error_code ec;
        probe.connect(tcp::endpoint(asio::ip::make_address(address), kServerPort), ec);
        if (!ec) return pid;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

// Resident memory of a process in KiB, 0 when it cannot be read.
long residentKiB(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

double percentile(std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0;
    const auto index = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1));
    return sorted[index];
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseArgs(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: zemrad_load [--clients N] [--rate MSGS_PER_S] [--seconds S] "
                     "[--sources K] [--server ADDRESS]\n");
        return 2;
    }
    raiseDescriptorLimit();
    std::filesystem::path scratch;
    pid_t serverPid = -1;
    std::string address = options.server;
    if (address.empty()) {
        address = options.address;
        char pattern[] = "/tmp/zemrad_load.XXXXXX";
        if (!mkdtemp(pattern)) return 1;
        scratch = pattern;
        serverPid = startServer(address, scratch);
        if (serverPid < 0) {
            std::fprintf(stderr, "zemrad did not start on %s\n", address.c_str());
            return 1;
        }
    }
    const double perClient = options.rate / options.clients;
    if (perClient > 400) {
        std::fprintf(stderr, "note: %.0f msgs/s per client is near the server's flood limit\n",
                     perClient);
    }

    const long serverKiBBefore = serverPid > 0 ? residentKiB(serverPid) : 0;
    asio::io_context io(1);
    Stats stats;
    const tcp::endpoint server(asio::ip::make_address(address), kServerPort);
    std::vector<std::shared_ptr<LoadClient>> clients;
    int started = 0;
    int finished = 0;
    // A few hundred connection attempts in flight at a time, like a crowd
    // logging in rather than a SYN flood.
    std::function<void()> startMore = [&] {
        while (started < options.clients && started - finished < 256) {
            const int index = started++;
            const auto source =
                asio::ip::make_address_v4("127.0.5." + std::to_string(1 + index % options.sources));
            auto client = std::make_shared<LoadClient>(io, stats, index);
            clients.push_back(client);
            client->start(server, source, [&] {
                ++finished;
                asio::post(io, startMore);
            });
        }
    };
    const auto loginStart = Clock::now();
    startMore();
    while (finished < options.clients && Clock::now() - loginStart < std::chrono::seconds(600)) {
        io.run_for(std::chrono::milliseconds(50));
    }
    const double loginSeconds = std::chrono::duration<double>(Clock::now() - loginStart).count();

    std::vector<std::shared_ptr<LoadClient>> ready;
    for (auto& client : clients) {
        if (client->id() != 0) ready.push_back(client);
    }
    std::printf("clients: %d asked, %d connected, %d logged in, %d failed (%.1f s)\n",
                options.clients, stats.connected, stats.loggedIn, stats.failed, loginSeconds);
    if (serverPid > 0 && stats.loggedIn > 0) {
        // Let the last logins' work settle before reading the server's size.
        const auto settle = Clock::now() + std::chrono::milliseconds(500);
        while (Clock::now() < settle) io.run_for(std::chrono::milliseconds(50));
        const long serverKiB = residentKiB(serverPid);
        std::printf("server memory: %ld KiB idle, %ld KiB with %d logged in: %.1f KiB a client\n",
                    serverKiBBefore, serverKiB, stats.loggedIn,
                    static_cast<double>(serverKiB - serverKiBBefore) / stats.loggedIn);
    }

    if (ready.size() >= 2) {
        std::mt19937 random(1);
        const double serverCpuBefore = serverPid > 0 ? cpuSeconds(serverPid) : 0;
        const auto relayStart = Clock::now();
        const auto relayEnd = relayStart + std::chrono::duration_cast<Clock::duration>(
                                               std::chrono::duration<double>(options.seconds));
        TextMessage message;
        message.fontSize = 12;
        while (Clock::now() < relayEnd) {
            const double elapsed = std::chrono::duration<double>(Clock::now() - relayStart).count();
            const auto due = static_cast<uint64_t>(elapsed * options.rate);
            while (stats.sent < due) {
                auto& from = ready[random() % ready.size()];
                auto& to = ready[random() % ready.size()];
                if (from == to) continue;
                message.peerId = to->id();
                message.text = std::to_string(nowNs());
                from->send(buildMessage(message));
                ++stats.sent;
            }
            io.run_for(std::chrono::microseconds(500));
        }
        const auto drainEnd = Clock::now() + std::chrono::seconds(2);
        while (stats.received < stats.sent && Clock::now() < drainEnd) {
            io.run_for(std::chrono::milliseconds(10));
        }
        const double serverCpu = serverPid > 0 ? cpuSeconds(serverPid) - serverCpuBefore : 0;
        std::sort(stats.latencyUs.begin(), stats.latencyUs.end());
        std::printf("relay: %llu sent, %llu received in %.1f s: %.0f msgs/s relayed\n",
                    static_cast<unsigned long long>(stats.sent),
                    static_cast<unsigned long long>(stats.received), options.seconds,
                    static_cast<double>(stats.received) / options.seconds);
        std::printf("latency: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
                    percentile(stats.latencyUs, 0.50) / 1000,
                    percentile(stats.latencyUs, 0.99) / 1000,
                    stats.latencyUs.empty() ? 0.0 : stats.latencyUs.back() / 1000);
        if (serverPid > 0) {
            std::printf("server CPU during relay: %.0f%% of one core\n",
                        100 * serverCpu / options.seconds);
        }
    }

    clients.clear();
    ready.clear();
    if (serverPid > 0) {
        kill(serverPid, SIGTERM);
        waitpid(serverPid, nullptr, 0);
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    }
    return 0;
}
