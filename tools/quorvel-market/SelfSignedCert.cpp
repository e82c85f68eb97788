#include "SelfSignedCert.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace quorvel::market {

namespace {

template <typename T, void (*Free)(T*)> struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using CertPtr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using ExtPtr = std::unique_ptr<X509_EXTENSION, Deleter<X509_EXTENSION, X509_EXTENSION_free>>;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

void check(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string("certificate: ") + what + " failed");
}

void addExtension(X509* cert, int nid, const std::string& value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
    ExtPtr ext(X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str()));
    check(ext != nullptr, "extension");
    check(X509_add_ext(cert, ext.get(), -1) == 1, "add extension");
}

std::unique_ptr<FILE, FileCloser> openForWrite(const std::filesystem::path& path) {
    std::unique_ptr<FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
    if (!f)
        throw std::runtime_error("cannot write " + path.string());
    return f;
}

} // namespace

CertFiles MakeSelfSignedCert(const std::filesystem::path& directory,
                             const std::vector<std::string>& dnsNames) {
    check(!dnsNames.empty(), "names");
    KeyPtr key(EVP_RSA_gen(2048));
    check(key != nullptr, "key generation");
    CertPtr cert(X509_new());
    check(cert != nullptr, "X509_new");
    check(X509_set_version(cert.get(), 2) == 1, "version");
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), static_cast<long>(std::time(nullptr)));
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 30L * 24 * 3600);
    check(X509_set_pubkey(cert.get(), key.get()) == 1, "public key");
    X509_NAME* name = X509_get_subject_name(cert.get());
    const auto* cn = reinterpret_cast<const unsigned char*>(dnsNames.front().c_str());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("quorvel-market"), -1, -1, 0);
    check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, cn, -1, -1, 0) == 1, "name");
    check(X509_set_issuer_name(cert.get(), name) == 1, "issuer");
    std::string san;
    for (const std::string& dns : dnsNames)
        san += (san.empty() ? "DNS:" : ",DNS:") + dns;
    addExtension(cert.get(), NID_subject_alt_name, san);
    addExtension(cert.get(), NID_basic_constraints, "critical,CA:FALSE");
    addExtension(cert.get(), NID_ext_key_usage, "serverAuth");
    check(X509_sign(cert.get(), key.get(), EVP_sha256()) > 0, "signing");

    CertFiles files{directory / "market-cert.pem", directory / "market-key.pem"};
    {
        auto f = openForWrite(files.privateKey);
        check(PEM_write_PrivateKey(f.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1,
              "writing the key");
    }
    std::filesystem::permissions(files.privateKey, std::filesystem::perms::owner_read |
                                                       std::filesystem::perms::owner_write);
    {
        auto f = openForWrite(files.certificate);
        check(PEM_write_X509(f.get(), cert.get()) == 1, "writing the certificate");
    }
    return files;
}

} // namespace quorvel::market
