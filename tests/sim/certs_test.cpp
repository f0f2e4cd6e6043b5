// The certificate authority and server certificate that the simulator makes.
#include "certs.hpp"
#include "test_util.hpp"

#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <thread>
#include <vector>

#include <sys/stat.h>

using simtest::read_file;
using simtest::TempDir;

namespace {

struct X509Free {
    void operator()(X509* p) const { X509_free(p); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;

X509Ptr load(const std::string& path) {
    const std::string pem = read_file(path);
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    X509Ptr cert(PEM_read_bio_X509(bio, nullptr, nullptr, nullptr));
    BIO_free(bio);
    return cert;
}

// Verifies server.pem against ca.pem as a TLS client would for `host`
// (a name or an IP address); returns the X509 verification error, 0 when valid.
int verify(const sim::CertFiles& f, const char* host, bool is_ip) {
    X509Ptr ca = load(f.ca_pem);
    X509Ptr server = load(f.server_pem);
    if (!ca || !server) {
        return -1;
    }
    X509_STORE* store = X509_STORE_new();
    X509_STORE_add_cert(store, ca.get());
    X509_STORE_CTX* ctx = X509_STORE_CTX_new();
    X509_STORE_CTX_init(ctx, store, server.get(), nullptr);
    X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(ctx);
    X509_VERIFY_PARAM_set_purpose(param, X509_PURPOSE_SSL_SERVER);
    if (is_ip) {
        X509_VERIFY_PARAM_set1_ip_asc(param, host);
    } else {
        X509_VERIFY_PARAM_set1_host(param, host, 0);
    }
    const int ok = X509_verify_cert(ctx);
    const int error = ok == 1 ? 0 : X509_STORE_CTX_get_error(ctx);
    X509_STORE_CTX_free(ctx);
    X509_STORE_free(store);
    return ok == 1 ? 0 : (error ? error : -1);
}

sim::CertFiles ensure(const std::string& dir) {
    sim::CertFiles files;
    std::string error;
    EXPECT_TRUE(sim::ensure_ca(dir, files, error)) << error;
    return files;
}

mode_t mode_of(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 0777;
}

} // namespace

TEST(Certs, MakesAnAuthorityAndAServerCertificateForLocalhost) {
    TempDir tmp;
    const sim::CertFiles f = ensure(tmp.path() + "/a/b/state"); // parents are made too
    EXPECT_TRUE(f.made_ca);
    EXPECT_TRUE(f.made_server);
    EXPECT_EQ(verify(f, "localhost", false), 0);
    EXPECT_EQ(verify(f, "127.0.0.1", true), 0);
    EXPECT_EQ(verify(f, "example.com", false), X509_V_ERR_HOSTNAME_MISMATCH);
    EXPECT_EQ(verify(f, "127.0.0.2", true), X509_V_ERR_IP_ADDRESS_MISMATCH);
    X509Ptr ca = load(f.ca_pem);
    ASSERT_TRUE(ca);
    EXPECT_EQ(X509_check_ca(ca.get()), 1);
    EXPECT_EQ(mode_of(f.ca_key), 0600u);
    EXPECT_EQ(mode_of(f.server_key), 0600u);
}

TEST(Certs, KeepsWhatIsThere) {
    TempDir tmp;
    const sim::CertFiles first = ensure(tmp.path());
    const std::string ca = read_file(first.ca_pem);
    const std::string server = read_file(first.server_pem);
    const sim::CertFiles second = ensure(tmp.path());
    EXPECT_FALSE(second.made_ca);
    EXPECT_FALSE(second.made_server);
    EXPECT_EQ(read_file(second.ca_pem), ca);
    EXPECT_EQ(read_file(second.server_pem), server);
}

TEST(Certs, RemakesOnlyTheServerCertificateWhenItIsMissingOrForeign) {
    TempDir tmp;
    TempDir other;
    const sim::CertFiles f = ensure(tmp.path());
    const std::string ca = read_file(f.ca_pem);

    std::filesystem::remove(f.server_pem);
    sim::CertFiles again = ensure(tmp.path());
    EXPECT_FALSE(again.made_ca);
    EXPECT_TRUE(again.made_server);
    EXPECT_EQ(read_file(f.ca_pem), ca);
    EXPECT_EQ(verify(again, "localhost", false), 0);

    // A server certificate of another authority is not kept.
    const sim::CertFiles foreign = ensure(other.path());
    std::filesystem::copy_file(foreign.server_pem, f.server_pem,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(foreign.server_key, f.server_key,
                               std::filesystem::copy_options::overwrite_existing);
    again = ensure(tmp.path());
    EXPECT_FALSE(again.made_ca);
    EXPECT_TRUE(again.made_server);
    EXPECT_EQ(verify(again, "localhost", false), 0);

    // Nor one whose key is not its own.
    std::filesystem::copy_file(foreign.server_key, f.server_key,
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_TRUE(ensure(tmp.path()).made_server);
}

TEST(Certs, RemakesEverythingWhenTheAuthorityIsUnusable) {
    TempDir tmp;
    const sim::CertFiles f = ensure(tmp.path());
    const std::string ca = read_file(f.ca_pem);
    simtest::write_file(f.ca_pem, "garbage");
    const sim::CertFiles again = ensure(tmp.path());
    EXPECT_TRUE(again.made_ca);
    EXPECT_TRUE(again.made_server);
    EXPECT_NE(read_file(f.ca_pem), ca);
    EXPECT_EQ(verify(again, "localhost", false), 0);
}

TEST(Certs, ConcurrentCallersAgreeOnOneAuthority) {
    TempDir tmp;
    std::vector<std::thread> threads;
    std::vector<int> made(4);
    for (size_t i = 0; i < made.size(); ++i) {
        threads.emplace_back([&, i] { made[i] = ensure(tmp.path()).made_ca; });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(made[0] + made[1] + made[2] + made[3], 1);
    sim::CertFiles f = ensure(tmp.path());
    EXPECT_EQ(verify(f, "localhost", false), 0);
}
