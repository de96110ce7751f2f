// libcurl's failures with the Windows library's numbers, as docs/error-numbers.md lists them.
#include "curl_errors.h"

#include <gtest/gtest.h>

#include <openssl/x509_vfy.h>

#include <utility>
#include <vector>

TEST(CurlErrors, EachFailureCarriesTheWindowsLibrarysNumber)
{
    const std::pair<uint32_t, std::vector<CURLcode>> plain[] = {
        {12029, {CURLE_COULDNT_CONNECT}},
        {12007, {CURLE_COULDNT_RESOLVE_HOST, CURLE_COULDNT_RESOLVE_PROXY}},
        {12002, {CURLE_OPERATION_TIMEDOUT}},
        {12157,
         {CURLE_SSL_CONNECT_ERROR, CURLE_SSL_CERTPROBLEM, CURLE_SSL_CIPHER,
          CURLE_SSL_CACERT_BADFILE, CURLE_SSL_ENGINE_NOTFOUND, CURLE_SSL_ENGINE_SETFAILED}},
        {12152, {CURLE_GOT_NOTHING, CURLE_WEIRD_SERVER_REPLY}},
        {12030, {CURLE_SEND_ERROR}},
        {12031, {CURLE_RECV_ERROR, CURLE_PARTIAL_FILE}},
        {12006, {CURLE_UNSUPPORTED_PROTOCOL}},
        {12005, {CURLE_URL_MALFORMAT}},
        {8, {CURLE_OUT_OF_MEMORY}},
        {12004, {CURLE_WRITE_ERROR, CURLE_TOO_MANY_REDIRECTS}}};
    for (const auto &[number, codes] : plain)
        for (CURLcode code : codes)
            EXPECT_EQ(http_curl_error_number(code, X509_V_OK), number) << curl_easy_strerror(code);
    // A failed verification is told apart by the certificate's verification result.
    const std::pair<uint32_t, std::vector<long>> verified[] = {
        {12037, {X509_V_ERR_CERT_HAS_EXPIRED, X509_V_ERR_CERT_NOT_YET_VALID}},
        {12038,
         {X509_V_OK, X509_V_ERR_UNSPECIFIED, X509_V_ERR_HOSTNAME_MISMATCH,
          X509_V_ERR_IP_ADDRESS_MISMATCH}},
        {12045, {X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY, X509_V_ERR_CERT_UNTRUSTED}}};
    for (const auto &[number, results] : verified)
        for (long result : results)
            EXPECT_EQ(http_curl_error_number(CURLE_PEER_FAILED_VERIFICATION, result), number)
                << "verification result " << result;
}
