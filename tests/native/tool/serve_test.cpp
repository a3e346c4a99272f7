// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer serve's site: which file a request gets (nothing outside the site
// folder, whatever the path), and what an in-process server answers to plain
// and hostile requests sent as raw bytes.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "site_path.h"
#include "site_server.h"
#include "tool_run.h"
#include "tool_test_folder.h"

namespace {

namespace fs = std::filesystem;

// A site with a page, a module, a folder with and without an index, links
// that stay inside and one that leads out, beside a secret outside it.
class ServeTest : public ToolFolderTest {
protected:
    void SetUp() override
    {
        ToolFolderTest::SetUp();
        write("secret.txt", Bytes(secret.begin(), secret.end()));
        fs::create_directories(directory / "site" / "link");
        fs::create_directories(directory / "site" / "my folder");
        write("site/index.html", Bytes{'<', 'p', '>'});
        write("site/glimmer.wasm", Bytes{0, 'a', 's', 'm'});
        write("site/link/index.html", Bytes{'l'});
        write("site/index.html.gz", Bytes{'G', 'Z'});
        write("site/app.js", Bytes{'a', 'p', 'p'});
        write("site/app.js.br", Bytes{'B', 'R'});
        write("site/app.js.gz", Bytes{'G', 'Z'});
        Bytes hundred(100);
        for (size_t i = 0; i < hundred.size(); ++i)
            hundred[i] = uint8_t('0' + i % 10);
        write("site/hundred.bin", hundred);
        fs::create_symlink(directory / "secret.txt", directory / "site" / "out");
        fs::create_symlink(directory, directory / "site" / "up");
        fs::create_symlink("index.html", directory / "site" / "in");
        site = fs::canonical(directory / "site");
    }

    fs::path site;
    const std::string secret = "the secret outside the site";
};

TEST_F(ServeTest, RequestsFindOnlyFilesInsideTheSite)
{
    using Kind = SiteFile::Kind;
    const struct {
        const char* path;
        Kind kind;
        const char* found;  // the file, or where a folder redirects
    } cases[] = {
        {"/", Kind::file, "index.html"},
        {"/index.html", Kind::file, "index.html"},
        {"/link", Kind::folder, "/link/"},
        {"/link/", Kind::file, "link/index.html"},
        {"/my folder", Kind::folder, "/my%20folder/"},
        {"/in", Kind::file, "index.html"},
        {"//index.html", Kind::file, "index.html"},
        {"/missing.html", Kind::notFound, ""},
        {"/my folder/", Kind::notFound, ""},
        {"/out", Kind::notFound, ""},
        {"/up/secret.txt", Kind::notFound, ""},
        {"//etc/passwd", Kind::notFound, ""},
        {"/../secret.txt", Kind::badRequest, ""},
        {"/link/../../secret.txt", Kind::badRequest, ""},
        {"/./index.html", Kind::badRequest, ""},
        {"/..", Kind::badRequest, ""},
        {"/a\\..\\secret.txt", Kind::badRequest, ""},
        {"index.html", Kind::badRequest, ""},
        {"", Kind::badRequest, ""},
    };
    for (const auto& request : cases) {
        SCOPED_TRACE(request.path);
        const SiteFile found = findSiteFile(site, request.path);
        EXPECT_EQ(found.kind, request.kind);
        if (request.kind == Kind::file)
            EXPECT_EQ(found.path, site / request.found);
        if (request.kind == Kind::folder)
            EXPECT_EQ(found.location, request.found);
    }
    EXPECT_EQ(findSiteFile(site, std::string("/index.html\0.txt", 15)).kind, Kind::badRequest);
}

// A client connection to `port` that has sent `opening` and holds on.
int openConnection(int port, const std::string& opening)
{
    const int connection = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        send(connection, opening.data(), opening.size(), MSG_NOSIGNAL) != ssize_t(opening.size())) {
        close(connection);
        return -1;
    }
    return connection;
}

// A server on a free port of 127.0.0.1, in a thread of this test.
class RunningSite {
public:
    explicit RunningSite(const fs::path& site, const ConnectionLimits& limits = {}) : server_(site, limits)
    {
        port_ = server_.bind_to_any_port("127.0.0.1");
        // The socket listens from here on: requests wait until the thread accepts them.
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // stop() does nothing to a server that has not begun to listen.
        while (!server_.is_running())
            std::this_thread::yield();
    }
    ~RunningSite()
    {
        server_.stop();
        thread_.join();
    }

    int port() const { return port_; }

