// Internal to quorvel_web: libcurl start-up and owning handles.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace quorvel::web::detail {

// curl_global_init exactly once per process; libcurl is never cleaned up, because a delivery
// worker may still be inside a transfer while the process exits.
void EnsureCurlReady();

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct MultiDeleter {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

// Appends one line; false when libcurl could not allocate (the list is left as it was).
bool AppendLine(Slist& list, const char* line);

} // namespace quorvel::web::detail
