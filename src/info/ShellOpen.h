#pragma once

#include <QString>

#include <memory>

// Opens a mailto: or http:// target with the user's default program. Whether it worked is not
// reported: the caller has nothing to do about a missing mail program or browser.
class ShellOpen {
public:
    virtual ~ShellOpen() = default;
    virtual void open(const QString& target) = 0;
};

// The desktop's URL handler; on Windows ShellExecuteA itself.
std::unique_ptr<ShellOpen> makeShellOpen();

class DesktopShellOpen : public ShellOpen {
public:
    void open(const QString& target) override;
};
