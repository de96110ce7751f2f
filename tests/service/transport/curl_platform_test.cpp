// The contracts of the libcurl layer that the plug-in relies on, against a one-shot loopback
// server; its time-outs are checked end to end.
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
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr *>(&address), length), 0);
        ASSERT_EQ(listen(listener, 1), 0);
        ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length), 0);
        port = ntohs(address.sin_port);
    }

    void TearDown() override
    {
        close(listener);
        EXPECT_TRUE(http_platform_close(request));
        EXPECT_TRUE(http_platform_close(connection));
        EXPECT_TRUE(http_platform_close(root));
    }

    // POSTs `body` with `headers` to a loopback server that reads the request into `seen` until
    // it ends as the body does, and answers with `response`.
    void post(const std::string &response, const std::string &body,
              const std::vector<std::string> &headers)
    {
        std::string end = body.substr(body.size() - 5);
        std::thread server([&] {
            int client = accept(listener, nullptr, nullptr);
            char buffer[4096];
            for (ssize_t got; client >= 0 &&
                              (seen.size() < 5 || seen.compare(seen.size() - 5, 5, end)) &&
                              (got = recv(client, buffer, sizeof buffer, 0)) > 0;)
                seen.append(buffer, static_cast<size_t>(got));
            send(client, response.data(), response.size(), MSG_NOSIGNAL);
            close(client);
        });
        connection = http_platform_connect(root, "127.0.0.1", port, this);
        request = http_platform_open_request(connection, "POST", "/svc", "HTTP/1.1", 0, this);
        for (const std::string &line : headers)
            http_platform_add_header(request, line.c_str(), line.size());
        EXPECT_TRUE(http_platform_send_request(request, body.data(), uint32_t(body.size())))
            << http_platform_last_error();
        shutdown(listener, SHUT_RDWR); // ends the server if the request never came
        server.join();
    }

    std::string readBody()
    {
        char buffer[4];
        std::string body;
        for (uint32_t got = 1; got;) {
            EXPECT_TRUE(http_platform_read(request, buffer, sizeof(buffer), &got));
            body.append(buffer, got);
        }
        return body;
    }

    http_platform_handle root = nullptr, connection = nullptr, request = nullptr;
    int listener = -1;
    uint16_t port = 0;
    std::string seen;
};

TEST_F(CurlPlatformTest, ResponseGivesNumericStatusAndBodyOnlyAndNoRedirectionIsFollowed)
{
    // From 1 MiB on curl would wait for a 100 Continue that the runtime never sends.
    std::string env = "<env>" + std::string(1 << 20, ' ') + "</env>";
    post("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:9/elsewhere\r\nContent-Length: 7\r\n"
         "Connection: close\r\n\r\n<moved>",
         env,
         {"SOAPAction: \"\"\r\n", "Content-Length: 1048587\r\n", "soapaction: \"second\"\r\n"});
    uint32_t status = 0;
    ASSERT_TRUE(http_platform_query_status(request, &status));
    EXPECT_EQ(status, 302u);
    EXPECT_EQ(readBody(), "<moved>");
    // The connection was not kept: the owner hears of it.
    EXPECT_EQ(g_notices, std::vector<uint32_t>{HTTP_PLATFORM_STATUS_CONNECTION_CLOSED});

    EXPECT_EQ(seen.rfind("POST /svc HTTP/1.1\r\n", 0), 0u) << seen.substr(0, 200);
    EXPECT_NE(seen.find("SOAPAction: \"\"\r\n"), std::string::npos);
    EXPECT_EQ(seen.find("second"), std::string::npos); // a header is only added if new
    EXPECT_EQ(seen.find("Expect:"), std::string::npos);
    EXPECT_EQ(seen.compare(seen.size() - env.size(), env.size(), env), 0);
}

TEST_F(CurlPlatformTest, ChunkedRequestIsFramedOnceAndTheResponseKeptOneByteBeyondItsLimit)
{
    ASSERT_TRUE(http_platform_set_response_limit(root, 5));
    std::string flood(1 << 20, 'x');
    post("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(flood.size()) + "\r\n\r\n" + flood,
         "5\r\nhello\r\n3\r\nabc\r\n0\r\n\r\n", {"Transfer-Encoding: chunked\r\n"});
    // Whatever framing goes on the wire, it frames exactly "helloabc" once.
    EXPECT_EQ(seen.substr(seen.find("\r\n\r\n") + 4), "8\r\nhelloabc\r\n0\r\n\r\n") << seen;
    uint32_t status = 0;
    ASSERT_TRUE(http_platform_query_status(request, &status));
    EXPECT_EQ(status, 200u);
    EXPECT_EQ(readBody(), "xxxxxx"); // the reader sees that the body passed its limit
}

} // namespace
