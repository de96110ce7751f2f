#include "tuning_flow.h"

#include "hex_text.h"
#include "http_plugin.h"
#include "memory_probe.h"
#include "profile_line.h"
#include "soapH.h"

#include <stdio.h>
#include <stdlib.h>

enum { kRequestItems = 5, kProfileEntries = 17 };

// Without these the runtime waits forever on a server that accepts and never answers.
enum { kConnectTimeoutSeconds = 30, kIoTimeoutSeconds = 30 };

// A real profile is 17 entries of 2 items in about 2 KB (under 8 KB with every item sent
// by reference). The runtime's defaults, 2 GB and 100,000 items an array, let a server keep
// the tool busy: resolving references costs time in the square of their number, and 1 MiB
// of forward references took seconds of CPU. These limits leave a wide margin for a real
// reply and keep the worst one under a tenth of a second.
// (The fuzz target builds with a tiny item limit, so that short inputs cross it.)
#ifndef GETVANTOREL_MAX_ARRAY_ITEMS
#define GETVANTOREL_MAX_ARRAY_ITEMS 1000
#endif
enum { kMaxReplyBytes = 64 << 10, kMaxArrayItems = GETVANTOREL_MAX_ARRAY_ITEMS };

static char kSoapEncArray[] = "SOAP-ENC:Array";

// Exactly 17 entries, each with a name and a value: anything else is not a profile, and
// nothing beyond what the reply holds may be read.
static int IsProfile(const struct ArrayOfArrayOfstring *reply)
{
    if (reply == NULL || reply->__ptr == NULL || reply->__size != kProfileEntries)
        return 0;
    for (int i = 0; i < kProfileEntries; ++i) {
        if (reply->__ptr[i].__ptr == NULL || reply->__ptr[i].__size < 2)
            return 0;
    }
    return 1;
}

static void PrintProfile(const struct ArrayOfArrayOfstring *reply)
{
    for (int i = 0; i < kProfileEntries; ++i) {
        char **items = reply->__ptr[i].__ptr;
        // Value first: its codec message, if any, comes before the name's.
        char *value = HexStrToStr(items[1]);
        char *name = HexStrToStr(items[0]);
        WriteProfileLine(stdout, name, value);
        free(name);
        free(value);
    }
}

int RunGetVantorel(const char *arg1, const char *arg2, const char *arg3)
{
    char *hexArg1 = StrToHexStr(arg1);
    char *hexArg2 = StrToHexStr(arg2);
    char *hexArg3 = StrToHexStr(arg3);
    char *memGB = GetTotalPhysMemGB();
    char *memMB = GetTotalPhysMemMB();
    char *hexGB = StrToHexStr(memGB);
    char *hexMB = StrToHexStr(memMB);

    char *items[kRequestItems] = {hexArg1, hexArg2, hexMB, hexGB, hexArg3};
    struct ArrayOfstring request;
    request.__ptr = items;
    request.__size = kRequestItems;
    request.xsi__type = kSoapEncArray;

    struct soap soap;
    soap_init(&soap);
    // Limits first: the transport plug-in takes its own from the context when registered.
    soap.connect_timeout = kConnectTimeoutSeconds;
    soap.send_timeout = kIoTimeoutSeconds;
    soap.recv_timeout = kIoTimeoutSeconds;
    soap.recv_maxlength = kMaxReplyBytes;
    soap.maxoccurs = kMaxArrayItems;
    // Without the plug-in (registration failed) the runtime's own transport carries the call.
    soap_register_plugin_arg(&soap, http_plugin_register, 0);

    struct ns2__getVantorelInfoResponse response;
    response._getVantorelInfoReturn = NULL;
    if (soap_call_ns2__getVantorelInfo(&soap, NULL, NULL, &request, &response) != SOAP_OK)
        soap_print_fault(&soap, stderr);
    else if (!IsProfile(response._getVantorelInfoReturn))
        fputs("Error, invalid arguments recieved", stdout);
    else
        PrintProfile(response._getVantorelInfoReturn);

    free(memGB);
    free(memMB);
    free(hexArg1);
    free(hexArg2);
    free(hexArg3);
    free(hexGB);
    free(hexMB);
    soap_destroy(&soap);
    soap_end(&soap);
    soap_done(&soap);
    return 0;
}
