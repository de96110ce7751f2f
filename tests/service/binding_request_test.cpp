#include "scripted_exchange.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>

namespace {

char kSoapEncArray[] = "SOAP-ENC:Array";

// The params element of the request that items make.
std::string SentParams(char **items, int size, char *type = kSoapEncArray)
{
    ArrayOfstring params;
    params.__ptr = items;
    params.__size = size;
    params.xsi__type = type;
    ScriptedExchange exchange;
    exchange.Call(&params, nullptr);
    const std::string &sent = exchange.sent();
    size_t begin = sent.find("<params"), end = sent.find("</params>");
    if (begin == std::string::npos || end == std::string::npos)
        return "no params element in: " + sent;
    return sent.substr(begin, end + strlen("</params>") - begin);
}

TEST(BindingRequest, NullItemsAreLeftOutOfASparseArray)
{
    char mib[] = "34303936", gib[] = "342E3030";
    char *items[5] = {nullptr, nullptr, mib, gib, nullptr};
    EXPECT_EQ(SentParams(items, 5),
              "<params SOAP-ENC:arrayType=\"xsd:string[5]\" xsi:type=\"SOAP-ENC:Array\">"
              "<item SOAP-ENC:position=\"[2]\">34303936</item><item>342E3030</item></params>");
    // An empty text, by contrast, is a present and empty item.
    char ab[] = "6162", empty[] = "";
    char *two[2] = {ab, empty};
    EXPECT_EQ(SentParams(two, 2),
              "<params SOAP-ENC:arrayType=\"xsd:string[2]\" xsi:type=\"SOAP-ENC:Array\">"
              "<item>6162</item><item/></params>");
    EXPECT_EQ(SentParams(nullptr, 0, nullptr), "<params></params>");
}

TEST(BindingRequest, EnvelopeIsRpcEncodedWithEmptyAction)
{
    ScriptedExchange exchange;
    exchange.Call(nullptr, nullptr);
    const std::string &sent = exchange.sent();
    EXPECT_NE(sent.find("POST /authws/services/AuthenticationService HTTP/1.1\r\n"),
              std::string::npos);
    EXPECT_NE(sent.find("\r\nSOAPAction: \"\"\r\n"), std::string::npos);
    EXPECT_NE(sent.find("xmlns:ns2=\"" GETVANTOREL_TEST_NAMESPACE "\""), std::string::npos);
    EXPECT_NE(sent.find("<SOAP-ENV:Body SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/"
                        "soap/encoding/\"><ns2:getVantorelInfo></ns2:getVantorelInfo>"),
              std::string::npos)
        << sent;
    EXPECT_EQ(sent.find("Header"), std::string::npos);
}

} // namespace
