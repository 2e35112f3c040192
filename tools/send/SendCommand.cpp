#include "SendCommand.h"

#include "Platform.h"
#include "SendInput.h"
#include "SendReport.h"
#include "base/Json.h"
#include "base/Settings.h"
#include "editor/LengthMonitor.h"
#include "editor/MessageFile.h"
#include "frames/Frames.h"
#include "sign/Effects.h"
#include "upload/BrokerAccess.h"
#include "upload/SerialLink.h"
#include "upload/Upload.h"
#include "upload/UploadSession.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>
#include <thread>

namespace sendtool {
namespace {

using Outcome = UploadResult::Outcome;

// A font file may be longer (the window reads the first 2048 bytes); nothing sensible is huge.
constexpr std::size_t MaxFontBytes = 1024 * 1024;
constexpr auto InterruptPoll = std::chrono::milliseconds(20);

std::string number(std::size_t n) {
    return std::to_string(n);
}

std::span<const std::uint8_t> asBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

class Command {
public:
    Command(const Options& options, const Console& console)
        : m_o(options), m_c(console),
          m_inputName(options.input == "-" ? std::string(text(Msg::StandardInput, console.language))
                                           : options.input) {}

    int run() {
        if (m_o.dump && *m_o.dump != "-" && isInputFile(m_o.input, *m_o.dump)) {
            fail(Msg::DumpIsInput, {*m_o.dump});
            return finish(ExitUsage, outcome("same-file"));
        }
        const std::size_t max = m_o.font ? MaxFontBytes : messagefile::MaxBytes;
        const InputBytes input = readInput(m_o.input, m_c.in, max);
        if (input.error != 0) {
            failWith(Msg::CannotRead, m_inputName, {input.error, std::generic_category()});
            return finish(ExitUsage, outcome("unreadable"));
        }
        if (m_o.font) {
            if (input.bytes.size() < FontTableSize) {
                fail(Msg::FontTooShort, {m_inputName, number(input.bytes.size())});
                return finish(ExitUsage, outcome("unreadable"));
            }
            std::array<std::uint8_t, FontTableSize> table{};
            std::copy_n(input.bytes.begin(), FontTableSize, table.begin());
            m_frame.BuildFontFrame(table);
            return deliver();
        }

        const MessageBytes message = messageBytes(input.bytes, m_o.encoding);
        if (message.replaced > 0)
            tell(Msg::Replaced, {m_inputName, number(message.replaced)});
        if (m_o.check)
            return check(message.cp1251);
        const std::size_t size = textFrameSize(asBytes(message.cp1251));
        if (overLengthLimit(message.cp1251.size()))
            return finish(ExitTooLong, outcome("too-long", size));
        if (!m_frame.BuildTextFrame(asBytes(message.cp1251))) {
            fail(Msg::TooLong, {number(size), number(TxBufferSize)});
            return finish(ExitTooLong, outcome("too-long", size));
        }
        return deliver();
    }

private:
    static JsonResult outcome(std::string_view name, std::size_t total = 0, std::size_t done = 0) {
        JsonResult result;
        result.outcome = name;
        result.bytes = total;
        result.sent = done;
        return result;
    }

    void tell(Msg id, std::initializer_list<std::string_view> args) const {
        std::fprintf(m_c.err, "lumetra-send: %s\n", say(m_c.language, id, args).c_str());
        std::fflush(m_c.err);
    }

    // A failure without a system's reason: told in the user's language, kept in English for
    // --json.
    void fail(Msg id, std::initializer_list<std::string_view> args) {
        m_error = say(Language::English, id, args);
        tell(id, args);
    }

    ReasonLanguage reasonLanguage() const {
        return m_c.language == Language::Russian ? ReasonLanguage::Russian
                                                 : ReasonLanguage::English;
    }

    // A file's failure with the system's reason, told the same way.
    void failWith(Msg id, std::string_view name, const std::error_code& code) {
        m_error = errorReason(code, ReasonLanguage::English);
        tell(id, {name, errorReason(code, reasonLanguage())});
    }

    // What became of the upload, told in the user's language; m_error keeps its reason in
    // English for --json.
    void tellUpload(const UploadResult& result, const SerialLink::Failure& reason) {
        m_error = reason.reason;
        std::fprintf(m_c.err, "lumetra-send: %s\n", uploadText(result, m_c.language).c_str());
        std::fflush(m_c.err);
    }

