// libcurl's failures as the Windows internet library's error numbers, so that the fault
// report reads the same on both platforms (docs/error-numbers.md). A pure function.
#ifndef HTTP_CURL_ERRORS_H
#define HTTP_CURL_ERRORS_H

#include <curl/curl.h>
#include <stdint.h>

// The error number for a failed transfer's code. verify_result is the transfer's certificate
// verification result (CURLINFO_SSL_VERIFYRESULT), which tells the certificate problems of
// CURLE_PEER_FAILED_VERIFICATION apart. Any code without a match gives ERROR_INTERNAL_ERROR.
uint32_t http_curl_error_number(CURLcode code, long verify_result);

#endif
