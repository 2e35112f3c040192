#pragma once

#include <QString>

// Opens a mailto: or http:// target with the user's default program. Whether it worked is not
// reported: the caller has nothing to do about a missing mail program or browser.
class ShellOpen {
public:
    virtual ~ShellOpen() = default;
    virtual void open(const QString& target) = 0;
};

class DesktopShellOpen : public ShellOpen {
public:
    void open(const QString& target) override;
};
