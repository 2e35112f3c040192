#include "Commands.h"

#include "base/Cp1251.h"
#include "editor/MessageEncoding.h"
#include "editor/MessageFile.h"
#include "fleet/Digest.h"

namespace agent {
namespace {

using fleet::fromBase64;
using nlohmann::json;

constexpr std::size_t LongestJob = 200;

std::span<const std::uint8_t> bytesOf(std::string_view s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

class Reader {
public:
    Reader(Command& c, std::size_t maxLength) : m_c(c), m_maxLength(maxLength) {}

    void read(std::string_view payload) {
        switch (m_c.verb) {
        case Verb::Text:
            return text(payload);
        case Verb::Frame:
            return frame(payload);
        case Verb::Font:
            return font(payload);
        case Verb::Program:
            return;
        case Verb::Resend:
        case Verb::Cancel:
            if (payload.starts_with('{'))
                object(payload);
            return;
        case Verb::Unknown:
            refuse("bad-input", "unknown command \"" + m_c.name +
                                    "\" (text, frame, font, resend, cancel, program)");
        }
    }

private:
    bool refuse(std::string outcome, std::string error) {
        m_c.outcome = std::move(outcome);
        m_c.error = std::move(error);
        return false;
    }

    // The JSON object with its job; false when refused.
    bool object(std::string_view payload) {
        m_json = json::parse(payload, nullptr, false);
        if (m_json.is_discarded())
            return refuse("bad-input", "not valid JSON");
        if (!m_json.is_object())
            return refuse("bad-input", "the JSON is not an object");
        if (const auto it = m_json.find("job"); it != m_json.end()) {
            const bool number = it->is_number_integer() || it->is_number_unsigned();
            if (!number &&
                !(it->is_string() && it->get_ref<const std::string&>().size() <= LongestJob))
                return refuse("bad-input", "\"job\" is a whole number or a string of at most " +
                                               std::to_string(LongestJob) + " bytes");
            m_c.job = *it;
        }
        return true;
    }

    // The base64 member of the JSON object.
    std::optional<Bytes> base64(std::string_view payload) {
        if (!object(payload))
            return std::nullopt;
        const auto it = m_json.find("base64");
        if (it == m_json.end() || !it->is_string()) {
            refuse("bad-input", "no \"base64\" string in the JSON");
            return std::nullopt;
        }
        auto bytes = fromBase64(it->get_ref<const std::string&>());
        if (!bytes)
            refuse("bad-input", "\"base64\" is not base64");
        return bytes;
    }

    void text(std::string_view payload) {
        std::string utf8;
        if (payload.starts_with('{')) {
            if (!object(payload))
                return;
            const auto it = m_json.find("text");
            if (it == m_json.end() || !it->is_string()) {
                refuse("bad-input", "no \"text\" string in the JSON");
                return;
            }
            utf8 = it->get<std::string>();
        } else {
            if (payload.starts_with("\xEF\xBB\xBF"))
                payload.remove_prefix(3);
            if (!cp1251::decodeUtf8(payload)) {
                refuse("bad-input", "the text is not UTF-8");
                return;
            }
            utf8 = payload;
        }
        const DecodedMessage decoded = decodeMessage(utf8, MessageEncoding::Utf8);
        const std::string cp1251 = messagefile::withCrLfBreaks(decoded.cp1251);
        m_c.replaced = decoded.replaced;
        if (!withinLength(cp1251.size()))
            return;
        std::optional<Bytes> built = buildTextFrame(bytesOf(cp1251));
        if (!built) {
            refuse("too-long",
                   "the frame would be over " + std::to_string(LargestFrame) + " bytes");
            return;
        }
        m_c.frame = std::move(*built);
        m_c.content = std::get<FrameContent>(readFrame(m_c.frame));
    }

    bool withinLength(std::size_t length) {
        if (length <= m_maxLength)
            return true;
        return refuse("too-long", "the text is " + std::to_string(length) +
                                      " characters; this sign takes at most " +
                                      std::to_string(m_maxLength));
    }

    void frame(std::string_view payload) {
        Bytes bytes;
        if (payload.starts_with('{')) {
            auto decoded = base64(payload);
            if (!decoded)
                return;
            bytes = std::move(*decoded);
        } else {
            bytes.assign(payload.begin(), payload.end());
        }
        if (bytes.size() > LargestFrame) {
            refuse("too-long", "the frame is " + std::to_string(bytes.size()) + " bytes; at most " +
                                   std::to_string(LargestFrame));
            return;
        }
        auto read = readFrame(bytes);
        if (const auto* why = std::get_if<std::string>(&read)) {
            refuse("bad-input", "the frame does not decode: " + *why);
            return;
        }
        m_c.content = std::get<FrameContent>(std::move(read));
        if (!m_c.content.font && !withinLength(m_c.content.payload.size()))
            return;
        m_c.frame = std::move(bytes);
    }

    void font(std::string_view payload) {
        Bytes table;
        if (payload.size() != FontTableBytes && payload.starts_with('{')) {
            auto decoded = base64(payload);
            if (!decoded)
                return;
            table = std::move(*decoded);
        } else {
            table.assign(payload.begin(), payload.end());
        }
        if (table.size() != FontTableBytes) {
            refuse("bad-input", "a font is " + std::to_string(FontTableBytes) + " bytes, not " +
                                    std::to_string(table.size()));
            return;
        }
        m_c.frame = buildFontFrame(std::span<const std::uint8_t, FontTableBytes>(table));
        m_c.content = std::get<FrameContent>(readFrame(m_c.frame));
    }

    Command& m_c;
    std::size_t m_maxLength;
    json m_json;
};

Verb verbOf(std::string_view name) {
    if (name == "text")
        return Verb::Text;
    if (name == "frame")
        return Verb::Frame;
    if (name == "font")
        return Verb::Font;
    if (name == "resend")
        return Verb::Resend;
    if (name == "cancel")
        return Verb::Cancel;
    if (name == "program")
        return Verb::Program;
    return Verb::Unknown;
}

} // namespace

Command oversizeCommand(std::string_view name, std::size_t size) {
    Command c;
    c.name = name;
    c.verb = verbOf(name);
    c.outcome = "bad-input";
    c.error =
        "the message is " + std::to_string(size) + " bytes; at most " + std::to_string(MaxPayload);
    return c;
}

Command parseCommand(std::string_view name, std::string_view payload, std::size_t maxLength) {
    if (payload.size() > MaxPayload)
        return oversizeCommand(name, payload.size());
    Command c;
    c.name = name;
    c.verb = verbOf(name);
    Reader(c, maxLength).read(payload);
    if (c.refused()) {
        c.frame.clear();
        c.content = {};
    }
    return c;
}

} // namespace agent
