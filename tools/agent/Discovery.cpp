#include "Discovery.h"

#include <cctype>

namespace agent {
namespace {

using nlohmann::json;

// Home Assistant's own limit for the state of an entity and for a text entity's value.
constexpr int HomeAssistantLongest = 255;

} // namespace

SignTopics signTopics(const std::string& prefix, const std::string& id, const std::string& name,
                      const std::string& version) {
    SignTopics t{prefix + "/" + id, prefix + "_" + id, name, version};
    for (char& c : t.node)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_')
            c = '_';
    return t;
}

std::vector<DiscoveryMessage> discoveryMessages(const std::string& discoveryPrefix,
                                                const SignTopics& sign) {
    const std::string state = sign.base + "/state";
    const std::string firstChars =
        "{{ value_json.text[:" + std::to_string(HomeAssistantLongest) + "] }}";
    const auto entity = [&](const char* component, const char* object, const char* name,
                            json fields) {
        json config = {
            {"name", name},
            {"unique_id", sign.node + "_" + object},
            {"availability_topic", sign.base + "/availability"},
            {"payload_available", "online"},
            {"payload_not_available", "offline"},
            {"device",
             {{"identifiers", {sign.node}},
              {"name", sign.name},
              {"manufacturer", "Lumetra"},
              {"model", "Running-line LED sign"},
              {"sw_version", sign.version}}},
            {"origin", {{"name", "lumetra-agent"}, {"sw_version", sign.version}}},
        };
        config.update(fields);
        return DiscoveryMessage{discoveryPrefix + "/" + component + "/" + sign.node + "/" + object +
                                    "/config",
                                std::move(config)};
    };
    return {
        entity("text", "message", "Сообщение",
               {{"command_topic", sign.base + "/cmd/text"},
                {"command_template", "{{ {'text': value} | to_json }}"},
                {"state_topic", state},
                {"value_template", firstChars},
                {"min", 0},
                {"max", HomeAssistantLongest},
                {"mode", "text"},
                {"qos", 1}}),
        entity("button", "resend", "Отправить снова",
               {{"command_topic", sign.base + "/cmd/resend"}, {"payload_press", "{}"}, {"qos", 1}}),
        entity("sensor", "progress", "Ход передачи",
               {{"state_topic", sign.base + "/upload/progress"},
                {"value_template", "{{ (100 * value_json.sent / value_json.total) | round(0) "
                                   "if value_json.total else 0 }}"},
                {"unit_of_measurement", "%"},
                {"icon", "mdi:progress-upload"}}),
        entity("sensor", "uploaded_at", "Последняя передача",
               {{"state_topic", state},
                {"device_class", "timestamp"},
                {"value_template",
                 "{{ value_json.uploaded_at if value_json.uploaded_at else None }}"}}),
        entity("binary_sensor", "problem", "Ошибка передачи",
               {{"state_topic", sign.base + "/upload/result"},
                {"device_class", "problem"},
                {"value_template", "{{ 'ON' if value_json.outcome in ['open-failed', "
                                   "'write-failed', 'timed-out'] else 'OFF' }}"},
                {"payload_on", "ON"},
                {"payload_off", "OFF"}}),
        entity(
            "sensor", "text", "Текст на табло",
            {{"state_topic", state}, {"value_template", firstChars}, {"icon", "mdi:message-text"}}),
    };
}

} // namespace agent
