// zemrad: the reference server. Runs in the foreground until SIGINT or SIGTERM.
#include <sys/resource.h>

#include <asio.hpp>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <string>

#include "server/server_log.h"
#include "server/zemra_server.h"

// The build passes the project's version; a bare compile still answers something.
#ifndef ZEMRA_VERSION
#define ZEMRA_VERSION "0.1.0"
#endif

namespace {

void usage(std::FILE* to) {
    std::fprintf(to,
                 "usage: zemrad [--listen ADDRESS] [--db FILE] [limits]\n"
                 "       zemrad --help | --version\n"
                 "  --listen ADDRESS  IPv4 address for TCP 3000 and 3110, UDP 3111 and 3121\n"
                 "                    (default 127.0.0.1)\n"
                 "  --db FILE         SQLite store (default zemrad.db in the current folder)\n"
                 "  --max-connections N              open connections on 3000 in all\n"
                 "                                   (default 20000)\n"
                 "  --max-connections-per-address N  open connections on 3000 from one\n"
                 "                                   address (default 64)\n"
                 "  --registrations-per-hour N       new accounts from one address\n"
                 "                                   (default 20)\n"
                 "  --help            show this help and exit\n"
                 "  --version         show the version and exit\n");
}

// Every client holds a descriptor; take as many as the system lets us.
void raiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// A whole positive number, or nothing.
std::optional<std::size_t> count(const char* text) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-' || value == 0 ||
        value > 10'000'000) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(value);
}

}  // namespace

int main(int argc, char** argv) {
    zemra::server::ServerOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool isLimit = arg == "--max-connections" || arg == "--max-connections-per-address" ||
                             arg == "--registrations-per-hour";
        if ((arg == "--listen" || arg == "--db") && i + 1 < argc) {
            (arg == "--listen" ? options.address : options.database) = argv[++i];
        } else if (isLimit && i + 1 < argc && count(argv[i + 1])) {
            const std::size_t value = *count(argv[++i]);
            if (arg == "--max-connections") {
                options.maxConnections = value;
            } else if (arg == "--max-connections-per-address") {
                options.maxConnectionsPerAddress = value;
            } else {
                options.rules.registrationsPerHour = static_cast<int>(value);
            }
        } else if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("zemrad %s\n", ZEMRA_VERSION);
            return 0;
        } else {
            // A mistyped option must not start a server on the defaults.
            std::fprintf(stderr, "zemrad: unknown option or missing value: %s\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }
    raiseDescriptorLimit();
    try {
        asio::io_context io(1);
        zemra::server::ZemraServer server(io, options);
        asio::signal_set signals(io, SIGINT, SIGTERM);
        signals.async_wait([&](const asio::error_code& ec, int signal) {
            if (ec) return;
            zemra::server::logLine(std::string("stopping on ") + strsignal(signal));
            server.stop();
            io.stop();
        });
        zemra::server::logLine("zemrad listening on " + options.address + " (store " +
                               options.database + ")");
        io.run();
        zemra::server::logLine("zemrad stopped");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zemrad: %s\n", error.what());
        return 1;
    }
    return 0;
}
