// trustca.exe CA.PEM
//
// Adds every certificate in a PEM file (the simulator's certificate authority)
// to the local-machine "Root" store, replacing an existing copy, so that
// WinInet in this Wine prefix trusts servers it signed. Run it under Wine with
// a Windows path (winepath -w). Exits 0 on success; otherwise prints why and
// exits 1 (2 for a usage error).
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

int fail(const char* what, DWORD error) {
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   text, sizeof text, nullptr);
    std::fprintf(stderr, "trustca: %s: error %lu %s\n", what, error, text);
    return 1;
}

bool read_file(const char* path, std::string& data) {
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        return false;
    }
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        data.append(buf, n);
    }
    std::fclose(f);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: trustca.exe CA.PEM (a Windows path)\n");
        return 2;
    }
    std::string pem;
    if (!read_file(argv[1], pem)) {
        std::fprintf(stderr, "trustca: cannot read %s\n", argv[1]);
        return 1;
    }

    // Each "-----BEGIN CERTIFICATE-----" block, decoded to DER.
    const std::string begin = "-----BEGIN CERTIFICATE-----";
    const std::string end = "-----END CERTIFICATE-----";
    std::vector<std::vector<BYTE>> certs;
    for (size_t at = pem.find(begin); at != std::string::npos; at = pem.find(begin, at)) {
        const size_t stop = pem.find(end, at);
        if (stop == std::string::npos) {
            std::fprintf(stderr, "trustca: %s: a certificate has no END line\n", argv[1]);
            return 1;
        }
        const std::string block = pem.substr(at, stop + end.size() - at);
        DWORD size = 0;
        if (!CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()),
                                  CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
            return fail("cannot decode the PEM", GetLastError());
        }
        std::vector<BYTE> der(size);
        if (!CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()),
                                  CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr)) {
            return fail("cannot decode the PEM", GetLastError());
        }
        der.resize(size);
        certs.push_back(std::move(der));
        at = stop + end.size();
    }
    if (certs.empty()) {
        std::fprintf(stderr, "trustca: %s holds no certificate\n", argv[1]);
        return 1;
    }

    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
    if (!store) {
        return fail("cannot open the local machine's Root store", GetLastError());
    }
    int status = 0;
    for (const std::vector<BYTE>& der : certs) {
        PCCERT_CONTEXT added = nullptr;
        if (!CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                              static_cast<DWORD>(der.size()),
                                              CERT_STORE_ADD_REPLACE_EXISTING, &added)) {
            status = fail("cannot add the certificate to the Root store", GetLastError());
            continue;
        }
        char name[256] = "";
        CertGetNameStringA(added, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, sizeof name);
        std::printf("trustca: \"%s\" is now trusted (LocalMachine\\Root)\n", name);
        CertFreeCertificateContext(added);
    }
    CertCloseStore(store, 0);
    return status;
}
