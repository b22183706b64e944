#pragma once
// JSON for the --json outputs: strings quoted and escaped; the caller lays out the rest.
#include <string>
#include <string_view>

namespace ctl {

std::string JsonString(std::string_view utf8);

}  // namespace ctl
