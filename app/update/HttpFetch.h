#pragma once

#include "update/VersionDocument.h"

#include <chrono>
#include <cstddef>
#include <stop_token>
#include <string>

// Fetching one small document over HTTP or HTTPS with libcurl.

// libcurl's process-wide set-up (curl_global_init), done once per process, the first time this is
// called; true when it succeeded. CVersionUpdate calls it from its constructor, on the thread that
// creates the checker and before any of its workers exists, and FetchDocument calls it too. The
// set-up is never undone: it lives until the process exits, so that no thread can ever fetch while
// it is torn down. Call it early in main when anything else in the process uses libcurl.
[[nodiscard]] bool InitHttpClient();

struct FetchRequest {
    std::string Url;
    std::string Agent;
    // At most this many bytes are read; the transfer stops once they have arrived.
    std::size_t MaxBytes = VERSION_DOCUMENT_BYTES;
    std::chrono::milliseconds ConnectTimeout { 10000 };
    // The whole fetch, redirects included.
    std::chrono::milliseconds TotalTimeout { 20000 };
    long MaxRedirects = 5;
};

enum FetchStatus {
    FETCH_OK,
    // Network or HTTP failure (including an HTTP error status), or nothing was read.
    FETCH_FAILED,
    // Stopped through the stop token.
    FETCH_CANCELLED,
};

struct FetchResult {
    FetchStatus Status = FETCH_FAILED;
    // Exactly the bytes read: the document, or its first MaxBytes bytes. Empty unless FETCH_OK.
    std::string Bytes;
    // The final HTTP status; 0 when no response arrived.
    long HttpCode = 0;
    // What went wrong, for logs and tests; empty on success.
    std::string Error;
};

// Fetches the document at the URL, blocking the calling thread until it is read, has failed, or the
// stop token is triggered; a stop from another thread ends the fetch within milliseconds, even
// while a server is silent in the middle of a transfer. Only http and https are used, redirects
// included; HTTPS certificates are verified against the system's trusted authorities. No proxy is
// used. A response with no bytes, or with a status outside 200-299, is a failure.
[[nodiscard]] FetchResult FetchDocument(const FetchRequest& request, std::stop_token stop);
