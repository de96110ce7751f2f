// A SOAP context whose transport is a pair of strings: what the binding sends is kept and
// a scripted HTTP reply is what it reads, so tests see the exact wire format.
#ifndef TESTS_SERVICE_SCRIPTED_EXCHANGE_H
#define TESTS_SERVICE_SCRIPTED_EXCHANGE_H

#include "soapH.h"

#include <algorithm>
#include <cstring>
#include <string>

class ScriptedExchange
{
public:
    explicit ScriptedExchange(const std::string &replyBody = std::string())
        : reply_("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
                 std::to_string(replyBody.size()) + "\r\n\r\n" + replyBody)
    {
        soap_init(&soap_);
        soap_.user = this;
        // The descriptor is never handed to the system: every hook that would use it is ours.
        soap_.fopen = [](struct soap *, const char *, const char *, int) -> SOAP_SOCKET {
            return 1000;
        };
        soap_.fsend = [](struct soap *soap, const char *bytes, size_t length) {
            self(soap)->sent_.append(bytes, length);
            return SOAP_OK;
        };
        soap_.frecv = [](struct soap *soap, char *buffer, size_t capacity) {
            std::string &reply = self(soap)->reply_;
            size_t n = std::min(capacity, reply.size());
            memcpy(buffer, reply.data(), n);
            reply.erase(0, n);
            return n;
        };
        soap_.fclose = [](struct soap *soap) {
            soap->socket = SOAP_INVALID_SOCKET;
            return SOAP_OK;
        };
    }
    ~ScriptedExchange()
    {
        soap_destroy(&soap_);
        soap_end(&soap_);
        soap_done(&soap_);
    }
    ScriptedExchange(const ScriptedExchange &) = delete; // the context points back at us

    const std::string &sent() const { return sent_; }
    int call(ArrayOfstring *request, ns2__getVantorelInfoResponse *response)
    {
        return soap_call_ns2__getVantorelInfo(
            &soap_, "http://scripted.invalid/authws/services/AuthenticationService", NULL, request,
            response);
    }
    std::string faultReport()
    {
        char buffer[1024] = "";
        soap_sprint_fault(&soap_, buffer, sizeof buffer);
        return buffer;
    }

private:
    static ScriptedExchange *self(struct soap *soap) { return (ScriptedExchange *)soap->user; }

    struct soap soap_;
    std::string reply_;
    std::string sent_;
};

#endif
