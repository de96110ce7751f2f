// URL cracking of the libcurl layer; its request URLs are seen in curl_platform_test.
#include "curl_url.h"

#include <gtest/gtest.h>

#include <string>

TEST(CurlUrl, CrackingGivesSchemePortAndPathWithQueryOrRefusesWithoutCutting)
{
    auto crack = [](const char *url) {
        http_platform_url parts{};
        if (uint32_t error = http_curl_crack_url(url, &parts))
            return "error " + std::to_string(error);
        return std::string(parts.scheme == HTTP_PLATFORM_SCHEME_HTTPS ? "https " : "http ") +
               parts.host + " " + std::to_string(parts.port) + " " + parts.path;
    };
    EXPECT_EQ(crack("https://auth.example/authws/x?wsdl"), "https auth.example 443 /authws/x?wsdl");
    EXPECT_EQ(crack("HTTP://[::1]:18431"), "http [::1] 18431 /");
    EXPECT_EQ(crack("ftp://host/file"), "error 12006");
    EXPECT_EQ(crack("http://"), "error 12005");
    EXPECT_EQ(crack(nullptr), "error 12005");
    // A part, or the path with its query, longer than its buffer is refused, never cut short.
    EXPECT_EQ(crack(("http://" + std::string(300, 'h') + "/p").c_str()), "error 122");
    EXPECT_EQ(crack(("http://h/" + std::string(200, 'p') + "?" + std::string(60, 'q')).c_str()),
              "error 122");
}