    int finish(int code, JsonResult result) const {
        if (m_o.json) {
            result.error = m_error;
            std::fprintf(m_c.out, "%s\n", jsonLine(result).c_str());
            std::fflush(m_c.out);
        }
        return code;
    }

    // Every code the sign reads otherwise than it is written, with what the sign does there.
    int check(const std::string& cp1251) {
        using Surprise = sign::CodeReading::Surprise;
        const std::span<const std::uint8_t> bytes = asBytes(cp1251);
        Json surprises = Json::array();
        std::size_t line = 1, lineStart = 0, scanned = 0;
        for (const sign::CodeReading& code : sign::readCodes(bytes)) {
            for (; scanned < code.at; ++scanned) {
                const char c = cp1251[scanned];
                if (c == '\n' ||
                    (c == '\r' && (scanned + 1 == cp1251.size() || cp1251[scanned + 1] != '\n'))) {
                    ++line;
                    lineStart = scanned + 1;
                }
            }
            if (code.surprise == Surprise::None)
                continue;
            static constexpr Msg Ids[] = {Msg::NoLetter, Msg::NoLetter, Msg::UnknownLetter,
                                          Msg::NoDigit,  Msg::LineEnd,  Msg::DigitNotTaken};
            const std::string written =
                toUtf8(cp1251.substr(code.at, sign::writtenLength(bytes, code)));
            const std::string does = sign::effectDoes(code, m_c.language);
            const std::string letter(1, code.letter);
            const std::string column = number(code.at - lineStart + 1);
            const sign::EffectType* type = sign::effectType(code.letter);
            const std::string digits =
                type ? sign::digitsTaken(*type, m_c.language) : std::string();
            std::string said =
                say(m_c.language, Ids[static_cast<int>(code.surprise)],
                    {m_inputName, number(line), column, written, does, letter, digits});
            if (code.loneSlash())
                said += ". " + std::string(sign::slashNote(m_c.language));
            std::fprintf(m_o.json ? m_c.err : m_c.out, "%s\n", said.c_str());
            surprises.push_back({{"at", code.at},
                                 {"line", line},
                                 {"column", code.at - lineStart + 1},
                                 {"written", written},
                                 {"code", code.code()},
                                 {"does", sign::effectDoes(code, Language::English)}});
        }
        if (m_o.json) {
            const Json checked = {{"outcome", "checked"},
                                  {"bytes", cp1251.size()},
                                  {"effects", sign::effectsJson(bytes)},
                                  {"surprises", surprises}};
            std::fprintf(m_c.out, "%s\n", dumpJson(checked).c_str());
        }
        std::fflush(m_c.out);
        std::fflush(m_c.err);
        return surprises.empty() ? ExitSent : ExitMisread;
    }

    // The limit the window holds texts to (chosen in its "Опции" menu, read from the same
    // settings), or --max-length; told when the text is over it.
    bool overLengthLimit(std::size_t length) {
        if (m_o.maxLength) {
            if (length <= *m_o.maxLength)
                return false;
            fail(Msg::OverMaxLength, {number(length), number(*m_o.maxLength)});
            return true;
        }
        const bool longLimit = Settings().longMaxLength();
        const auto reading = lengthmonitor::read(static_cast<std::int64_t>(length), longLimit);
        if (reading.withinLimit)
            return false;
        fail(Msg::OverLimit,
             {number(length), number(static_cast<std::size_t>(lengthmonitor::limitFor(longLimit))),
              number(static_cast<std::size_t>(reading.shown))});
        return true;
    }

    // The frame goes to --dump or --hex, or to the port.
    int deliver() {
        if (m_o.dump || m_o.hex)
            return dump();
        return upload(portDevice());
    }

    int dump() {
        const std::string target = m_o.dump.value_or("-");
        const std::span<const std::uint8_t> frame = m_frame.frame();
        const std::string hex = m_o.hex ? hexDump(frame) : std::string();
        const std::span<const std::uint8_t> bytes = m_o.hex ? asBytes(hex) : frame;
        std::error_code failed;
        if (target != "-") {
            failed = writeOutput(target, bytes);
        } else {
            errno = 0;
            if (std::fwrite(bytes.data(), 1, bytes.size(), m_c.out) != bytes.size() ||
                std::fflush(m_c.out) != 0)
                failed = {errno ? errno : EIO, std::generic_category()};
        }
        if (failed) {
            failWith(Msg::CannotWrite, target, failed);
            return finish(ExitWrite, outcome("write-failed", frame.size()));
        }
        return finish(ExitSent, outcome("dumped", frame.size(), frame.size()));
    }

