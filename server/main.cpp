// zemrad: the reference server. Runs in the foreground until SIGINT or SIGTERM.
#include <sys/resource.h>

#include <asio.hpp>
#include <cstdio>
#include <cstring>
#include <exception>
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
                 "usage: zemrad [--listen ADDRESS] [--db FILE]\n"
                 "       zemrad --help | --version\n"
                 "  --listen ADDRESS  IPv4 address for TCP 3000 and 3110, UDP 3111 and 3121\n"
                 "                    (default 127.0.0.1)\n"
                 "  --db FILE         SQLite store (default zemrad.db in the current folder)\n"
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

}  // namespace

int main(int argc, char** argv) {
    zemra::server::ServerOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--listen" || arg == "--db") && i + 1 < argc) {
            (arg == "--listen" ? options.address : options.database) = argv[++i];
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
