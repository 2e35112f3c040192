#include "SendStatus.h"

#include "base/Json.h"
#include "base/Settings.h"
#include "frames/LinkUrl.h"

#ifdef LUMETRA_HAVE_MQTT
#include "fleet/PasswordFile.h"
#include "fleet/SignDirectory.h"

#include <unistd.h>
#endif

#include <algorithm>
#include <string>
#include <vector>

namespace sendtool {
namespace {

#ifdef LUMETRA_HAVE_MQTT
// Retained messages come right after the subscription; this long without one, all came.
constexpr std::chrono::milliseconds Quiet{500};
constexpr std::chrono::milliseconds MostWait{5000};
constexpr std::size_t TextShown = 40;

std::size_t characters(const std::string& utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The rows in columns as wide as their widest cell; the last column as it is.
std::string table(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths.resize(std::max(widths.size(), row.size()));
            widths[i] = std::max(widths[i], characters(row[i]));
        }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size())
                line += std::string(widths[i] - characters(row[i]) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out += line + "\n";
    }
    return out;
}
#endif

} // namespace

int runStatus(const Options& o, const Console& c) {
    const LinkUrl url = *parseBrokerUrl(o.status);
    const auto failed = [&](const std::string& english, const std::string& shown) {
        std::fprintf(c.err, "lumetra-send: %s\n", shown.c_str());
        if (o.json)
            std::fprintf(c.out, "{\"outcome\":\"open-failed\",\"error\":%s}\n",
                         Json(english).dump().c_str());
        return ExitOpen;
    };
#ifndef LUMETRA_HAVE_MQTT
    (void)url;
    return failed("this build has no MQTT links", c.language == Language::Russian
                                                      ? "в этой сборке нет связи через MQTT"
                                                      : "this build has no MQTT links");
#else
    fleet::BrokerSettings settings;
    settings.host = url.host;
    settings.port = std::stoi(url.port);
    settings.tls = url.kind == LinkUrl::Kind::Mqtts;
    settings.user = url.user;
    settings.clientId = "lumetra-send-status-" + std::to_string(::getpid());
    settings.maxPayload = 1u << 20;
    const Settings stored;
    settings.caFile = stored.brokerCaFile();
    const std::string passwordFile =
        o.passwordFile.empty() ? stored.brokerPasswordFile() : o.passwordFile;
    std::string why;
    try {
        if (!url.user.empty() && !passwordFile.empty())
            settings.password = fleet::readPasswordFile(passwordFile);
        const auto signs = fleet::readSigns(settings, fleet::SignDirectory(url.prefix, url.sign),
                                            Quiet, MostWait, &why);
        if (!signs) {
            const std::string english =
                say(Language::English, Msg::Unreachable, {url.address(), why});
            return failed(english, say(c.language, Msg::Unreachable, {url.address(), why}));
        }
        if (o.json) {
            const nlohmann::json line = {{"outcome", "listed"},
                                         {"broker", url.address()},
                                         {"prefix", url.prefix},
                                         {"signs", fleet::signsJson(*signs)}};
            std::fprintf(c.out, "%s\n", fleet::dumpJson(line).c_str());
        } else if (signs->empty()) {
            std::fprintf(c.err, "lumetra-send: %s\n",
                         say(c.language, Msg::NoSigns, {url.prefix, url.address()}).c_str());
        } else {
            std::vector<std::vector<std::string>> rows;
            for (const fleet::SignEntry& e : *signs)
                rows.push_back(
                    {e.id, e.name,
                     std::string(text(e.online ? Msg::Online : Msg::Offline, c.language)),
                     e.state.result.empty() ? "-" : e.state.result,
                     e.state.uploadedAt.empty() ? "-" : e.state.uploadedAt,
                     fleet::textStart(e.state.text, TextShown)});
            std::fputs(table(rows).c_str(), c.out);
        }
        std::fflush(c.out);
        return ExitSent;
    } catch (const std::exception& e) {
        return failed(e.what(), e.what());
    }
#endif
}

} // namespace sendtool
