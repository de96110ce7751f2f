// libcurl's failures as the Windows internet library's error numbers; the contract is in
// curl_errors.h.
#include "curl_errors.h"

#include "http_platform.h"

#include <openssl/x509_vfy.h>

uint32_t http_curl_error_number(CURLcode code, long verify_result)
{
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        return HTTP_PLATFORM_ERROR_UNRECOGNIZED_SCHEME;
    case CURLE_URL_MALFORMAT:
        return HTTP_PLATFORM_ERROR_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
        return HTTP_PLATFORM_ERROR_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
        return HTTP_PLATFORM_ERROR_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
        return HTTP_PLATFORM_ERROR_TIMEOUT;
    case CURLE_PEER_FAILED_VERIFICATION:
        if (verify_result == X509_V_ERR_CERT_HAS_EXPIRED ||
            verify_result == X509_V_ERR_CERT_NOT_YET_VALID)
            return HTTP_PLATFORM_ERROR_SEC_CERT_DATE_INVALID;
        // A trusted chain that still fails is the name check; curl's own check of the name
        // against the certificate leaves X509_V_ERR_UNSPECIFIED behind.
        if (verify_result == X509_V_OK || verify_result == X509_V_ERR_UNSPECIFIED ||
            verify_result == X509_V_ERR_HOSTNAME_MISMATCH ||
            verify_result == X509_V_ERR_IP_ADDRESS_MISMATCH)
            return HTTP_PLATFORM_ERROR_SEC_CERT_CN_INVALID;
        return HTTP_PLATFORM_ERROR_INVALID_CA;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
        return HTTP_PLATFORM_ERROR_SECURITY_CHANNEL_ERROR;
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
        return HTTP_PLATFORM_ERROR_INVALID_SERVER_RESPONSE;
    case CURLE_SEND_ERROR:
        return HTTP_PLATFORM_ERROR_CONNECTION_ABORTED;
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
        return HTTP_PLATFORM_ERROR_CONNECTION_RESET;
    case CURLE_OUT_OF_MEMORY:
        return HTTP_PLATFORM_ERROR_NOT_ENOUGH_MEMORY;
    default:
        return HTTP_PLATFORM_ERROR_INTERNAL_ERROR;
    }
}
