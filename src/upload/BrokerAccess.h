#pragma once

#include "frames/LinkUrl.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

// What a link to a broker's sign needs besides its URL: the password of the URL's user and
// the CA file of mqtts://. The settings name the files ([Broker] PasswordFile and CaFile);
// where none is named the window asks for the password once per run. Shared between the
// thread that prepares an upload and the worker that opens it.
class BrokerAccess {
public:
    // The one the window and the links given no other share: a password asked for is asked
    // once per run.
    static std::shared_ptr<BrokerAccess> ofThisRun();

    void setFiles(std::string passwordFile, std::string caFile);
    std::string passwordFile() const;
    std::string caFile() const;

    // A password given during this run for the URL's user at its broker.
    void remember(const LinkUrl& url, std::string password);
    std::optional<std::string> given(const LinkUrl& url) const;
    // The URL names a user, no password file is named and no password was given yet.
    bool needsPassword(const LinkUrl& url) const;

private:
    static std::string key(const LinkUrl& url);

    mutable std::mutex m_mutex;
    std::string m_passwordFile, m_caFile;
    std::map<std::string, std::string> m_given;
};
