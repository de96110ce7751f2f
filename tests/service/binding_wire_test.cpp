// The getVantorelInfo binding's wire format, both ways, through a scripted transport.
#include "scripted_exchange.h"

#include <gtest/gtest.h>

#include <string>

namespace {

char kSoapEncArray[] = "SOAP-ENC:Array";

// The params element of the request that items make.
std::string sentParams(char **items, int size, char *type = kSoapEncArray)
{
    ArrayOfstring params;
    params.__ptr = items;
    params.__size = size;
    params.xsi__type = type;
    ScriptedExchange exchange;
    exchange.call(&params, nullptr);
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
    EXPECT_EQ(sentParams(items, 5),
              "<params SOAP-ENC:arrayType=\"xsd:string[5]\" xsi:type=\"SOAP-ENC:Array\">"
              "<item SOAP-ENC:position=\"[2]\">34303936</item><item>342E3030</item></params>");
    // An empty text, by contrast, is a present and empty item.
    char ab[] = "6162", empty[] = "";
    char *two[2] = {ab, empty};
    EXPECT_EQ(sentParams(two, 2),
              "<params SOAP-ENC:arrayType=\"xsd:string[2]\" xsi:type=\"SOAP-ENC:Array\">"
              "<item>6162</item><item/></params>");
    EXPECT_EQ(sentParams(nullptr, 0, nullptr), "<params></params>");
}

TEST(BindingRequest, EnvelopeIsRpcEncodedWithEmptyAction)
{
    ScriptedExchange exchange;
    exchange.call(nullptr, nullptr);
    const std::string &sent = exchange.sent();
    for (const char *part :
         {"POST /authws/services/AuthenticationService HTTP/1.1\r\n", "\r\nSOAPAction: \"\"\r\n",
          "xmlns:ns2=\"" GETVANTOREL_TEST_NAMESPACE "\"",
          "<SOAP-ENV:Body SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
          "<ns2:getVantorelInfo></ns2:getVantorelInfo>"})
        EXPECT_NE(sent.find(part), std::string::npos) << part << " not in " << sent;
    EXPECT_EQ(sent.find("Header"), std::string::npos);
}

const char kArrayType[] = "xsi:type=\"enc:Array\" enc:arrayType=\"xs:string[][17]\"";
const char kSoap11[] = "http://schemas.xmlsoap.org/soap/envelope/";
const char kSoap12[] = "http://www.w3.org/2003/05/soap-envelope";

// A getVantorelInfo reply in the service's own choice of prefixes.
std::string reply(const std::string &returnXml, const std::string &afterResponse = "",
                  const char *envNamespace = kSoap11)
{
    return std::string("<?xml version=\"1.0\"?><e:Envelope xmlns:e=\"") + envNamespace +
           "\" xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\""
           " xmlns:xs=\"http://www.w3.org/2001/XMLSchema\""
           " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
           " xmlns:a=\"" GETVANTOREL_TEST_NAMESPACE "\"><e:Body><a:getVantorelInfoResponse>" +
           returnXml + "</a:getVantorelInfoResponse>" + afterResponse + "</e:Body></e:Envelope>";
}

std::string entries(int n)
{
    std::string xml;
    for (int i = 0; i < n; ++i)
        xml += "<item><item>6E" + std::to_string(10 + i) + "</item><item>76</item></item>";
    return xml;
}

std::string array(const std::string &name, const std::string &items)
{
    return "<" + name + " " + kArrayType + ">" + items + "</" + name + ">";
}

// The call's result and the decoded return value.
std::pair<int, ArrayOfArrayOfstring *> decode(ScriptedExchange &exchange)
{
    ns2__getVantorelInfoResponse response;
    int result = exchange.call(nullptr, &response);
    return {result, response._getVantorelInfoReturn};
}

// n entries as entries(n) wrote them, then `missing` empty ones.
void expectEntries(const std::string &body, int n, int missing = 0)
{
    ScriptedExchange exchange(body);
    auto decoded = decode(exchange);
    ASSERT_EQ(decoded.first, SOAP_OK) << exchange.faultReport();
    ASSERT_NE(decoded.second, nullptr);
    ASSERT_EQ(decoded.second->__size, n + missing);
    for (int i = 0; i < n + missing; ++i) {
        const ArrayOfstring &entry = decoded.second->__ptr[i];
        ASSERT_EQ(entry.__size, i < n ? 2 : 0);
        if (i < n) {
            EXPECT_EQ(std::string(entry.__ptr[0]), "6E" + std::to_string(10 + i));
        }
    }
}

TEST(BindingReply, AcceptsWhatTheServiceMayVary)
{
    // Any return element name, any prefixes, a SOAP 1.2 envelope, no arrayType at all.
    expectEntries(reply(array("getVantorelInfoReturn", entries(17))), 17);
    expectEntries(reply(array("result", entries(17))), 17);
    expectEntries(reply("<r>" + entries(16) + "</r>", "", kSoap12), 16);
    // 17 declared with 16 present; a multi-reference after the response element.
    expectEntries(reply(array("r", entries(16))), 16, 1);
    expectEntries(reply("<r href=\"#id0\"/>", std::string("<multiRef id=\"id0\" ") + kArrayType +
                                                  ">" + entries(17) + "</multiRef>"),
                  17);
    // Every entry and every name by a reference forward, into arrays without arrayType, whose
    // items the runtime collects in blocks that it moves and frees.
    std::string items, refs;
    for (int i = 0; i < 17; ++i) {
        std::string n = std::to_string(i);
        items += "<item href=\"#e" + n + "\"/>";
        refs +=
            "<multiRef id=\"e" + n + "\"><item href=\"#n" + n + "\"/><item>76</item></multiRef>";
    }
    for (int i = 0; i < 17; ++i)
        refs += "<multiRef id=\"n" + std::to_string(i) + "\">6E" + std::to_string(10 + i) +
                "</multiRef>";
    expectEntries(reply("<r>" + items + "</r>", refs), 17);
}

TEST(BindingReply, FaultsAreReported)
{
    const std::pair<const char *, const char *> faults[] = {
        {kSoap11, "<faultcode>e:Server</faultcode><faultstring>Store offline</faultstring>"},
        {kSoap12, "<e:Code><e:Value>e:Sender</e:Value></e:Code>"
                  "<e:Reason><e:Text>Store offline</e:Text></e:Reason>"},
    };
    for (const auto &fault : faults) {
        ScriptedExchange exchange(std::string("<e:Envelope xmlns:e=\"") + fault.first +
                                  "\"><e:Body><e:Fault>" + fault.second +
                                  "</e:Fault></e:Body></e:Envelope>");
        EXPECT_NE(decode(exchange).first, SOAP_OK);
        EXPECT_NE(exchange.faultReport().find("Store offline"), std::string::npos) << fault.first;
    }
}

TEST(BindingReply, WrongArraysFail)
{
    // Replies that are not XML, cut off or of absurd size are the end-to-end tests' cases.
    ScriptedExchange ints(
        reply("<r xsi:type=\"enc:Array\" enc:arrayType=\"xs:int[17]\">" + entries(17) + "</r>"));
    EXPECT_EQ(decode(ints).first, SOAP_TYPE);
    ScriptedExchange outside(reply(array("r", "<item enc:position=\"[40]\"/>")));
    EXPECT_NE(decode(outside).first, SOAP_OK);
}

} // namespace