    // The whole answer to `request`, sent as it stands: its head, and the body
    // its Content-Length gives (none for HEAD).
    std::string answer(const std::string& request) const
    {
        std::string answer;
        const int connection = openConnection(port_, request);
        if (connection < 0)
            return answer;
        // A bound on the wait for an answer, not a measure of it.
        const timeval limit{3, 0};
        setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        char buffer[4096];
        for (ssize_t got; !complete(request, answer) && (got = recv(connection, buffer, sizeof buffer, 0)) > 0;)
            answer.append(buffer, size_t(got));
        close(connection);
        return answer;
    }

private:
    static bool complete(const std::string& request, const std::string& answer)
    {
        const size_t headEnd = answer.find("\r\n\r\n");
        if (headEnd == std::string::npos)
            return false;
        const size_t length = answer.find("\r\nContent-Length: ");
        if (request.rfind("HEAD ", 0) == 0 || length == std::string::npos || length > headEnd)
            return request.rfind("HEAD ", 0) == 0;
        return answer.size() >= headEnd + 4 + std::stoul(answer.substr(length + 18));
    }

    SiteServer server_;
    int port_ = 0;
    std::thread thread_;
};

// Whether the server closes `connection`, after any last answer, with no
// wait longer than `seconds`.
bool closedByServer(int connection, int seconds)
{
    pollfd watched{connection, POLLIN, 0};
    char buffer[4096];
    for (ssize_t got = 1; got > 0;) {
        if (poll(&watched, 1, seconds * 1000) != 1)
            return false;
        got = recv(connection, buffer, sizeof buffer, 0);
    }
    return true;
}

std::string headerOf(const std::string& answer, const std::string& name)
{
    const size_t at = answer.find("\r\n" + name + ": ");
    if (at == std::string::npos || at > answer.find("\r\n\r\n"))
        return "";
    const size_t start = at + name.size() + 4;
    return answer.substr(start, answer.find("\r\n", start) - start);
}

std::string bodyOf(const std::string& answer)
{
    const size_t end = answer.find("\r\n\r\n");
    return end == std::string::npos ? "" : answer.substr(end + 4);
}

std::string get(const RunningSite& running, const std::string& path, const std::string& headers = "")
{
    return running.answer("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + headers + "\r\n");
}

}  // namespace

TEST_F(ServeTest, AnswersPlainAndHostileRequests)
{
    const RunningSite running(site);
    const struct {
        const char* line;
        const char* status;
        const char* contentType;  // empty: not checked
        const char* body;         // nullptr: not checked
    } cases[] = {
        {"GET / HTTP/1.1", "200", "text/html; charset=utf-8", "<p>"},
        {"HEAD / HTTP/1.1", "200", "text/html; charset=utf-8", ""},
        {"GET /glimmer.wasm HTTP/1.1", "200", "application/wasm", nullptr},
        {"GET /link HTTP/1.1", "301", "", nullptr},
        {"GET /%2e%2e/secret.txt HTTP/1.1", "400", "", nullptr},
        {"GET /%2E%2E%2Fsecret.txt HTTP/1.1", "400", "", nullptr},
        {"GET /..%2fsecret.txt HTTP/1.1", "400", "", nullptr},
        {"GET /link/%2e%2e/%2e%2e/secret.txt HTTP/1.1", "400", "", nullptr},
        {"GET /index.html%00.txt HTTP/1.1", "400", "", nullptr},
        {"GET /out HTTP/1.1", "404", "", nullptr},
        {"GET /up/secret.txt HTTP/1.1", "404", "", nullptr},
        {"GET http://example.com/index.html HTTP/1.1", "400", "", nullptr},
        {"POST / HTTP/1.1", "405", "", nullptr},
        {"DELETE /index.html HTTP/1.1", "405", "", nullptr},
        {"OPTIONS * HTTP/1.1", "405", "", nullptr},
        {"BREW / HTTP/1.1", "400", "", nullptr},
    };
    for (const auto& request : cases) {
        SCOPED_TRACE(request.line);
        const std::string answer = running.answer(std::string(request.line) + "\r\nHost: 127.0.0.1\r\n" +
                                                  "Connection: close\r\nContent-Length: 0\r\n\r\n");
        EXPECT_EQ(answer.substr(0, 12), std::string("HTTP/1.1 ") + request.status);
        if (*request.contentType)
            EXPECT_EQ(headerOf(answer, "Content-Type"), request.contentType);
        if (request.body)
            EXPECT_EQ(bodyOf(answer), request.body);
        EXPECT_EQ(answer.find(secret), std::string::npos);
        EXPECT_EQ(headerOf(answer, "Content-Security-Policy"), siteContentSecurityPolicy);
    }
    EXPECT_EQ(headerOf(running.answer("GET /link HTTP/1.1\r\nConnection: close\r\n\r\n"), "Location"), "/link/");
    EXPECT_EQ(headerOf(running.answer("POST / HTTP/1.1\r\nConnection: close\r\n\r\n"), "Allow"), "GET, HEAD");
}

