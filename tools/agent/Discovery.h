#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace agent {

// Where a sign's topics are and what Home Assistant calls it.
struct SignTopics {
    std::string base; // "<Prefix>/<sign>"
    std::string node; // the discovery node id, from the prefix and the sign's id
    std::string name; // the device's name
    std::string version;
};

SignTopics signTopics(const std::string& prefix, const std::string& id, const std::string& name,
                      const std::string& version);

struct DiscoveryMessage {
    std::string topic; // "<discovery>/<component>/<node>/<object>/config", retained
    nlohmann::json config;
};

// One device per sign: the text to send, a button to send it again, the upload's progress,
// the time of the last upload, a transfer problem and the text on the sign.
std::vector<DiscoveryMessage> discoveryMessages(const std::string& discoveryPrefix,
                                                const SignTopics& sign);

} // namespace agent
