#include "certs.hpp"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

namespace {

struct Free {
    void operator()(X509* p) const { X509_free(p); }
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
    void operator()(BIO* p) const { BIO_free(p); }
    void operator()(BIGNUM* p) const { BN_free(p); }
    void operator()(X509_EXTENSION* p) const { X509_EXTENSION_free(p); }
};
using X509Ptr = std::unique_ptr<X509, Free>;
using KeyPtr = std::unique_ptr<EVP_PKEY, Free>;
using BioPtr = std::unique_ptr<BIO, Free>;

constexpr long kDay = 24 * 60 * 60;
constexpr long kCaDays = 20 * 365;
constexpr long kServerDays = 5 * 365;

std::string openssl_error(const std::string& what) {
    std::string text = what;
    unsigned long e;
    while ((e = ERR_get_error()) != 0) {
        char buf[256];
        ERR_error_string_n(e, buf, sizeof buf);
        text += std::string("; ") + buf;
    }
    return text;
}

// The whole file, or "" when it cannot be read.
std::string read_file(const std::string& path) {
    std::string data;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
            data.append(buf, n);
        }
        std::fclose(f);
    }
    return data;
}

// Writes next to the target and renames, so a reader never sees half a file.
bool write_file(const std::string& path, const std::string& data, mode_t mode, std::string& error) {
    const std::string tmp = path + ".tmp." + std::to_string(getpid());
    const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    bool good = fd >= 0;
    size_t done = 0;
    while (good && done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        good = n > 0;
        done += good ? static_cast<size_t>(n) : 0;
    }
    good = fd >= 0 && fchmod(fd, mode) == 0 && good && fsync(fd) == 0;
    if (fd >= 0) {
        good = close(fd) == 0 && good;
    }
    if (!good || std::rename(tmp.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::generic_category().message(errno);
        unlink(tmp.c_str());
        return false;
    }
    return true;
}

X509Ptr load_cert(const std::string& path) {
    const std::string pem = read_file(path);
    BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    return X509Ptr(bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

KeyPtr load_key(const std::string& path) {
    const std::string pem = read_file(path);
    BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    return KeyPtr(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

std::string cert_pem(X509* cert) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_X509(bio.get(), cert);
    char* data;
    const long n = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(n));
}

std::string key_pem(EVP_PKEY* key) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data;
    const long n = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(n));
}

// Valid now and for at least another day.
bool current(X509* cert) {
    time_t tomorrow = time(nullptr) + kDay;
    return X509_cmp_time(X509_get0_notBefore(cert), nullptr) < 0 &&
           X509_cmp_time(X509_get0_notAfter(cert), &tomorrow) > 0;
}

bool add_ext(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    std::unique_ptr<X509_EXTENSION, Free> ext(X509V3_EXT_conf_nid(nullptr, &ctx, nid, value));
    return ext && X509_add_ext(cert, ext.get(), -1) == 1;
}

// A certificate for `key` named `cn`, signed by `issuer`/`issuer_key`, or
// self-signed when `issuer` is null; `exts` are (nid, value) pairs.
X509Ptr make_cert(EVP_PKEY* key, const char* cn, long days, X509* issuer, EVP_PKEY* issuer_key,
                  std::initializer_list<std::pair<int, const char*>> exts) {
    X509Ptr cert(X509_new());
    std::unique_ptr<BIGNUM, Free> serial(BN_new());
    if (!cert || !serial || X509_set_version(cert.get(), 2) != 1 ||
        BN_rand(serial.get(), 127, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) != 1 ||
        !BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert.get())) ||
        !X509_gmtime_adj(X509_getm_notBefore(cert.get()), -kDay) ||
        !X509_gmtime_adj(X509_getm_notAfter(cert.get()), days * kDay) ||
        X509_set_pubkey(cert.get(), key) != 1) {
        return nullptr;
    }
    X509_NAME* name = X509_get_subject_name(cert.get());
    const auto text = [](const char* s) { return reinterpret_cast<const unsigned char*>(s); };
    if (X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, text("BriskoPC"), -1, -1, 0) != 1 ||
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, text(cn), -1, -1, 0) != 1 ||
        X509_set_issuer_name(cert.get(), issuer ? X509_get_subject_name(issuer) : name) != 1) {
        return nullptr;
    }
    X509* signer = issuer ? issuer : cert.get();
    for (const auto& [nid, value] : exts) {
        if (!add_ext(cert.get(), signer, nid, value)) {
            return nullptr;
        }
    }
    if (X509_sign(cert.get(), issuer_key ? issuer_key : key, EVP_sha256()) <= 0) {
        return nullptr;
    }
    return cert;
}

