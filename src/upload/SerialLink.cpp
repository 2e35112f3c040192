#include "upload/SerialLink.h"

SerialLink::Failure systemFailure(int err) {
    return {err, errorReason(err, ReasonLanguage::English),
            errorReason(err, ReasonLanguage::Russian)};
}

std::string failureText(const SerialLink::Failure& failure, ReasonLanguage language) {
    if (language == ReasonLanguage::Russian && !failure.russian.empty())
        return failure.russian;
    return failure.reason;
}
