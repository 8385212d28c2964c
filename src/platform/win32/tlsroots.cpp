// The Windows root certificates for OpenSSL (see tlsroots.h). Windows adds a root from its update
// service only when its own checks need it, so the store can lack the root of a broker's chain:
// --mqtt-ca names it then.
#include "platform/win32/tlsroots.h"

#include <windows.h>
#include <wincrypt.h>
// After wincrypt.h: OpenSSL's headers undo its X509_NAME and similar macros.
#include <openssl/x509.h>

namespace platform {

int tlsAddWindowsRoots(x509_store_st* store)
{
    HCERTSTORE roots = CertOpenSystemStoreW(0, L"ROOT");
    if (roots == nullptr) return -1;
    int added = 0;
    const CERT_CONTEXT* certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(roots, certificate)) != nullptr) {
        const unsigned char* encoded = certificate->pbCertEncoded;
        X509* decoded = d2i_X509(nullptr, &encoded, static_cast<long>(certificate->cbCertEncoded));
        if (decoded == nullptr) continue;
        if (X509_STORE_add_cert(store, decoded) == 1) ++added;
        X509_free(decoded);  // the store holds its own reference
    }
    CertCloseStore(roots, 0);
    return added;
}

}  // namespace platform
