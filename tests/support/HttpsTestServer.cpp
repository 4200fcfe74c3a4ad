#include "HttpsTestServer.h"

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/Paths.h"
#include "platform/Process.h"

namespace zanvor::test {

namespace {

bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

HttpsTestServer::HttpsTestServer() = default;

HttpsTestServer::~HttpsTestServer() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        WaitForProcess(pid_);
    }
}

bool HttpsTestServer::ToolsAvailable(std::string& why) {
    if (!Run("command -v python3") || !Run("command -v openssl")) {
        why = "python3 and openssl are needed for the local HTTPS server (scripts/setup)";
        return false;
    }
    return true;
}

bool HttpsTestServer::MakeCertificates(std::string& why) {
    const std::string dir = "'" + folder_.path() + "'";
    const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    // A server certificate signed by the test CA; `names` is its subjectAltName.
    const auto signedBy = [&](const std::string& name, const std::string& names) {
        WriteFile(folder_.path() + name + ".ext",
                  "basicConstraints=CA:FALSE\nsubjectAltName=" + names + "\n");
        return Run("openssl req" + key + " -keyout " + dir + "/" + name + ".key -out " + dir + "/" +
                   name + ".csr -subj /CN=zanvor-test") &&
               Run("openssl x509 -req -in " + dir + "/" + name + ".csr -CA " + dir +
                   "/ca.pem -CAkey " + dir + "/ca.key -CAcreateserial -days 2 -out " + dir + "/" +
                   name + ".pem -extfile " + dir + "/" + name + ".ext");
    };
    const bool made =
        Run("openssl req -x509" + key + " -keyout " + dir + "/ca.key -out " + dir +
            "/ca.pem -days 2 -subj '/CN=Zanvor Test CA'") &&
        signedBy("trusted", "IP:127.0.0.1,DNS:localhost") &&
        signedBy("otherhost", "DNS:updates.example.invalid") &&
        Run("openssl req -x509" + key + " -keyout " + dir + "/selfsigned.key -out " + dir +
            "/selfsigned.pem -days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1");
    if (!made) {
        why = "openssl could not make the test certificates";
    }
    return made;
}

bool HttpsTestServer::Start(ServerCertificate certificate, std::string& why) {
    if (!MakeCertificates(why)) {
        return false;
    }
    CreateFolders(Root());
    const char* name = certificate == ServerCertificate::kTrusted      ? "trusted"
                       : certificate == ServerCertificate::kSelfSigned ? "selfsigned"
                                                                       : "otherhost";
    const std::string base = folder_.path() + name;
    const std::string portFile = folder_.path() + "port";
    pid_ = StartProcess("python3",
                        {std::string(ZANVOR_TEST_FIXTURES) + "/update/https_server.py", Root(),
                         base + ".pem", base + ".key", portFile, folder_.path() + "requests.log"},
                        why);
    if (pid_ <= 0) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string port = ReadFile(portFile);
        if (!port.empty()) {
            port_ = std::atoi(port.c_str());
            return port_ > 0;
        }
        if (WaitForProcessFor(pid_, std::chrono::milliseconds(20))) {
            pid_ = 0;
            why = "the HTTPS test server ended before it listened";
            return false;
        }
    }
    why = "the HTTPS test server did not listen within 20 s";
    return false;
}

bool HttpsTestServer::StartTrusted(std::string& why) {
    if (!Start(ServerCertificate::kTrusted, why)) {
        return false;
    }
    setenv("SSL_CERT_FILE", CaFile().c_str(), 1);
    return true;
}

std::string HttpsTestServer::Url(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

std::string HttpsTestServer::RequestLog() const {
    return ReadFile(folder_.path() + "requests.log");
}

}  // namespace zanvor::test
