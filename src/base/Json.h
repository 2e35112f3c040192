#pragma once

#include <nlohmann/json.hpp>

#include <string>

// JSON as the programs write it: keys stay in the order they are put in, as the documented
// lines show them.
using Json = nlohmann::ordered_json;

// One line of compact JSON, UTF-8 as it is. Bytes that are not UTF-8 (a device path, a system's
// message in another code page) become U+FFFD rather than failing the whole line.
inline std::string dumpJson(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}
