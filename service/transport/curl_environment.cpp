// What the environment gives a libcurl transfer; the contract is in curl_environment.h.
#include "curl_environment.h"

#include <stdlib.h>

CURLcode http_curl_apply_environment(CURL *easy)
{
    CURLcode code = CURLE_OK;
    const char *ca_file = getenv("SSL_CERT_FILE");
    if (ca_file && *ca_file)
        code = curl_easy_setopt(easy, CURLOPT_CAINFO, ca_file);
    const char *ca_dir = getenv("SSL_CERT_DIR");
    if (code == CURLE_OK && ca_dir && *ca_dir)
        code = curl_easy_setopt(easy, CURLOPT_CAPATH, ca_dir);
    return code;
}
