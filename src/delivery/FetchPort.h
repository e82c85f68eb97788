// The HTTP request operation as the delivery code takes it: tests and tools may hand in another.
#pragma once

#include "web/HttpFetch.h"

#include <functional>

namespace quorvel::delivery {

using Fetch = std::function<web::HttpFetchResult(const web::HttpFetchRequest&)>;

// web::HttpFetch itself.
Fetch DefaultFetch();

} // namespace quorvel::delivery
