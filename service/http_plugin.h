// HTTP transport plug-in: carries the runtime's HTTP POST as one platform internet request.
//
// Register once per context, right after soap_init:
//     soap_register_plugin_arg(&soap, http_plugin_register, 0);
// The argument is a set of extra platform request flags (uint32_t cast to a pointer).
#ifndef HTTP_PLUGIN_H
#define HTTP_PLUGIN_H

#include "http_platform.h"

#include <stdint.h>
#include <stdsoap2.h>

extern const char http_plugin_id[]; // "wininet-2.0"

struct http_plugin_state
{
    http_platform_handle internet_handle;
    http_platform_handle connection_handle;
    int32_t disconnected;
    uint32_t request_flags;
    char *send_buffer;       // the runtime's bytes (zero-copy) or our own heap block
    uint32_t message_length; // expected body length and capacity of our block
    uint32_t buffered_length;
    int32_t expect_chunk_size;
    int32_t message_sent; // the body went out; an empty send adds nothing to it
};

#define HTTP_PLUGIN_LENGTH_UNKNOWN 0xFFFFFFFFu

int http_plugin_register(struct soap *soap, struct soap_plugin *plugin, void *arg);

#endif
