// The login host's certificate, made afresh at every start with OpenSSL.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quorvel::market {

struct CertFiles {
    std::filesystem::path certificate; // PEM
    std::filesystem::path privateKey;  // PEM, unencrypted
};

// A self-signed certificate for the given DNS names (the first is the subject's CN), valid
// from now for 30 days, written into `directory`. Throws std::runtime_error on failure.
CertFiles MakeSelfSignedCert(const std::filesystem::path& directory,
                             const std::vector<std::string>& dnsNames);

} // namespace quorvel::market
