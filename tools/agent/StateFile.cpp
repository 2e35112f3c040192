#include "StateFile.h"

#include "base/AtomicFile.h"

#include <stdexcept>
#include <system_error>

namespace agent {
namespace {

using fleet::dumpJson;
using fleet::stateFromJson;
using fleet::toJson;
using nlohmann::json;

constexpr std::size_t MaxStateFileBytes = 1u << 20;

} // namespace

std::optional<StateFile> loadStateFile(const std::string& path) {
    if (fileKind(path) == FileKind::Missing)
        return std::nullopt;
    std::string text;
    try {
        text = readRegularFile(path, MaxStateFileBytes);
    } catch (const std::system_error& e) {
        throw std::runtime_error(path + ": " + e.code().message());
    }
    const json j = json::parse(text, nullptr, false);
    if (j.is_discarded() || !j.is_object() || !j.contains("state"))
        throw std::runtime_error(path + ": not a state file");
    StateFile file;
    file.state = stateFromJson(j["state"]);
    if (const auto it = j.find("resend_b64"); it != j.end() && it->is_string())
        file.resendB64 = it->get<std::string>();
    if (const auto it = j.find("program"); it != j.end() && it->is_string())
        file.program = it->get<std::string>();
    if (const auto it = j.find("vars"); it != j.end() && it->is_object())
        for (const auto& [name, value] : it->items())
            if (value.is_string())
                file.vars[name] = value.get<std::string>();
    return file;
}

void saveStateFile(const std::string& path, const StateFile& file) {
    json j = {{"state", toJson(file.state)}, {"resend_b64", file.resendB64}};
    if (!file.program.empty())
        j["program"] = file.program;
    if (!file.vars.empty())
        j["vars"] = file.vars;
    const std::string text = dumpJson(j) + "\n";
    replaceFileAtomically(path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

} // namespace agent