TEST_F(ServeTest, RefusesATakenPortAndAMissingSite)
{
    const RunningSite running(site);
    const ToolRun taken = glimmer({"serve", "--port", std::to_string(running.port()), "--site", site.string()});
    EXPECT_EQ(taken.status, exitRefused);
    EXPECT_NE(taken.err.find("another program is using that port"), std::string::npos) << taken.err;
    const ToolRun missing = glimmer({"serve", "--site", path("nothing")});
    EXPECT_EQ(missing.status, exitRefused);
    EXPECT_NE(missing.err.find("there is no site in"), std::string::npos) << missing.err;
}

// The real program in a child process, stopped as a terminal or a service
// manager stops it.
TEST_F(ServeTest, StopsCleanlyOnInterruptAndTerminate)
{
    for (const int stop : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(stop);
        int output[2];
        ASSERT_EQ(pipe(output), 0);
        const pid_t child = fork();
        if (child == 0) {
            dup2(output[1], STDOUT_FILENO);
            close(output[0]);
            execl(GLIMMER_BINARY_DIR "/glimmer", "glimmer", "serve", "--port", "0", "--site", site.c_str(), nullptr);
            _exit(127);
        }
        close(output[1]);
        std::string printed;
        char c;
        while (printed.find('\n') == std::string::npos && ::read(output[0], &c, 1) == 1)
            printed += c;
        EXPECT_NE(printed.find(" at http://127.0.0.1:"), std::string::npos) << printed;
        kill(child, stop);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        for (ssize_t got; (got = ::read(output[0], &c, 1)) == 1;)
            printed += c;
        close(output[0]);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_NE(printed.find("stopped"), std::string::npos) << printed;
    }
}

TEST_F(ServeTest, AnswersRangesNeverLongerThanTheFile)
{
    const RunningSite running(site);
    std::string hundredTimes = "0-";
    for (int i = 1; i < 100; ++i)
        hundredTimes += ",0-";
    const struct {
        std::string range;
        const char* status;
        const char* contentRange;
        std::string body;
    } cases[] = {
        {"bytes=0-9", "206", "bytes 0-9/100", "0123456789"},
        {"bytes=" + hundredTimes, "206", "bytes 0-99/100", ""},
        {"bytes=0-4,10-14", "200", "", ""},
        {"bytes=100-", "416", "bytes */100", "no such part of the file\n"},
        // httplib refuses a range it cannot read before the site sees it.
        {"bytes=9-0", "416", "", ""},
    };
    for (const auto& request : cases) {
        SCOPED_TRACE(request.range.substr(0, 40));
        const std::string answer = get(running, "/hundred.bin", "Range: " + request.range + "\r\n");
        EXPECT_EQ(answer.substr(0, 12), std::string("HTTP/1.1 ") + request.status);
        EXPECT_EQ(headerOf(answer, "Content-Range"), request.contentRange);
        EXPECT_LE(bodyOf(answer).size(), 100u);
        if (!request.body.empty())
            EXPECT_EQ(bodyOf(answer), request.body);
        else if (*request.status != '4')
            EXPECT_EQ(bodyOf(answer).size(), 100u);
    }
    // A stored compressed form is never sent for a range.
    const std::string part = get(running, "/app.js", "Range: bytes=1-\r\nAccept-Encoding: br\r\n");
    EXPECT_EQ(bodyOf(part), "pp");
    EXPECT_EQ(headerOf(part, "Content-Encoding"), "");
}

TEST_F(ServeTest, SendsTheStoredCodingTheClientTakes)
{
    const RunningSite running(site);
    const struct {
        const char* path;
        const char* accept;
        const char* encoding;
        const char* body;
    } cases[] = {
        {"/app.js", "gzip, deflate, br", "br", "BR"},
        {"/app.js", "gzip, deflate", "gzip", "GZ"},
        {"/app.js", "", "", "app"},
        {"/", "gzip, br", "gzip", "GZ"},
        {"/index.html", "br", "", "<p>"},
        {"/glimmer.wasm", "br, gzip", "", nullptr},
    };
    for (const auto& request : cases) {
        SCOPED_TRACE(std::string(request.path) + " " + request.accept);
        const std::string answer =
            get(running, request.path, *request.accept ? std::string("Accept-Encoding: ") + request.accept + "\r\n" : "");
        EXPECT_EQ(answer.substr(0, 12), "HTTP/1.1 200");
        EXPECT_EQ(headerOf(answer, "Content-Encoding"), request.encoding);
        EXPECT_EQ(headerOf(answer, "Vary"), "Accept-Encoding");
        if (request.body)
            EXPECT_EQ(bodyOf(answer), request.body);
    }
    EXPECT_EQ(headerOf(get(running, "/app.js", "Accept-Encoding: br\r\n"), "Content-Type"),
              "text/javascript; charset=utf-8");
}

