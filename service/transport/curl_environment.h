// What the environment gives a libcurl transfer, in place of the Windows machine settings:
// - proxies: libcurl reads http_proxy (lower case only, as a CGI server may set HTTP_PROXY
//   from a request header), https_proxy, all_proxy and no_proxy itself for every transfer
//   that names no proxy, so none is named here;
// - trust: the system CA store, or SSL_CERT_FILE / SSL_CERT_DIR when they are set and not
//   empty.
#ifndef HTTP_CURL_ENVIRONMENT_H
#define HTTP_CURL_ENVIRONMENT_H

#include <curl/curl.h>

// Sets the environment's options on a transfer. Returns CURLE_OK, or the code of the first
// option that could not be set (for want of memory to copy its text).
CURLcode http_curl_apply_environment(CURL *easy);

#endif
