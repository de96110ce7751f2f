// The transport plug-in driven by the real SOAP runtime and binding (or its hooks called as the
// runtime calls them) over the scripted platform layer.
#include "http_platform_fake.h"
#include "http_plugin.h"
#include "soapH.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char kEndpoint[] = "http://svc.test:8080/authws/services/AuthenticationService";

class HttpPluginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_fake = FakePlatform();
        soap = soap_new();
        soap_set_namespaces(soap, namespaces);
        ASSERT_EQ(soap_register_plugin_arg(soap, http_plugin_register, nullptr), SOAP_OK);
    }

    void TearDown() override
    {
        soap_destroy(soap);
        soap_end(soap);
        soap_free(soap);
        // Request, connection and root are all released at context end.
        EXPECT_TRUE(g_fake.open_handles.empty());
    }

    static std::string sentBody()
    {
        std::vector<FakeCall> sent = g_fake.calls["send_request"];
        return sent.size() == 1 ? sent[0].text : std::to_string(sent.size()) + " sends";
    }

    // fopen and the header calls of a POST, as the runtime makes them.
    void openWithHeaders(const char *lengthKey, const char *length)
    {
        soap->socket = soap->fopen(soap, kEndpoint, "svc.test", 8080);
        ASSERT_TRUE(soap_valid_socket(soap->socket));
        ASSERT_EQ(soap->fposthdr(soap, "POST /authws HTTP/1.1", nullptr), SOAP_OK);
        ASSERT_EQ(soap->fposthdr(soap, lengthKey, length), SOAP_OK);
        ASSERT_EQ(soap->fposthdr(soap, nullptr, nullptr), SOAP_OK);
    }

    int runtimePost(const std::string &body, soap_mode omode)
    {
        soap->omode = (soap->omode & ~SOAP_IO) | omode;
        soap_begin(soap);
        if (soap_begin_count(soap) ||
            ((soap->mode & SOAP_IO_LENGTH) && soap_send(soap, body.c_str())) ||
            soap_end_count(soap) || soap_connect_command(soap, SOAP_POST, kEndpoint, "") ||
            soap_send(soap, body.c_str()) || soap_end_send(soap))
            return soap->error;
        return SOAP_OK;
    }

    struct soap *soap = nullptr;
};

// The request line and SOAPAction reach no log of the end-to-end tests; the body does.
TEST_F(HttpPluginTest, RequestsCarryPathActionAndFlagsAndTheContextCannotBeCopied)
{
    EXPECT_EQ(soap_call_ns2__getVantorelInfo(soap, kEndpoint, nullptr, nullptr, nullptr), SOAP_OK);
    std::string headers;
    for (const FakeCall &call : g_fake.calls["add_header"])
        headers += call.text;
    EXPECT_NE(headers.find("SOAPAction: \"\"\r\n"), std::string::npos) << headers;
    EXPECT_EQ(g_fake.calls["send_request"].size(), 1u);

    soap->socket = soap->fopen(soap, "https://svc.test/authws/x", "svc.test", 0);
    soap->fclose(soap);
    soap->omode |= SOAP_IO_KEEPALIVE;
    soap->socket = soap->fopen(soap, "http://svc.test/p", "svc.test", 0);
    soap->fclose(soap);
    std::vector<FakeCall> opened = g_fake.calls["open_request"];
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0].text, "POST /authws/services/AuthenticationService HTTP/1.1");
    EXPECT_EQ(opened[0].number, 0u);
    EXPECT_EQ(opened[1].number, HTTP_PLATFORM_FLAG_SECURE);
    EXPECT_EQ(opened[2].number, HTTP_PLATFORM_FLAG_KEEP_CONNECTION);
    EXPECT_EQ(soap_copy(soap), nullptr); // the handles belong to this context alone
}

