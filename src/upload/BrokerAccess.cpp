#include "upload/BrokerAccess.h"

std::shared_ptr<BrokerAccess> BrokerAccess::ofThisRun() {
    static const std::shared_ptr<BrokerAccess> access = std::make_shared<BrokerAccess>();
    return access;
}

void BrokerAccess::setFiles(std::string passwordFile, std::string caFile) {
    const std::lock_guard lock(m_mutex);
    m_passwordFile = std::move(passwordFile);
    m_caFile = std::move(caFile);
}

std::string BrokerAccess::passwordFile() const {
    const std::lock_guard lock(m_mutex);
    return m_passwordFile;
}

std::string BrokerAccess::caFile() const {
    const std::lock_guard lock(m_mutex);
    return m_caFile;
}

std::string BrokerAccess::key(const LinkUrl& url) {
    return url.user + "@" + url.address();
}

void BrokerAccess::remember(const LinkUrl& url, std::string password) {
    const std::lock_guard lock(m_mutex);
    m_given[key(url)] = std::move(password);
}

std::optional<std::string> BrokerAccess::given(const LinkUrl& url) const {
    const std::lock_guard lock(m_mutex);
    const auto it = m_given.find(key(url));
    return it == m_given.end() ? std::nullopt : std::optional(it->second);
}

bool BrokerAccess::needsPassword(const LinkUrl& url) const {
    const std::lock_guard lock(m_mutex);
    return url.broker() && !url.user.empty() && m_passwordFile.empty() &&
           !m_given.contains(key(url));
}
