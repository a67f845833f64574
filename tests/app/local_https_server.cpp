#include "local_https_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "disks/path_text.h"

extern char** environ;

namespace {

void SwitchOffProxies() {
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        unsetenv(name);
    }
    setenv("no_proxy", "*", 1);
    setenv("NO_PROXY", "*", 1);
}

}  // namespace

LocalHttpsServer::LocalHttpsServer() {
    SwitchOffProxies();
    if (std::string(BREVEL_TEST_OPENSSL).empty() || std::string(BREVEL_TEST_PYTHON).empty()) {
        problem_ = "openssl or python3 is not installed";
        return;
    }
    std::filesystem::create_directories(dir_ / "site");
    if (MakeCertificates()) {
        Launch();
    }
}

LocalHttpsServer::~LocalHttpsServer() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool LocalHttpsServer::MakeCertificates() {
    const std::string openssl = Quoted(BREVEL_TEST_OPENSSL);
    const std::string in = "cd " + Quoted(dir_.Path()) + " && ";
    const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    std::ofstream(dir_ / "right.ext") << "subjectAltName=IP:127.0.0.1\n"
                                         "basicConstraints=CA:FALSE\n"
                                         "extendedKeyUsage=serverAuth\n";
    std::ofstream(dir_ / "wrong.ext") << "subjectAltName=DNS:elsewhere.example\n"
                                         "basicConstraints=CA:FALSE\n"
                                         "extendedKeyUsage=serverAuth\n";
    std::string commands = in + openssl + " req -x509" + key +
                           " -keyout ca.key -out ca.pem -days 2 -subj '/CN=Brevel test authority'";
    int serial = 2;
    for (const std::string name : {"right", "wrong"}) {
        commands += " && " + openssl + " req -new" + key + " -keyout " + name + ".key -out " +
                    name + ".csr -subj /CN=" + name + " && " + openssl + " x509 -req -in " + name +
                    ".csr -CA ca.pem -CAkey ca.key -set_serial " + std::to_string(serial++) +
                    " -days 2 -extfile " + name + ".ext -out " + name + ".pem";
    }
    if (Shell(commands + " >openssl.log 2>&1") != 0) {
        problem_ = "openssl could not make the test certificates";
        return false;
    }
    return true;
}

bool LocalHttpsServer::Launch() {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        problem_ = "no pipe";
        return false;
    }
    const std::string root = dir_.Path().string();
    std::vector<std::string> args = {
        BREVEL_TEST_PYTHON,  BREVEL_TEST_SERVER_SCRIPT, root,
        root + "/right.pem", root + "/right.key",       root + "/wrong.pem",
        root + "/wrong.key"};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (root + "/server.err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        pid_ = -1;
        close(out[0]);
        problem_ = "python3 could not be started";
        return false;
    }
    std::string line;
    pollfd wait{out[0], POLLIN, 0};
    char c = 0;
    while (line.find('\n') == std::string::npos && poll(&wait, 1, 30000) == 1 &&
           read(out[0], &c, 1) == 1) {
        line += c;
    }
    close(out[0]);
    std::istringstream words(line);
    for (std::string word; words >> word;) {
        const std::size_t equals = word.find('=');
        if (equals != std::string::npos) {
            ports_[word.substr(0, equals)] = std::atoi(word.c_str() + equals + 1);
        }
    }
    if (ports_.size() != 4) {
        problem_ = "the test server did not start (python3 with ssl needed): " + line;
        return false;
    }
    return true;
}

std::wstring LocalHttpsServer::Url(const std::string& listener, const std::string& path) const {
    const std::string scheme = listener == "plain" ? "http" : "https";
    return Utf8ToWide(scheme + "://127.0.0.1:" + std::to_string(ports_.at(listener)) + path);
}

void LocalHttpsServer::Serve(const std::string& name, const std::string& body) const {
    WriteFile(dir_ / "site" / name, Bytes(body.begin(), body.end()));
}

void LocalHttpsServer::Unserve(const std::string& name) const {
    std::filesystem::remove(dir_ / "site" / name);
}

std::vector<std::string> LocalHttpsServer::Requests() const {
    std::ifstream log(dir_ / "requests.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) {
        lines.push_back(line);
    }
    return lines;
}
