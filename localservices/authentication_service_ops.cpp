// Operations of the bundled AuthenticationService.
#include "hex_text.h"
#include "sample_profile.h"
#include "soapH.h"

#include <stdlib.h>
#include <string>

namespace {

char kSoapEncArray[] = "SOAP-ENC:Array";

// Request items, in the order getVantorel sends them.
enum { kProductItem, kInstallTypeItem, kMemoryMiBItem, kMemoryGiBItem, kWorkloadItem, kItems };

// Decoded request item, or "" when it is missing or not HexText.
std::string DecodedItem(const ArrayOfstring *params, int index)
{
    if (params == NULL || params->__ptr == NULL || index >= params->__size ||
        params->__ptr[index] == NULL)
        return std::string();
    char *text = HexStrToStr(params->__ptr[index]);
    std::string result = text ? text : "";
    free(text);
    return result;
}

// Memory in MiB from the MiB text, else from the GiB text; -1 when neither is a number.
long long MemoryMiB(const ArrayOfstring *params)
{
    std::string mib = DecodedItem(params, kMemoryMiBItem);
    char *end = NULL;
    long long value = strtoll(mib.c_str(), &end, 10);
    if (!mib.empty() && *end == '\0' && value > 0)
        return value;
    std::string gib = DecodedItem(params, kMemoryGiBItem);
    double gibValue = strtod(gib.c_str(), &end);
    if (!gib.empty() && *end == '\0' && gibValue > 0 && gibValue < 1e9)
        return (long long)(gibValue * 1024);
    return -1;
}

char *HexCopy(struct soap *soap, const std::string &text)
{
    char *hex = StrToHexStr(text.c_str());
    char *copy = hex ? soap_strdup(soap, hex) : NULL;
    free(hex);
    return copy;
}

} // namespace

int ns2__getVantorelInfo(struct soap *soap, struct ArrayOfstring *params,
                         struct ns2__getVantorelInfoResponse *response)
{
    long long memory = MemoryMiB(params);
    if (memory < 0)
        return soap_sender_fault(soap, "Invalid memory figure", "No usable MiB or GiB item");

    std::vector<ProfileSetting> profile = MakeSampleProfile(
        memory, DecodedItem(params, kInstallTypeItem), DecodedItem(params, kWorkloadItem));

    ArrayOfArrayOfstring *reply = soap_new_ArrayOfArrayOfstring(soap);
    reply->__size = (int)profile.size();
    reply->__ptr = soap_new_ArrayOfstring(soap, reply->__size);
    for (int i = 0; i < reply->__size; ++i) {
        ArrayOfstring &entry = reply->__ptr[i];
        entry.__size = 2;
        entry.__ptr = (char **)soap_malloc(soap, 2 * sizeof(char *));
        entry.__ptr[0] = HexCopy(soap, profile[i].first);
        entry.__ptr[1] = HexCopy(soap, profile[i].second);
        entry.xsi__type = kSoapEncArray;
    }
    response->_getVantorelInfoReturn = reply;
    return SOAP_OK;
}

int ns2__testWebService(struct soap *soap, char **testWebServiceReturn)
{
    *testWebServiceReturn = soap_strdup(soap, "AuthenticationService is running");
    return SOAP_OK;
}

int ns2__isConnected(struct soap *soap, char *gu, struct ns2__isConnectedResponse *response)
{
    response->_isConnectedReturn =
        (enum xsd__boolean *)soap_malloc(soap, sizeof(enum xsd__boolean));
    *response->_isConnectedReturn = (gu != NULL && *gu != '\0') ? true_ : false_;
    return SOAP_OK;
}
