#include "scripted_exchange.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kArrayType[] = "xsi:type=\"enc:Array\" enc:arrayType=\"xs:string[][17]\"";

// A getVantorelInfo reply in the service's own choice of prefixes.
std::string Reply(const std::string &returnXml, const std::string &afterResponse = "",
                  const std::string &envNamespace = "http://schemas.xmlsoap.org/soap/envelope/")
{
    return "<?xml version=\"1.0\"?><e:Envelope xmlns:e=\"" + envNamespace +
           "\" xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\""
           " xmlns:xs=\"http://www.w3.org/2001/XMLSchema\""
           " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
           " xmlns:a=\"" GETVANTOREL_TEST_NAMESPACE "\"><e:Body><a:getVantorelInfoResponse>" +
           returnXml + "</a:getVantorelInfoResponse>" + afterResponse + "</e:Body></e:Envelope>";
}

std::string Entries(int n)
{
    std::string xml;
    for (int i = 0; i < n; ++i)
        xml += "<item><item>6E" + std::to_string(10 + i) + "</item><item>76</item></item>";
    return xml;
}

struct Decoded
{
    int result;
    ArrayOfArrayOfstring *value;
};

Decoded Read(ScriptedExchange &exchange)
{
    ns2__getVantorelInfoResponse response;
    int result = exchange.Call(nullptr, &response);
    return {result, response._getVantorelInfoReturn};
}

// n entries as Entries(n) wrote them, then `missing` empty ones.
void ExpectEntries(const std::string &body, int n, int missing = 0)
{
    ScriptedExchange exchange(body);
    Decoded decoded = Read(exchange);
    ASSERT_EQ(decoded.result, SOAP_OK) << exchange.FaultReport();
    ASSERT_NE(decoded.value, nullptr);
    ASSERT_EQ(decoded.value->__size, n + missing);
    for (int i = 0; i < n + missing; ++i) {
        const ArrayOfstring &entry = decoded.value->__ptr[i];
        ASSERT_EQ(entry.__size, i < n ? 2 : 0);
        if (i < n) {
            EXPECT_EQ(std::string(entry.__ptr[0]), "6E" + std::to_string(10 + i));
        }
    }
}

TEST(BindingReply, AcceptsWhatTheServiceMayVary)
{
    // Any return element name, any prefixes, SOAP 1.2 envelope, no arrayType at all.
    for (const char *name : {"getVantorelInfoReturn", "result"})
        ExpectEntries(Reply(std::string("<") + name + " " + kArrayType + ">" + Entries(17) + "</" +
                            name + ">"),
                      17);
    ExpectEntries(
        Reply("<r>" + Entries(16) + "</r>", "", "http://www.w3.org/2003/05/soap-envelope"), 16);
}

TEST(BindingReply, MissingEntriesStayEmptyAndReferencesResolve)
{
    ExpectEntries(Reply(std::string("<r ") + kArrayType + ">" + Entries(16) + "</r>"), 16, 1);
    ExpectEntries(Reply("<r href=\"#id0\"/>", std::string("<multiRef id=\"id0\" ") + kArrayType +
                                                  ">" + Entries(17) + "</multiRef>"),
                  17);
}

TEST(BindingReply, FaultsAreReported)
{
    ScriptedExchange soap11(
        "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body><e:Fault>"
        "<faultcode>e:Server</faultcode><faultstring>Profile store offline</faultstring>"
        "</e:Fault></e:Body></e:Envelope>");
    EXPECT_NE(Read(soap11).result, SOAP_OK);
    EXPECT_NE(soap11.FaultReport().find("Profile store offline"), std::string::npos);

    ScriptedExchange soap12(
        "<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\"><e:Body><e:Fault>"
        "<e:Code><e:Value>e:Sender</e:Value></e:Code><e:Reason><e:Text>Unknown client</e:Text>"
        "</e:Reason></e:Fault></e:Body></e:Envelope>");
    EXPECT_NE(Read(soap12).result, SOAP_OK);
    EXPECT_NE(soap12.FaultReport().find("Unknown client"), std::string::npos);
}

TEST(BindingReply, WrongOrBrokenRepliesFail)
{
    const std::string whole = Reply(std::string("<r ") + kArrayType + ">" + Entries(17) + "</r>");
    const std::string broken[] = {
        Reply("<r xsi:type=\"enc:Array\" enc:arrayType=\"xs:int[17]\">" + Entries(17) + "</r>"),
        Reply("<r xsi:type=\"enc:Array\" enc:arrayType=\"xs:string[][2147483647]\">" + Entries(1) +
              "</r>"),
        Reply(std::string("<r ") + kArrayType + "><item enc:position=\"[40]\"/></r>"),
        "this is not XML",
        whole.substr(0, whole.size() / 2),
    };
    for (const std::string &body : broken) {
        ScriptedExchange exchange(body);
        EXPECT_NE(Read(exchange).result, SOAP_OK) << body;
    }
    ScriptedExchange intArray(broken[0]);
    EXPECT_EQ(Read(intArray).result, SOAP_TYPE);
}

} // namespace
