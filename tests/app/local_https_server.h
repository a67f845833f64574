#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include "test_files.h"

// https_test_server.py run on 127.0.0.1 with a certificate authority, a
// certificate for 127.0.0.1 and one for another host, all made with openssl
// for this server alone. Proxies are switched off for the test process, so
// that nothing leaves the machine.
class LocalHttpsServer {
public:
    LocalHttpsServer();
    ~LocalHttpsServer();
    LocalHttpsServer(const LocalHttpsServer&) = delete;
    LocalHttpsServer& operator=(const LocalHttpsServer&) = delete;

    // Why the server is not running; empty when it is.
    const std::string& Problem() const { return problem_; }

    // A URL on one of the listeners: "tls", "wrong", "silent" (all https) or
    // "plain" (http).
    std::wstring Url(const std::string& listener, const std::string& path) const;
    // The authority that signed both certificates.
    std::string CaFile() const { return (dir_ / "ca.pem").string(); }
    // Serves `body` at "/" + name.
    void Serve(const std::string& name, const std::string& body) const;
    // From now on "/" + name is not found.
    void Unserve(const std::string& name) const;
    // The requests so far, each "LISTENER PATH".
    std::vector<std::string> Requests() const;

private:
    bool MakeCertificates();
    bool Launch();

    TempDir dir_;
    std::string problem_;
    pid_t pid_ = -1;
    std::map<std::string, int> ports_;
};
