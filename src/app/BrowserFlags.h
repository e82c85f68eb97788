// Chromium's command-line flags for the login browser, set before the browser starts.
#pragma once

#include <string>
#include <string_view>

namespace quorvel::app {

// `flags` with the host map's resolver rules appended, in quotes (Chromium splits its flags at
// blanks). Unchanged when the rules are empty.
std::string WithHostResolverRules(std::string_view flags, std::string_view rules);

// Appends the rules of QUORVEL_HOST_MAP to QTWEBENGINE_CHROMIUM_FLAGS.
void ApplyHostMapToBrowser();

} // namespace quorvel::app
