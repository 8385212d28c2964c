// The MQTT client service's Windows side: a loopback UDP socket that sends to itself wakes the
// network thread's select(), messages go to standard error (the console, or the file that the
// desktop start shows at the end), and TLS without --mqtt-ca checks against the Windows root store.
// Not done here: the messages in the window, and a refused connection before the broker's answer
// is seen only by the answer's time-out, since the library's loop does not ask select() for it.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN

#include "platform/MqttSystem.h"
#include "platform/mqtt.h"
#include "platform/win32/tlsroots.h"

#include <cstdio>
#include <optional>
#include <string>
#include <system_error>

#include <winsock2.h>
#include <windows.h>
#include <wincred.h>
// After windows.h: OpenSSL's headers undo wincrypt.h's X509_NAME and similar macros.
#include <mosquitto.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

namespace platform {

namespace {

struct Win32Mqtt {
    SOCKET wake = INVALID_SOCKET;  // connected to its own address: a datagram sent ends the wait
};

Win32Mqtt win32Mqtt;

std::string lastSocketError() { return mqttSystemErrorText(WSAGetLastError()); }

}  // namespace

bool mqttSystemStart(std::string& error)
{
    WSADATA data{};
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        error = "WSAStartup";
        return false;
    }
    SOCKET wake = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    u_long nonBlocking = 1;
    if (wake == INVALID_SOCKET || bind(wake, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        getsockname(wake, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        connect(wake, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ioctlsocket(wake, FIONBIO, &nonBlocking) != 0) {
        error = lastSocketError();
        if (wake != INVALID_SOCKET) closesocket(wake);
        return false;
    }
    win32Mqtt.wake = wake;
    return true;
}

bool mqttSystemStartThread(std::thread& thread, void (*run)(), std::string& error)
{
    try {
        thread = std::thread(run);
    } catch (const std::system_error& failure) {
        error = failure.what();
        return false;
    }
    return true;
}

void mqttSystemWake()
{
    const char byte = 0;
    // A datagram lost to a full buffer leaves others there that wake the thread just the same.
    send(win32Mqtt.wake, &byte, 1, 0);
}

void mqttSystemWait(int socket, bool wantWrite, int timeoutMs)
{
    fd_set readable;
    fd_set writable;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_SET(win32Mqtt.wake, &readable);
    if (socket >= 0) {
        FD_SET(static_cast<SOCKET>(socket), &readable);
        if (wantWrite) FD_SET(static_cast<SOCKET>(socket), &writable);
    }
    timeval timeout = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    select(0, &readable, &writable, nullptr, &timeout);
    char bytes[64];
    while (recv(win32Mqtt.wake, bytes, sizeof bytes, 0) > 0) {
    }
}

// Through stdio: where there is no console, the desktop start has put standard error in a file.
void mqttSystemSay(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

std::string mqttSystemErrorText(int error)
{
    char text[512] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(error), 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ')) --length;
    return length > 0 ? std::string(text, length) : "Fehler " + std::to_string(error);
}

// A context of the service's own, since the library's would take OpenSSL's default paths, which
// name folders of the build machine. It checks what the library's own does: TLS 1.2 at least, the
// chain to a root, and the host name or address.
int mqttSystemUseRoots(mosquitto* client, const std::string& host)
{
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (context == nullptr) return MOSQ_ERR_TLS;
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    X509_VERIFY_PARAM* check = SSL_CTX_get0_param(context);
    int rc = MOSQ_ERR_TLS;
    if ((X509_VERIFY_PARAM_set1_ip_asc(check, host.c_str()) == 1 ||
         X509_VERIFY_PARAM_set1_host(check, host.c_str(), host.size()) == 1) &&
        tlsAddWindowsRoots(SSL_CTX_get_cert_store(context)) >= 0) {
        rc = mosquitto_int_option(client, MOSQ_OPT_SSL_CTX_WITH_DEFAULTS, 0);
        if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_void_option(client, MOSQ_OPT_SSL_CTX, context);
    }
    SSL_CTX_free(context);  // the client holds its own reference
    return rc;
}

namespace {

// The credential's name as the credential manager lists it.
std::wstring credentialTarget(const std::string& name)
{
    const std::string target = "AVR-NET-IO Logger/" + name;
    const int size = MultiByteToWideChar(CP_UTF8, 0, target.data(), static_cast<int>(target.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, target.data(), static_cast<int>(target.size()), wide.data(), size);
    return wide;
}

}  // namespace

bool mqttPasswordStoreExists() { return true; }

std::optional<std::string> mqttPasswordStored(const std::string& name)
{
    PCREDENTIALW credential = nullptr;
    if (!CredReadW(credentialTarget(name).c_str(), CRED_TYPE_GENERIC, 0, &credential)) return std::nullopt;
    std::string password(reinterpret_cast<const char*>(credential->CredentialBlob), credential->CredentialBlobSize);
    CredFree(credential);
    return password;
}

bool mqttPasswordStore(const std::string& name, const std::string& password)
{
    std::wstring target = credentialTarget(name);
    std::string blob = password;
    CREDENTIALW credential{};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = target.data();
    credential.CredentialBlobSize = static_cast<DWORD>(blob.size());
    credential.CredentialBlob = reinterpret_cast<LPBYTE>(blob.data());
    // This user's, on this machine alone: a roaming profile need not carry it.
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    return CredWriteW(&credential, 0) != FALSE;
}

bool mqttPasswordRemove(const std::string& name)
{
    return CredDeleteW(credentialTarget(name).c_str(), CRED_TYPE_GENERIC, 0) != FALSE || GetLastError() == ERROR_NOT_FOUND;
}

}  // namespace platform
