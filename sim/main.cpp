// brisko-sim: the Brisko service simulator. See README.md.
#include "certs.hpp"
#include "cp1250.hpp"
#include "seed.hpp"
#include "service.hpp"
#include "simulator.hpp"
#include "world.hpp"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

const char kUsage[] =
    "usage: brisko-sim --make-ca DIR\n"
    "       brisko-sim --state DIR --ports-file FILE [--demo] [--seed FILE]\n"
    "                  [--installer FILE] [--https-port N] [--control-port N] [--push-port N]\n"
    "\n"
    "--make-ca DIR     make the certificate authority and the server certificate in DIR\n"
    "                  (ca.pem, ca.key, server.pem, server.key) where missing, then exit\n"
    "--state DIR       where the certificates are (made if missing)\n"
    "--ports-file FILE written once the servers listen: shell lines\n"
    "                  BRISKO_SIM_HTTPS_PORT=n, BRISKO_SIM_CONTROL_PORT=n, BRISKO_SIM_PUSH_PORT=n\n"
    "--demo            load the built-in demo seed (the demo account and its contacts)\n"
    "--seed FILE       load the world from a seed file (format: sim/README.md)\n"
    "--installer FILE  serve FILE's bytes as /briskopc/setup.exe (else a stand-in of 6000 bytes)\n"
    "--https-port N, --control-port N, --push-port N   fixed ports instead of free ones\n"
    "Serves on 127.0.0.1 until SIGTERM or SIGINT.\n";

int usage_error(const std::string& message) {
    std::fprintf(stderr, "brisko-sim: %s\n%s", message.c_str(), kUsage);
    return 2;
}

bool read_file(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    bytes = text.str();
    return static_cast<bool>(in);
}

bool parse_port(const char* text, int& port) {
    char* end;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || end == text || value < 1 || value > 65535) {
        return false;
    }
    port = static_cast<int>(value);
    return true;
}

// Parses one seed text into `seed`; prints each error as ORIGIN:LINE: message.
bool add_seed(const std::string& origin, const std::string& text, sim::Seed& seed,
              std::set<std::string>& logins) {
    const sim::SeedParse parsed = sim::parse_seed(text);
    for (const sim::SeedError& e : parsed.errors) {
        std::fprintf(stderr, "%s:%d: %s\n", origin.c_str(), e.line, e.message.c_str());
    }
    bool ok = parsed.ok();
    for (const sim::Account& a : parsed.seed.accounts) {
        if (!logins.insert(a.login).second) {
            std::fprintf(stderr, "%s: account %s is in an earlier seed too\n", origin.c_str(),
                         a.login.c_str());
            ok = false;
        }
        seed.accounts.push_back(a);
    }
    seed.contacts.insert(seed.contacts.end(), parsed.seed.contacts.begin(),
                         parsed.seed.contacts.end());
    seed.auto_replies.insert(seed.auto_replies.end(), parsed.seed.auto_replies.begin(),
                             parsed.seed.auto_replies.end());
    return ok;
}

