// The libcurl internet layer against a one-shot loopback server: the contracts the plug-in
// relies on (numeric status, body-only reads, collected headers, URL parts). Its error
// numbers and time-outs are checked end to end.
#include "http_platform.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// Accepts one connection, reads one request (head and announced body) and answers with
// `response`.
class OneShotServer
{
public:
    explicit OneShotServer(std::string response) : response_(std::move(response))
    {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (bind(listener_, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
            listen(listener_, 1) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            ADD_FAILURE() << "cannot listen on loopback";
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }

    ~OneShotServer()
    {
        shutdown(listener_, SHUT_RDWR);
        close(listener_);
        thread_.join();
    }

    uint16_t port() const { return port_; }
    const std::string &request() const { return request_; }

private:
    void serve()
    {
        int client = accept(listener_, nullptr, nullptr);
        if (client < 0)
            return;
        char buffer[4096];
        for (ssize_t got; (got = recv(client, buffer, sizeof(buffer), 0)) > 0;) {
            request_.append(buffer, static_cast<size_t>(got));
            size_t head_end = request_.find("\r\n\r\n");
            if (head_end == std::string::npos)
                continue;
            size_t at = request_.find("Content-Length: ");
            size_t wanted = at == std::string::npos ? 0 : std::stoul(request_.substr(at + 16));
            if (request_.size() >= head_end + 4 + wanted)
                break;
        }
        send(client, response_.data(), response_.size(), MSG_NOSIGNAL);
        close(client);
    }

    std::string response_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
    std::string request_;
};

std::vector<uint32_t> g_notices;

void recordNotice(http_platform_handle, void *context, uint32_t status, void *, uint32_t)
{
    if (context)
        g_notices.push_back(status);
}

class CurlPlatformTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_notices.clear();
        root = http_platform_open("gSOAP");
        ASSERT_NE(root, nullptr);
        http_platform_set_status_callback(root, recordNotice);
    }

    void TearDown() override { EXPECT_TRUE(http_platform_close(root)); }

    // POSTs `body` to 127.0.0.1:port and returns the request handle (already sent or not).
    http_platform_handle post(uint16_t port, const std::string &body, bool *sent,
                              const std::vector<std::string> &headers = {})
    {
        connection = http_platform_connect(root, "127.0.0.1", port, this);
        EXPECT_NE(connection, nullptr);
        http_platform_handle request =
            http_platform_open_request(connection, "POST", "/svc", "HTTP/1.1", 0, this);
        EXPECT_NE(request, nullptr);
        for (const std::string &line : headers)
            http_platform_add_header(request, line.c_str(), line.size());
        *sent = http_platform_send_request(request, body.data(), uint32_t(body.size()));
        return request;
    }

    void closeRequest(http_platform_handle request)
    {
        EXPECT_TRUE(http_platform_close(request));
        EXPECT_TRUE(http_platform_close(connection));
    }

    http_platform_handle root = nullptr;
    http_platform_handle connection = nullptr;
};

TEST(CurlPlatformUrl, CrackingGivesSchemeDefaultPortAndPathWithQuery)
{
    http_platform_url url;
    ASSERT_TRUE(http_platform_crack_url("https://auth.example/authws/x?wsdl", &url));
    EXPECT_EQ(url.scheme, HTTP_PLATFORM_SCHEME_HTTPS);
    EXPECT_STREQ(url.host, "auth.example");
    EXPECT_EQ(url.port, 443);
    EXPECT_STREQ(url.path, "/authws/x?wsdl");

    EXPECT_FALSE(http_platform_crack_url("ftp://host/file", &url));
    EXPECT_EQ(http_platform_last_error(), HTTP_PLATFORM_ERROR_UNRECOGNIZED_SCHEME);
    EXPECT_FALSE(http_platform_crack_url("http://", &url));
    EXPECT_EQ(http_platform_last_error(), HTTP_PLATFORM_ERROR_INVALID_URL);
    // A part longer than its buffer is refused, never cut short.
    std::string longHost = "http://" + std::string(300, 'h') + "/p";
    EXPECT_FALSE(http_platform_crack_url(longHost.c_str(), &url));
    EXPECT_EQ(http_platform_last_error(), HTTP_PLATFORM_ERROR_INSUFFICIENT_BUFFER);
}

TEST_F(CurlPlatformTest, ResponseGivesNumericStatusAndBodyOnly)
{
    OneShotServer server("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 7\r\n"
                         "Connection: close\r\n\r\n<fault>");
    bool sent = false;
    http_platform_handle request =
        post(server.port(), "<env/>", &sent,
             {"SOAPAction: \"\"\r\n", "Content-Length: 6\r\n", "soapaction: \"second\"\r\n"});
    ASSERT_TRUE(sent) << http_platform_last_error();
    uint32_t status = 0;
    ASSERT_TRUE(http_platform_query_status(request, &status));
    EXPECT_EQ(status, 500u);
    char buffer[4];
    std::string body;
    for (uint32_t got = 1; got;) {
        ASSERT_TRUE(http_platform_read(request, buffer, sizeof(buffer), &got));
        body.append(buffer, got);
    }
    EXPECT_EQ(body, "<fault>");
    // The connection was not kept: the owner hears of it.
    EXPECT_EQ(g_notices, std::vector<uint32_t>{HTTP_PLATFORM_STATUS_CONNECTION_CLOSED});
    closeRequest(request);

    const std::string &seen = server.request();
    EXPECT_EQ(seen.rfind("POST /svc HTTP/1.1\r\n", 0), 0u) << seen;
    EXPECT_NE(seen.find("SOAPAction: \"\"\r\n"), std::string::npos);
    EXPECT_EQ(seen.find("second"), std::string::npos); // a header is only added if new
    EXPECT_EQ(seen.find("Expect:"), std::string::npos);
    EXPECT_EQ(seen.substr(seen.size() - 6), "<env/>");
}

TEST_F(CurlPlatformTest, ChunkFramingOfTheRuntimeIsNotSentTwice)
{
    OneShotServer server("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    bool sent = false;
    http_platform_handle request = post(server.port(), "5\r\nhello\r\n3\r\nabc\r\n0\r\n\r\n", &sent,
                                        {"Transfer-Encoding: chunked\r\n"});
    ASSERT_TRUE(sent) << http_platform_last_error();
    closeRequest(request);
    // Whatever framing goes on the wire, it frames exactly "helloabc" once.
    const std::string &seen = server.request();
    std::string wire = seen.substr(seen.find("\r\n\r\n") + 4);
    EXPECT_EQ(wire, "8\r\nhelloabc\r\n0\r\n\r\n") << seen;
}

} // namespace
