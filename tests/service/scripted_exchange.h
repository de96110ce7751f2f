// A SOAP context whose transport is a pair of strings: what the binding sends is kept,
// and a scripted HTTP reply is what it reads. Lets the tests see the exact wire format.
#ifndef TESTS_SERVICE_SCRIPTED_EXCHANGE_H
#define TESTS_SERVICE_SCRIPTED_EXCHANGE_H

#include "soapH.h"

#include <string>

class ScriptedExchange
{
public:
    explicit ScriptedExchange(std::string replyBody = std::string());
    ~ScriptedExchange();
    ScriptedExchange(const ScriptedExchange &) = delete;
    ScriptedExchange &operator=(const ScriptedExchange &) = delete;

    struct soap *soap() { return &soap_; }
    const std::string &sent() const { return sent_; }
    // Calls getVantorelInfo with request (may be null); the result of the call.
    int Call(ArrayOfstring *request, ns2__getVantorelInfoResponse *response);
    // The runtime's fault report, as getVantorel would print it.
    std::string FaultReport();

private:
    static SOAP_SOCKET Open(struct soap *soap, const char *endpoint, const char *host, int port);
    static int Send(struct soap *soap, const char *bytes, size_t length);
    static size_t Receive(struct soap *soap, char *buffer, size_t capacity);
    static int Close(struct soap *soap);

    struct soap soap_;
    std::string reply_;
    size_t replyOffset_ = 0;
    std::string sent_;
};

// Body of a getVantorelInfo reply whose response element holds returnXml, with the
// envelope prefixes given (the service may use its own).
std::string ReplyEnvelope(const std::string &returnXml, const std::string &afterResponse = "",
                          const std::string &env = "SOAP-ENV", const std::string &ns = "ns2");

// Inner XML of an entry array of n entries, each (name_i, value_i) in HexText.
std::string Entries(int n);

#endif
