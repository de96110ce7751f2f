#include "scripted_exchange.h"

#include "hex_text.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Any descriptor number works: the hooks below never hand it to the system.
const SOAP_SOCKET kScriptedSocket = 1000;
const char kEndpoint[] = "http://scripted.invalid/authws/services/AuthenticationService";

std::string Hex(const std::string &text)
{
    char *hex = StrToHexStr(text.c_str());
    std::string result(hex);
    free(hex);
    return result;
}

} // namespace

ScriptedExchange::ScriptedExchange(std::string replyBody)
{
    soap_init(&soap_);
    soap_.user = this;
    soap_.fopen = Open;
    soap_.fsend = Send;
    soap_.frecv = Receive;
    soap_.fclose = Close;
    reply_ = "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " +
             std::to_string(replyBody.size()) + "\r\n\r\n" + replyBody;
}

ScriptedExchange::~ScriptedExchange()
{
    soap_destroy(&soap_);
    soap_end(&soap_);
    soap_done(&soap_);
}

int ScriptedExchange::Call(ArrayOfstring *request, ns2__getVantorelInfoResponse *response)
{
    return soap_call_ns2__getVantorelInfo(&soap_, kEndpoint, NULL, request, response);
}

std::string ScriptedExchange::FaultReport()
{
    char buffer[1024] = "";
    soap_sprint_fault(&soap_, buffer, sizeof buffer);
    return buffer;
}

SOAP_SOCKET ScriptedExchange::Open(struct soap *, const char *, const char *, int)
{
    return kScriptedSocket;
}

int ScriptedExchange::Send(struct soap *soap, const char *bytes, size_t length)
{
    static_cast<ScriptedExchange *>(soap->user)->sent_.append(bytes, length);
    return SOAP_OK;
}

size_t ScriptedExchange::Receive(struct soap *soap, char *buffer, size_t capacity)
{
    ScriptedExchange *self = static_cast<ScriptedExchange *>(soap->user);
    size_t n = std::min(capacity, self->reply_.size() - self->replyOffset_);
    memcpy(buffer, self->reply_.data() + self->replyOffset_, n);
    self->replyOffset_ += n;
    return n;
}

int ScriptedExchange::Close(struct soap *soap)
{
    soap->socket = SOAP_INVALID_SOCKET;
    return SOAP_OK;
}

std::string ReplyEnvelope(const std::string &returnXml, const std::string &afterResponse,
                          const std::string &env, const std::string &ns)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<" +
           env + ":Envelope xmlns:" + env +
           "=\"http://schemas.xmlsoap.org/soap/envelope/\""
           " xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\""
           " xmlns:xs=\"http://www.w3.org/2001/XMLSchema\""
           " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
           " xmlns:" +
           ns +
           "=\"" GETVANTOREL_TEST_NAMESPACE "\">"
           "<" +
           env +
           ":Body enc:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
           "<" +
           ns + ":getVantorelInfoResponse>" + returnXml + "</" + ns + ":getVantorelInfoResponse>" +
           afterResponse + "</" + env + ":Body></" + env + ":Envelope>";
}

std::string Entries(int n)
{
    std::string xml;
    for (int i = 0; i < n; ++i) {
        xml += "<item xsi:type=\"enc:Array\" enc:arrayType=\"xs:string[2]\"><item>" +
               Hex("name_" + std::to_string(i)) + "</item><item>" +
               Hex("value_" + std::to_string(i)) + "</item></item>";
    }
    return xml;
}