TEST_F(HttpPluginTest, OpenFailuresReportThePlatformErrorAndHoldNothing)
{
    g_fake.failures["crack_url"] = {HTTP_PLATFORM_ERROR_INVALID_URL};
    EXPECT_FALSE(soap_valid_socket(soap->fopen(soap, "nonsense", "", 0)));
    EXPECT_EQ(soap->error, int(HTTP_PLATFORM_ERROR_INVALID_URL));

    g_fake.failures["open_request"] = {HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY};
    EXPECT_FALSE(soap_valid_socket(soap->fopen(soap, kEndpoint, "", 0)));
    EXPECT_EQ(soap->error, int(HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(g_fake.open_handles.size(), 1u); // the root only: the connection was closed
}

TEST_F(HttpPluginTest, RegistrationPassesPositiveTimeoutsInMillisecondsAndTheReplyLimit)
{
    g_fake.calls.clear();
    struct soap *other = soap_new();
    other->connect_timeout = 30;
    other->recv_timeout = 0;
    other->send_timeout = -500000; // microseconds in the runtime's own terms
    other->recv_maxlength = 4096;
    ASSERT_EQ(soap_register_plugin_arg(other, http_plugin_register, nullptr), SOAP_OK);
    ASSERT_EQ(g_fake.calls["set_response_limit"].size(), 1u);
    EXPECT_EQ(g_fake.calls["set_response_limit"][0].text, "4096");
    ASSERT_EQ(g_fake.calls["set_timeout"].size(), 1u);
    EXPECT_EQ(g_fake.calls["set_timeout"][0].number,
              uint32_t(HTTP_PLATFORM_OPTION_CONNECT_TIMEOUT));
    EXPECT_EQ(g_fake.calls["set_timeout"][0].text, "30000");
    soap_free(other);

    // Without a root handle nothing is hooked.
    g_fake.failures["open"] = {HTTP_PLATFORM_ERROR_INTERNAL_ERROR};
    other = soap_new();
    auto ownOpen = other->fopen;
    EXPECT_EQ(soap_register_plugin_arg(other, http_plugin_register, nullptr), SOAP_EOM);
    EXPECT_EQ(other->fopen, ownOpen);
    EXPECT_EQ(other->fplugin(other, http_plugin_id), nullptr);
    soap_free(other);
}

TEST_F(HttpPluginTest, BodyGoesOutOnceWhenItsAnnouncedLengthIsComplete)
{
    // An empty piece adds nothing; a body announced as empty goes out at once. The key is matched
    // exactly: without a length or chunking the body's end is unknown, so it is refused.
    struct
    {
        const char *key, *length;
        std::vector<const char *> pieces;
        int lastResult;
        const char *sent;
    } cases[] = {{"Content-Length", "9", {"abc", "", "def", "ghi"}, SOAP_OK, "abcdefghi"},
                 {"Content-Length", "0", {""}, SOAP_OK, ""},
                 {"content-length", "3", {"abc"}, SOAP_EOM, "0 sends"}};
    for (const auto &c : cases) {
        g_fake.calls.clear();
        openWithHeaders(c.key, c.length);
        int result = SOAP_OK;
        for (const char *piece : c.pieces) {
            EXPECT_EQ(sentBody(), "0 sends") << c.key << " before " << piece;
            result = soap->fsend(soap, piece, strlen(piece));
        }
        EXPECT_EQ(result, c.lastResult) << c.key;
        EXPECT_EQ(sentBody(), c.sent) << c.key;
        soap->fclose(soap);
    }
}

TEST_F(HttpPluginTest, ChunkedBodyGoesOutAfterTheFinalChunkWithItsFraming)
{
    std::string body(70000, 'c');
    ASSERT_EQ(runtimePost(body, SOAP_IO_CHUNK), SOAP_OK);
    // 70000 bytes: one full buffer and the rest, each with its size line, then the end.
    EXPECT_EQ(sentBody(), "10000\r\n" + body.substr(0, 65536) + "\r\n1170\r\n" +
                              body.substr(65536) + "\r\n0\r\n\r\n");
}

TEST_F(HttpPluginTest, SettledDialogsResendTheSameBytesAndACancelledOneLeavesTheBody)
{
    // Credentials given after a 401 and a 407, a certificate accepted after a send failure,
    // then the dialog cancelled after another 401: the runtime reads that reply.
    const uint32_t password = HTTP_PLATFORM_ERROR_INCORRECT_PASSWORD;
    g_fake.statuses = {HTTP_PLATFORM_HTTP_DENIED, HTTP_PLATFORM_HTTP_PROXY_AUTH_REQ,
                       HTTP_PLATFORM_HTTP_DENIED};
    g_fake.failures["send_request"] = {0, 0, HTTP_PLATFORM_ERROR_INVALID_CA};
    g_fake.dialog_decisions = {HTTP_PLATFORM_ERROR_FORCE_RETRY, HTTP_PLATFORM_ERROR_FORCE_RETRY,
                               HTTP_PLATFORM_ERROR_SUCCESS};
    g_fake.response = "<denied/>";
    ASSERT_EQ(runtimePost("<envelope/>", SOAP_IO_FLUSH), SOAP_OK);
    std::vector<FakeCall> sent = g_fake.calls["send_request"];
    ASSERT_EQ(sent.size(), 4u);
    for (const FakeCall &call : sent) {
        EXPECT_EQ(call.data, sent[0].data);
        EXPECT_EQ(call.text, "<envelope/>");
    }
    std::vector<uint32_t> dialogs;
    for (const FakeCall &call : g_fake.calls["error_dialog"])
        dialogs.push_back(call.number);
    EXPECT_EQ(dialogs, (std::vector<uint32_t>{password, password, HTTP_PLATFORM_ERROR_INVALID_CA,
                                              password}));
    ASSERT_EQ(soap_begin_recv(soap), SOAP_OK);
    std::string reply;
    for (int c; (c = soap_getchar(soap)) != EOF;)
        reply += static_cast<char>(c);
    EXPECT_EQ(reply, "<denied/>");
}

TEST_F(HttpPluginTest, ConnectionClosedNoticeEndsTheRequest)
{
    // A notice for the root handle (no context) concerns no request.
    openWithHeaders("Content-Length", "3");
    g_fake.status_callback(nullptr, nullptr, HTTP_PLATFORM_STATUS_CONNECTION_CLOSED, nullptr, 0);
    EXPECT_EQ(soap->fposthdr(soap, "SOAPAction", "\"\""), SOAP_OK);

    // Closed between the headers and the body: the send finds no connection.
    g_fake.status_callback(nullptr, soap, HTTP_PLATFORM_STATUS_CONNECTION_CLOSED, nullptr, 0);
    EXPECT_EQ(soap->fsend(soap, "abc", 3), SOAP_EOF);
    EXPECT_EQ(soap->error, SOAP_OK);
    EXPECT_EQ(sentBody(), "0 sends");
    EXPECT_FALSE(soap_valid_socket(soap->socket));
    EXPECT_EQ(g_fake.open_handles.size(), 1u);
    EXPECT_EQ(soap->fposthdr(soap, "SOAPAction", "\"\""), SOAP_EOF);
}

TEST_F(HttpPluginTest, FailedReadKeepsWhatWasReadAndThePlatformError)
{
    openWithHeaders("Content-Length", "1");
    ASSERT_EQ(soap->fsend(soap, "x", 1), SOAP_OK);
    g_fake.response = "abcdef";
    g_fake.read_piece = 4;
    g_fake.failures["read"] = {0, HTTP_PLATFORM_ERROR_CONNECTION_RESET};
    char buffer[16];
    EXPECT_EQ(soap->frecv(soap, buffer, sizeof(buffer)), 4u);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(soap->error, int(HTTP_PLATFORM_ERROR_CONNECTION_RESET));
}

TEST_F(HttpPluginTest, HeadersThatDoNotFitAreRefused)
{
    soap->socket = soap->fopen(soap, kEndpoint, "", 0);
    ASSERT_EQ(soap->fposthdr(soap, "POST / HTTP/1.1", nullptr), SOAP_OK);
    // "X: " + value + CR LF, plus the terminating NUL, in 4096 bytes.
    std::string fits(4096 - 1 - 5, 'v');
    EXPECT_EQ(soap->fposthdr(soap, "X", fits.c_str()), SOAP_OK);
    std::string tooLong(fits + "v");
    EXPECT_EQ(soap->fposthdr(soap, "X", tooLong.c_str()), SOAP_EOM);
    std::vector<FakeCall> added = g_fake.calls["add_header"];
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].text.size(), 4095u);
    // A length the platform cannot carry is refused, not cut to 32 bits (here: to 5).
    EXPECT_EQ(soap->fposthdr(soap, "Content-Length", "4294967301"), SOAP_EOM);
    EXPECT_EQ(soap->fsend(soap, "abc", 3), SOAP_EOM);
}

} // namespace