// Holds an exclusive lock on DIR/.lock for its lifetime.
class DirLock {
public:
    explicit DirLock(const std::string& dir)
        : fd_(open((dir + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
        if (fd_ >= 0) {
            while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~DirLock() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    bool ok() const { return fd_ >= 0; }

private:
    int fd_;
};

} // namespace

bool ensure_ca(const std::string& dir, CertFiles& files, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        error = "cannot make " + dir + ": " + ec.message();
        return false;
    }
    files = CertFiles{dir + "/ca.pem", dir + "/ca.key", dir + "/server.pem", dir + "/server.key"};
    DirLock lock(dir);
    if (!lock.ok()) {
        error = "cannot lock " + dir + "/.lock: " + std::generic_category().message(errno);
        return false;
    }
    ERR_clear_error();

    // The authority: kept when its certificate and key load and belong together.
    X509Ptr ca = load_cert(files.ca_pem);
    KeyPtr ca_key = load_key(files.ca_key);
    if (!ca || !ca_key || X509_check_private_key(ca.get(), ca_key.get()) != 1 ||
        !current(ca.get())) {
        ERR_clear_error();
        ca_key.reset(EVP_RSA_gen(2048));
        if (!ca_key) {
            error = openssl_error("cannot make the authority's key");
            return false;
        }
        ca = make_cert(ca_key.get(), "BriskoPC Simulator CA", kCaDays, nullptr, nullptr,
                       {{NID_basic_constraints, "critical,CA:TRUE"},
                        {NID_key_usage, "critical,keyCertSign,cRLSign"},
                        {NID_subject_key_identifier, "hash"}});
        if (!ca) {
            error = openssl_error("cannot make the authority's certificate");
            return false;
        }
        // The key first: a ca.pem without its key would be made anew next time.
        if (!write_file(files.ca_key, key_pem(ca_key.get()), 0600, error) ||
            !write_file(files.ca_pem, cert_pem(ca.get()), 0644, error)) {
            return false;
        }
        files.made_ca = true;
    }

    // The server certificate: kept when signed by this authority, matching its
    // key, naming localhost and 127.0.0.1, and current.
    X509Ptr server = files.made_ca ? nullptr : load_cert(files.server_pem);
    KeyPtr server_key = files.made_ca ? nullptr : load_key(files.server_key);
    EVP_PKEY* ca_public = X509_get0_pubkey(ca.get());
    if (!server || !server_key || X509_verify(server.get(), ca_public) != 1 ||
        X509_check_private_key(server.get(), server_key.get()) != 1 ||
        X509_check_host(server.get(), "localhost", 0, 0, nullptr) != 1 ||
        X509_check_ip_asc(server.get(), "127.0.0.1", 0) != 1 || !current(server.get())) {
        ERR_clear_error();
        server_key.reset(EVP_RSA_gen(2048));
        if (!server_key) {
            error = openssl_error("cannot make the server's key");
            return false;
        }
        server = make_cert(server_key.get(), "localhost", kServerDays, ca.get(), ca_key.get(),
                           {{NID_basic_constraints, "critical,CA:FALSE"},
                            {NID_key_usage, "critical,digitalSignature,keyEncipherment"},
                            {NID_ext_key_usage, "serverAuth"},
                            {NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1"},
                            {NID_subject_key_identifier, "hash"},
                            {NID_authority_key_identifier, "keyid:always"}});
        if (!server) {
            error = openssl_error("cannot make the server certificate");
            return false;
        }
        if (!write_file(files.server_key, key_pem(server_key.get()), 0600, error) ||
            !write_file(files.server_pem, cert_pem(server.get()), 0644, error)) {
            return false;
        }
        files.made_server = true;
    }
    return true;
}

} // namespace sim
