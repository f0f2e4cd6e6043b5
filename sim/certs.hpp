// The simulator's own certificate authority and server certificate, made
// with OpenSSL's C API.
#pragma once

#include <string>

namespace sim {

struct CertFiles {
    std::string ca_pem, ca_key;         // the authority (ca.pem goes into Wine's Root store)
    std::string server_pem, server_key; // for DNS "localhost" and IP 127.0.0.1, signed by it
    bool made_ca = false;               // this call made a new authority
    bool made_server = false;           // this call made a new server certificate
};

// Makes `dir` (and its parents) if needed and the four files in it that are
// missing or unusable. Usable ones are kept, above all ca.pem, so that a Wine
// prefix that trusts it stays valid; a server certificate is made anew when
// it is not signed by ca.pem, does not match its key, does not name
// localhost and 127.0.0.1, or expires within a day. Several processes may
// call it on the same folder at once (a lock file serialises them). Returns
// false with a message in `error` on failure.
bool ensure_ca(const std::string& dir, CertFiles& files, std::string& error);

} // namespace sim
