// PRELOGIN answer: version of the product played, and "encryption not supported"
// so that clients never start TLS.
#pragma once

#include <cstdint>
#include <vector>

namespace testserver::tds {

std::vector<uint8_t> BuildPreloginReply();

}  // namespace testserver::tds
