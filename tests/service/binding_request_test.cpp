#include "scripted_exchange.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>

namespace {

char kSoapEncArray[] = "SOAP-ENC:Array";

ArrayOfstring Params(char **items, int size, char *type = kSoapEncArray)
{
    ArrayOfstring params;
    params.__ptr = items;
    params.__size = size;
    params.xsi__type = type;
    return params;
}

// The params element as sent, from its start tag to its end tag.
std::string ParamsElement(const std::string &sent)
{
    size_t begin = sent.find("<params");
    size_t end = sent.find("</params>");
    if (begin == std::string::npos || end == std::string::npos)
        return "no params element in: " + sent;
    return sent.substr(begin, end + strlen("</params>") - begin);
}

TEST(BindingRequest, SparseArrayLeavesOutNullItems)
{
    char mib[] = "34303936", gib[] = "342E3030";
    char *items[5] = {nullptr, nullptr, mib, gib, nullptr};
    ArrayOfstring request = Params(items, 5);
    ScriptedExchange exchange;
    exchange.Call(&request, nullptr);

    EXPECT_EQ(ParamsElement(exchange.sent()),
              "<params SOAP-ENC:arrayType=\"xsd:string[5]\" xsi:type=\"SOAP-ENC:Array\">"
              "<item SOAP-ENC:position=\"[2]\">34303936</item><item>342E3030</item></params>");
}

TEST(BindingRequest, EnvelopeIsRpcEncodedWithEmptyAction)
{
    char a[] = "6162", empty[] = "";
    char *items[2] = {a, empty};
    ArrayOfstring request = Params(items, 2);
    ScriptedExchange exchange;
    exchange.Call(&request, nullptr);
    const std::string &sent = exchange.sent();

    EXPECT_NE(sent.find("POST /authws/services/AuthenticationService HTTP/1.1\r\n"),
              std::string::npos);
    EXPECT_NE(sent.find("\r\nSOAPAction: \"\"\r\n"), std::string::npos);
    EXPECT_NE(sent.find("<SOAP-ENV:Body SOAP-ENV:encodingStyle="
                        "\"http://schemas.xmlsoap.org/soap/encoding/\">"
                        "<ns2:getVantorelInfo><params "),
              std::string::npos);
    EXPECT_NE(sent.find("xmlns:ns2=\"" GETVANTOREL_TEST_NAMESPACE "\""), std::string::npos);
    // An empty text is a present, empty item; nothing carries an item type.
    EXPECT_EQ(ParamsElement(sent),
              "<params SOAP-ENC:arrayType=\"xsd:string[2]\" xsi:type=\"SOAP-ENC:Array\">"
              "<item>6162</item><item/></params>");
    EXPECT_EQ(sent.find("<SOAP-ENV:Header"), std::string::npos);
}

TEST(BindingRequest, EmptyArrayHasNoArrayAttributes)
{
    ArrayOfstring request = Params(nullptr, 0, nullptr);
    ScriptedExchange exchange;
    exchange.Call(&request, nullptr);
    EXPECT_EQ(ParamsElement(exchange.sent()), "<params></params>");
}

} // namespace
