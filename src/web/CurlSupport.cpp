#include "web/CurlSupport.h"

#include <mutex>

namespace quorvel::web::detail {

void EnsureCurlReady() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool AppendLine(Slist& list, const char* line) {
    curl_slist* grown = curl_slist_append(list.get(), line);
    if (grown == nullptr) {
        return false;
    }
    static_cast<void>(list.release());
    list.reset(grown);
    return true;
}

} // namespace quorvel::web::detail