    // --device, else port n (--port, else the one checked in the window) as the window maps it.
    std::string portDevice() const {
        if (!m_o.device.empty())
            return m_o.device;
        const Settings settings;
        int port = m_o.port != 0 ? m_o.port : settings.activePort();
        // An entry the window does not recognise leaves its first port checked.
        if (port == 0)
            port = 1;
        return settings.portDevice(port);
    }

    int upload(const std::string& device) {
        m_c.catchInterrupts();
        // A broker's sign takes its password from --password-file or the settings' file.
        const Settings settings;
        auto broker = std::make_shared<BrokerAccess>();
        broker->setFiles(m_o.passwordFile.empty() ? settings.brokerPasswordFile()
                                                  : m_o.passwordFile,
                         settings.brokerCaFile());
        const std::unique_ptr<SerialLink> link = makeSystemSerialLink(broker);
        UploadSession session(*link, Upload::Options{});
        const std::size_t total = m_frame.frame().size();
        UploadSession::OpenReports reports;
        reports.openFailed = [&](const UploadResult& r) { tellUpload(r, r.failure); };
        reports.configureRefused = [&](const UploadResult& r) { tellUpload(r, r.lineSettings); };
        // This thread turns an interrupt into a cancel, since a signal handler may do no more
        // than raise a flag; it waits so while the port opens and while the frame goes.
        UploadSession::Writing writing;
        writing.wait = [&](const std::function<bool()>& finished) {
            while (!finished()) {
                if (m_c.interrupted())
                    session.cancel();
                std::this_thread::sleep_for(InterruptPoll);
            }
        };
        UploadResult result = session.open(device, reports, writing);
        result.total = total;
        if (result.outcome == Outcome::OpenFailed)
            return finish(ExitOpen, device, outcome("open-failed", total));

        const bool bar = m_c.errIsTerminal && !m_o.quiet && result.opened();
        std::size_t shownWidth = 0;
        if (bar)
            writing.progress = [&](const UploadProgress& p) {
                const std::string line = progressLine(p.sent, p.total, p.remaining, m_c.language);
                const std::size_t pad = shownWidth > line.size() ? shownWidth - line.size() : 0;
                shownWidth = line.size();
                std::fprintf(m_c.err, "\r%s%*s", line.c_str(), static_cast<int>(pad), "");
                std::fflush(m_c.err);
            };
        if (result.opened())
            result = session.send(m_frame.frame(), writing);
        result.total = total;
        if (bar)
            std::fputc('\n', m_c.err);

        JsonResult json = outcome({}, result.total, result.sent);
        json.seconds = std::chrono::duration<double>(result.elapsed).count();
        switch (result.outcome) {
        case Outcome::Completed:
            // The frame went, but a script must be able to tell that the sign may have read it
            // at other line settings.
            if (bar)
                std::fprintf(m_c.err, "%s\n", uploadText(result, m_c.language).c_str());
            m_error = result.lineSettings.reason;
            json.outcome = result.lineSettingsConfirmed() ? "sent" : "sent-unconfirmed";
            return finish(result.lineSettingsConfirmed() ? ExitSent : ExitUnconfirmed, device,
                          json);
        case Outcome::Cancelled:
            tellUpload(result, {});
            json.outcome = "cancelled";
            return finish(ExitCancelled, device, json);
        case Outcome::TimedOut:
            tellUpload(result, {0, uploadText(result, Language::English), {}});
            json.outcome = "timed-out";
            return finish(ExitWrite, device, json);
        default:
            tellUpload(result, result.failure);
            json.outcome = "write-failed";
            return finish(ExitWrite, device, json);
        }
    }

    int finish(int code, const std::string& device, JsonResult result) const {
        result.device = device;
        return finish(code, result);
    }

    const Options& m_o;
    const Console& m_c;
    const std::string m_inputName;
    TxFrame m_frame;
    std::string m_error;
};

} // namespace

int runSend(const Options& options, const Console& console) {
    return Command(options, console).run();
}

} // namespace sendtool
