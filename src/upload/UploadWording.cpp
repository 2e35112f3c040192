#include "upload/UploadWording.h"

#include "base/SystemError.h"

#include <cstdio>
#include <initializer_list>
#include <string_view>

namespace {

struct Pattern {
    std::string_view english;
    std::string_view russian;
};

// %1 the device, %2 the reason; %3 and %4 the bytes sent and the frame's, or the seconds.
constexpr Pattern OpenFailed{"cannot open the port %1: %2", "не могу открыть порт %1: %2"};
constexpr Pattern OpenFailedUnexplained{"cannot open the port %1", "не могу открыть порт %1"};
constexpr Pattern DialoutHint{
    "On Linux the port belongs to the group dialout: sudo usermod -aG dialout $USER, then log "
    "in again.",
    "В Linux порт доступен членам группы dialout: sudo usermod -aG dialout $USER, затем "
    "войдите в систему заново."};
constexpr Pattern Open{"the port %1 is open", "порт %1 открыт"};
constexpr Pattern SettingsRefused{
    "the port %1 refused the line settings (%2); sending all the same",
    "порт %1 не принял настройки линии (%2); передаю всё равно"};
constexpr Pattern Sent{"%3 bytes sent to %1 in %4 s", "%3 байт передано в %1 за %4 с"};
constexpr Pattern SentUnconfirmed{"%3 bytes sent to %1 in %4 s, the line settings not confirmed",
                                  "%3 байт передано в %1 за %4 с, настройки линии не подтверждены"};
constexpr Pattern Cancelled{"cancelled: %3 of %4 bytes sent", "отменено: передано %3 из %4 байт"};
constexpr Pattern TimedOut{"%1 did not take the frame within %2 s: %3 of %4 bytes sent",
                           "%1 не принял кадр за %2 с: передано %3 из %4 байт"};
constexpr Pattern WriteFailed{"the write to %1 failed (%2): %3 of %4 bytes sent",
                              "запись в %1 не удалась (%2): передано %3 из %4 байт"};
constexpr Pattern WriteFailedUnexplained{"the write to %1 failed: %3 of %4 bytes sent",
                                         "запись в %1 не удалась: передано %3 из %4 байт"};

std::string fill(const Pattern& pattern, Language language,
                 std::initializer_list<std::string_view> args) {
    const std::string_view text = language == Language::Russian ? pattern.russian : pattern.english;
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t n =
            i + 1 < text.size() && text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9'
                ? static_cast<std::size_t>(text[i + 1] - '1')
                : args.size();
        if (n < args.size()) {
            out += args.begin()[n];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string seconds(std::chrono::milliseconds time) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::chrono::duration<double>(time).count());
    return text;
}

} // namespace

std::string uploadText(const UploadResult& r, Language language) {
    using Outcome = UploadResult::Outcome;
    const ReasonLanguage reasons =
        language == Language::Russian ? ReasonLanguage::Russian : ReasonLanguage::English;
    const std::string sent = std::to_string(r.sent), total = std::to_string(r.total);
    const auto say = [&](const Pattern& pattern, const std::string& reason) {
        return fill(pattern, language, {r.device, reason, sent, total});
    };
    const std::string reason = failureText(r.failure, reasons);
    switch (r.outcome) {
    case Outcome::OpenFailed: {
        std::string text = say(reason.empty() ? OpenFailedUnexplained : OpenFailed, reason);
        if (isPermissionError(r.failure.error))
            text += '\n' + fill(DialoutHint, language, {});
        return text;
    }
    case Outcome::Opened:
        return r.lineSettingsConfirmed()
                   ? say(Open, {})
                   : say(SettingsRefused, failureText(r.lineSettings, reasons));
    case Outcome::Completed:
        return fill(r.lineSettingsConfirmed() ? Sent : SentUnconfirmed, language,
                    {r.device, {}, total, seconds(r.elapsed)});
    case Outcome::Cancelled:
        return say(Cancelled, {});
    case Outcome::TimedOut:
        return say(TimedOut,
                   std::to_string(std::chrono::ceil<std::chrono::seconds>(r.deadline).count()));
    case Outcome::WriteFailed:
        return say(reason.empty() ? WriteFailedUnexplained : WriteFailed, reason);
    }
    return {};
}
