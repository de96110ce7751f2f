// The bundled AuthenticationService: a stand-in for the remote service, for the demo and
// the tests. Serves one request at a time on a loopback port; https when given a
// certificate and its key.
//
//   authentication_service PORT [CERT_FILE KEY_FILE]
#include "soapH.h"

#include <openssl/ssl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

// A client that stalls must not block the next one for long.
const int kIoTimeoutSeconds = 10;

int UseCertificate(struct soap *soap, const char *certFile, const char *keyFile)
{
    if (soap_ssl_server_context(soap, SOAP_SSL_NO_AUTHENTICATION, NULL, NULL, NULL, NULL, NULL,
                                NULL, NULL) != SOAP_OK) {
        soap_print_fault(soap, stderr);
        return 0;
    }
    SSL_CTX *ctx = (SSL_CTX *)soap->ctx;
    if (SSL_CTX_use_certificate_chain_file(ctx, certFile) != 1 ||
        SSL_CTX_use_PrivateKey_file(ctx, keyFile, SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(ctx) != 1) {
        fprintf(stderr, "authentication_service: cannot use %s with %s\n", certFile, keyFile);
        return 0;
    }
    return 1;
}

void Serve(struct soap *soap, int tls)
{
    for (;;) {
        SOAP_SOCKET client = soap_accept(soap);
        if (!soap_valid_socket(client)) {
            soap_print_fault(soap, stderr);
            continue;
        }
        if (!tls || soap_ssl_accept(soap) == SOAP_OK)
            soap_serve(soap);
        soap_destroy(soap);
        soap_end(soap);
        soap_closesock(soap);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 4) {
        fprintf(stderr, "usage: %s PORT [CERT_FILE KEY_FILE]\n", argv[0]);
        return 2;
    }
    char *end = NULL;
    long port = strtol(argv[1], &end, 10);
    if (*end != '\0' || port <= 0 || port > 65535) {
        fprintf(stderr, "authentication_service: bad port %s\n", argv[1]);
        return 2;
    }
    // A client that hangs up mid-reply must not end the service.
    signal(SIGPIPE, SIG_IGN);

    struct soap soap;
    soap_init(&soap);
    soap.bind_flags = SO_REUSEADDR;
    soap.send_timeout = kIoTimeoutSeconds;
    soap.recv_timeout = kIoTimeoutSeconds;
    int tls = argc == 4;
    int status = 1;
    if (tls && !UseCertificate(&soap, argv[2], argv[3])) {
        // reported
    } else if (!soap_valid_socket(soap_bind(&soap, "127.0.0.1", (int)port, 16))) {
        soap_print_fault(&soap, stderr);
    } else {
        printf("AuthenticationService listening on %s://127.0.0.1:%ld\n", tls ? "https" : "http",
               port);
        fflush(stdout);
        Serve(&soap, tls);
        status = 0;
    }
    soap_destroy(&soap);
    soap_end(&soap);
    soap_done(&soap);
    return status;
}