bool write_ports_file(const std::string& path, int https, int control, int push) {
    const std::string tmp = path + ".tmp." + std::to_string(getpid());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << "BRISKO_SIM_HTTPS_PORT=" << https << "\n"
            << "BRISKO_SIM_CONTROL_PORT=" << control << "\n"
            << "BRISKO_SIM_PUSH_PORT=" << push << "\n";
        out.close();
        if (!out) {
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

int make_ca(const std::string& dir) {
    sim::CertFiles files;
    std::string error;
    if (!sim::ensure_ca(dir, files, error)) {
        std::fprintf(stderr, "brisko-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %s\n%s: %s\n", files.ca_pem.c_str(), files.made_ca ? "made" : "kept",
                files.server_pem.c_str(), files.made_server ? "made" : "kept");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string make_ca_dir, state_dir, ports_file, seed_file, installer_file;
    bool demo = false;
    int https_port = 0, control_port = 0, push_port = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--demo") {
            demo = true;
        } else if (!has_value) {
            return usage_error("unknown option or missing value: " + arg);
        } else if (arg == "--make-ca") {
            make_ca_dir = argv[++i];
        } else if (arg == "--state") {
            state_dir = argv[++i];
        } else if (arg == "--ports-file") {
            ports_file = argv[++i];
        } else if (arg == "--seed") {
            seed_file = argv[++i];
        } else if (arg == "--installer") {
            installer_file = argv[++i];
        } else if (arg == "--https-port" || arg == "--control-port" || arg == "--push-port") {
            int& port = arg == "--https-port"     ? https_port
                        : arg == "--control-port" ? control_port
                                                  : push_port;
            if (!parse_port(argv[++i], port)) {
                return usage_error(arg + " needs a port number from 1 to 65535");
            }
        } else {
            return usage_error("unknown option: " + arg);
        }
    }
    if (!make_ca_dir.empty()) {
        return make_ca(make_ca_dir);
    }
    if (state_dir.empty() || ports_file.empty()) {
        return usage_error("--state and --ports-file are needed");
    }

    // SIGTERM and SIGINT are taken by sigwait below; every thread inherits the mask.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    // A simulator whose starter died must not keep its ports.
    prctl(PR_SET_PDEATHSIG, SIGTERM);

    sim::Seed seed;
    std::set<std::string> logins;
    bool seed_ok = true;
    if (demo) {
        seed_ok = add_seed("demo seed", std::string(sim::demo_seed_text()), seed, logins);
    }
    if (!seed_file.empty()) {
        std::string text;
        if (!read_file(seed_file, text)) {
            std::fprintf(stderr, "brisko-sim: cannot read %s\n", seed_file.c_str());
            return 2;
        }
        seed_ok = add_seed(seed_file, text, seed, logins) && seed_ok;
    }
    if (!seed_ok) {
        return 2;
    }

    sim::CertFiles files;
    std::string error;
    if (!sim::ensure_ca(state_dir, files, error)) {
        std::fprintf(stderr, "brisko-sim: %s\n", error.c_str());
        return 1;
    }
    sim::World world = sim::World::from_seed(seed);
    if (!installer_file.empty()) {
        std::string bytes;
        if (!read_file(installer_file, bytes)) {
            std::fprintf(stderr, "brisko-sim: cannot read the installer %s\n",
                         installer_file.c_str());
            return 2;
        }
        if (bytes.empty() || bytes.size() > sim::kMaxInstallerSize) {
            std::fprintf(stderr, "brisko-sim: the installer %s must have 1 byte to %zu MiB\n",
                         installer_file.c_str(), sim::kMaxInstallerSize >> 20);
            return 2;
        }
        world.installer.start = world.installer.content =
            std::make_shared<const std::string>(std::move(bytes));
    }
    sim::Service service(std::move(world));
    sim::Simulator simulator(
        service, {files.server_pem, files.server_key, https_port, control_port, push_port});
    if (!simulator.start(error)) {
        std::fprintf(stderr, "brisko-sim: %s\n", error.c_str());
        return 1;
    }
    if (!write_ports_file(ports_file, simulator.https_port(), simulator.control_port(),
                          simulator.push_port())) {
        std::fprintf(stderr, "brisko-sim: cannot write %s: %s\n", ports_file.c_str(),
                     std::strerror(errno));
        return 1;
    }
    std::printf("brisko-sim: HTTPS on 127.0.0.1:%d, control on 127.0.0.1:%d, push on "
                "127.0.0.1:%d (CA %s)\n",
                simulator.https_port(), simulator.control_port(), simulator.push_port(),
                files.ca_pem.c_str());
    for (const sim::Account& a : seed.accounts) {
        std::printf("brisko-sim: account %s, password %s\n", a.login.c_str(),
                    sim::cp1250_to_utf8(a.password).c_str());
    }
    if (demo) {
        // The demo seed comes first, the demo account first in it.
        const sim::Account& a = seed.accounts.front();
        std::printf("demo account: %s / %s\n", a.login.c_str(),
                    sim::cp1250_to_utf8(a.password).c_str());
    }
    std::fflush(stdout);

    int signal_number = 0;
    while (sigwait(&stop_signals, &signal_number) != 0) {
    }
    std::printf("brisko-sim: %s, stopping\n", strsignal(signal_number));
    simulator.stop();
    return 0;
}