TEST_F(ServeTest, LetsTheClientKeepItsCopy)
{
    const RunningSite running(site);
    const std::string first = get(running, "/app.js");
    const std::string tag = headerOf(first, "ETag");
    const std::string modified = headerOf(first, "Last-Modified");
    ASSERT_FALSE(tag.empty());
    ASSERT_FALSE(modified.empty());
    EXPECT_NE(headerOf(get(running, "/app.js", "Accept-Encoding: br\r\n"), "ETag"), tag);
    const struct {
        std::string headers;
        const char* status;
    } cases[] = {
        {"If-None-Match: " + tag + "\r\n", "304"},
        {"If-None-Match: \"other\"\r\n", "200"},
        {"If-Modified-Since: " + modified + "\r\n", "304"},
        {"If-Modified-Since: Thu, 01 Jan 1970 00:00:00 GMT\r\n", "200"},
        {"If-None-Match: \"other\"\r\nIf-Modified-Since: " + modified + "\r\n", "200"},
    };
    for (const auto& request : cases) {
        SCOPED_TRACE(request.headers);
        const std::string answer = get(running, "/app.js", request.headers);
        EXPECT_EQ(answer.substr(0, 12), std::string("HTTP/1.1 ") + request.status);
        EXPECT_EQ(bodyOf(answer), *request.status == '3' ? "" : "app");
    }
    // A range of a copy that has changed since is the whole file.
    EXPECT_EQ(bodyOf(get(running, "/app.js", "Range: bytes=1-\r\nIf-Range: \"other\"\r\n")), "app");
    EXPECT_EQ(bodyOf(get(running, "/app.js", "Range: bytes=1-\r\nIf-Range: " + tag + "\r\n")), "pp");
}

// 256 clients that hold their connections, idle or with half a request,
// and still another one is answered.
TEST_F(ServeTest, AnswersOthersWhileACrowdHoldsOn)
{
    const RunningSite running(site);
    std::vector<int> crowd;
    for (int i = 0; i < 256; ++i)
        crowd.push_back(openConnection(running.port(), i % 2 ? "GET /ind" : ""));
    EXPECT_EQ(std::count(crowd.begin(), crowd.end(), -1), 0);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(get(running, "/").substr(0, 12), "HTTP/1.1 200");
        for (size_t i = 1; i < crowd.size(); i += 2)
            send(crowd[i], "e", 1, MSG_NOSIGNAL);
    }
    for (const int connection : crowd)
        close(connection);
}

TEST_F(ServeTest, ClosesConnectionsPastTheirDeadlines)
{
    using namespace std::chrono_literals;
    const RunningSite running(site, ConnectionLimits{200ms, 300ms, 1000ms});
    const int idle = openConnection(running.port(), "");
    const int halfHead = openConnection(running.port(), "GET /index.html HTTP/1.1\r\n");
    const int trickling = openConnection(running.port(), "G");
    ASSERT_GE(idle, 0);
    ASSERT_GE(halfHead, 0);
    ASSERT_GE(trickling, 0);
    EXPECT_TRUE(closedByServer(idle, 5));
    EXPECT_TRUE(closedByServer(halfHead, 5));
    // One byte each 50 ms would go on for 10 s: the head's deadline ends it.
    const std::string endless = "ET /index.html HTTP/1.1\r\nX-Long: " + std::string(200, 'x');
    size_t sent = 0;
    while (sent < endless.size() && send(trickling, &endless[sent], 1, MSG_NOSIGNAL) == 1) {
        ++sent;
        pollfd watched{trickling, POLLIN, 0};
        if (poll(&watched, 1, 50) == 1)
            break;
    }
    EXPECT_LT(sent, endless.size());
    EXPECT_TRUE(closedByServer(trickling, 5));
    for (const int connection : {idle, halfHead, trickling})
        close(connection);
    // The server still answers after all that.
    EXPECT_EQ(get(running, "/").substr(0, 12), "HTTP/1.1 200");
}
