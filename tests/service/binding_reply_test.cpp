#include "scripted_exchange.h"

#include "hex_text.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string>

namespace {

const char kArrayAttrs[] = "xsi:type=\"enc:Array\" enc:arrayType=\"xs:string[][17]\"";

struct Decoded
{
    int result;
    ArrayOfArrayOfstring *value;
};

Decoded Read(ScriptedExchange &exchange)
{
    ns2__getVantorelInfoResponse response;
    response._getVantorelInfoReturn = nullptr;
    int result = exchange.Call(nullptr, &response);
    return {result, response._getVantorelInfoReturn};
}

std::string Text(const char *hex)
{
    char *text = HexStrToStr(hex);
    std::string result = text ? text : "<null>";
    free(text);
    return result;
}

void ExpectEntries(const Decoded &decoded, int count)
{
    ASSERT_EQ(decoded.result, SOAP_OK);
    ASSERT_NE(decoded.value, nullptr);
    ASSERT_EQ(decoded.value->__size, count);
    for (int i = 0; i < count; ++i) {
        const ArrayOfstring &entry = decoded.value->__ptr[i];
        ASSERT_EQ(entry.__size, 2) << i;
        EXPECT_EQ(Text(entry.__ptr[0]), "name_" + std::to_string(i));
        EXPECT_EQ(Text(entry.__ptr[1]), "value_" + std::to_string(i));
    }
}

TEST(BindingReply, ReturnElementIsFoundWhateverItsName)
{
    for (const char *name : {"getVantorelInfoReturn", "result", "return"}) {
        ScriptedExchange exchange(ReplyEnvelope(std::string("<") + name + " " + kArrayAttrs + ">" +
                                                Entries(17) + "</" + name + ">"));
        ExpectEntries(Read(exchange), 17);
    }
}

TEST(BindingReply, ForeignPrefixesAndSoap12NamespacesAreAccepted)
{
    ScriptedExchange exchange(ReplyEnvelope(
        std::string("<r ") + kArrayAttrs + ">" + Entries(17) + "</r>", "", "soapenv", "auth"));
    ExpectEntries(Read(exchange), 17);

    std::string soap12 = ReplyEnvelope(std::string("<r>") + Entries(17) + "</r>", "", "env", "a");
    soap12.replace(soap12.find("http://schemas.xmlsoap.org/soap/envelope/"),
                   strlen("http://schemas.xmlsoap.org/soap/envelope/"),
                   "http://www.w3.org/2003/05/soap-envelope");
    ScriptedExchange exchange12(soap12);
    ExpectEntries(Read(exchange12), 17);
}

TEST(BindingReply, ArrayTypeMustBeStringArrays)
{
    ScriptedExchange exchange(ReplyEnvelope(
        "<r xsi:type=\"enc:Array\" enc:arrayType=\"xs:int[17]\">" + Entries(17) + "</r>"));
    EXPECT_EQ(Read(exchange).result, SOAP_TYPE);

    ScriptedExchange untyped(ReplyEnvelope("<r>" + Entries(16) + "</r>"));
    ExpectEntries(Read(untyped), 16);
}

TEST(BindingReply, MissingEntriesStayEmpty)
{
    ScriptedExchange exchange(
        ReplyEnvelope(std::string("<r ") + kArrayAttrs + ">" + Entries(16) + "</r>"));
    Decoded decoded = Read(exchange);
    ASSERT_EQ(decoded.result, SOAP_OK);
    ASSERT_EQ(decoded.value->__size, 17);
    EXPECT_EQ(decoded.value->__ptr[16].__ptr, nullptr);
    EXPECT_EQ(decoded.value->__ptr[16].__size, 0);
}

TEST(BindingReply, MultiReferenceValuesAfterTheResponseAreResolved)
{
    std::string multiRef =
        std::string("<multiRef id=\"id0\" ") + kArrayAttrs + ">" + Entries(17) + "</multiRef>";
    ScriptedExchange exchange(ReplyEnvelope("<r href=\"#id0\"/>", multiRef));
    ExpectEntries(Read(exchange), 17);
}

TEST(BindingReply, FaultsAreReported)
{
    const std::string soap11 =
        "<?xml version=\"1.0\"?><SOAP-ENV:Envelope "
        "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>"
        "<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode>"
        "<faultstring>Profile store offline</faultstring></SOAP-ENV:Fault>"
        "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
    ScriptedExchange exchange11(soap11);
    EXPECT_EQ(Read(exchange11).result, SOAP_SVR_FAULT);
    EXPECT_NE(exchange11.FaultReport().find("Profile store offline"), std::string::npos);
    EXPECT_NE(exchange11.FaultReport().find("SOAP-ENV:Server"), std::string::npos);

    const std::string soap12 =
        "<?xml version=\"1.0\"?><env:Envelope "
        "xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\"><env:Body><env:Fault>"
        "<env:Code><env:Value>env:Sender</env:Value></env:Code>"
        "<env:Reason><env:Text xml:lang=\"en\">Unknown client</env:Text></env:Reason>"
        "</env:Fault></env:Body></env:Envelope>";
    ScriptedExchange exchange12(soap12);
    EXPECT_EQ(Read(exchange12).result, SOAP_FAULT);
    EXPECT_NE(exchange12.FaultReport().find("Unknown client"), std::string::npos);
}

TEST(BindingReply, BrokenRepliesFailWithoutCrashing)
{
    const std::string full =
        ReplyEnvelope(std::string("<r ") + kArrayAttrs + ">" + Entries(17) + "</r>");
    const std::string broken[] = {
        "this is not XML",
        full.substr(0, full.size() / 2),
        ReplyEnvelope("<r xsi:type=\"enc:Array\" enc:arrayType=\"xs:string[][2147483647]\">" +
                      Entries(1) + "</r>"),
        ReplyEnvelope("<r xsi:type=\"enc:Array\" enc:arrayType=\"xs:string[][17]\">"
                      "<item enc:position=\"[40]\"><item>41</item></item></r>"),
    };
    for (const std::string &body : broken) {
        ScriptedExchange exchange(body);
        EXPECT_NE(Read(exchange).result, SOAP_OK) << body.substr(0, 200);
    }
}

} // namespace
