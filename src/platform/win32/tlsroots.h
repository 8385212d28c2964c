// The Windows root certificates for OpenSSL, so that a broker's certificate is checked against the
// roots that Windows itself trusts: OpenSSL's own default paths name folders of the build machine.
#pragma once

struct x509_store_st;  // OpenSSL's X509_STORE, named without its headers

namespace platform {

// Adds every certificate of the user's "ROOT" system store to store and returns how many were
// added, or -1 when the system store does not open. A certificate that OpenSSL cannot read is left
// out; one the store holds already counts, as OpenSSL takes it again without complaint.
int tlsAddWindowsRoots(x509_store_st* store);

}  // namespace platform
