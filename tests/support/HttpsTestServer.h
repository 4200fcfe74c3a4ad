#pragma once

#include <string>

#include "support/TestHome.h"

namespace zanvor::test {

// The certificates a local HTTPS service can present, made with openssl for the test run: a
// test CA (trusted by pointing SSL_CERT_FILE at it) and server certificates signed by it or
// not.
enum class ServerCertificate {
    kTrusted,        // signed by the test CA for 127.0.0.1
    kSelfSigned,     // for 127.0.0.1, but signed by nobody the client trusts
    kOtherHostName,  // signed by the test CA, for another host name
};

// A local HTTPS update service (tests/fixtures/update/https_server.py on python3's ssl and
// http.server) on 127.0.0.1, serving the files of Root(). Misbehaving paths are described in
// the script. The process is killed when the object goes away.
class HttpsTestServer {
  public:
    HttpsTestServer();
    ~HttpsTestServer();
    HttpsTestServer(const HttpsTestServer&) = delete;
    HttpsTestServer& operator=(const HttpsTestServer&) = delete;

    // False with `why` when python3 or openssl are missing (the test should be skipped).
    static bool ToolsAvailable(std::string& why);

    // Makes the certificates, starts the server and waits until it listens. False with `why`
    // when it did not start.
    bool Start(ServerCertificate certificate, std::string& why);
    // Start with the trusted certificate, and SSL_CERT_FILE pointed at the test CA.
    bool StartTrusted(std::string& why);

    // "https://127.0.0.1:<port>/" followed by `path`.
    std::string Url(const std::string& path = "") const;
    // The folder served; files written below it are served at once.
    std::string Root() const { return folder_.path() + "www/"; }
    // The test CA's certificate: set SSL_CERT_FILE to it to trust the server.
    std::string CaFile() const { return folder_.path() + "ca.pem"; }
    // The requests seen so far, one line each: path, User-Agent, Cache-Control, Pragma.
    std::string RequestLog() const;

  private:
    bool MakeCertificates(std::string& why);

    TempDir folder_;
    int pid_ = 0;
    int port_ = 0;
};

}  // namespace zanvor::test
